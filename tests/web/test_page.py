#!/usr/bin/python3
"""plyview's web page in headless Chromium: files chosen or dropped are drawn (those given while
the page still loads once the viewer runs), N and P step through them, a refused file gives its
reason while the page goes on, Save PNG saves what the canvas shows, the canvas follows the
window, and the page's folder works alone without network.

    tests/web/test_page.py PAGE_FOLDER
"""

import os
import shutil
import sys
import tempfile
import unittest

from page_driver import Browser, PageServer, decode_png

# ===== Constants =====

PAGE_FILES = {"index.html", "page.js", "plyview.js", "plyview.wasm"}
WIDTH, HEIGHT = 640, 480
READY_S = 20  # page start-up: loading and compiling the WebAssembly
STEP_S = 10  # one change on the page after an event
EARLY_HELD = ("page.js", "plyview.js", "plyview.wasm")  # held back while files are given early
MIN_GREEN_PIXELS = 200  # a drawn model; the white page has none
GREEN_MARGIN = 64  # green this much above red and blue
PAGE_FOLDER = None  # from the command line


def is_green(r, g, b):
    return g - max(r, b) > GREEN_MARGIN


def write_cube(path, cut=False, coloured=False):
    """An ASCII PLY cube of 12 triangles; cut: the file ends in its faces, as a download cut
    short does; coloured: its vertices in shades of red and blue."""
    corners = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]
    quads = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
    triangles = [t for a, b, c, d in quads for t in ((a, b, c), (a, c, d))]
    lines = ["ply", "format ascii 1.0", f"element vertex {len(corners)}"]
    lines += [f"property float {axis}" for axis in "xyz"]
    if coloured:
        lines += [f"property uchar {channel}" for channel in ("red", "green", "blue")]
    lines += [f"element face {len(triangles)}", "property list uchar int vertex_indices"]
    colours = [f" {200 + 25 * (x > 0)} 0 {120 * (z > 0)}" if coloured else ""
               for x, y, z in corners]
    lines += ["end_header"] + [" ".join(map(str, c)) + k for c, k in zip(corners, colours)]
    lines += ["3 " + " ".join(map(str, t)) for t in triangles]
    if cut:
        lines = lines[:-8]
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")
    return path


def is_grey(r, g, b):
    """A lit surface without colours of its own: neither white nor green."""
    return max(r, g, b) - min(r, g, b) < 16 and 40 < g < 235


def green_extent(picture):
    """Width and height of the box around the green pixels."""
    xs, ys = [], []
    for y in range(picture.height):
        for x in range(picture.width):
            if is_green(*picture.pixel(x, y)):
                xs.append(x)
                ys.append(y)
    return (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else (0, 0)


# ===== Tests =====


class PageTest(unittest.TestCase):
    """One browser for all; every test loads the page afresh."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="plyview-web-test-")
        cls.models = {
            name: write_cube(os.path.join(cls.scratch, name), **options)
            for name, options in (("cube.ply", {}), ("box.ply", {}), ("bad.ply", {"cut": True}),
                                  ("red.ply", {"coloured": True}))
        }
        cls.server = PageServer(PAGE_FOLDER)
        cls.browser = Browser(WIDTH, HEIGHT)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.close()
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def setUp(self):
        self.load(self.server.url)

    def tearDown(self):
        self.assertEqual(self.browser.errors(), [])

    # ----- Helpers -----

    def load(self, url):
        self.browser.events.clear()
        self.browser.resize(WIDTH, HEIGHT)
        self.browser.open(url)
        self.browser.wait_for("typeof page !== 'undefined' && page.running", READY_S, "the page")

    def choose(self, *names):
        self.browser.choose_files("#files", [self.models[n] for n in names])

    def title_becomes(self, title):
        self.browser.wait_for(f"document.title === {title!r}", STEP_S, f"the title {title!r}")
        self.assertEqual(self.text("#title"), title.removesuffix(" - plyview"))

    def text(self, selector):
        return self.browser.evaluate(f"document.querySelector({selector!r}).textContent")

    def count_green(self):
        return self.browser.screenshot().count(is_green)

    def green_pixels(self):
        """Green pixels once the picture is drawn: polled, since a frame follows its event."""
        return self.browser.wait_for(
            lambda: (lambda n: n if n >= MIN_GREEN_PIXELS else 0)(self.count_green()),
            STEP_S, "green pixels")

    # ----- Cases -----

    def test_page_starts_empty_and_white(self):
        self.assertEqual(self.browser.evaluate("document.title"), "plyview")
        self.assertEqual(self.text("#message"), "")
        self.assertIn("Drop PLY files", self.text("#title"))
        self.assertEqual(self.browser.screenshot().count(is_green), 0)

    def test_chosen_file_is_drawn(self):
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.green_pixels()

    def test_dropped_file_is_drawn(self):
        self.browser.drop_files(WIDTH // 2, HEIGHT // 2, [self.models["box.ply"]])
        self.title_becomes("box.ply (1/1) - plyview")
        self.green_pixels()

    def test_n_and_p_step_through_files_with_wrap_around(self):
        self.choose("cube.ply", "box.ply")
        self.title_becomes("cube.ply (1/2) - plyview")
        for key, title in (("N", "box.ply (2/2)"), ("N", "cube.ply (1/2)"), ("P", "box.ply (2/2)")):
            self.browser.press(key)
            self.title_becomes(f"{title} - plyview")

    def test_files_given_before_the_viewer_runs_are_shown_once_it_runs(self):
        # What the user does while page.js is still loading, then while the viewer's own code
        # is, and the file shown once the viewer runs: the latest choice or drop.
        cases = (
            ((("choose", "cube.ply"),), (), "cube.ply"),
            ((("choose", "box.ply"), ("drop", "cube.ply")), (), "cube.ply"),
            ((("drop", "box.ply"), ("choose", "red.ply")), (), "red.ply"),
            ((("drop", "box.ply"),), (("choose", "red.ply"), ("choose", "cube.ply")), "cube.ply"),
        )
        give = {
            "choose": self.choose,
            "drop": lambda name: self.browser.drop_files(WIDTH // 2, HEIGHT // 2,
                                                         [self.models[name]]),
        }
        for before_script, before_viewer, shown in cases:
            with self.subTest(before_script=before_script, before_viewer=before_viewer):
                self.browser.events.clear()
                self.browser.hold_requests(EARLY_HELD)
                try:
                    self.browser.open(self.server.url)
                    # The new page (the one before had run page.js), drawn once: the browser
                    # passes no input to a page before that.
                    self.browser.wait_for(
                        "typeof page === 'undefined' && document.getElementById('files') !== null",
                        READY_S, "the file button")
                    self.browser.evaluate("new Promise((drawn) => requestAnimationFrame(drawn))")
                    for action, name in before_script:
                        give[action](name)
                    self.browser.release_request("page.js", READY_S)
                    self.browser.wait_for("typeof page !== 'undefined'", READY_S, "page.js")
                    for action, name in before_viewer:
                        give[action](name)
                    self.browser.release_request("plyview.js", READY_S)
                    self.browser.release_request("plyview.wasm", READY_S)
                finally:
                    self.browser.stop_holding()
                title = f"{shown} (1/1) - plyview"
                self.title_becomes(title)
                self.green_pixels()
                self.assertEqual(self.browser.evaluate("document.title"), title)  # none after it

    def test_refused_file_gives_its_reason_and_the_page_goes_on(self):
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.choose("bad.ply")
        reason = "bad.ply: file ends in face 4 of 12"
        self.browser.wait_for(f"page.message.textContent === {reason!r}", STEP_S, "the reason")
        self.assertEqual(self.browser.evaluate("document.title"), "cube.ply (1/1) - plyview")
        self.green_pixels()
        self.choose("box.ply", "bad.ply")  # a refused file keeps its place among several
        self.title_becomes("box.ply (1/2) - plyview")
        self.browser.press("N")
        self.title_becomes("bad.ply (2/2) - plyview")
        self.browser.wait_for(f"page.message.textContent === {reason!r}", STEP_S, "the reason")

    def test_s_steps_to_the_lit_surface(self):
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.green_pixels()
        self.browser.press("s")
        self.browser.wait_for(lambda: self.browser.screenshot().count(is_grey) > 5000, STEP_S,
                              "a grey surface")
        self.assertEqual(self.count_green(), 0)

    def test_a_coloured_file_shows_its_colours_on_the_surface(self):
        self.choose("red.ply")
        self.title_becomes("red.ply (1/1) - plyview")
        self.green_pixels()  # the wireframe stays green
        self.browser.press("s")
        reddish = lambda r, g, b: r > 2 * g + 40 and r > b  # noqa: E731
        self.browser.wait_for(lambda: self.browser.screenshot().count(reddish) > 5000, STEP_S,
                              "the cube's own colours")

    def test_a_file_too_large_for_the_memory_gets_the_desktop_line(self):
        self.load(self.server.url + "?memory=0")
        self.choose("cube.ply")
        reason = "cube.ply: needs about 1 MB, 0 MB available"
        self.browser.wait_for(f"page.message.textContent === {reason!r}", STEP_S, "the reason")
        self.assertEqual(self.browser.evaluate("document.title"), "plyview")

    def test_mouse_drag_turns_and_wheel_zooms(self):
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.green_pixels()
        still = green_extent(self.browser.screenshot())
        centre = (WIDTH // 2, HEIGHT // 2 + 40)
        self.browser.wheel(*centre, notches=3)
        self.browser.wait_for(
            lambda: green_extent(self.browser.screenshot())[0] > 1.2 * still[0], STEP_S, "a zoom")
        before = self.browser.screenshot().rgb
        self.browser.drag(centre, (centre[0] + 120, centre[1]), steps=6)
        self.browser.wait_for(lambda: self.browser.screenshot().rgb != before, STEP_S, "a turn")

    def test_canvas_follows_the_window(self):
        for width, height in ((900, 300), (300, 700)):
            self.browser.resize(width, height)
            self.browser.wait_for(
                f"page.canvas.width === {width} && page.canvas.height === {height}",
                STEP_S, f"a {width} x {height} canvas")
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.green_pixels()
        picture = self.browser.screenshot()
        self.assertEqual((picture.width, picture.height), (300, 700))
        width, height = green_extent(picture)
        self.assertGreater(width, 300 // 2)  # the cube fills the narrow window, not a corner
        self.assertLess(height, 700 // 2)

    def test_save_png_equals_the_canvas(self):
        downloads = os.path.join(self.scratch, "downloads")
        os.makedirs(downloads, exist_ok=True)
        self.browser.allow_downloads(downloads)
        self.choose("cube.ply")
        self.title_becomes("cube.ply (1/1) - plyview")
        self.green_pixels()
        shown = self.browser.screenshot()
        left, top, width, height = self.browser.evaluate(
            "(r => [r.left, r.top, r.width, r.height])(page.save.getBoundingClientRect())")
        self.browser.click(left + width / 2, top + height / 2)
        saved = os.path.join(downloads, "cube.png")
        self.browser.wait_for(lambda: os.path.exists(saved), STEP_S, "cube.png")
        with open(saved, "rb") as png:
            picture = decode_png(png.read())
        self.assertEqual((picture.width, picture.height), (WIDTH, HEIGHT))
        # The bar lies over the canvas's top; below it the page shows the canvas alone.
        below = int(self.browser.evaluate("document.getElementById('bar').offsetHeight")) + 1
        self.assertEqual(picture.rows(below, HEIGHT), shown.rows(below, HEIGHT))

    def test_page_folder_alone_works_without_network(self):
        self.assertEqual(set(os.listdir(PAGE_FOLDER)), PAGE_FILES)
        copy = os.path.join(self.scratch, "elsewhere")
        shutil.copytree(PAGE_FOLDER, copy)
        server = PageServer(copy)
        try:
            self.load(server.url)
            self.choose("cube.ply")
            self.title_becomes("cube.ply (1/1) - plyview")
            self.green_pixels()
            urls = self.browser.requested_urls()
            self.assertTrue(urls)
            self.assertEqual([u for u in urls if not u.startswith((server.url, "blob:"))], [])
        finally:
            server.close()


if __name__ == "__main__":
    if len(sys.argv) < 2 or not os.path.isdir(sys.argv[1]):
        sys.exit("usage: test_page.py PAGE_FOLDER [unittest options]")
    PAGE_FOLDER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
