#!/usr/bin/env bash
# Packs a staged folder into a zip that is the same, byte for byte, whoever
# builds it, wherever and whenever: entries in a fixed order, every time the
# last commit's (SOURCE_DATE_EPOCH), fixed modes, no owner or extra times.
#   packaging/pack-zip.sh STAGE_FOLDER OUT.zip
set -euo pipefail
stage="$(realpath "$1")"
out="$(realpath -m "$2")"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct)}"
chmod -R u=rwX,go=rX "$stage"
find "$stage" -exec touch -h -d "@$epoch" {} +
rm -f "$out"
cd "$(dirname "$stage")"
# zip keeps local times; in UTC they are the epoch itself.
find "$(basename "$stage")" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$out" -@
