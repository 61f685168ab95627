#!/usr/bin/env bash
# The README's promise on a machine that has nothing yet: a minimal Debian
# (debootstrap minbase, then git, make, ca-certificates and sudo), an ordinary
# user with passwordless sudo whose login sets no LANG and whose PATH has no
# /usr/sbin, a fresh clone of the current commit, and the README's commands
# there as that user. Fails when one fails. Needs root: debootstrap, chroot, mounts.
#   scripts/test-fresh-debian.sh [bookworm|trixie|forky] [STEP...]
# Debian 12 or 13 (default bookworm), or forky, the testing release that becomes
# Debian 14; the steps, in one root, one after another:
#   test          `make test`, started while another install holds the package
#                 manager's lock, as a desktop's own updates do after boot; then
#                 `sudo make install` and `make install PREFIX=~/.local` (the default).
#                 Named again, `make test` again in the same clone, as a newcomer
#                 reruns it: a suite that fails the second time is not steady.
#   web           `make test-web` (Debian 13 only: its emscripten builds Qt 6)
#   windows       `make test-windows` (Debian 13 only: its Qt is the zip's)
#   reproducible  `make check-reproducible`, taking the first of its two builds of
#                 the zip and the page from the steps before
# The minimal root is kept as a tarball and every downloaded .deb in a folder
# of the release's under ZORBUNY_CI_CACHE (default /var/cache/zorbuny-ci),
# outside any clone, so that later runs download nothing but apt's package
# lists. A root of each release may run at once. The user's
# Qt builds (for WebAssembly and for Windows, from the root's Qt source) are
# kept there too, in $suite-qt, and built where missing.
set -euo pipefail

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$source_tree/scripts/apt-lock.sh"
cache=${ZORBUNY_CI_CACHE:-/var/cache/zorbuny-ci}
suite=${1:-bookworm}
shift || true
steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(test)
case "$suite" in
    bookworm) release="Debian 12" ;;
    trixie) release="Debian 13" ;;
    forky) release="Debian 14 (testing)" ;;
    *) echo "usage: $0 [bookworm|trixie|forky] [test|web|windows|reproducible]..." >&2; exit 2 ;;
esac
for step in "${steps[@]}"; do
    case "$suite-$step" in
        *-test | trixie-web | trixie-windows | trixie-reproducible) ;;
        *) echo "$0: no step $step on $release (steps: test; on Debian 13 also web, windows, reproducible)" >&2; exit 2 ;;
    esac
done
user=newcomer
qt_cache=$cache/$suite-qt
# A new name whenever what goes into the tarball changes.
base=$cache/$suite-minbase-git-make-sudo-$user.tar

if [ "$(id -u)" -ne 0 ]; then
    echo "$0 needs root (debootstrap, chroot, mounts): run it with sudo" >&2
    exit 2
fi
for tool in debootstrap git; do
    command -v "$tool" >/dev/null || { echo "$0 needs $tool" >&2; exit 2; }
done
commit=$(git -C "$source_tree" rev-parse HEAD)

archives=$cache/$suite-archives
mkdir -p "$archives/partial" "$cache/$suite-debootstrap"
# One run of a release at a time uses its cache: apt does not wait for its
# archive lock. Each release has its own, so Debian 12 and 13 run side by side.
exec 9>"$cache/$suite.lock"
flock 9
work=$(mktemp -d /var/tmp/zorbuny-fresh.XXXXXX)
root=$work/root
mounts=()

mount_in() { # mount arguments..., target inside the root (last)
    local target=$root/${*: -1}
    mkdir -p "$target"
    mount "${@:1:$#-1}" "$target"
    mounts+=("$target")
}

still_mounted() {
    grep -q " $work[/ ]" /proc/self/mounts
}

cleanup() {
    local status=$?
    set +e
    # Whatever the tests left running in the root (a bus, an X server) holds
    # its mounts; these are ours alone.
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && kill -KILL "${proc#/proc/}" 2>/dev/null
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" || umount -l "${mounts[i]}"
    done
    mounts=()
    # The root went with its memory; never delete through a mount, which
    # would reach the host's /dev.
    if still_mounted; then
        echo "left $work in place: something is still mounted under it" >&2
    else
        rmdir "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The whole root lives in memory: quicker to unpack, build in and throw away.
mount -t tmpfs -o size=8g,mode=0755 zorbuny-fresh "$work"
mounts+=("$work")

enter_root() {
    mount_in -t proc proc /proc
    for dir in sys dev dev/pts dev/shm; do
        mount_in --bind "/$dir" "/$dir"
    done
    mount_in --bind "$archives" /var/cache/apt/archives
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # A real machine knows its own name, and localhost: sudo complains
    # without the one, Selenium cannot reach chromedriver without the other.
    grep -qsw localhost "$root/etc/hosts" || echo "127.0.0.1 localhost" >>"$root/etc/hosts"
    grep -qsw "$(hostname)" "$root/etc/hosts" || echo "127.0.1.1 $(hostname)" >>"$root/etc/hosts"
}

leave_root() { # undoes enter_root, and leaves the root's own memory mounted
    while [ ${#mounts[@]} -gt 1 ]; do
        umount "${mounts[-1]}"
        unset 'mounts[-1]'
    done
}

in_root() {
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive chroot "$root" "$@"
}

started=$SECONDS
if [ ! -f "$base" ]; then
    echo "== Building the minimal $release root (once; kept as $base)"
    # The host's mirrors, if it names them the Debian way.
    sources=/etc/apt/sources.list.d/debian.sources
    mirror=$(awk '$1 == "URIs:" && !/security/ { print $2; exit }' "$sources" 2>/dev/null || true)
    security=$(awk '$1 == "URIs:" && /security/ { print $2; exit }' "$sources" 2>/dev/null || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    security=${security:-http://deb.debian.org/debian-security}
    # An older debootstrap has no script for a newer release; every release since
    # Debian 7 is made the same way as sid.
    script=()
    [ -e "/usr/share/debootstrap/scripts/$suite" ] || script=(/usr/share/debootstrap/scripts/sid)
    debootstrap --variant=minbase --cache-dir="$cache/$suite-debootstrap" "$suite" "$root" "$mirror" "${script[@]}" \
        >"$work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }
    # The release's own suites, with its updates and security fixes, as its
    # installer sets them up, whichever release the host runs. Testing's
    # Release files expire a week after they are signed: a mirror that has
    # stopped following it (or a snapshot) still serves a whole testing of
    # that day, which is what is tried then, its date said below.
    valid=""
    [ "$suite" != forky ] || valid="Check-Valid-Until: no"
    cat >"$root/etc/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
$valid

Types: deb
URIs: $security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
$valid
SOURCES
    rm -f "$root/etc/apt/sources.list"
    enter_root
    apt_run "$root" in_root apt-get update -q
    apt_run "$root" in_root apt-get install -y -q git make ca-certificates sudo
    in_root useradd -m -s /bin/bash "$user"
    echo "$user ALL=(ALL) NOPASSWD:ALL" >"$root/etc/sudoers.d/$user"
    chmod 0440 "$root/etc/sudoers.d/$user"
    leave_root
    tar -C "$root" -cf "$base.part" . && mv "$base.part" "$base"
    echo "== Root built in $((SECONDS - started)) s"
else
    mkdir "$root"
    tar -C "$root" -xf "$base"
fi

enter_root
echo "== Root ready after $((SECONDS - started)) s"
if [ "$suite" = forky ]; then
    # Testing moves daily: which day's is tried here.
    apt_run "$root" in_root apt-get update -q >/dev/null
    echo "== $release as published $(sed -n 's/^Date: //p' "$root"/var/lib/apt/lists/*_dists_forky_InRelease | head -n 1)"
fi
home=$root/home/$user
git clone -q --no-checkout "$source_tree" "$home/zorbuny"
git -C "$home/zorbuny" fetch -q "$source_tree" "$commit"
git -C "$home/zorbuny" checkout -q --detach "$commit"
in_root chown -R "$user:$user" "/home/$user/zorbuny"

as_user() { # COMMAND: a login shell of the user's, in the clone
    # su - starts a login shell: the user's own PATH and no LANG, as after logging in.
    # CI goes in too: in CI a test whose real client is missing fails rather than skips.
    in_root su - "$user" -c "cd zorbuny && ${CI+export CI=${CI@Q} && }$1"
}

# Holds the root's dpkg locks for a while from outside, as unattended-upgrades
# or PackageKit does on a desktop that has just booted.
hold_package_manager() { # SECONDS
    perl -MFcntl -e '
        for my $path (@ARGV[1 .. $#ARGV]) {
            open(my $file, ">>", $path) or die "$path: $!";
            # struct flock: type, whence, start, length, pid
            my $lock = pack("s s x4 q q i x4", F_WRLCK, 0, 0, 0, 0);
            fcntl($file, F_SETLK, $lock) or die "$path: $!";
            push @held, $file;
        }
        $| = 1; print "held\n"; sleep $ARGV[0];' "$1" "$root/var/lib/dpkg/lock-frontend" "$root/var/lib/dpkg/lock"
}

timed() { # WHAT COMMAND...
    local what="$1" start=$SECONDS
    shift
    "$@"
    echo "== $what took $((SECONDS - start)) s in the fresh $release ($((SECONDS - started)) s in all)"
}

tested=
step_test() {
    if [ -n "$tested" ]; then
        echo "== make test again as $user in the same clone"
        as_user 'make test'
        return
    fi
    tested=1
    echo "== make test as $user in a fresh $release, commit $commit, while another process holds the package manager for 30 s"
    coproc holder { hold_package_manager 30; }
    local holder_pid=$holder_PID
    read -r _ <&"${holder[0]}"
    as_user 'make test' 2>&1 | tee "$work/test.log"
    wait "$holder_pid" 2>/dev/null || true
    # Else the first install did not meet the lock, and this proved nothing.
    grep -q '^Waiting up to .* for the package manager: process .* (perl) holds' "$work/test.log" ||
        { echo "== make test never waited for the package manager's lock" >&2; exit 1; }
    # Both ways of installing the README shows; after the one through sudo the
    # build must still be the user's own.
    as_user 'sudo make install && make install PREFIX=~/.local &&
        test -x /usr/local/games/zorbuny && test -x ~/.local/games/zorbuny &&
        test -z "$(find build -not -user "$USER" -print -quit)"' >"$work/install.log" 2>&1 ||
        { cat "$work/install.log"; echo "== installing as the README says failed" >&2; exit 1; }
    echo "== sudo make install and make install PREFIX=~/.local worked in the fresh $release"
}

step_web() { as_user 'make test-web WERROR=ON'; }
step_windows() { as_user 'make test-windows WERROR=ON'; }
# The zip and the page were built by the steps before, in the user's clone:
# they are the first build, and one more from another clone is compared with them.
step_reproducible() { as_user 'make check-reproducible REPRODUCIBLE_FIRST=$PWD'; }

if [ "${steps[*]}" != test ]; then
    # The user's Qt builds outlive the root.
    mkdir -p "$qt_cache"
    chown -R "$(in_root id -u "$user"):$(in_root id -g "$user")" "$qt_cache"
    mount_in --bind "$qt_cache" "/home/$user/.cache/zorbuny"
    in_root chown "$user:$user" "/home/$user/.cache"
fi
for step in "${steps[@]}"; do
    timed "$step" "step_$step"
done
