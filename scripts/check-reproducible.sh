#!/usr/bin/env bash
# Builds the release files of the current commit twice, from two fresh clones
# in different folders, one under umask 022 and one under 002, one after the
# other in different time zones, and checks that both builds give the same
# bytes. Where they differ, diffoscope says how.
#   scripts/check-reproducible.sh deb|windows|web...
# deb: the .deb of `make package`; windows: the zip and the setup program of
# `make windows` (Debian 13, Qt for Windows built, see
# scripts/build-qt-windows.sh); web: the page of
# `make web` and all beside it (needs Qt for WebAssembly built, see
# scripts/build-qt-web.sh).
set -euo pipefail
source_tree="$(cd "$(dirname "$0")/.." && pwd)"
commit="$(git -C "$source_tree" rev-parse HEAD)"
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

targets=("$@")
build 1 first/zorbuny 022 UTC
build 2 second-place/another-name 002 Asia/Vladivostok

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
echo "reproducible: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
