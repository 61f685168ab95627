#!/usr/bin/env bash
# Builds Qt for Windows (qtbase only: Core, Gui, Widgets, Test and the
# Windows platform and style plugins) from Debian's own source of the Qt the
# Linux build uses, once per machine. The result is cached outside any build
# folder, keyed by the Qt version and this script's options, and the path of
# that install is printed as the last line.
#   scripts/build-qt-windows.sh          build if missing, print the prefix
#   scripts/build-qt-windows.sh --check  print the prefix if cached, else exit 1
#   scripts/build-qt-windows.sh --can-build  nothing on Debian 13; elsewhere the
#                                            line that says where it builds, exit 1
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/scripts/qt-source.sh"

# Qt 6.8 from Debian 13's source, with Debian 13's MinGW-w64 (GCC 14): an
# older Debian has Qt 6.4, which left support long ago, and a GCC Qt 6.8's
# Windows code was not tried with. It gets one line instead of a long build.
release="$(. /etc/os-release 2>/dev/null && echo "${ID:-}-${VERSION_ID:-}")"
elsewhere=
case "$release" in
  debian-1[3-9]*) ;;
  debian-*) elsewhere="The Windows build needs Debian 13 (Qt for Windows comes from its Qt 6.8 source and MinGW-w64), this is Debian ${release#debian-}: run it on a Debian 13 machine or in a Debian 13 root, e.g. one made with debootstrap trixie" ;;
  *) elsewhere="The Windows build needs Debian 13 (Qt for Windows comes from its Qt 6.8 source and MinGW-w64), this is ${release:-not Debian}" ;;
esac
case "${1:-}" in
  --can-build) [ -z "$elsewhere" ] || { echo "$elsewhere"; exit 1; }; exit 0 ;;
  --check) [ -z "$elsewhere" ] || exit 1 ;;
  *) [ -z "$elsewhere" ] || { echo "$elsewhere" >&2; exit 1; } ;;
esac

# Everything that changes the result goes into the key.
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  # INPUT_opengl=no, not FEATURE_opengl=OFF alone: dynamic GL would stay on
  # and the Windows plugin would not compile without OpenGL.
  -DINPUT_opengl=no -DFEATURE_vulkan=OFF
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  # Debian's source leaves out the non-free wintab header tablet events need.
  -DFEATURE_tabletevent=OFF
)
version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)"
[ -n "$version" ] || { echo "qt6-base-dev is not installed" >&2; exit 2; }
# Built the same twice over: no build path and no build time reach the DLLs.
reproducible="file-prefix-map, SOURCE_DATE_EPOCH of the source"
key="$(printf '%s\n' "$version" "${options[@]}" "$reproducible" | cat - "$here/cmake/mingw-w64.cmake" | sha256sum | cut -c1-12)"
qt_build_start windows "$version" "$key" Windows 19 "${1:-}"

# MinGW's linker stamps the PE header with SOURCE_DATE_EPOCH when it is set:
# the date of the source package's last change.
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)"
export SOURCE_DATE_EPOCH
map="-ffile-prefix-map=$work=/qt-windows"
cmake -G Ninja -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
  -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
cmake --build "$work/build" -j "$(nproc)" >&2
cmake --install "$work/build" >&2
qt_built "$prefix" "$started" "Qt for Windows"
