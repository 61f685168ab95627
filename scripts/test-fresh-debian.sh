#!/usr/bin/env bash
# The README's promise on a machine that has nothing yet: a minimal Debian
# (debootstrap minbase, then git, make, ca-certificates and sudo), an ordinary
# user with passwordless sudo whose login sets no LANG and whose PATH has no
# /usr/sbin, a fresh clone of the current commit, and `make test` there as
# that user. Fails when that fails. Needs root: debootstrap, chroot, mounts.
#   scripts/test-fresh-debian.sh [bookworm|trixie]   (Debian 12 or 13; default bookworm)
# The minimal root is kept as a tarball and every downloaded .deb in a folder
# under ZORBUNY_CI_CACHE (default /var/cache/zorbuny-ci), outside any clone,
# so that later runs download nothing but apt's package lists.
#   scripts/test-fresh-debian.sh trixie web
# runs `make test-web` there instead, the web build being Debian 13's, with
# the user's Qt for WebAssembly kept in $ZORBUNY_CI_CACHE/trixie-qt-web. It
# skips, saying so in one line, where that holds no build for the root's Qt
# and emscripten; ZORBUNY_CI_BUILD_QT_WEB=1 builds one (once, about half an hour).
set -euo pipefail

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${ZORBUNY_CI_CACHE:-/var/cache/zorbuny-ci}
suite=${1:-bookworm}
what=${2:-test}
case "$suite-$what" in
    bookworm-test) release="Debian 12" ;;
    trixie-test | trixie-web) release="Debian 13" ;;
    *) echo "usage: $0 [bookworm|trixie] | $0 trixie web" >&2; exit 2 ;;
esac
user=newcomer
qt_web=$cache/$suite-qt-web
if [ "$what" = web ] && [ -z "${ZORBUNY_CI_BUILD_QT_WEB:-}" ] &&
    ! compgen -G "$qt_web/qt-web-*/.complete" >/dev/null; then
    echo "Web page in a fresh $release skipped: no Qt for WebAssembly in $qt_web; ZORBUNY_CI_BUILD_QT_WEB=1 $0 trixie web builds it once (about half an hour)."
    exit 0
fi
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

mkdir -p "$cache/archives/partial" "$cache/debootstrap"
# One run at a time shares the cache: apt does not wait for its archive lock.
exec 9>"$cache/lock"
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
    mount_in --bind "$cache/archives" /var/cache/apt/archives
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
    debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$suite" "$root" "$mirror" \
        >"$work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }
    # The release's own suites, with its updates and security fixes, as its
    # installer sets them up, whichever release the host runs.
    cat >"$root/etc/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    rm -f "$root/etc/apt/sources.list"
    enter_root
    in_root apt-get update -q
    in_root apt-get install -y -q git make ca-certificates sudo
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
home=$root/home/$user
git clone -q --no-checkout "$source_tree" "$home/zorbuny"
git -C "$home/zorbuny" fetch -q "$source_tree" "$commit"
git -C "$home/zorbuny" checkout -q --detach "$commit"
in_root chown -R "$user:$user" "/home/$user/zorbuny"

if [ "$what" = web ]; then
    # The user's Qt for WebAssembly outlives the root.
    mkdir -p "$qt_web"
    chown -R "$(in_root id -u "$user"):$(in_root id -g "$user")" "$qt_web"
    mount_in --bind "$qt_web" "/home/$user/.cache/zorbuny"
    in_root chown "$user:$user" "/home/$user/.cache"
    echo "== make test-web as $user in a fresh $release, commit $commit"
    in_root su - "$user" -c "cd zorbuny && scripts/install-deps.sh test-web >/dev/null &&
        if [ -n '${ZORBUNY_CI_BUILD_QT_WEB:-}' ] || scripts/build-qt-web.sh --check >/dev/null; then
            make test-web WERROR=ON
        else
            echo 'Web page in a fresh $release skipped: the Qt for WebAssembly in $qt_web is for another Qt or emscripten; ZORBUNY_CI_BUILD_QT_WEB=1 $0 trixie web builds this one.'
        fi"
    echo "== done in the fresh $release ($((SECONDS - started)) s in all)"
    exit 0
fi

echo "== make test as $user in a fresh $release, commit $commit"
# su - starts a login shell: the user's own PATH and no LANG, as after logging in.
in_root su - "$user" -c 'cd zorbuny && make test'
echo "== make test passed in the fresh $release ($((SECONDS - started)) s in all)"

# Both ways of installing the README shows; after the one through sudo the
# build must still be the user's own.
in_root su - "$user" -c 'cd zorbuny && sudo make install && make install PREFIX=~/.local &&
    test -x /usr/local/games/zorbuny && test -x ~/.local/games/zorbuny &&
    test -z "$(find build -not -user "$USER" -print -quit)"' >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "== installing as the README says failed" >&2; exit 1; }
echo "== sudo make install and make install PREFIX=~/.local worked in the fresh $release"
