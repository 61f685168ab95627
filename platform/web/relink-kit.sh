#!/bin/sh
# Puts beside the page what relinking the game against a changed Qt takes: the
# game's own object files and archives, and link.sh, the very command the build
# linked them with; and Qt's exact source, as Debian ships it.
#   relink-kit.sh BUILD_DIR PAGE_DIR [QT_SOURCE_DIR]
set -eu
build="$1" page="$2" source="${3:-}"
kit="$page/relink"
rm -rf "$kit" "$page/qt-source"
mkdir -p "$kit/objects"

# The last command of the executable's edge is its link (web.cmake keeps
# its inputs out of response files, which ninja deletes once used).
command="$(ninja -C "$build" -t commands zorbuny | tail -n 1 | sed 's/^: && //; s/ && :$//')"
case "$command" in *" @"*) echo "relink-kit.sh: the link reads a response file" >&2; exit 1 ;; esac
qt="$(sed -n 's/^Qt6_DIR:[^=]*=\(.*\)\/lib\/cmake\/Qt6$/\1/p' "$build/CMakeCache.txt")"
[ -n "$qt" ] || { echo "relink-kit.sh: no Qt6_DIR in $build/CMakeCache.txt" >&2; exit 1; }

# Inputs inside the build tree are the game's: they go into objects/ under
# the same relative path; Qt's own are named from the Qt given at relink time.
args=""
set -f
for word in $command; do
  case "$word" in
    "$qt"/*) word="\$QT${word#"$qt"}" ;;
    "$build"/*.o|"$build"/*.a) word="${word#"$build"/}" ;;
  esac
  case "$word" in
    /*|\$*) ;;
    *.o|*.a)
      mkdir -p "$kit/objects/$(dirname "$word")"
      cp "$build/$word" "$kit/objects/$word"
      word="objects/$word" ;;
  esac
  args="$args $word"
done
set +f
cat > "$kit/link.sh" <<SCRIPT
#!/bin/sh
# Links zorbuny.js and zorbuny.wasm afresh from the game's object files in
# objects/ and the Qt for WebAssembly installed at \$QT, with Debian 13's
# emscripten: QT=/path/to/qt sh link.sh, then put the two files beside
# index.html. Qt for WebAssembly as the page has it is built by
# scripts/build-qt-web.sh from the source in ../qt-source.
set -eu
: "\${QT:?set QT to the Qt for WebAssembly install to link against}"
cd "\$(dirname "\$0")"
export EMSDK="\$QT/emsdk"
$args
SCRIPT
if [ -n "$source" ]; then
  mkdir -p "$page/qt-source"
  cp "$source"/* "$page/qt-source/"
  tar -xOf "$source"/qt6-base_*.debian.tar.* debian/copyright > "$page/licences/qt6-base-copyright"
fi
