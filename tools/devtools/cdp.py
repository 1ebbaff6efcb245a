#!/usr/bin/env python3
"""A small DevTools-protocol client that drives Debian's chromium for the browser tests and the
play benchmark. The browser talks over --remote-debugging-pipe (it reads NUL-terminated JSON on
descriptor 3 and writes on 4), so the standard library is all this needs.

Run as a program it keeps one browser and obeys one command per line on stdin, answering each
with one line on stdout, "ok JSON" or "error TEXT", so that a shell script can drive it:

    open URL              load a page, return once its load event has fired
    reload                the same page again
    onload JS             JavaScript run before each page's own, from the next page on
    eval JS               the value of a JavaScript expression (promises awaited)
    wait SECONDS JS       until the expression is truthy: true, or false past the time
    shot FILE             the canvas as the player sees it, a PNG at the canvas's own size
    move X Y              the mouse to canvas pixel (X, Y)
    click X Y [SECONDS]   a left click there, held (0.1 s by default)
    press SELECTOR        a held left click on the middle of a page element
    key NAME [SECONDS]    a key held (0.1 s by default): a d Left Right Up Down space Escape
    mousedown X Y, mouseup X Y, keydown NAME, keyup NAME
                          the halves of a click or a key, for holds timed otherwise
    emulate W H [mobile [SCALE]]
                          the viewport W x H CSS pixels; "mobile" makes it a phone's or a
                          tablet's: mobile metrics and a touch screen (for pages loaded after),
                          with SCALE device pixels to the CSS pixel (1 by default)
    emulate off           the browser's own viewport, no touch screen
    touch ID X Y          finger ID (a small number) down on, or moved to, canvas pixel (X, Y)
    touchon ID SELECTOR   finger ID down on the middle of a page element
    touchat ID X Y        finger ID down on, or moved to, viewport point (X, Y)
    untouch ID            finger ID lifted
    offline 1|0           the page's network cut off or restored
    manifest              the page's web app manifest: {"url", "errors", "name", ...}
    installability        the browser's installability errors for the page, a list
    log                   the console messages and uncaught errors since the last "log"
    pid                   the browser's process id
    quit                  close the browser

    cdp.py --user-data-dir DIR [--tap-audio] [--no-webgl]

--no-webgl starts the browser with WebGL switched off. --tap-audio puts an analyser between whatever the page plays and the speakers (see AUDIO_TAP):
"eval velmoraSound(1000)" then measures a second of the mixed output.
"""
import base64
import fcntl
import json
import os
import subprocess
import sys
import threading
import time
import types

FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-quic", "--disable-extensions",
    "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
    "--disable-backgrounding-occluded-windows", "--window-size=1000,800",
    "--remote-debugging-pipe",
]

# key name: (key, code, Windows virtual key code, text)
KEYS = {
    "a": ("a", "KeyA", 65, "a"),
    "d": ("d", "KeyD", 68, "d"),
    "Left": ("ArrowLeft", "ArrowLeft", 37, ""),
    "Right": ("ArrowRight", "ArrowRight", 39, ""),
    "Up": ("ArrowUp", "ArrowUp", 38, ""),
    "Down": ("ArrowDown", "ArrowDown", 40, ""),
    "space": (" ", "Space", 32, " "),
    "Escape": ("Escape", "Escape", 27, ""),
}

# Every node the page connects to the speakers, and every media element it plays, is routed
# through one analyser per audio context, which passes the sound on unchanged. velmoraSound(ms)
# samples it for that long: the loudest sample and the root mean square, with the state of each
# context and media element, so silence can be told from a context that never ran.
AUDIO_TAP = r"""
(() => {
  const taps = new Map(), contexts = [], media = [];
  const connect = AudioNode.prototype.connect, disconnect = AudioNode.prototype.disconnect;
  const tapOf = (context) => {
    if (!taps.has(context)) {
      const analyser = context.createAnalyser();
      analyser.fftSize = 2048;
      connect.call(analyser, context.destination);
      taps.set(context, analyser);
      contexts.push(context);
    }
    return taps.get(context);
  };
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode) {
      connect.call(this, tapOf(target.context), ...rest);
      return target;
    }
    return connect.call(this, target, ...rest);
  };
  AudioNode.prototype.disconnect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode) target = tapOf(target.context);
    return disconnect.call(this, target, ...rest);
  };
  let mediaContext = null;
  const play = HTMLMediaElement.prototype.play;
  HTMLMediaElement.prototype.play = function () {
    if (!media.includes(this)) {
      mediaContext = mediaContext || new AudioContext();
      media.push(this);
      mediaContext.createMediaElementSource(this).connect(mediaContext.destination);
    }
    if (mediaContext.state !== "running") mediaContext.resume().catch(() => {});
    return play.call(this);
  };
  window.velmoraSound = (ms) => new Promise((done) => {
    let peak = 0, sum = 0, count = 0;
    const sample = () => {
      for (const analyser of taps.values()) {
        const data = new Float32Array(analyser.fftSize);
        analyser.getFloatTimeDomainData(data);
        for (const v of data) { peak = Math.max(peak, Math.abs(v)); sum += v * v; count++; }
      }
    };
    const timer = setInterval(sample, 40);
    setTimeout(() => {
      clearInterval(timer);
      sample();
      done({ peak, rms: count ? Math.sqrt(sum / count) : 0,
             contexts: contexts.map((c) => c.state),
             media: media.map((m) => (m.paused ? "paused" : "playing")) });
    }, ms);
  });
})();
"""

# The canvas's content box in viewport pixels, and its own size in pixels.
CANVAS_BOX = """(() => {
  const c = document.getElementById("canvas"), r = c.getBoundingClientRect();
  return { x: r.left + c.clientLeft, y: r.top + c.clientTop, w: c.clientWidth,
           h: c.clientHeight, sx: window.scrollX, sy: window.scrollY,
           cw: c.width, ch: c.height, dpr: window.devicePixelRatio };
})()"""

browser = types.SimpleNamespace(proc=None, to_browser=None, next_id=0, replies={}, events={},
                                cond=threading.Condition(), session=None, log=[])


def _record(message):
    method, params = message.get("method"), message.get("params", {})
    line = None
    if method == "Runtime.exceptionThrown":
        details = params["exceptionDetails"]
        line = "uncaught: " + details.get("exception", {}).get("description", details["text"])
    elif method == "Runtime.consoleAPICalled":
        words = [str(a.get("value", a.get("description", ""))) for a in params["args"]]
        line = "console.%s: %s" % (params["type"], " ".join(words))
    elif method == "Log.entryAdded":
        entry = params["entry"]
        line = "%s %s: %s %s" % (entry["source"], entry["level"], entry["text"],
                                 entry.get("url", ""))
    if line:
        browser.log.append(line.strip())


def _read(fd):
    pending = b""
    while True:
        chunk = os.read(fd, 1 << 16)
        if not chunk:
            break
        pending += chunk
        *messages, pending = pending.split(b"\0")
        with browser.cond:
            for raw in messages:
                message = json.loads(raw)
                if "id" in message:
                    browser.replies[message["id"]] = message
                else:
                    method = message.get("method")
                    browser.events[method] = browser.events.get(method, 0) + 1
                    _record(message)
            browser.cond.notify_all()
    os.close(fd)
    with browser.cond:
        browser.cond.notify_all()


def send(method, params=None, timeout=30, session=True):
    """One protocol call; its result, or RuntimeError with the browser's message."""
    with browser.cond:
        browser.next_id += 1
        ident = browser.next_id
    message = {"id": ident, "method": method, "params": params or {}}
    if session and browser.session:
        message["sessionId"] = browser.session
    data = json.dumps(message).encode() + b"\0"
    while data:
        data = data[os.write(browser.to_browser, data):]
    deadline = time.monotonic() + timeout
    with browser.cond:
        while ident not in browser.replies:
            left = deadline - time.monotonic()
            if left <= 0 or browser.proc.poll() is not None:
                raise RuntimeError("no answer to %s" % method)
            browser.cond.wait(left)
        reply = browser.replies.pop(ident)
    if "error" in reply:
        raise RuntimeError("%s: %s" % (method, reply["error"].get("message")))
    return reply.get("result", {})


def wait_event(method, count, timeout):
    """Until the browser has sent METHOD more than COUNT times in all."""
    deadline = time.monotonic() + timeout
    with browser.cond:
        while browser.events.get(method, 0) <= count:
            left = deadline - time.monotonic()
            if left <= 0:
                raise RuntimeError("no %s within %g s" % (method, timeout))
            browser.cond.wait(left)


def launch(user_data_dir, chromium="chromium", tap_audio=False, stderr=None):
    """Starts the browser with a page attached; the page's console is recorded from then on."""
    commands, to_browser = os.pipe()  # the browser reads commands on its descriptor 3
    from_browser, answers = os.pipe()  # and writes answers and events on 4

    def descriptors():  # in the child, before exec: above 10 first, so neither clobbers the other
        high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (commands, answers)]
        for number, fd in zip((3, 4), high):
            os.dup2(fd, number)
            os.set_inheritable(number, True)

    browser.proc = subprocess.Popen(
        [chromium, *FLAGS, "--user-data-dir=" + user_data_dir, "about:blank"],
        stdin=subprocess.DEVNULL, stdout=stderr or subprocess.DEVNULL,
        stderr=stderr or subprocess.DEVNULL, preexec_fn=descriptors, close_fds=False)
    os.close(commands)
    os.close(answers)
    browser.to_browser = to_browser
    browser.session, browser.replies, browser.events, browser.log = None, {}, {}, []
    threading.Thread(target=_read, args=(from_browser,), daemon=True).start()
    deadline = time.monotonic() + 30
    while True:
        pages = [t for t in send("Target.getTargets")["targetInfos"] if t["type"] == "page"]
        if pages or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    target = pages[0]["targetId"] if pages else send(
        "Target.createTarget", {"url": "about:blank"})["targetId"]
    browser.session = send("Target.attachToTarget",
                           {"targetId": target, "flatten": True})["sessionId"]
    for domain in ("Page", "Runtime", "Log"):
        send(domain + ".enable")
    if tap_audio:
        send("Page.addScriptToEvaluateOnNewDocument", {"source": AUDIO_TAP})


def close():
    """Closes the browser; past ten seconds its process is killed."""
    if not browser.proc:
        return
    try:
        send("Browser.close", session=False, timeout=10)
    except (RuntimeError, OSError):
        pass
    try:
        browser.proc.wait(10)
    except subprocess.TimeoutExpired:
        browser.proc.kill()
        browser.proc.wait()
    os.close(browser.to_browser)
    browser.proc = None


def navigate(url, timeout=60):
    loads = browser.events.get("Page.loadEventFired", 0)
    result = send("Page.navigate", {"url": url})
    if result.get("errorText"):
        raise RuntimeError(result["errorText"])
    wait_event("Page.loadEventFired", loads, timeout)


def reload(timeout=60):
    loads = browser.events.get("Page.loadEventFired", 0)
    send("Page.reload")
    wait_event("Page.loadEventFired", loads, timeout)


def evaluate(expression, timeout=30):
    """The value of a page expression; never counts as a user gesture."""
    result = send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                       "awaitPromise": True}, timeout)
    if "exceptionDetails" in result:
        details = result["exceptionDetails"]
        raise RuntimeError(details.get("exception", {}).get("description", details["text"]))
    return result["result"].get("value")


def wait_for(expression, seconds):
    deadline = time.monotonic() + seconds
    while True:
        try:
            if evaluate(expression):
                return True
        except RuntimeError:  # a page between two documents
            pass
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)


def _to_viewport(x, y):  # the middle of canvas pixel (x, y), so that rounding keeps it there
    box = evaluate(CANVAS_BOX)
    return (box["x"] + (x + 0.5) * box["w"] / box["cw"],
            box["y"] + (y + 0.5) * box["h"] / box["ch"])


def screenshot(path):
    """The canvas as composited on the page, at the canvas's own pixel size (the scale is the
    capture's device pixels to the canvas's CSS pixels)."""
    box = evaluate(CANVAS_BOX)
    clip = {"x": box["x"] + box["sx"], "y": box["y"] + box["sy"], "width": box["w"],
            "height": box["h"], "scale": box["cw"] / box["w"] / box["dpr"]}
    data = send("Page.captureScreenshot", {"format": "png", "clip": clip})["data"]
    with open(path, "wb") as out:
        out.write(base64.b64decode(data))


def move(x, y):
    vx, vy = _to_viewport(x, y)
    send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": vx, "y": vy})


def button_event(x, y, down):  # the left button, at canvas pixel (x, y)
    vx, vy = _to_viewport(x, y)
    send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": vx, "y": vy})
    send("Input.dispatchMouseEvent", {"x": vx, "y": vy, "button": "left", "clickCount": 1,
                                      "type": "mousePressed" if down else "mouseReleased",
                                      "buttons": 1 if down else 0})


def click(x, y, hold=0.1):
    button_event(x, y, True)
    time.sleep(hold)
    button_event(x, y, False)


def key_event(name, down):
    key_name, code, number, text = KEYS[name]
    event = {"key": key_name, "code": code, "windowsVirtualKeyCode": number,
             "nativeVirtualKeyCode": number, "type": "keyUp"}
    if down:
        event.update(type="keyDown" if text else "rawKeyDown", text=text, unmodifiedText=text)
    send("Input.dispatchKeyEvent", event)


def key(name, hold=0.1):
    key_event(name, True)
    time.sleep(hold)
    key_event(name, False)


def emulate(rest):
    words = rest.split()
    if words[0] == "off":
        send("Emulation.clearDeviceMetricsOverride")
        send("Emulation.setTouchEmulationEnabled", {"enabled": False})
        return
    mobile = words[2:3] == ["mobile"]
    send("Emulation.setDeviceMetricsOverride", {
        "width": int(words[0]), "height": int(words[1]),
        "deviceScaleFactor": float(words[3]) if len(words) > 3 else 1,
        "mobile": mobile, "screenWidth": int(words[0]), "screenHeight": int(words[1])})
    send("Emulation.setTouchEmulationEnabled", {"enabled": mobile, "maxTouchPoints": 5})


fingers = {}  # finger number: its point in viewport pixels, as the touch events carry it


def touch(finger, x, y):
    """A finger down at, or moved to, viewport point (x, y); the others stay where they are."""
    kind = "touchMove" if finger in fingers else "touchStart"
    fingers[finger] = (x, y)
    points = [{"x": px, "y": py, "id": n, "radiusX": 4, "radiusY": 4, "force": 1}
              for n, (px, py) in sorted(fingers.items())]
    send("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})


def untouch(finger):
    """Lifts one finger, the others staying down: chromium's touchEnd ends the points it names
    (all of them when it names none)."""
    point = fingers.pop(finger, None)
    if point is not None:
        send("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": [
            {"x": point[0], "y": point[1], "id": finger}]})


def _middle_of(selector):
    return evaluate("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                    " return [r.left + r.width / 2, r.top + r.height / 2]; })()"
                    % json.dumps(selector))


def offline(cut):
    send("Network.enable")
    send("Network.emulateNetworkConditions", {"offline": cut, "latency": 0,
                                               "downloadThroughput": -1,
                                               "uploadThroughput": -1})


def manifest():
    answer = send("Page.getAppManifest")
    parsed = json.loads(answer.get("data") or "{}")
    return dict(parsed, url=answer.get("url"), errors=answer.get("errors", []))


def take_log():
    lines, browser.log = browser.log, []
    return lines


def press(selector, hold=0.1):
    box = evaluate("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                   " return [r.left + r.width / 2, r.top + r.height / 2]; })()"
                   % json.dumps(selector))
    event = {"x": box[0], "y": box[1], "button": "left", "clickCount": 1}
    send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": box[0], "y": box[1]})
    send("Input.dispatchMouseEvent", dict(event, type="mousePressed", buttons=1))
    time.sleep(hold)
    send("Input.dispatchMouseEvent", dict(event, type="mouseReleased", buttons=0))


# JavaScript is taken whole, the rest of the line after the command; other arguments are words.
COMMANDS = {
    "open": lambda rest: navigate(rest.strip()),
    "reload": lambda rest: reload(),
    "onload": lambda rest: send("Page.addScriptToEvaluateOnNewDocument", {"source": rest}),
    "eval": lambda rest: evaluate(rest),
    "wait": lambda rest: wait_for(rest.split(None, 1)[1], float(rest.split(None, 1)[0])),
    "shot": lambda rest: screenshot(rest.strip()),
    "move": lambda rest: move(*map(float, rest.split())),
    "click": lambda rest: click(*map(float, rest.split())),
    "press": lambda rest: press(rest.strip()),
    "key": lambda rest: key(rest.split()[0], *map(float, rest.split()[1:])),
    "mousedown": lambda rest: button_event(*map(float, rest.split()), True),
    "mouseup": lambda rest: button_event(*map(float, rest.split()), False),
    "keydown": lambda rest: key_event(rest.strip(), True),
    "keyup": lambda rest: key_event(rest.strip(), False),
    "emulate": emulate,
    "touch": lambda rest: touch(int(rest.split()[0]),
                                *_to_viewport(*map(float, rest.split()[1:3]))),
    "touchat": lambda rest: touch(int(rest.split()[0]), *map(float, rest.split()[1:3])),
    "touchon": lambda rest: touch(int(rest.split()[0]), *_middle_of(rest.split(None, 1)[1])),
    "untouch": lambda rest: untouch(int(rest.strip())),
    "offline": lambda rest: offline(rest.strip() == "1"),
    "manifest": lambda rest: manifest(),
    "installability": lambda rest: send("Page.getInstallabilityErrors")["installabilityErrors"],
    "log": lambda rest: take_log(),
    "pid": lambda rest: browser.proc.pid,
}


def serve(user_data_dir, tap_audio, no_webgl=False):
    if no_webgl:
        FLAGS.append("--disable-webgl")
    launch(user_data_dir, tap_audio=tap_audio, stderr=open(user_data_dir + ".log", "ab"))
    try:
        for line in sys.stdin:
            command, _, rest = line.strip().partition(" ")
            if command == "quit":
                break
            try:
                answer = "ok " + json.dumps(COMMANDS[command](rest))
            except (RuntimeError, KeyError, IndexError, TypeError, ValueError,
                    OSError) as problem:
                answer = "error %s %s" % (type(problem).__name__, " ".join(str(problem).split()))
            print(answer, flush=True)
    finally:
        close()
        print("ok null", flush=True)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if len(arguments) < 2 or arguments[0] != "--user-data-dir":
        sys.exit(__doc__)
    serve(arguments[1], "--tap-audio" in arguments, "--no-webgl" in arguments)
