#!/usr/bin/env bash
# How CTest starts a Windows test program: under Wine, with Wine's own error reports kept (a
# failure shows why Wine could not load or run the program).
#
# Once in a while, on a loaded machine, Wine fails to start a program at all: it ends at once
# with a failing status and not one byte of output, not even the test framework's first line.
# That start is tried once more, and said so; a program that ran and failed, or that fails to
# start twice, fails its test as it is.
set -uo pipefail
export WINEDEBUG=${WINEDEBUG:--all,err+all}
out=$(mktemp /tmp/velmora-wine-out.XXXXXX)
err=$(mktemp /tmp/velmora-wine-err.XXXXXX)
trap 'rm -f "$out" "$err"' EXIT
for try in 1 2; do
    started=$SECONDS
    wine "$@" >"$out" 2>"$err"
    status=$?
    cat "$out"
    cat "$err" >&2
    if [ $status -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ $try -eq 2 ]; then
        exit $status
    fi
    echo "run_under_wine: Wine started nothing (status $status, $((SECONDS - started)) s," \
        "no output); starting it once more" >&2
done
