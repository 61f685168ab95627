#!/usr/bin/env bash
# The corresponding source of everything the Windows zip and setup program ship
# that is not the game's own: Debian's source packages of the Qt it was built from and of the
# MinGW-w64 runtime DLLs, at exactly the versions installed here, with the
# script, options and toolchain file that built Qt for Windows. Whoever passes
# them on can pass this folder with them, as the LGPL and the GPL ask.
#   scripts/windows-sources.sh OUTDIR
# Downloaded once per version into the cache, then copied.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
cache="${ZORBUNY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbuny}/sources"

field() { dpkg-query -W -f="\${$2}" "$1"; }
# Package=version of the source each shipped binary comes from. The GCC
# runtime is built from gcc's own source, which the packaging names.
gcc_source="$(field gcc-mingw-w64-x86-64-posix-runtime Built-Using | sed -E 's/^(\S+) \(= (\S+)\).*/\1=\2/')"
sources=(
  "$(field qt6-base-dev source:Package)=$(field qt6-base-dev source:Version)"
  "$(field gcc-mingw-w64-x86-64-posix-runtime source:Package)=$(field gcc-mingw-w64-x86-64-posix-runtime source:Version)"
  "$gcc_source"
  "$(field mingw-w64-x86-64-dev source:Package)=$(field mingw-w64-x86-64-dev source:Version)"
)

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
. "$here/scripts/qt-source.sh"
apt=(private_apt "$cache/.apt")
# The files a source package's .dsc names, besides itself.
dsc_files() { sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]\{32\} [0-9]* //p' "$1"; }
updated=
missing=()
for source in "${sources[@]}"; do
  folder="$cache/${source/=/_}"
  if [ ! -f "$folder/.complete" ]; then
    [ -n "$updated" ] || { "${apt[@]}" update >&2; updated=1; }
    mkdir -p "$folder"
    (cd "$folder" && "${apt[@]}" source --download-only "$source" >&2) || true
  fi
  # No .dsc where the mirror lacked the package: find, not ls, which would fail
  # the script (pipefail) instead of noting what is missing.
  dsc="$(find "$folder" -maxdepth 1 -name '*.dsc' | LC_ALL=C sort | head -n 1)"
  [ -n "$dsc" ] || { missing+=("${source/=/ } (all of it)"); continue; }
  complete=1
  for file in $(dsc_files "$dsc"); do
    [ -f "$folder/$file" ] || { missing+=("$file"); complete=; }
  done
  [ -z "$complete" ] || touch "$folder/.complete"
done

rm -rf "$out"
mkdir -p "$out/qt-windows-build"
for source in "${sources[@]}"; do
  cp -p "$cache/${source/=/_}"/* "$out/" 2>/dev/null || true
done
cp -p "$here/scripts/build-qt-windows.sh" "$here/cmake/mingw-w64.cmake" "$out/qt-windows-build/"
{
  echo "The source of what zorbuny's Windows zip and setup program ship beside the game: Debian's"
  echo "source packages, unpacked with 'dpkg-source -x NAME.dsc'."
  echo
  for source in "${sources[@]}"; do echo "  ${source/=/ }"; done
  echo
  echo "Qt for Windows was built from the first of them by"
  echo "qt-windows-build/build-qt-windows.sh, whose options it lists, with"
  echo "qt-windows-build/mingw-w64.cmake as the CMake toolchain file. The GCC"
  echo "runtime DLLs come from Debian's gcc-mingw-w64 build of the gcc source"
  echo "above, libwinpthread-1.dll from mingw-w64."
  if [ ${#missing[@]} -gt 0 ]; then
    echo
    echo "MISSING: the mirror did not give these files, so this folder is not yet the"
    echo "whole source; fetch them with apt-get source from a Debian mirror that has them before"
    echo "passing the zip on:"
    printf '  %s\n' "${missing[@]}"
  fi
} >"$out/README.txt"
if [ ${#missing[@]} -gt 0 ]; then
  echo "warning: the Windows release's sources in $out lack ${missing[*]}: the mirror did not give them; $out/README.txt says so" >&2
fi
