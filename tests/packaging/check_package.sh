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

(cd "$build" && cpack -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/zorbuny_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 qt6-qpa-plugins; do
    check "depends on $lib" grep -q "\b$lib\b" <<<"$depends"
done
check "version 1.1" test "$(dpkg-deb --field "$deb" Version)" = 1.1
contents=$(dpkg-deb --contents "$deb")
for path in usr/games/zorbuny usr/share/applications/org.zorbuny.Zorbuny.desktop \
    usr/share/doc/zorbuny/copyright usr/share/doc/zorbuny/changelog.gz \
    usr/share/man/man6/zorbuny.6.gz usr/share/man/ru/man6/zorbuny.6.gz \
    usr/share/metainfo/org.zorbuny.Zorbuny.metainfo.xml \
    usr/share/icons/hicolor/48x48/apps/org.zorbuny.Zorbuny.png; do
    check "contains /$path" grep -q " \./$path\$" <<<"$contents"
done
check "dependencies are satisfied on this system" dpkg --dry-run -i "$deb"

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
