#!/usr/bin/env bash
# Runs end-to-end tests against the game built with AddressSanitizer and UBSan, where a memory
# error ends the game with an abort and fails the test. The tests' preloaded helpers come before
# the sanitizer's runtime, which it is told to accept; leaks are the unit tests' business.
#
# Usage: scripts/e2e-sanitized.sh BUILD_DIR TEST...   (BUILD_DIR configured with VELMORA_SANITIZE)
set -euo pipefail
build=$(realpath "$1") && shift
export VELMORA_BIN=$build/velmora WM_CLOSE_BIN=$build/tests/wm_close
export SOUNDCOUNT_LIB=$build/tests/libsoundcount.so SOUND_ROUNDS=1
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=0:verify_asan_link_order=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for test in "$@"; do
    echo "-- $test"
    bash "$test"
done
