#!/usr/bin/env bash
# Builds the Windows setup program from a staged folder (the zip's): every file
# in it installed, and the same files, no others, removed by its uninstaller.
# The same bytes whoever builds it, wherever and whenever: files in a fixed
# order, no file times stored (windows-setup.nsi).
#   packaging/pack-setup.sh STAGE_FOLDER OUT.exe VERSION ICON.ico
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
stage="$(realpath "$1")"
out="$(realpath -m "$2")"
version="$3"
icon="$(realpath "$4")"
lists="$(mktemp -d)"
trap 'rm -rf "$lists"' EXIT

# Windows paths below $INSTDIR, the folders before the files they hold.
dirs="$(cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort)"
files="$(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort)"
win() { printf '%s' "${1//\//\\}"; }
{
  echo 'SetOutPath "$INSTDIR"'
  while IFS= read -r file; do
    [ -n "$file" ] || continue
    printf 'SetOutPath "$INSTDIR\\%s"\n' "$(win "$(dirname "$file")")" | sed 's/\\\."$/"/'
    printf 'File "%s"\n' "$stage/$file"
  done <<<"$files"
} >"$lists/files.nsh"
{
  while IFS= read -r file; do
    [ -n "$file" ] && printf 'Delete "$INSTDIR\\%s"\n' "$(win "$file")"
  done <<<"$files"
  # The deepest folders first.
  while IFS= read -r dir; do
    [ -n "$dir" ] && printf 'RMDir "$INSTDIR\\%s"\n' "$(win "$dir")"
  done < <(LC_ALL=C sort -r <<<"$dirs")
} >"$lists/unfiles.nsh"
# What Settings shows as the size, in KiB.
size_kb="$(find "$stage" -type f -printf '%s\n' | awk '{ sum += $1 } END { print int((sum + 1023) / 1024) }')"

rm -f "$out"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DICON="$icon" -DOUT="$out" \
  -DFILES="$lists/files.nsh" -DUNFILES="$lists/unfiles.nsh" -DSIZE_KB="$size_kb" \
  "$here/windows-setup.nsi" >&2
