#!/usr/bin/env python3
"""The README's pictures of the browser version: the page in a desktop browser's window during
a run (web-page.png), and on a phone (web-phone.png), in chromium's mobile emulation, upright
during a run (the steering pads under the game) and sideways on the ready screen, side by side
on the page's own night colour. Needs ImageMagick's convert.

Usage: page_shots.py SITE_URL OUT_FOLDER
"""
import base64
import os
import shutil
import subprocess
import sys
import tempfile
import time

import cdp

UPRIGHT, SIDEWAYS = (360, 740), (740, 360)
SCALE = 2  # device pixels to the CSS pixel, as a phone's screen has
FRAMES = "Module.velmora.framesShown"


def after_frames(count):
    cdp.wait_for("%s >= %d" % (FRAMES, cdp.evaluate(FRAMES) + count), 20)


def tap(x, y):
    cdp.touch(0, *cdp._to_viewport(x, y))
    after_frames(2)
    cdp.untouch(0)
    after_frames(2)


def page_shot(path, clip=None):
    params = {"format": "png"}
    if clip:
        params["clip"] = dict(zip(("x", "y", "width", "height"), clip), scale=1)
    data = cdp.send("Page.captureScreenshot", params)["data"]
    with open(path, "wb") as out:
        out.write(base64.b64decode(data))


def phone(url, size, path, run):
    cdp.emulate("%d %d mobile %d" % (size[0], size[1], SCALE))
    cdp.navigate(url)
    cdp.wait_for("%s >= 2" % FRAMES, 60)
    tap(320, 240)  # leaves the splash
    if run:
        # Early in a run the field is full and the craft still clear of it.
        tap(320, 240)
        time.sleep(0.8)
    page_shot(path)


def desktop(url, path):
    """A 1000 x 800 window with a mouse, a run started by clicks; the page without its
    scroll bar and the credits below the keys."""
    cdp.emulate("off")
    cdp.send("Emulation.setDeviceMetricsOverride",
             {"width": 1000, "height": 800, "deviceScaleFactor": 1, "mobile": False})
    cdp.navigate(url)
    cdp.wait_for("%s >= 2" % FRAMES, 60)
    for _ in range(2):  # leaves the splash, starts a run
        cdp.click(320, 240, 0.2)
        after_frames(3)
    # The mouse off the game: its own pointer is drawn only over it.
    cdp.send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": 990, "y": 790})
    time.sleep(0.8)
    page_shot(path, (0, 0, 985, 784))


def main(url, out):
    work = tempfile.mkdtemp(prefix="velmora-page-shots.")
    cdp.launch(os.path.join(work, "profile"))
    try:
        desktop(url, os.path.join(out, "web-page.png"))
        phone(url, UPRIGHT, os.path.join(work, "upright.png"), run=True)
        phone(url, SIDEWAYS, os.path.join(work, "sideways.png"), run=False)
    finally:
        cdp.close()
    out = os.path.join(out, "web-phone.png")
    gap = 24 * SCALE
    subprocess.run(["convert", "-background", "#07041a", os.path.join(work, "upright.png"),
                    "-size", "%dx1" % gap, "xc:#07041a", os.path.join(work, "sideways.png"),
                    "-gravity", "center", "+append", "-bordercolor", "#07041a",
                    "-border", str(gap // 2), "-resize", "50%", "-depth", "8", out], check=True)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
