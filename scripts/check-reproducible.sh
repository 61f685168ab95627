#!/usr/bin/env bash
# Builds the release files of the current commit twice, from two fresh clones
# in different folders, one under umask 022 and one under 002, one after the
# other in different time zones, and checks that both builds give the same
# bytes. Where they differ, diffoscope says how.
#   scripts/check-reproducible.sh [--first TREE] deb|windows|web...
# deb: the .deb of `make package`; windows: the zip and the setup program of
# `make windows` (Debian 13, Qt for Windows built, see
# scripts/build-qt-windows.sh); web: the page of
# `make web` and all beside it (needs Qt for WebAssembly built, see
# scripts/build-qt-web.sh). With --first, the zip and the page that TREE, a
# checkout of the same commit, has already built are the first build, and
# only the second is made: CI has just built them there.
set -euo pipefail
source_tree="$(cd "$(dirname "$0")/.." && pwd)"
commit="$(git -C "$source_tree" rev-parse HEAD)"
first=
if [ "${1:-}" = --first ]; then
  first="$(cd "$2" && pwd)"
  shift 2
  [ "$(git -C "$first" rev-parse HEAD)" = "$commit" ] ||
    { echo "$0: $first is not at commit $commit" >&2; exit 2; }
fi
[ $# -gt 0 ] || { echo "usage: $0 deb|windows|web..." >&2; exit 2; }
work="$(mktemp -d /var/tmp/zorbuny-reproducible.XXXXXX)"
trap 'rm -rf "$work"' EXIT

build() { # number, clone folder, umask, time zone
  local clone="$work/$2"
  git clone -q --no-checkout "$source_tree" "$clone"
  git -C "$clone" checkout -q --detach "$commit"
  mkdir -p "$work/out$1"
  (
    umask "$3"
    export TZ="$4"
    cd "$clone"
    for what in "${targets[@]}"; do
      case "$what" in
        deb)
          # Only the game and what it installs: the tests change nothing in the package.
          make -s package CONFIGURE_FLAGS=-DBUILD_TESTING=OFF >"$work/out$1/deb.log" 2>&1 ||
            { tail -n 30 "$work/out$1/deb.log" >&2; exit 1; }
          cp build/zorbuny_*.deb build/SHA256SUMS "$work/out$1/" ;;
        windows)
          make -s windows >"$work/out$1/windows.log" 2>&1 ||
            { tail -n 30 "$work/out$1/windows.log" >&2; exit 1; }
          mkdir -p "$work/out$1/windows"
          cp build-windows/zorbuny-*-windows-x86_64.zip build-windows/zorbuny-*-windows-x86_64-setup.exe \
            build-windows/SHA256SUMS "$work/out$1/windows/" ;;
        web)
          make -s web >"$work/out$1/web.log" 2>&1 ||
            { tail -n 30 "$work/out$1/web.log" >&2; exit 1; }
          # The page is a folder: every file in it but the build's own.
          mkdir -p "$work/out$1/web"
          tar -C build-web --exclude=./build -cf - . | tar -C "$work/out$1/web" -xf - ;;
        *) echo "unknown release file: $what" >&2; exit 2 ;;
      esac
    done
  )
}

# The first build's files from --first's tree, as far as it built them;
# prints what is left to build.
from_first() {
  mkdir -p "$work/out1"
  for what in "${targets[@]}"; do
    case "$what" in
      windows) [ -f "$first/build-windows/SHA256SUMS" ] || { echo windows; continue; }
        mkdir -p "$work/out1/windows"
        cp "$first"/build-windows/zorbuny-*-windows-x86_64.zip "$first"/build-windows/zorbuny-*-windows-x86_64-setup.exe \
          "$first/build-windows/SHA256SUMS" "$work/out1/windows/" ;;
      web) [ -f "$first/build-web/SHA256SUMS" ] || { echo web; continue; }
        mkdir -p "$work/out1/web"
        tar -C "$first/build-web" --exclude=./build -cf - . | tar -C "$work/out1/web" -xf - ;;
      *) echo "$what" ;;
    esac
  done
}

targets=("$@")
if [ -n "$first" ]; then
  # The second build differs from the first in umask too: the first was made
  # under this one.
  first_umask=$(umask)
  second_umask=002
  [ "$first_umask" != 0002 ] || second_umask=022
  all=("${targets[@]}")
  from_first >"$work/rest"
  mapfile -t targets <"$work/rest"
  [ ${#targets[@]} -eq 0 ] || build 1 first/zorbuny "$first_umask" UTC
  targets=("${all[@]}")
else
  second_umask=002
  build 1 first/zorbuny 022 UTC
fi
build 2 second-place/another-name "$second_umask" Asia/Vladivostok

failed=0
while IFS= read -r file; do
  name="${file#"$work/out1/"}"
  if cmp -s "$file" "$work/out2/$name"; then
    echo "same: $name $(sha256sum <"$file" | cut -d' ' -f1)"
  else
    failed=$((failed + 1))
    echo "DIFFERENT: $name"
    diffoscope --text - "$file" "$work/out2/$name" | head -n 200 || true
  fi
done < <(find "$work/out1" -type f ! -name '*.log' | LC_ALL=C sort)
passed=$(($(find "$work/out1" -type f ! -name '*.log' | wc -l) - failed))
while IFS= read -r file; do
  name="${file#"$work/out2/"}"
  [ -e "$work/out1/$name" ] || { failed=$((failed + 1)); echo "ONLY IN THE SECOND BUILD: $name"; }
done < <(find "$work/out2" -type f ! -name '*.log' | LC_ALL=C sort)
echo "reproducible: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
