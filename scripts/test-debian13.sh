#!/usr/bin/env bash
# Runs the README's test command as a new player would on a freshly installed minimal Debian 13,
# where SDL 1.2 is carried by SDL 2. A root is bootstrapped from the Debian archive that apt
# already uses here; the committed source tree (git archive of HEAD, as a clean clone has it)
# and ../shared beside it are copied into an ordinary user's home, which Debian 13 makes with
# mode 0700, so that the tests also pass where others cannot enter; ./test.sh runs there as
# root, inside a private mount and PID namespace, and then the music cases, hostile files among
# them, under AddressSanitizer. Whatever it mounts or starts ends with that namespace,
# and the root is removed afterwards, so nothing is kept from one run to the next but the log.
#
# Usage (as root): scripts/test-debian13.sh [LOG]   (LOG: /tmp/velmora-debian13.log)
# Prints the time of each step and the test summary, and the log's tail when a step fails;
# the exit status is that of the first step that fails.
set -euo pipefail

release=trixie
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The steps run inside the namespace, as its first process: when it ends, the kernel ends
# every process left in the namespace and drops every mount made there.
if [ "${1-}" = --inside ]; then
    root=$2 mirror=$3 home=/home/player
    step() { echo "== $1 $(date +%s)"; }
    step bootstrap
    debootstrap --variant=minbase "$release" "$root" "$mirror"
    step copy
    chroot "$root" useradd --create-home player
    chmod 700 "$root$home"  # the release's default; kept here should it ever change
    mkdir "$root$home/velmora"
    git -C "$source_dir" archive --format=tar HEAD | tar -x -C "$root$home/velmora"
    [ ! -d "$source_dir/../shared" ] || cp -a "$source_dir/../shared" "$root$home/shared"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    # A /dev of its own (the few nodes the build, Xvfb and a browser open), so nothing in the
    # root reaches the host's devices; /tmp and /dev/shm in memory.
    mount -t proc proc "$root/proc"
    mount -t sysfs -o ro sysfs "$root/sys"
    mount -t tmpfs -o mode=755 tmpfs "$root/dev"
    for node in null zero full random urandom tty; do
        touch "$root/dev/$node" && mount --bind "/dev/$node" "$root/dev/$node"
    done
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    ln -s pts/ptmx "$root/dev/ptmx" && ln -s /proc/self/fd "$root/dev/fd"
    ln -s /proc/self/fd/0 "$root/dev/stdin" && ln -s /proc/self/fd/1 "$root/dev/stdout"
    ln -s /proc/self/fd/2 "$root/dev/stderr"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    in_root() {
        chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            bash -c "cd $home/velmora && $1" </dev/null
    }
    # The dependencies first, so that their time shows apart from the build and the tests;
    # test.sh then finds them all installed, as on a second run.
    step dependencies
    # The root is thrown away after the run, so dpkg need not sync each of the many thousand
    # files of a browser and a compiler as it unpacks them.
    echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/velmora-ci-unsafe-io"
    in_root "scripts/install-deps.sh --tests"
    step test
    in_root ./test.sh
    # SDL 1.2 on SDL 2 is where MP3 music overran the mixer's buffer: the music cases, hostile
    # files through the real mixer among them, again under AddressSanitizer (leaks, and the ways
    # out, are the host's sanitizer run's business; here test.sh has taken every way out twice).
    step sanitizer
    in_root "cmake -S . -B build-asan -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF >/dev/null &&
        cmake --build build-asan -j\$(nproc) --target unit_tests velmora soundcount wm_close \
            swapcount >/dev/null &&
        ASAN_OPTIONS=abort_on_error=1:detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        scripts/with-xvfb.sh ctest --test-dir build-asan --no-tests=error --output-on-failure \
        -R 'MusicStream|Decoding'"
    step done
    exit 0
fi

[ "$(id -u)" -eq 0 ] || { echo "needs root (debootstrap, mounts, chroot)" >&2; exit 1; }
log=$(realpath -m "${1:-/tmp/velmora-debian13.log}")

# The first archive that apt reads here, other than the security one.
mirror() {
    {
        awk '/^[ \t]*#/ { next } /^[ \t]*$/ { if (uri != "" && !off && suites !~ /security/) print uri
                 uri = ""; suites = ""; off = 0; next }
             $1 == "URIs:" { uri = $2 } $1 == "Suites:" { suites = $0 }
             $1 == "Enabled:" && $2 == "no" { off = 1 }
             END { if (uri != "" && !off && suites !~ /security/) print uri }' \
            /etc/apt/sources.list.d/*.sources 2>/dev/null
        awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ "://") { print $i; break } }' \
            /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | grep -v security
    } | head -n 1
}
archive=$(mirror) || true
archive=${archive:-http://deb.debian.org/debian}

"$source_dir/scripts/install-deps.sh" --debian13

work=$(mktemp -d /tmp/velmora-debian13.XXXXXX)
namespace_pid=
cleanup() {
    [ -z "$namespace_pid" ] || kill -KILL "$namespace_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    # The mounts were private to the namespace; should one still show here, leave the folder
    # rather than delete through it.
    if findmnt -rn -o TARGET | grep -q "^$work"; then
        echo "mounts left under $work; not removed" >&2
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "Debian 13 ($release) from $archive; log: $log"
unshare --mount --pid --fork --kill-child --propagation private \
    bash "${BASH_SOURCE[0]}" --inside "$work/root" "$archive" >"$log" 2>&1 &
namespace_pid=$!
status=0
wait "$namespace_pid" || status=$?
namespace_pid=

# Each step's wall time, from the marks the steps left in the log.
awk -v now="$(date +%s)" '/^== [a-z]+ [0-9]+$/ { if (name != "") printf "%s %d s, ", name, $3 - at
                                                name = $2; at = $3 }
    END { if (name != "done") printf "%s %d s (failed)", name, now - at; print "" }' "$log" |
    sed 's/, $//'
grep -E '^FAIL: |tests passed, |^Total Test time|^\s+[0-9]+ - .*\(' "$log" || true
if [ "$status" -eq 0 ]; then
    echo "Debian 13: passed"
else
    echo "Debian 13: failed (status $status); the last lines of $log:"
    tail -n 40 "$log"
fi
exit "$status"
