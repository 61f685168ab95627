# Sourced by the scripts that fetch Debian's source packages: a private apt
# set-up that adds this release's source lines, leaving the system's as it is.
#   private_apt FOLDER APT-GET-ARGUMENTS...   apt-get with its lists and cache in FOLDER
#   qt_source WORK VERSION                    unpacks the installed Qt's source under
#                                             WORK, prints the source folder
# and by the Qt build scripts, whose installs are cached, one per key:
#   qt_build_start NAME VERSION KEY TARGET MINUTES [--check]
#       sets prefix to the cache's qt-NAME-VERSION-KEY; prints it and exits if it is
#       built; with --check exits 1 if not; else waits for the lock of NAME, so one
#       build runs at a time, says what it builds for TARGET and how long it took here,
#       and sets started, work (emptied) and src (the installed Qt's source in work)
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

qt_build_start() {
  local name="$1" version="$2" key="$3" target="$4" minutes="$5" mode="${6:-}"
  local cache="${ZORBUNY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbuny}"
  prefix="$cache/qt-$name-${version%%+*}-$key"
  if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi
  [ "$mode" = --check ] && exit 1
  mkdir -p "$cache"
  exec 9>"$cache/qt-$name.lock"
  flock 9
  # Another run may have built it while this one waited.
  if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

  echo "Building Qt $version for $target into $prefix." >&2
  echo "This happens once per machine: $minutes minutes on a quiet 2-core machine, from an empty cache; longer beside other builds." >&2
  started=$(date +%s)
  work="$prefix.build"
  rm -rf "$work" "$prefix"
  src="$(qt_source "$work" "$version")"
}

qt_built() {
  local prefix="$1" started="$2" what="$3"
  rm -rf "$prefix.build"
  echo "$what took $(( ($(date +%s) - started) / 60 )) minutes." >&2
  touch "$prefix/.complete"
  echo "$prefix"
}
