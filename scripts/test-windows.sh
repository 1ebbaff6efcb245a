#!/usr/bin/env bash
# Builds the Windows package with its unit tests (scripts/build-windows.sh) and tests it under
# Wine: the unit tests as Windows programs, then the package end to end
# (tests/windows/test_wine.sh). Each step is bounded in time; a private Xvfb and Wine prefix are
# made for the run and removed after it.
#
# Usage: scripts/test-windows.sh [OUTDIR]   (OUTDIR: build-windows/out)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-windows/out}
scripts/install-deps.sh --windows
# The end-to-end test closes windows with the Linux build's wm_close and counts frames with its
# framecount.
if [ ! -x build/tests/wm_close ] || [ ! -x build/tests/framecount ]; then
    scripts/install-deps.sh --tests
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j2 --target wm_close framecount
fi
started=$SECONDS
VELMORA_WINDOWS_TESTS=1 timeout 2400 scripts/build-windows.sh "$out"
echo "Windows build took $((SECONDS - started)) s"

echo "== Windows unit tests under Wine"
prefix=$(mktemp -d /tmp/velmora-wine.XXXXXX)
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all,err+all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winealsa.drv=;winepulse.drv="
trap 'rm -rf "$prefix"' EXIT
# The prefix is made, and one server kept for all the test processes, on the tests' display.
# Every Wine process runs without address randomization (tests/windows/run_under_wine.sh says
# why), those that make the prefix and the end-to-end test's too.
no_aslr=(setarch "$(uname -m)" --addr-no-randomize)
started=$SECONDS
scripts/with-xvfb.sh "${no_aslr[@]}" bash -c 'wineserver -p && timeout 120 wineboot -i >/dev/null 2>&1 &&
    timeout 900 ctest --test-dir build-windows/game --no-tests=error --output-on-failure \
        --timeout 120 -j2
    status=$?
    wineserver -k 2>/dev/null
    exit $status'
echo "Windows unit tests took $((SECONDS - started)) s"

echo "== the Windows package under Wine"
timeout 1200 "${no_aslr[@]}" tests/windows/test_wine.sh "$out"
