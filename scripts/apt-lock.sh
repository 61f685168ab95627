# Sourced by the scripts that install packages. A Debian desktop runs its own
# updates soon after boot (unattended-upgrades, PackageKit), and apt-get then
# fails at once on their lock: `apt-get update` never waits for it, and
# `apt-get install` waits only when told to. These wait, a bounded time.
#   apt_run ROOT COMMAND...   runs COMMAND (an apt-get call, perhaps through sudo
#                             or chroot) once no process holds the package
#                             manager's locks under ROOT ("" for this system),
#                             and again if it lost a race for them
# APT_LOCK_MINUTES (default 15) bounds the wait; past it, one line names the holder.
APT_LOCK_MINUTES=${APT_LOCK_MINUTES:-15}

apt_lock_files=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock)

# Prints "PID (name) holds FILE" for a process holding one of the locks, or
# nothing. apt and dpkg take POSIX locks, which /proc/locks lists by device
# and inode: that finds a holder inside a chroot or outside it alike, and
# needs neither root nor any tool beyond coreutils.
apt_lock_holder() {
  local root="$1" file dev ino ids=() holder
  for file in "${apt_lock_files[@]}"; do
    [ -e "$root$file" ] || continue
    read -r dev ino < <(stat -c '%d %i' "$root$file")
    ids+=("$(printf '%02x:%02x:%s=%s' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) "$ino" "$root$file")")
  done
  [ ${#ids[@]} -gt 0 ] || return 0
  holder="$(awk -v ids="${ids[*]}" '
    BEGIN { n = split(ids, list, " "); for (i = 1; i <= n; i++) { split(list[i], kv, "="); want[kv[1]] = kv[2] } }
    $2 != "->" && ($6 in want) { print $5, want[$6]; exit }' /proc/locks)"
  [ -n "$holder" ] || return 0
  set -- $holder
  echo "process $1 ($(cat "/proc/$1/comm" 2>/dev/null || echo gone)) holds $2"
}

apt_run() {
  local root="$1" holder said= status deadline
  shift
  deadline=$((SECONDS + APT_LOCK_MINUTES * 60))
  while :; do
    while holder="$(apt_lock_holder "$root")" && [ -n "$holder" ]; do
      if [ "$SECONDS" -ge "$deadline" ]; then
        echo "The package manager is still busy after $APT_LOCK_MINUTES minutes: $holder. Try again once it has finished." >&2
        return 100
      fi
      [ -n "$said" ] || echo "Waiting up to $APT_LOCK_MINUTES minutes for the package manager: $holder."
      said=1
      sleep 2
    done
    # The lock may be taken again between the look and apt's own try: apt
    # waits for dpkg's lock itself for a minute, and a lost update is retried.
    status=0
    "$@" -o DPkg::Lock::Timeout=60 || status=$?
    [ "$status" -ne 0 ] && [ -n "$(apt_lock_holder "$root")" ] && [ "$SECONDS" -lt "$deadline" ] && continue
    return "$status"
  done
}
