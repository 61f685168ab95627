#!/usr/bin/env bash
# Installs the Debian packages a build or a test run needs, and only those
# that are missing, so a machine that has them all needs no network.
#   scripts/install-deps.sh build|test|bench|fuzz|package|memcheck|fresh-debian|reproducible|windows|web|test-web|screenshot
set -euo pipefail

build=(g++ make cmake pkgconf qt6-base-dev libxcb1-dev)
test=("${build[@]}" fonts-dejavu-core xvfb xdotool x11-utils x11-xkb-utils x11-xserver-utils openbox weston xwayland qt6-wayland
      kwin-x11 kwin-wayland kwin-style-breeze
      desktop-file-utils appstream dpkg-dev file lintian procps at-spi2-core dbus-daemon orca speech-dispatcher speech-dispatcher-espeak-ng)
# The dark desktops' colours: GTK's for Qt on GNOME, Plasma's Breeze Dark scheme
# (from Debian 13 in a package of its own).
test+=(qt6-gtk-platformtheme)
. /etc/os-release
[ "${VERSION_CODENAME:-}" = bookworm ] || test+=(kde-style-breeze-data)
bench=("${build[@]}" libbenchmark-dev)
fuzz=("${build[@]}" clang libclang-rt-14-dev)
package=("${build[@]}" dpkg-dev file)
memcheck=("${build[@]}" fonts-dejavu-core valgrind)
fresh_debian=(debootstrap git)
reproducible=("${package[@]}" git diffoscope-minimal)
# The Windows build, its setup program (nsis) and their checks under Wine;
# dpkg-dev unpacks Qt's source.
windows=("${test[@]}" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build dpkg-dev xz-utils zip nsis wine wine64 openbox)
# The web build (Debian 13 only) and its checks in headless Chromium and
# Firefox; dpkg-dev unpacks Qt's source, patch trims it, fontTools cuts its
# font to the game's letters, the host build draws
# the app icons. Firefox is driven over WebDriver BiDi through a websocket.
web=("${build[@]}" emscripten ninja-build dpkg-dev xz-utils patch python3 python3-fonttools)
# The page with a real screen reader as well: Orca and Chromium on an X server of their own.
test_web=("${web[@]}" chromium chromium-driver python3-selenium python3-pil firefox-esr python3-websocket
          xvfb xdotool openbox at-spi2-core dbus-daemon orca speech-dispatcher
          speech-dispatcher-espeak-ng fonts-dejavu-core)

# The README's picture: the game on an X server with openbox, played by
# xdotool, taken by scrot and made small by optipng.
screenshot=("${build[@]}" fonts-dejavu-core xvfb xdotool x11-utils openbox scrot optipng)

case "${1:-build}" in
  build) wanted=("${build[@]}") ;;
  test) wanted=("${test[@]}") ;;
  bench) wanted=("${bench[@]}") ;;
  fuzz) wanted=("${fuzz[@]}") ;;
  package) wanted=("${package[@]}") ;;
  memcheck) wanted=("${memcheck[@]}") ;;
  fresh-debian) wanted=("${fresh_debian[@]}") ;;
  reproducible) wanted=("${reproducible[@]}") ;;
  windows) wanted=("${windows[@]}") ;;
  web) wanted=("${web[@]}") ;;
  test-web) wanted=("${test_web[@]}") ;;
  screenshot) wanted=("${screenshot[@]}") ;;
  *) echo "usage: $0 build|test|bench|fuzz|package|memcheck|fresh-debian|reproducible|windows|web|test-web|screenshot" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# sudo resets the environment, so the front end is set on its far side: a
# package that asks a question then takes its default instead of waiting.
. "$(dirname "$0")/apt-lock.sh"
apt_run "" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
apt_run "" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
