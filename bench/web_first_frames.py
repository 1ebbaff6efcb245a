#!/usr/bin/env python3
"""Cold starts of pages side by side: each round loads every URL once, in turn, each in a new
chromium profile (headless, software WebGL), and reads navigation start to the first presented
frame (Module.velmora.firstFrameAt, which the game and bench/web_floor.html both set). Taking the
pages in turn spreads the machine's changing load over all of them alike; on a shared machine
the starts of one page alone drift by a second from one minute to the next.

With --warm each new browser first shows a page of its own (text, a WebGL canvas) and rests a
second and a half: what is left is the site's own start, without the browser's start-up (its
GPU process setting up and compiling its first programs, a second or so in half the cold starts
here), as for a player whose browser is already open.

Prints each start as it is measured, then per page the median, fastest and slowest.

Usage: web_first_frames.py [--warm] ROUNDS URL [URL ...]
"""
import os
import shutil
import statistics
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools",
                                "devtools"))
import cdp  # noqa: E402

WARM_UP = "data:text/html," + urllib.parse.quote(
    "<!doctype html><title>warming up</title><h1>A page</h1><p>Some text, <b>bold</b>.</p>"
    "<canvas id=c></canvas><script>const g = c.getContext('webgl'); g.clearColor(1, 0, 0, 1);"
    "g.clear(g.COLOR_BUFFER_BIT); requestAnimationFrame(() => document.title = 'warm');</script>")

SHOWN = "window.Module && Module.velmora && Module.velmora.firstFrameAt !== null"
FIRST_FRAME = ('Module.velmora.firstFrameAt'
               ' - performance.getEntriesByType("navigation")[0].startTime')


def first_frame(url, warm):
    profile = tempfile.mkdtemp(prefix="velmora-first-frame.")
    cdp.launch(profile)
    try:
        if warm:
            cdp.navigate(WARM_UP)
            cdp.wait_for("document.title == 'warm'", 30)
            time.sleep(1.5)
        cdp.navigate(url)
        if not cdp.wait_for(SHOWN, 60):
            return None
        return cdp.evaluate(FIRST_FRAME)
    finally:
        cdp.close()
        shutil.rmtree(profile, ignore_errors=True)


def main(rounds, urls, warm):
    starts = {url: [] for url in urls}
    for round_number in range(rounds):
        for url in urls:
            ms = first_frame(url, warm)
            print("round %d  %-50s %s" % (round_number + 1, url,
                                          "-" if ms is None else "%.0f ms" % ms), flush=True)
            if ms is not None:
                starts[url].append(ms)
    print("%-50s %5s %7s %8s %8s" % ("page", "runs", "median", "fastest", "slowest"))
    for url, ms in starts.items():
        if ms:
            print("%-50s %5d %7.0f %8.0f %8.0f" % (url, len(ms), statistics.median(ms), min(ms),
                                                   max(ms)))


if __name__ == "__main__":
    args = sys.argv[1:]
    warm = args[:1] == ["--warm"]
    args = args[1:] if warm else args
    if len(args) < 2:
        sys.exit(__doc__)
    main(int(args[0]), args[1:], warm)
