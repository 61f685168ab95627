#!/usr/bin/env bash
# Builds the .deb, reads its control data and contents, and installs it into
# a throwaway root, as a fresh system's dpkg would.
#   check_package.sh BUILD_DIR
set -euo pipefail
# dpkg runs ldconfig and start-stop-daemon, which an ordinary user's PATH lacks.
PATH=$PATH:/usr/sbin:/sbin
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# Under umask 002, Debian 13's default for an ordinary user, so that modes
# the build would take from the builder's umask show up here.
(umask 002 && cd "$build" && cpack -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/zorbuny_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# The names Depends lists, alternatives included, versions left out.
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/[[:space:]]//g; /^$/d')

# The package that ships a library on this system: Debian 12 lists libc under
# /lib, Debian 13 under /usr/lib, and ldd may name either.
owner() { # path
    local candidate found
    for candidate in "$1" "/usr${1#/usr}" "${1#/usr}"; do
        found=$(dpkg-query --search "$candidate" 2>/dev/null | sed -n '1s/:.*//p')
        [ -n "$found" ] && { echo "$found"; return; }
    done
}
# Each library the game links must be depended on by the name this release
# gives its package (libqt6core6 on Debian 12, libqt6core6t64 on Debian 13).
libraries=$(ldd "$build/zorbuny")
for soname in libQt6Widgets.so.6 libQt6Gui.so.6 libQt6Core.so.6 libstdc++.so.6 libc.so.6; do
    path=$(awk -v lib="$soname" '$1 == lib && $2 == "=>" { print $3 }' <<<"$libraries")
    package=$(owner "$path")
    echo "$soname: ${path:-not linked}, from ${package:-no package}"
    check "depends on ${package:-the package of $soname}" grep -qxF -e "$package" <<<"$depends_names"
done
check "depends on qt6-qpa-plugins" grep -qxF qt6-qpa-plugins <<<"$depends_names"
check "version 1.1" test "$(dpkg-deb --field "$deb" Version)" = 1.1
contents=$(dpkg-deb --contents "$deb")
for path in usr/games/zorbuny usr/share/applications/org.zorbuny.Zorbuny.desktop \
    usr/share/doc/zorbuny/copyright usr/share/doc/zorbuny/changelog.gz \
    usr/share/man/man6/zorbuny.6.gz usr/share/man/ru/man6/zorbuny.6.gz \
    usr/share/metainfo/org.zorbuny.Zorbuny.metainfo.xml \
    usr/share/icons/hicolor/48x48/apps/org.zorbuny.Zorbuny.png; do
    check "contains /$path" grep -q " \./$path\$" <<<"$contents"
done
# dpkg --dry-run -i weighs no dependency; dpkg-checkbuilddeps weighs a relation
# field against the installed packages, versions and Provides included.
printf 'Source: zorbuny\n\nPackage: zorbuny\nArchitecture: any\n' >"$work/control"
check "dependencies are satisfied on this system" dpkg-checkbuilddeps -d "$depends" "$work/control"
# Fixed modes, not the builder's: directories 0755, files 0644, the game 0755.
while read -r mode _ _ _ _ path; do
    case $mode:$path in
        d*) want=drwxr-xr-x ;;
        *:./usr/games/zorbuny) want=-rwxr-xr-x ;;
        *) want=-rw-r--r-- ;;
    esac
    [ "$mode" = "$want" ] || echo "mode $mode, not $want: $path"
done <<<"$contents" >"$work/modes.txt"
cat "$work/modes.txt"
check "directories 0755, files 0644, the game 0755" test ! -s "$work/modes.txt"

# A throwaway root with an empty package database; its dependencies are the
# host's business here, checked just above.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
check "installs into a throwaway root" dpkg --root="$root" --force-depends \
    --force-script-chrootless --force-not-root --log=/dev/null -i "$deb"
check "the installed game is registered" grep -qx 'Status: install ok installed' \
    <(dpkg --root="$root" -s zorbuny)
check "the installed game is executable" test -x "$root/usr/games/zorbuny"

# Debian's own checker, at its most particular: no error and no warning. The
# one exception is the maintainer's address (in the control data and in the
# changelog), as long as the project has no real one.
status=0
lintian --pedantic --color never --fail-on none "$deb" >"$work/lintian.txt" 2>&1 || status=$?
sed 's/^/lintian: /' "$work/lintian.txt"
check "lintian ran to its end" test "$status" -eq 0
check "lintian reports no error or warning but the bogus mail host" \
    test -z "$(grep -E '^[EW]: ' "$work/lintian.txt" | grep -Ev '^E: zorbuny: bogus-mail-host(-in-debian-changelog)? ')"

finish
