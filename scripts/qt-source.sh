# Sourced by the scripts that build Qt for another platform: fetches Debian's
# own source of the installed Qt into a work folder with a private apt set-up
# that adds this release's source lines, leaving the system's as it is.
#   qt_source WORK VERSION   unpacks it under WORK, prints the source folder
qt_source() {
  set -e
  local work="$1" version="$2" mirror suite
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
  mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
  [ -n "$mirror" ] || mirror="$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)"
  suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" > "$work/sources.list"
  local apt=(apt-get -q -o Dir::Etc::sourcelist="$work/sources.list" -o Dir::Etc::sourceparts=-
             -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o APT::Sandbox::User=root)
  "${apt[@]}" update >&2
  (cd "$work" && "${apt[@]}" source "qt6-base=$version" >&2)
  find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1
}
