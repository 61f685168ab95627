#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the tree a desktop needs,
# with the desktop's own validators.
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
# shellcheck source=checks.sh
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# Under umask 002, Debian 13's default for an ordinary user: what the install
# makes must still be 0755 (directories, the game) and 0644 (other files).
(umask 002 && cmake --install "$build" --prefix "$prefix" >/dev/null)

id=org.zorbuny.Zorbuny
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
check "executable installed where Debian puts games" test -x "$prefix/games/zorbuny"
check "directories 0755, files 0644, the game 0755" test -z "$(cd "$prefix" &&
    find . -mindepth 1 \( -type d ! -perm 0755 \) -o \( -path ./games/zorbuny ! -perm 0755 \) \
        -o \( -type f ! -path ./games/zorbuny ! -perm 0644 \))"
check "English manual page installed" test -f "$prefix/share/man/man6/zorbuny.6.gz"
check "Russian manual page installed" test -f "$prefix/share/man/ru/man6/zorbuny.6.gz"
check "copyright file installed" test -f "$prefix/share/doc/zorbuny/copyright"
check "changelog installed" test -f "$prefix/share/doc/zorbuny/changelog.gz"
check "desktop entry installed" test -f "$desktop"
check "metainfo installed" test -f "$metainfo"
for size in 16 32 48 64; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    check "icon ${size}x${size} installed" test -f "$icon"
    check "icon ${size}x${size} is a ${size}-pixel PNG" \
        grep -q "PNG image data, $size x $size" <(file "$icon")
done
check "desktop entry names the game in Russian" grep -qx 'Name=Зорбуны' "$desktop"
check "desktop entry is a board game" grep -qx 'Categories=Game;BoardGame;' "$desktop"
check "desktop entry has the Russian comment" grep -qx "Comment=Игра «пять в ряд» против компьютера на поле 14 на 14" "$desktop"
check "desktop entry uses the installed icon" grep -qx "Icon=$id" "$desktop"
check "desktop-file-validate accepts the entry" desktop-file-validate "$desktop"
check "appstreamcli accepts the metainfo" appstreamcli validate --no-net "$metainfo"
check "metainfo launches the desktop entry" grep -q "<launchable type=\"desktop-id\">$id.desktop<" "$metainfo"

finish
