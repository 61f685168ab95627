#!/usr/bin/env bash
# What a Windows player unpacks: exactly the game, the Qt it runs on and the
# compiler's runtime, stripped, and nothing that Windows 10 or 11 would have to
# bring besides its own system DLLs; every DLL with its licence beside it.
#   tests/wine/check_zip.sh zorbuny-<version>-windows-x86_64.zip
set -euo pipefail
zip="$(realpath "$1")"
top="$(basename "$zip" .zip)"
objdump=x86_64-w64-mingw32-objdump
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
cmake -E tar xf "$zip"
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

expected="$top/
$top/NOTICE.txt
$top/Qt6Core.dll
$top/Qt6Gui.dll
$top/Qt6Widgets.dll
$top/libgcc_s_seh-1.dll
$top/libstdc++-6.dll
$top/libwinpthread-1.dll
$top/licenses/
$top/licenses/GPL-3.txt
$top/licenses/LGPL-3.txt
$top/licenses/gcc-mingw-w64.txt
$top/licenses/mingw-w64.txt
$top/licenses/qt6-base.txt
$top/licenses/zorbuny.txt
$top/platforms/
$top/platforms/qwindows.dll
$top/styles/
$top/styles/qmodernwindowsstyle.dll
$top/zorbuny.exe"
actual="$(find "$top" -mindepth 0 \( -type d -printf '%p/\n' \) -o -printf '%p\n' | LC_ALL=C sort)"
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "the zip holds
$actual"

# DLLs every Windows 10 and 11 has in System32.
system=" advapi32.dll authz.dll bcrypt.dll comdlg32.dll d3d11.dll d3d12.dll d3d9.dll dwmapi.dll
dwrite.dll d2d1.dll dxgi.dll gdi32.dll imm32.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll
ole32.dll oleaut32.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll userenv.dll
uxtheme.dll version.dll winmm.dll ws2_32.dll wtsapi32.dll "
system="${system//$'\n'/ }"
shipped=" $(find "$top" -name '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z' | tr '\n' ' ') "
while IFS= read -r file; do
  for dll in $("$objdump" -p "$file" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'); do
    case "$dll" in api-ms-win-*) continue ;; esac
    [[ "$system$shipped" == *" $dll "* ]] || fail "$file needs $dll, which is neither shipped nor part of Windows"
  done
  if "$objdump" -h "$file" | grep -q '\.debug_'; then fail "$file is not stripped"; fi
done < <(find "$top" -name '*.exe' -o -name '*.dll')

# Each DLL stands in a paragraph of the notice that names its licence files,
# and each of those is in the zip, not empty.
while IFS= read -r dll; do
  paragraph="$(awk -v RS= -v dll="${dll#"$top"/}" 'index($0, dll) { print; exit }' "$top/NOTICE.txt")"
  licences="$(grep -o 'licenses/[A-Za-z0-9.+_-]*[A-Za-z0-9]' <<<"$paragraph" | sort -u)"
  [ -n "$licences" ] || fail "NOTICE.txt gives no licence for ${dll#"$top"/}"
  for licence in $licences; do
    [ -s "$top/$licence" ] || fail "${dll#"$top"/}: $licence is not in the zip"
  done
done < <(find "$top" -name '*.dll' | LC_ALL=C sort)

# Explorer shows the icon, at every size in it, and the Details page the version.
types="$("$objdump" -p "$top/zorbuny.exe" | sed -n '/The .rsrc Resource Directory/,$p' |
  sed -nE 's/^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),.*/\1/p' | tr '\n' ' ')"
for type in 3 e 10; do # icons, the icon group, the version
  [[ " $types" == *" $type "* ]] || fail "zorbuny.exe has no resource of type 0x$type (it has: $types)"
done
icons="$("$objdump" -p "$top/zorbuny.exe" | sed -n '/^[0-9a-f]*   Entry: ID: 0x000003,/,/^[0-9a-f]*   Entry/p' | grep -c '^[0-9a-f]*     Entry' || true)"
[ "$icons" -ge 4 ] || fail "zorbuny.exe carries $icons icon sizes"
version="$(x86_64-w64-mingw32-strings -n 3 -el "$top/zorbuny.exe" | grep -A1 -x FileVersion | tail -n 1)"
[ "$top" = "zorbuny-$version-windows-x86_64" ] || fail "zorbuny.exe says it is version '$version'"

echo "$top.zip: $(stat -c %s "$zip") bytes, $(find "$top" -type f | wc -l) files"
[ "$failed" -eq 0 ] && echo "zip check: 1 passed, 0 failed" || { echo "zip check: 0 passed, 1 failed"; exit 1; }
