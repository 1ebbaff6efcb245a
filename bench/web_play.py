#!/usr/bin/env python3
"""The browser build's part of the play benchmark: loads the site in a fresh chromium profile
(headless, software WebGL), keeps the game playing with a held left click on the canvas's middle
every CLICK_EVERY seconds, and prints one line as play_bench.sh's measure does:

    fps cpu x rss first

fps: presented frames (Module.velmora.framesShown) per second of page time over the measured
window; cpu: CPU seconds per wall second of the browser's whole process tree (browser, GPU
process, renderer, utilities), from /proc; x: "-" (no X server); rss: the tree's summed
proportional set size at the end, MB; first: navigation start to the first presented frame, ms.
"- - - - -" if the game never presented a frame.

With --kept the page is loaded twice: once to let its service worker keep the site, and again,
the browser's own cache emptied, so that first measures a start served by the service worker.

Usage: web_play.py [--kept] URL DURATION SETTLE CLICK_EVERY [SCREENSHOT.png]
"""
import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools", "devtools"))
import cdp  # noqa: E402
from web_first_frames import FIRST_FRAME, SHOWN  # noqa: E402

FRAMES_NOW = "[Module.velmora.framesShown, performance.now()]"


def process_tree(root):
    """root and all its descendants, from /proc."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    tree, grew = {root}, True
    while grew:
        grown = tree | {pid for pid, parent in parents.items() if parent in tree}
        grew, tree = grown != tree, grown
    return tree


def cpu_ticks(pids):  # utime + stime
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/stat" % pid) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except (OSError, IndexError, ValueError):
            pass
    return total


def proportional_set_kb(pids):
    """The tree's memory with each shared page split among its sharers (the processes share
    much, so their resident sets would count it many times over)."""
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/smaps_rollup" % pid) as rollup:
                total += sum(int(line.split()[1]) for line in rollup if line.startswith("Pss:"))
        except (OSError, ValueError):
            pass
    return total


def play_until(moment, click_every, shot=None, shot_at=None):
    """Clicks the canvas's middle every click_every seconds until the monotonic moment."""
    while time.monotonic() < moment:
        cdp.click(320, 240)
        if shot and time.monotonic() >= shot_at:
            cdp.screenshot(shot)
            shot = None
        time.sleep(max(0.0, min(click_every - 0.1, moment - time.monotonic())))


KEPT = ("navigator.serviceWorker.controller &&"
        " caches.keys().then((names) => names.some((n) => n.startsWith('velmora ')))")


def main(url, duration, settle, click_every, shot=None, kept=False):
    profile = tempfile.mkdtemp(prefix="velmora-web-bench.")
    cdp.launch(profile)
    try:
        cdp.navigate(url)
        if not cdp.wait_for(SHOWN, 60):
            return "- - - - -"
        if kept:
            if not cdp.wait_for(KEPT, 60):
                return "- - - - -"
            cdp.send("Network.enable")
            cdp.send("Network.clearBrowserCache")
            cdp.navigate("about:blank")
            cdp.navigate(url)
            if not cdp.wait_for(SHOWN, 60):
                return "- - - - -"
        first = cdp.evaluate(FIRST_FRAME)
        play_until(time.monotonic() + settle, click_every)
        pids = process_tree(cdp.browser.proc.pid)
        frames0, page0 = cdp.evaluate(FRAMES_NOW)
        ticks0, wall0 = cpu_ticks(pids), time.monotonic()
        play_until(wall0 + duration, click_every, shot, wall0 + duration / 2)
        frames1, page1 = cdp.evaluate(FRAMES_NOW)
        pids = process_tree(cdp.browser.proc.pid) | pids
        ticks1, wall1 = cpu_ticks(pids), time.monotonic()
        rss = proportional_set_kb(pids)
        hz = os.sysconf("SC_CLK_TCK")
        return "%.1f %.2f - %.0f %.0f" % ((frames1 - frames0) / (page1 - page0) * 1000,
                                          (ticks1 - ticks0) / hz / (wall1 - wall0),
                                          rss / 1024, first)
    finally:
        cdp.close()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    kept = arguments[:1] == ["--kept"]
    arguments = arguments[kept:]
    if len(arguments) not in (4, 5):
        sys.exit(__doc__)
    print(main(arguments[0], float(arguments[1]), float(arguments[2]), float(arguments[3]),
               *arguments[4:], kept=kept))
