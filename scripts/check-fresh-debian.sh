#!/bin/bash
# Proves the README's two commands on a really fresh Debian 12: bootstraps a
# minimal bookworm root (debootstrap's minbase, plus git), clones this
# repository's committed main into it, runs the test command there, then
# the run command under Xvfb until the bar's window appears. Prints each
# stage's time. Not part of CI: it takes about an hour on two cores.
#
#   sudo bash scripts/check-fresh-debian.sh [WORK_FOLDER]
#
# The work folder (default /var/tmp/ocellane-fresh) is emptied first and
# kept afterwards, with the logs test.log and run.log.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/ocellane-fresh}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
target="$work/root"

[ "$(id -u)" -eq 0 ] || { echo "run as root: debootstrap and chroot need it" >&2; exit 2; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap

mounts=()
unmount_all() {
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" 2>/dev/null || true; done
    mounts=()
}
trap unmount_all EXIT
bind() { # folder in the root, kind, source
    mkdir -p "$target$1"
    case "$2" in
    bind) mount --bind "$3" "$target$1" ;;
    *) mount -t "$2" "$3" "$target$1" ;;
    esac
    mounts+=("$target$1")
}

times=()
timed() { # name, command...
    local name=$1 start=$SECONDS status=0
    shift
    echo "== $name"
    "$@" || status=$?
    times+=("$(printf '%6d s  %s (exit %d)' $((SECONDS - start)) "$name" "$status")")
    return $status
}

# Left over from an earlier run: its mounts first, then the files.
for m in $(grep -o " $target/[^ ]*" /proc/mounts | sort -r); do umount -l "$m" || true; done
rm -rf "$work"
mkdir -p "$work"

timed "debootstrap (minbase + git)" \
    debootstrap --variant=minbase --include=git bookworm "$target" "$mirror" >"$work/debootstrap.log" 2>&1

git clone -q --no-hardlinks "$repo" "$target/root/ocellane"
cp /etc/resolv.conf "$target/etc/resolv.conf"
# Package scripts must not start services in the root.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod +x "$target/usr/sbin/policy-rc.d"
bind /proc proc proc
bind /sys sysfs sysfs
bind /dev bind /dev
bind /dev/pts devpts devpts
bind /dev/shm tmpfs tmpfs

in_root() { chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

test_status=0
timed "bash scripts/test.sh" in_root bash -c 'cd /root/ocellane && bash scripts/test.sh' >"$work/test.log" 2>&1 ||
    test_status=$?
sed -n '/==== stage times ====/,$p' "$work/test.log"

# The first command: the program against the demo camera, on an X server.
run_check() {
    in_root bash -c '
        set -u
        Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
        xvfb=$!
        export DISPLAY=:77
        cd /root/ocellane
        # Its own process group: the program and the demo camera go with it.
        setsid bash scripts/run.sh >/tmp/run.out 2>&1 &
        run=$!
        found=1
        for _ in $(seq 1 600); do
            if xdotool search --name "^Ocellane 5\.03$" >/dev/null 2>&1; then found=0; break; fi
            sleep 0.5
        done
        [ $found -eq 0 ] && import -window root /root/run-check.png
        kill -- -$run 2>/dev/null
        kill $xvfb 2>/dev/null
        wait 2>/dev/null
        cat /tmp/run.out
        exit $found'
}
run_status=0
timed "bash scripts/run.sh until the bar appears" run_check >"$work/run.log" 2>&1 || run_status=$?
[ -f "$target/root/run-check.png" ] && cp "$target/root/run-check.png" "$work/run-check.png"

echo
printf '%s\n' "${times[@]}"
[ $test_status -eq 0 ] && [ $run_status -eq 0 ]
