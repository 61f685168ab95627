# Sourced by the scripts that fetch Debian's source packages: a private apt
# set-up that adds this release's source lines, leaving the system's as it is.
#   private_apt FOLDER APT-GET-ARGUMENTS...   apt-get with its lists and cache in FOLDER
#   qt_source WORK VERSION                    unpacks the installed Qt's source under
#                                             WORK, prints the source folder
# and by the Qt build scripts, whose installs are cached, one per key:
#   qt_cached PREFIX LOCK [--check]           prints PREFIX and exits if it is built;
#                                             with --check exits 1 if not; else waits
#                                             for LOCK, so one build runs at a time
#   qt_built PREFIX STARTED WHAT              marks PREFIX built, prints it
private_apt() {
  local folder="$1" mirror suite
  shift
  if [ ! -f "$folder/sources.list" ]; then
    mkdir -p "$folder/lists/partial" "$folder/cache/archives/partial"
    mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
    [ -n "$mirror" ] || mirror="$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)"
    suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" >"$folder/sources.list"
  fi
  apt-get -q -o Dir::Etc::sourcelist="$folder/sources.list" -o Dir::Etc::sourceparts=- \
    -o Dir::State::Lists="$folder/lists" -o Dir::Cache="$folder/cache" -o APT::Sandbox::User=root "$@"
}

qt_source() {
  set -e
  local work="$1" version="$2"
  private_apt "$work" update >&2
  (cd "$work" && private_apt "$work" source "qt6-base=$version" >&2)
  find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1
}

qt_cached() {
  local prefix="$1" lock="$2" mode="${3:-}"
  if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi
  [ "$mode" = --check ] && exit 1
  mkdir -p "$(dirname "$lock")"
  exec 9>"$lock"
  flock 9
  # Another run may have built it while this one waited.
  if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi
}

qt_built() {
  local prefix="$1" started="$2" what="$3"
  rm -rf "$prefix.build"
  echo "$what took $(( ($(date +%s) - started) / 60 )) minutes." >&2
  touch "$prefix/.complete"
  echo "$prefix"
}
