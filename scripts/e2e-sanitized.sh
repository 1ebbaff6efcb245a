#!/usr/bin/env bash
# Runs end-to-end tests against the game built with AddressSanitizer and UBSan, where a memory
# error ends the game with an abort and fails the test; the reports are printed then. The tests' preloaded helpers come before
# the sanitizer's runtime, which it is told to accept; leaks are the unit tests' business.
#
# Usage: scripts/e2e-sanitized.sh BUILD_DIR TEST...   (BUILD_DIR configured with VELMORA_SANITIZE)
set -euo pipefail
build=$(realpath "$1") && shift
export VELMORA_BIN=$build/velmora WM_CLOSE_BIN=$build/tests/wm_close
export SOUNDCOUNT_LIB=$build/tests/libsoundcount.so SOUND_ROUNDS=1
# The game sends its stderr to the null device, so the sanitizers' reports go to files, shown
# when a test fails.
reports=$(mktemp -d /tmp/velmora-sanitized.XXXXXX)
trap 'rm -rf "$reports"' EXIT
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=0:verify_asan_link_order=0:log_path=$reports/asan
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan
status=0
for test in "$@"; do
    echo "-- $test"
    bash "$test" || { status=1 && cat "$reports"/* 2>/dev/null || true; }
done
exit $status
