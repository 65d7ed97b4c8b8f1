"""Drives plyview's web page in headless Chromium over the DevTools protocol.

A static server for the page's folder on a free port of 127.0.0.1, a browser with WebGL2 in
software and a private profile, and the few things the page's tests do: choose files, press keys,
drag with any button, double-click, turn the wheel, touch with fingers, read the page, take
screenshots, catch downloads, watch requests and errors, hold requests back.
"""

import base64
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

import websocket

# ===== Constants =====

CHROMIUM = "chromium"
# WebGL2 without a GPU (SwiftShader through ANGLE), and a browser that reaches nothing on its
# own: no updates, no sync, no QUIC probes.
CHROMIUM_FLAGS = [
    "--headless=new",
    "--no-sandbox",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--remote-debugging-port=0",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--no-first-run",
    "--disable-quic",
    "--hide-scrollbars",
    "--mute-audio",
]
START_TIMEOUT_S = 30  # the browser writes its DevTools port
REPLY_TIMEOUT_S = 30  # one DevTools command
POLL_INTERVAL_S = 0.05
SHIFT_MODIFIER = 8  # DevTools' modifier bit for Shift
BUTTON_MASKS = {"left": 1, "right": 2, "middle": 4}  # a mouse event's "buttons" held
WHEEL_STEP = 120  # pixels of one wheel notch
# Keys whose virtual key code is not their upper-case character: (code, with Shift).
KEY_CODES = {"?": (191, True), "+": (187, True), "=": (187, False), "-": (189, False),
             "_": (189, True)}
# Keys by their DOM names and virtual key codes: the arrows, and Delete.
ARROW_CODES = {"ArrowLeft": 37, "ArrowUp": 38, "ArrowRight": 39, "ArrowDown": 40, "Delete": 46}
CONTROL_MODIFIER = 2  # DevTools' modifier bit for Control
MAX_TOUCH_POINTS = 2


# ===== Static server =====


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):  # noqa: A002 (the base class's name)
        pass


class PageServer:
    """Serves `folder` at http://127.0.0.1:<free port>/ from a thread, until closed."""

    def __init__(self, folder):
        handler = functools.partial(_QuietHandler, directory=folder)
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = f"http://127.0.0.1:{self._server.server_address[1]}/"
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def close(self):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()


# ===== Pictures =====


class Picture:
    """RGB pixels of a PNG, row by row from the top."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i : i + 3])

    def rows(self, top, bottom):
        """The picture's rows top..bottom-1 as bytes, for comparing regions."""
        return self.rgb[3 * top * self.width : 3 * bottom * self.width]

    def count(self, predicate):
        rgb = self.rgb
        return sum(1 for i in range(0, len(rgb), 3) if predicate(rgb[i], rgb[i + 1], rgb[i + 2]))


def _unfilter(kind, line, previous, bpp):
    out = bytearray(line)
    for i in range(len(out)):
        left = out[i - bpp] if i >= bpp else 0
        up = previous[i]
        corner = previous[i - bpp] if i >= bpp else 0
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + ((left + up) >> 1)) & 0xFF
        elif kind == 4:
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            best = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
            out[i] = (out[i] + best) & 0xFF
    return out


def decode_png(data):
    """A Picture from an 8-bit RGB or RGBA PNG without interlacing (what Chromium writes)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, f"unexpected PNG form {header}"
    bpp = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * bpp
    rgb, previous = bytearray(), bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = _unfilter(raw[start], raw[start + 1 : start + 1 + stride], previous, bpp)
        rgb += line if bpp == 3 else bytes(b for i, b in enumerate(line) if i % 4 != 3)
        previous = line
    return Picture(width, height, bytes(rgb))


# ===== Browser =====


class Browser:
    """A headless Chromium with one page of `width` x `height` CSS pixels, device scale 1."""

    def __init__(self, width, height):
        self.profile = tempfile.mkdtemp(prefix="plyview-web-")
        self._log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self._process = subprocess.Popen(
            [CHROMIUM, *CHROMIUM_FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            stdin=subprocess.DEVNULL,
            stdout=self._log,
            stderr=subprocess.STDOUT,
        )
        self._next_id = 0
        self.events = []  # every event, in order: (method, params)
        self._fingers = 0  # on the touch screen now
        try:
            self._socket = websocket.create_connection(
                self._browser_socket(), timeout=REPLY_TIMEOUT_S, suppress_origin=True
            )
            target = self.command("Target.createTarget", {"url": "about:blank"}, page=False)
            attach = {"targetId": target["targetId"], "flatten": True}
            self._session = self.command("Target.attachToTarget", attach, page=False)["sessionId"]
            for domain in ("Page", "Runtime", "Network"):
                self.command(f"{domain}.enable")
            self.resize(width, height)
        except BaseException:
            self.close()
            raise

    def _browser_socket(self):
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + START_TIMEOUT_S
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                raise RuntimeError(f"chromium ended with status {self._process.returncode}")
            if os.path.exists(port_file):
                with open(port_file) as file:
                    lines = file.read().split("\n")
                if len(lines) >= 2 and lines[1]:
                    return f"ws://127.0.0.1:{lines[0]}{lines[1]}"
            time.sleep(POLL_INTERVAL_S)
        raise RuntimeError("chromium did not open its DevTools port")

    def close(self):
        if getattr(self, "_socket", None) is not None:
            try:
                self.command("Browser.close", page=False)
            except Exception:  # the browser may close the socket before it answers
                pass
            self._socket.close()
            self._socket = None
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    # ----- Protocol -----

    def command(self, method, params=None, page=True):
        """Sends one command (to the page, or to the browser itself) and returns its result."""
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if page:
            message["sessionId"] = self._session
        self._socket.send(json.dumps(message))
        while True:
            reply = json.loads(self._socket.recv())
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            if "method" in reply:
                self.events.append((reply["method"], reply.get("params", {})))

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page (promises are awaited)."""
        result = self.command(
            "Runtime.evaluate",
            {"expression": expression, "returnByValue": True, "awaitPromise": True},
        )
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, condition, timeout, what):
        """Polls `condition` (a function, or a page expression) until it is true; its value."""
        check = condition if callable(condition) else lambda: self.evaluate(condition)
        deadline = time.monotonic() + timeout
        while True:
            value = check()
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out after {timeout} s waiting for {what}")
            time.sleep(POLL_INTERVAL_S)

    def errors(self):
        """Uncaught exceptions in the page so far."""
        return [p["exceptionDetails"] for m, p in self.events if m == "Runtime.exceptionThrown"]

    def requested_urls(self):
        return [p["request"]["url"] for m, p in self.events if m == "Network.requestWillBeSent"]

    # ----- Page -----

    def open(self, url):
        self.command("Page.navigate", {"url": url})

    def resize(self, width, height):
        self.command(
            "Emulation.setDeviceMetricsOverride",
            {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False},
        )

    def choose_files(self, selector, paths):
        root = self.command("DOM.getDocument")["root"]["nodeId"]
        node = self.command("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        self.command("DOM.setFileInputFiles", {"nodeId": node, "files": list(paths)})

    def drop_files(self, x, y, paths):
        data = {"items": [], "files": list(paths), "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            self.command("Input.dispatchDragEvent", {"type": kind, "x": x, "y": y, "data": data})

    def press(self, char):
        """One key as typed: an upper-case letter, `?`, `+` or `_` is Shift with its key."""
        code, shift = KEY_CODES.get(char, (ord(char.upper()), char.isupper()))
        self._key({"key": char, "text": char, "windowsVirtualKeyCode": code}, shift)

    def arrow(self, name, shift=False):
        """An arrow key by its DOM name ("ArrowLeft" ...), with Shift or without."""
        self._key({"key": name, "code": name, "windowsVirtualKeyCode": ARROW_CODES[name]}, shift)

    def _key(self, event, shift):
        event["modifiers"] = SHIFT_MODIFIER if shift else 0
        self.command("Input.dispatchKeyEvent", {"type": "keyDown", **event})
        self.command("Input.dispatchKeyEvent", {"type": "keyUp", **event})

    def click(self, x, y, count=1, control=False):
        """A left click, or a double click (count 2) as a browser sends it: two of them, the
        second with clickCount 2; Control held or not."""
        modifiers = CONTROL_MODIFIER if control else 0
        for click_count in range(1, count + 1):
            for kind in ("mousePressed", "mouseReleased"):
                self.command(
                    "Input.dispatchMouseEvent",
                    {"type": kind, "x": x, "y": y, "button": "left", "clickCount": click_count,
                     "modifiers": modifiers},
                )

    def drag(self, start, end, steps, button="left", shift=False):
        """A drag with `button` from `start` to `end` in `steps` moves, Shift held or not."""
        (x0, y0), (x1, y1) = start, end
        mouse = "Input.dispatchMouseEvent"
        held = {"button": button, "buttons": BUTTON_MASKS[button],
                "modifiers": SHIFT_MODIFIER if shift else 0}
        self.command(mouse, {"type": "mouseMoved", "x": x0, "y": y0})
        self.command(mouse, {"type": "mousePressed", "x": x0, "y": y0, "clickCount": 1, **held})
        for i in range(1, steps + 1):
            x, y = x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps
            self.command(mouse, {"type": "mouseMoved", "x": x, "y": y, **held})
        self.command(mouse, {"type": "mouseReleased", "x": x1, "y": y1, "clickCount": 1,
                             **held, "buttons": 0})

    def enable_touch(self, enabled):
        """A touch screen for the pages loaded from now on ("ontouchstart" in the document)."""
        self.command("Emulation.setTouchEmulationEnabled",
                     {"enabled": enabled, "maxTouchPoints": MAX_TOUCH_POINTS})

    def touch(self, *fingers):
        """The fingers on the screen now, (x, y) each, identified by their place in the list:
        more of them than before is a touchStart, none a touchEnd, otherwise a touchMove."""
        points = [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(fingers)]
        before, self._fingers = self._fingers, len(points)
        kind = "touchEnd" if not points else "touchStart" if len(points) > before else "touchMove"
        self.command("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def wheel(self, x, y, notches):
        """Turns the wheel notch by notch; positive notches away from the user (up)."""
        step = -WHEEL_STEP if notches > 0 else WHEEL_STEP
        for _ in range(abs(notches)):
            self.command(
                "Input.dispatchMouseEvent",
                {"type": "mouseWheel", "x": x, "y": y, "deltaX": 0, "deltaY": step},
            )

    def screenshot(self):
        data = self.command("Page.captureScreenshot", {"format": "png"})["data"]
        return decode_png(base64.b64decode(data))

    # ----- Requests held back -----

    def hold_requests(self, names):
        """The page's requests for the files `names` wait, each until released by name. The
        cache is off meanwhile: a file taken from it is never requested, so never held."""
        self.command("Network.setCacheDisabled", {"cacheDisabled": True})
        patterns = [{"urlPattern": f"*/{name}"} for name in names]
        self.command("Fetch.enable", {"patterns": patterns})

    def release_request(self, name, timeout):
        """Lets the held request for the file `name` go on, once it has been made."""

        def held():
            self.command("Browser.getVersion", page=False)  # a round trip takes in the events
            return next((p["requestId"] for m, p in self.events if m == "Fetch.requestPaused"
                         and p["request"]["url"].rsplit("/", 1)[-1] == name), None)

        self.command("Fetch.continueRequest", {"requestId": self.wait_for(held, timeout, name)})

    def stop_holding(self):
        self.command("Fetch.disable")
        self.command("Network.setCacheDisabled", {"cacheDisabled": False})

    def allow_downloads(self, folder):
        self.command(
            "Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": folder}, page=False
        )
