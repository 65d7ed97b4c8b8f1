#!/usr/bin/python3
"""plyview's web page timed in headless Chromium (scripts/bench-web), outside CI.

    bench/web_bench.py PAGE_FOLDER BINARY_PLY ASCII_PLY
    bench/web_bench.py --splats PAGE_FOLDER SPLAT_PLY

Prints one line per figure, "name value unit":
  parse_binary / parse_ascii   the reader's rate inside the page, MB/s of the whole file, the
                               file parsed from the page's memory again and again
  first_frame                  ms from handing the binary file to the page (the file input) to
                               its first full frame on the canvas, reading and upload included
  orbit                        frames per second while a left drag turns the model (its proxy)
With --splats, one figure for a splat file (scripts/bench-splat):
  splat_first_frame            ms from handing the file to the page (in the surface style, so
                               that splats are drawn) to its first full frame, and the ms the
                               page took to draw that frame
The page runs with "?log", so each frame it shows is a console line, as the desktop's test mode
prints them: "frame full <ms since start> <ms it took>".
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from page_driver import Browser, PageServer  # noqa: E402

# ===== Constants =====

SIDE = 512  # the page's viewport, as the desktop's pictures
READY_S = 30
FRAME_S = 60
PARSE_REPEATS = 5
SETTLE_S = 1  # for the renderer to finish what it has under way
ORBIT_MS = 3000  # how long the orbit's drag lasts
ORBIT_EVERY_MS = 8  # a pointer move this often, faster than any frame rate to be measured
ORBIT_STEP = 2  # pixels per move
# A left drag across the canvas for ORBIT_MS, as the browser's own pointer events: moves come as
# often as a real mouse sends them, whatever the protocol's round trips cost. Its length in ms.
ORBIT_SCRIPT = """(async () => {
  const canvas = page.canvas;
  const box = canvas.getBoundingClientRect();
  const at = (x) => ({clientX: box.left + x, clientY: box.top + box.height / 2, button: 0,
                      buttons: 1, bubbles: true});
  let x = 50;
  canvas.dispatchEvent(new MouseEvent('mousedown', at(x)));
  const start = performance.now();
  await new Promise((done) => {
    const timer = setInterval(() => {
      x += %d;
      canvas.dispatchEvent(new MouseEvent('mousemove', at(x)));
      if (performance.now() - start > %d) {
        clearInterval(timer);
        done();
      }
    }, %d);
  });
  canvas.dispatchEvent(new MouseEvent('mouseup', at(x)));
  return performance.now() - start;
})()""" % (ORBIT_STEP, ORBIT_MS, ORBIT_EVERY_MS)
BYTES_PER_MB = 1e6


def console_lines(browser, since):
    """The page's console lines from event `since` on, with their times (ms)."""
    lines = []
    for method, params in browser.events[since:]:
        if method == "Runtime.consoleAPICalled" and params.get("args"):
            lines.append((params.get("timestamp", 0), str(params["args"][0].get("value", ""))))
    return lines


def wait_for_line(browser, start, since, timeout):
    """Polls until a console line beginning with `start` arrives after event `since`."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        browser.evaluate("0")  # lets the protocol's events in
        for stamp, line in console_lines(browser, since):
            if line.startswith(start):
                return stamp
        time.sleep(0.005)
    raise RuntimeError(f"no console line '{start}' within {timeout} s")


def open_logged(browser, server):
    browser.open(server.url + "?log")
    browser.wait_for("typeof page !== 'undefined' && page.running", READY_S, "the page")


def splats(folder, path):
    """The splat file's first full frame on the page, from its hand-over."""
    server = PageServer(folder)
    browser = Browser(SIDE, SIDE)
    try:
        open_logged(browser, server)
        browser.press("s")  # the surface style before the file: the splats themselves
        since = len(browser.events)
        started = time.monotonic()
        browser.choose_files("#files", [path])
        wait_for_line(browser, "frame full", since, FRAME_S)
        elapsed = (time.monotonic() - started) * 1000
        took = [line.split()[3] for _, line in console_lines(browser, since)
                if line.startswith("frame full")][0]
        print(f"splat_first_frame {elapsed:.0f} ms took {took} ms")
    finally:
        browser.close()
        server.close()


def main(folder, binary, ascii_file):
    server = PageServer(folder)
    browser = Browser(SIDE, SIDE)
    try:
        browser.open(server.url + "?log")
        browser.wait_for("typeof page !== 'undefined' && page.running", READY_S, "the page")

        # The first full frame of the binary file, from its hand-over.
        since = len(browser.events)
        started = time.monotonic()
        browser.choose_files("#files", [binary])
        wait_for_line(browser, "frame full", since, FRAME_S)
        print(f"first_frame {(time.monotonic() - started) * 1000:.0f} ms")

        # Orbiting, in a page without its frame log: once the proxy is ready, the frames shown
        # while a drag turns the model.
        browser.open(server.url)
        browser.wait_for("typeof page !== 'undefined' && page.running", READY_S, "the page")
        browser.choose_files("#files", [binary])
        browser.wait_for("Module._web_proxy_ready()", FRAME_S, "the proxy")
        before = browser.evaluate("Module._web_frames_shown()")
        seconds = browser.evaluate(ORBIT_SCRIPT) / 1000
        frames = browser.evaluate("Module._web_frames_shown()") - before
        print(f"orbit {frames / seconds:.1f} fps ({frames:.0f} frames in {seconds:.2f} s)")
        browser.open(server.url + "?log")
        browser.wait_for("typeof page !== 'undefined' && page.running", READY_S, "the page")

        # The reader inside the page, on the files the page holds, once the page has drawn the
        # file and built its proxy: the renderer shares the machine's cores with the reader.
        for name, path in (("parse_binary", binary), ("parse_ascii", ascii_file)):
            since = len(browser.events)
            browser.choose_files("#files", [path])
            wait_for_line(browser, "frame full", since, FRAME_S)
            wait_for_line(browser, "proxy ", since, FRAME_S)
            time.sleep(SETTLE_S)
            rate = browser.evaluate(
                "Module.ccall('web_parse_rate', 'number', ['string', 'number'], "
                f"[page.shownPaths[0], {PARSE_REPEATS}])")
            print(f"{name} {rate / BYTES_PER_MB:.0f} MB/s")
    finally:
        browser.close()
        server.close()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--splats":
        splats(*sys.argv[2:])
    elif len(sys.argv) == 4:
        main(*sys.argv[1:])
    else:
        sys.exit("usage: web_bench.py PAGE_FOLDER BINARY_PLY ASCII_PLY\n"
                 "       web_bench.py --splats PAGE_FOLDER SPLAT_PLY")
