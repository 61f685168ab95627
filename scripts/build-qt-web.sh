#!/usr/bin/env bash
# Builds Qt for WebAssembly (qtbase only, static: Core, Gui, Widgets and the
# wasm platform plugin) from Debian's own source of the installed Qt, with
# Debian's emscripten, once per machine. The result is cached outside any
# build folder, keyed by the Qt and emscripten versions and this script's
# options, and the path of that install is printed as the last line.
#   scripts/build-qt-web.sh          build if missing, print the prefix
#   scripts/build-qt-web.sh --check  print the prefix if cached, else exit 1
#   scripts/build-qt-web.sh --supported  exit 1 with one line saying why when
#                                        this machine's Debian cannot build it
set -euo pipefail
# Debian 12's emscripten (3.1.6) is too old for any Qt 6; Debian 13's
# 3.1.69 serves Qt 6.8.
release="$(. /etc/os-release && echo "${VERSION_ID:-}")"
if [ -n "$release" ] && [ "${release%%.*}" -lt 13 ]; then
  [ "${1:-}" = --check ] && exit 1
  echo "The web build needs Debian 13: Debian $release's emscripten is too old for Qt 6. Run make web on a Debian 13 machine or in a Debian 13 root (e.g. one made with debootstrap trixie)." >&2
  exit 1
fi
[ "${1:-}" = --supported ] && exit 0
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/scripts/qt-source.sh"

# Everything that changes the result goes into the key. Only what the game
# draws with is built, and for size rather than speed: the page is a download.
options=(
  -DQT_QMAKE_TARGET_MKSPEC=wasm-emscripten
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DFEATURE_optimize_size=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_textodfwriter=OFF
  -DFEATURE_imageformat_bmp=OFF -DFEATURE_imageformat_ppm=OFF -DFEATURE_imageformat_xbm=OFF
  -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  # Widgets the game never shows: views and models, graphics scenes, style
  # sheets, docks, MDI, the stock dialogs and the calendar; with the views go
  # the combo box, completer and file dialog that need them.
  -DFEATURE_itemviews=OFF -DFEATURE_graphicsview=OFF -DFEATURE_style_stylesheet=OFF
  -DFEATURE_dockwidget=OFF -DFEATURE_mdiarea=OFF -DFEATURE_filedialog=OFF
  -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_inputdialog=OFF
  -DFEATURE_wizard=OFF -DFEATURE_errormessage=OFF -DFEATURE_progressdialog=OFF
  -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF
  # Nor any widget to type into, tabs, tool bars or an LCD: a screen reader's
  # support for each would otherwise bring its code along.
  -DFEATURE_lineedit=OFF -DFEATURE_spinbox=OFF -DFEATURE_textedit=OFF
  -DFEATURE_textbrowser=OFF -DFEATURE_tabbar=OFF -DFEATURE_tabwidget=OFF
  -DFEATURE_toolbar=OFF -DFEATURE_lcdnumber=OFF
  # Nor does it recognise gestures, look up MIME types, reckon in other
  # calendars than the Gregorian, hash with SHA-3 in a hurry, animate, keep
  # settings or replay pictures.
  -DFEATURE_gestures=OFF -DFEATURE_mimetype=OFF -DFEATURE_hijricalendar=OFF
  -DFEATURE_islamiccivilcalendar=OFF -DFEATURE_jalalicalendar=OFF -DFEATURE_sha3_fast=OFF
  -DFEATURE_animation=OFF -DFEATURE_settings=OFF
  -DFEATURE_picture=OFF
)
# The page's one font, cut down to what the game writes with: Latin, Cyrillic,
# digits, punctuation (and the replacement character). The rest of DejaVu
# Sans, its other scripts and symbols, would be three quarters of a megabyte
# of download that is never drawn.
glyphs="U+0020-007E,U+00A0-00FF,U+0400-045F,U+2010-2027,U+2030-203A,U+20AC,U+2116,U+2122,U+2212,U+FFFD"
# What the options cannot leave out, the patch does: the fonts and pictures
# the page would carry and never show.
patch="$here/platform/web/qt-web-trim.patch"
version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)"
emcc_version="$(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || true)"
if [ -z "$version" ] || [ -z "$emcc_version" ]; then
  [ "${1:-}" = --check ] && exit 1
  echo "qt6-base-dev and emscripten must be installed (scripts/install-deps.sh web)" >&2
  exit 2
fi
reproducible="file-prefix-map"
fonttools_version="$(dpkg-query -W -f='${Version}' python3-fonttools 2>/dev/null || true)"
key="$(printf '%s\n' "$version" "$emcc_version" "${options[@]}" "$reproducible" "$glyphs" "$fonttools_version" | cat - "$patch" | sha256sum | cut -c1-12)"
qt_build_start web "$version" "$key" WebAssembly 7 "${1:-}"
patch -d "$src" -p1 --no-backup-if-mismatch <"$patch" >&2
font="$src/src/3rdparty/wasm/DejaVuSans.ttf"
python3 -m fontTools.subset "$font" --unicodes="$glyphs" --layout-features='*' \
  --output-file="$font.cut" >&2
mv "$font.cut" "$font"

# Qt finds emscripten through $EMSDK/.emscripten, whose EMSCRIPTEN_ROOT is a
# path below $EMSDK, as emsdk lays it out; Debian installs it elsewhere. The
# game's build reads the same folder, so it lives in the install.
mkdir -p "$prefix/emsdk"
ln -s /usr/share/emscripten "$prefix/emsdk/emscripten"
echo "EMSCRIPTEN_ROOT = 'emscripten'" > "$prefix/emsdk/.emscripten"
export EMSDK="$prefix/emsdk"

map="-ffile-prefix-map=$work=/qt-web"
cmake -G Ninja -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
cmake --build "$work/build" -j "$(nproc)" >&2
cmake --install "$work/build" >&2
# The exact source the page's Qt was built from, which its licence asks to
# offer beside the page.
mkdir -p "$prefix/source"
cp "$work"/qt6-base_*.dsc "$work"/qt6-base_*.tar.* "$patch" "$prefix/source/"
# With it, the script that says how: the options, the patch, the font cut.
cp "$0" "$prefix/source/build-qt-web.sh"
qt_built "$prefix" "$started" "Qt for WebAssembly"
