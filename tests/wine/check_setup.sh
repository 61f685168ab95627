#!/usr/bin/env bash
# The setup program under Wine, as a player uses it: a silent install for the
# current user over an older version that had a file this one has not, the
# installed game played, the same version and a newer one installed over it,
# and the uninstall string from the registry run silently. After each install
# exactly one copy: the setup folder's files, the uninstaller, one shortcut,
# one entry in Apps; after the uninstall, none of them and no other file left.
#   tests/wine/check_setup.sh WINDOWS_BUILD TST_WINEWINDOW
# Runs in the Wine prefix, on the display, that tests/wine/run.sh set up.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
window_test="$2"
setup="$(ls "$build"/zorbuny-*-windows-x86_64-setup.exe)"
name="$(basename "$setup" -setup.exe)"
stage="$build/setup/$name"
version="${name#zorbuny-}"
version="${version%-windows-x86_64}"
work="$build/wine/setup"
rm -rf "$work"
mkdir -p "$work"
failed=0
passed=0
check() { # what, then a command that must succeed
  local what="$1"
  shift
  if "$@"; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorbuny'
unix() { winepath -u "$1" 2>/dev/null; }
folder_of() { unix "$(wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r')"; }
programs="$(folder_of LOCALAPPDATA)/Programs"
start_menu="$(folder_of APPDATA)/Microsoft/Windows/Start Menu/Programs"
profile="$(folder_of USERPROFILE)"
installed="$programs/Zorbuny"
shortcut="$start_menu/Зорбуны.lnk"

# The entry as regedit exports it, in UTF-8; empty if there is none.
entry() { # out file
  rm -f "$work/entry.reg"
  wine reg export "$key" "$(winepath -w "$work/entry.reg")" /y >/dev/null 2>&1 || true
  if [ -f "$work/entry.reg" ]; then iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r' >"$1"; else : >"$1"; fi
}
# A string value of the entry, unescaped.
value() { # entry file, name
  sed -n "s/^\"$2\"=\"\(.*\)\"$/\1/p" "$1" | sed 's/\\"/"/g; s/\\\\/\\/g'
}
install() { # setup program
  wine "$1" /S
  wineserver -w
}
uninstall() { # the registry's string, with /S as Settings runs it quietly
  local file="$work/now.reg" string exe
  entry "$file"
  string="$(value "$file" UninstallString)"
  exe="$(sed -n 's/^"\(.*\)"$/\1/p' <<<"$string")"
  [ -n "$exe" ] || { echo "no uninstall string: $string"; return 1; }
  wine "$exe" /S
  wineserver -w
}
# The Start menu's shortcuts to a zorbuny.exe, wherever it is.
shortcuts() {
  find "$start_menu" -iname '*.lnk' -print0 | while IFS= read -r -d '' link; do
    strings -el "$link" | grep -qi 'zorbuny\.exe' && echo "$link"
  done
}
# The game's entries in Apps, the user's and the machine's.
entries() {
  local hive count=0
  for hive in HKCU HKLM; do
    rm -f "$work/all.reg"
    wine reg export "$hive\Software\Microsoft\Windows\CurrentVersion\Uninstall" \
      "$(winepath -w "$work/all.reg")" /y >/dev/null 2>&1 || continue
    count=$((count + $(iconv -f UTF-16 -t UTF-8 "$work/all.reg" | tr -d '\r' | grep -cx '"DisplayName"="Зорбуны"' || true)))
  done
  echo "$count"
}
files_of() { (cd "$1" && find . -printf '%y %P\n' | LC_ALL=C sort); }
# Every file in the user's profile but the temporary ones, with its size.
profile_files() { (cd "$profile" && find . -path ./AppData/Local/Temp -prune -o -type f -printf '%P %s\n' | LC_ALL=C sort); }

# One copy of VERSION: the setup folder's files, byte for byte, and the
# uninstaller; the shortcut to the game; the entry with the game's name,
# version, publisher and icon; nothing of it anywhere else.
one_copy() { # label, version
  local label="$1" want_version="$2" file="$work/$1.reg"
  entry "$file"
  cp "$file" "$work/$label-entry.reg"
  check "$label: installed into $installed" test -f "$installed/zorbuny.exe"
  check "$label: the setup folder's files and the uninstaller, no others" \
    diff <({ files_of "$stage"; echo "f uninstall.exe"; } | LC_ALL=C sort) <(files_of "$installed")
  check "$label: the same bytes as the setup folder" diff -r -x uninstall.exe "$stage" "$installed"
  check "$label: one program folder" test "$(find "$programs" -mindepth 1 -maxdepth 1 | wc -l)" -eq 1
  check "$label: one shortcut to the game, «Зорбуны»" test "$(shortcuts)" = "$shortcut"
  check "$label: the shortcut starts the installed game" \
    grep -qF "$(winepath -w "$installed/zorbuny.exe" 2>/dev/null)" <(strings -el "$shortcut")
  check "$label: named «Зорбуны» in Apps" test "$(value "$file" DisplayName)" = "Зорбуны"
  check "$label: version $want_version in Apps" test "$(value "$file" DisplayVersion)" = "$want_version"
  check "$label: a publisher" test -n "$(value "$file" Publisher)"
  local icon
  icon="$(value "$file" DisplayIcon)"
  check "$label: the game's icon in Apps ($icon)" test "$(unix "${icon%,0}")" = "$installed/zorbuny.exe"
  check "$label: an uninstall string to the installed uninstaller" \
    test "$(value "$file" UninstallString)" = "\"$(winepath -w "$installed/uninstall.exe" 2>/dev/null)\""
  check "$label: one entry in Apps" test "$(entries)" -eq 1
  # Settings reads the size in KiB: the installed folder's, give or take a few percent.
  local size kib
  size="$(sed -n 's/^"EstimatedSize"=dword:\([0-9a-f]\{8\}\)$/\1/p' "$file")"
  size=$((16#${size:-0}))
  kib=$(($(find "$installed" -type f -printf '%s\n' | awk '{ sum += $1 } END { print sum }') / 1024))
  check "$label: its size in Apps, $size KiB, the installed $kib KiB" \
    test $((size * 100)) -ge $((kib * 97)) -a $((size * 100)) -le $((kib * 103))
}

# Installed for the player alone, into their own profile: Windows asks for no
# administrator, whose profile it would be installed into instead.
check "the setup program asks for no administrator" \
  grep -aq 'requestedExecutionLevel level="asInvoker"' "$setup"

# The prefix may hold a copy from an earlier run.
entry "$work/before.reg"
[ ! -s "$work/before.reg" ] || uninstall
profile_files >"$work/profile-before"

# An older version, with a file it alone had, and a newer one, both built
# from the same folder as the real one.
mkdir -p "$work/old"
cp -r "$stage" "$work/old/$name"
echo "only in the older version" >"$work/old/$name/licenses/retired.txt"
"$here/../../packaging/pack-setup.sh" "$work/old/$name" "$work/older-setup.exe" 1.0 "$build/zorbuny.ico"
"$here/../../packaging/pack-setup.sh" "$stage" "$work/newer-setup.exe" 99.0 "$build/zorbuny.ico"

install "$work/older-setup.exe"
check "the older version installed" test -f "$installed/licenses/retired.txt"
install "$setup"
one_copy "over-the-older" "$version"

# The installed game, started from the folder the shortcut names.
ZORBUNY_EXE="$installed/zorbuny.exe" ZORBUNY_SCREENSHOTS="$build/wine/installed" "$window_test" ||
  { echo "FAIL: the installed game"; failed=$((failed + 1)); }

install "$setup"
one_copy "again" "$version"
install "$work/newer-setup.exe"
one_copy "newer" 99.0

uninstall
check "uninstalled: no program folder" test ! -e "$installed"
check "uninstalled: no shortcut" test ! -e "$shortcut"
entry "$work/after.reg"
check "uninstalled: no entry in Apps" test ! -s "$work/after.reg"
check "uninstalled: no file left in the profile" diff "$work/profile-before" <(profile_files)

echo "setup check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
