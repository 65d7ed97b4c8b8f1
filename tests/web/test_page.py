#!/usr/bin/python3
"""plyview's web page in headless Chromium: files chosen or dropped are drawn (those given while
the page still loads once the viewer runs), N and P step through them, a refused file gives its
reason while the page goes on, Save PNG saves what the canvas shows, the canvas follows the
window, the page's folder works alone without network, and the model is navigated with the
mouse, the arrow keys, the toolbar and fingers, with the help listing it all.

    tests/web/test_page.py PAGE_FOLDER
"""

import math
import os
import shutil
import struct
import sys
import tempfile
import unittest
import zlib

from page_driver import Browser, PageServer, decode_png

# ===== Constants =====

PAGE_FILES = {"index.html", "page.js", "plyview.js", "plyview.wasm"}
WIDTH, HEIGHT = 640, 480
READY_S = 20  # page start-up: loading and compiling the WebAssembly
STEP_S = 10  # one change on the page after an event
EARLY_HELD = ("page.js", "plyview.js", "plyview.wasm")  # held back while files are given early
MIN_GREEN_PIXELS = 200  # a drawn model; the white page has none
VIOLET = (200, 40, 200)  # a texture image's one colour
GREEN_MARGIN = 64  # green this much above red and blue
PAGE_FOLDER = None  # from the command line
SPOT_TOLERANCE_PX = 2  # how far a followed spot may land from where it should
MIN_SPOT_PIXELS = 50  # the blue tile seen
CENTRE = (WIDTH / 2, HEIGHT / 2)
# The tiles: a flat square in the z = 0 plane, seen face-on at rest, of red tiles and one blue.
TILES_PER_SIDE = 5
# Column and row from the square's corner at -x -y: right of and below the centre, one tile away
# both ways, and clear of the bar over the canvas's top as it grows and moves.
BLUE_TILE = (3, 1)
HELP_KEYS = {"N", "P", "W", "e", "m", "s", "c", "l", "x", "X", "y", "Y", "z", "Z", "R", "B", "0",
             "1", "2", "3", "4", "5", "6", "7", "o", "u", "+", "=", "-", "_", "←", "↑", "→", "↓",
             "Shift", "i", "?", "Esc"}
# The `i` panel's first lines: dark letters in this many rows and columns below the bar.
PANEL_ROWS, PANEL_COLUMNS, DARK_BELOW, MIN_LETTER_PIXELS = 80, 120, 80, 100
HELP_GESTURES = ("left drag", "middle drag", "right drag", "wheel", "double click", "one finger",
                 "two fingers", "double tap")


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


def write_png(path, side, rgb):
    """A PNG of one colour, side x side, 8-bit RGB."""
    row = b"\0" + bytes(rgb) * side
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(row * side)) + chunk(b"IEND", b""))
    return path


def write_textured(path, image):
    """A square facing the eye in the image `image` by texture coordinates per vertex."""
    lines = ["ply", "format ascii 1.0", f"comment TextureFile {image}", "element vertex 4"]
    lines += [f"property float {axis}" for axis in "xyzst"]
    lines += ["element face 1", "property list uchar int vertex_indices", "end_header"]
    lines += [f"{x} {y} 0 {(x + 1) // 2} {(y + 1) // 2}" for x, y in ((-1, -1), (1, -1), (1, 1), (-1, 1))]
    lines.append("4 0 1 2 3")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")
    return path


def write_measured(path, side=20):
    """An ASCII PLY plane of quads over [-1, 1]^2 facing the eye, with an intensity that rises
    from 0 at its left edge to 1 at its right."""
    n = side + 1
    lines = ["ply", "format ascii 1.0", f"element vertex {n * n}"]
    lines += [f"property float {axis}" for axis in "xyz"] + ["property float intensity"]
    lines += [f"element face {side * side}", "property list uchar int vertex_indices"]
    lines.append("end_header")
    lines += [f"{-1 + 2 * i / side} {-1 + 2 * j / side} 0 {i / side}"
              for j in range(n) for i in range(n)]
    lines += [f"4 {j * n + i} {j * n + i + 1} {j * n + i + n + 1} {j * n + i + n}"
              for j in range(side) for i in range(side)]
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")
    return path


def write_ply(path, vertices, triangles, colours=None):
    """An ASCII PLY file of triangles, with a colour per vertex when given."""
    lines = ["ply", "format ascii 1.0", f"element vertex {len(vertices)}"]
    lines += [f"property float {axis}" for axis in "xyz"]
    if colours:
        lines += [f"property uchar {channel}" for channel in ("red", "green", "blue")]
    lines += [f"element face {len(triangles)}", "property list uchar int vertex_indices"]
    lines.append("end_header")
    for i, vertex in enumerate(vertices):
        lines.append(" ".join(map(str, vertex + (colours[i] if colours else ()))))
    lines += ["3 " + " ".join(map(str, t)) for t in triangles]
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")
    return path


def write_tiles(path):
    """The tiles: each with corners of its own, so that it has one colour."""
    size = 2 / TILES_PER_SIDE
    vertices, colours, triangles = [], [], []
    for column in range(TILES_PER_SIDE):
        for row in range(TILES_PER_SIDE):
            x, y, first = -1 + column * size, -1 + row * size, len(vertices)
            vertices += [(x, y, 0), (x + size, y, 0), (x + size, y + size, 0), (x, y + size, 0)]
            colours += [(0, 0, 255) if (column, row) == BLUE_TILE else (220, 0, 0)] * 4
            triangles += [(first, first + 1, first + 2), (first, first + 2, first + 3)]
    return write_ply(path, vertices, triangles, colours)


def write_tripod(path):
    """Three bars of different lengths from the origin along +x, +y and +z: no two views of it
    from different sides look alike."""
    thick = 0.2
    vertices, triangles = [], []
    for far in ((2, thick, thick), (thick, 1.4, thick), (thick, thick, 0.8)):
        first = len(vertices)
        vertices += [(x, y, z) for x in (0, far[0]) for y in (0, far[1]) for z in (0, far[2])]
        quads = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
        triangles += [tuple(first + i for i in t) for a, b, c, d in quads
                      for t in ((a, b, c), (a, c, d))]
    return write_ply(path, vertices, triangles)


def write_ball(path, count=60000):
    """A cloud of points spread evenly over a unit ball's surface (a golden-angle spiral)."""
    turn = math.pi * (3 - math.sqrt(5))
    points = []
    for i in range(count):
        y = 1 - 2 * (i + 0.5) / count
        r = math.sqrt(1 - y * y)
        points.append(tuple(round(v, 5) for v in (r * math.cos(turn * i), y,
                                                  r * math.sin(turn * i))))
    return write_ply(path, points, [])


SH_C0 = 0.28209479177387814  # the degree-0 spherical harmonic: f_dc = (colour - 0.5) / SH_C0
SPLAT_FIELDS = ("x", "y", "z", "f_dc_0", "f_dc_1", "f_dc_2", "opacity", "scale_0", "scale_1",
                "scale_2", "rot_0", "rot_1", "rot_2", "rot_3")
SPLAT_RED = (0.9, 0.2, 0.2)  # the torus's splats, nearly opaque
MARK_OPACITY = 0.5  # the blue splat in the torus's hole: (127.5, 127.5, 255) over white


def write_splats(path, splats):
    """A binary splat file as capture tools write one, degree 0: each splat a centre, standard
    deviations along its own axes, a rotation (w, x, y, z), an opacity and a colour on 0..1."""
    lines = ["ply", "format binary_little_endian 1.0", f"element vertex {len(splats)}"]
    lines += [f"property float {name}" for name in SPLAT_FIELDS] + ["end_header"]
    body = b"".join(
        struct.pack("<14f", *centre, *((c - 0.5) / SH_C0 for c in rgb),
                    math.log(opacity / (1 - opacity)), *map(math.log, sigmas), *rotation)
        for centre, sigmas, rotation, opacity, rgb in splats)
    with open(path, "wb") as out:
        out.write(("\n".join(lines) + "\n").encode() + body)
    return path


def splat_torus(around=72, tube=24):
    """A torus (axis z, radii 1 and 0.4) of flat splats tangent to it, each as wide as 0.6 of
    the gaps to its neighbours: closed, as tools/plywrite's splatTorus. A splat's own axes are
    its normal, then round the axis, then round the tube."""
    splats = []
    for i in range(around):
        theta = 2 * math.pi * i / around
        for j in range(tube):
            phi = 2 * math.pi * j / tube
            ring = 1 + 0.4 * math.cos(phi)
            c, s = math.cos(theta), math.sin(theta)
            # A turn by -phi about y, then by theta about z.
            half_t, half_p = theta / 2, -phi / 2
            rotation = (math.cos(half_t) * math.cos(half_p), -math.sin(half_t) * math.sin(half_p),
                        math.cos(half_t) * math.sin(half_p), math.sin(half_t) * math.cos(half_p))
            gap_u, gap_v = 2 * math.pi * ring / around, 2 * math.pi * 0.4 / tube
            sigmas = (0.03 * min(gap_u, gap_v), 0.6 * gap_u, 0.6 * gap_v)
            splats.append(((ring * c, ring * s, 0.4 * math.sin(phi)), sigmas, rotation, 0.98,
                           SPLAT_RED))
    return splats


def is_blue(r, g, b):
    return b - max(r, g) > GREEN_MARGIN


def is_grey(r, g, b):
    """A lit surface without colours of its own: neither white nor green."""
    return max(r, g, b) - min(r, g, b) < 16 and 40 < g < 235


def pixels_where(picture, predicate, top=0):
    """The places (x, y) of the pixels that match, from row `top` down."""
    return [(x, y) for y in range(top, picture.height) for x in range(picture.width)
            if predicate(*picture.pixel(x, y))]


def green_extent(picture):
    """Width and height of the box around the green pixels."""
    places = pixels_where(picture, is_green)
    if not places:
        return (0, 0)
    xs, ys = zip(*places)
    return (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


def box_centre(places):
    xs, ys = zip(*places)
    return ((min(xs) + max(xs) + 1) / 2, (min(ys) + max(ys) + 1) / 2)


def offset(a, b):
    return (b[0] - a[0], b[1] - a[1])


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
        cls.models["tiles.ply"] = write_tiles(os.path.join(cls.scratch, "tiles.ply"))
        cls.models["tripod.ply"] = write_tripod(os.path.join(cls.scratch, "tripod.ply"))
        cls.models["measured.ply"] = write_measured(os.path.join(cls.scratch, "measured.ply"))
        cls.models["ball.ply"] = write_ball(os.path.join(cls.scratch, "ball.ply"))
        cls.models["splats.ply"] = write_splats(
            os.path.join(cls.scratch, "splats.ply"),
            splat_torus() + [((0, 0, 0), (0.1, 0.1, 0.1), (1, 0, 0, 0), MARK_OPACITY, (0, 0, 1))])
        cls.models["violet.png"] = write_png(os.path.join(cls.scratch, "violet.png"), 8,
                                             VIOLET)
        cls.models["textured.ply"] = write_textured(os.path.join(cls.scratch, "textured.ply"),
                                                    "violet.png")
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

    def show(self, name, *keys):
        """Opens one file, waits for its picture, then presses `keys` (each changing it)."""
        self.choose(name)
        self.title_becomes(f"{name} (1/1) - plyview")
        self.green_pixels()
        for key in keys:
            before = self.browser.screenshot()
            self.browser.press(key)
            self.settled(before)

    def settled(self, before=None):
        """The picture once it has changed from `before` (when given) and two screenshots in a
        row agree."""
        last = [before]

        def steady():
            picture = self.browser.screenshot()
            previous, last[0] = last[0], picture
            return picture if previous is not None and picture.rgb == previous.rgb else None

        if before is not None:
            self.browser.wait_for(lambda: self.browser.screenshot().rgb != before.rgb, STEP_S,
                                  "a change")
            last[0] = None
        return self.browser.wait_for(steady, STEP_S, "a steady picture")

    def bar_bottom(self):
        """The first canvas row below the bar, which lies over the canvas's top."""
        return int(self.browser.evaluate("document.getElementById('bar').offsetHeight")) + 1

    def spot(self, picture):
        """The middle of the blue tile (below the bar), and its width and height in pixels."""
        places = pixels_where(picture, is_blue, self.bar_bottom())
        self.assertGreater(len(places), MIN_SPOT_PIXELS, "the blue tile is not in view")
        xs, ys = zip(*places)
        return box_centre(places), (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)

    def assertNear(self, place, expected, what):
        self.assertLessEqual(max(abs(a - b) for a, b in zip(place, expected)), SPOT_TOLERANCE_PX,
                             f"{what}: at {place}, expected {expected}")

    def tool(self, key):
        """The middle of the toolbar's button for `key`."""
        return self.middle_of(f'#tools [data-key="{key}"]')

    def middle_of(self, selector):
        return self.browser.evaluate(
            "(r => [r.left + r.width / 2, r.top + r.height / 2])(document.querySelector("
            f"{selector!r}).getBoundingClientRect())")

    def below_bar(self, picture):
        return picture.rows(self.bar_bottom(), picture.height)

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

    def test_a_textured_file_shows_its_image_and_alone_gives_the_line(self):
        self.choose("textured.ply", "violet.png")  # the image is no entry of the list
        self.title_becomes("textured.ply (1/1) - plyview")
        self.green_pixels()
        self.browser.press("s")
        violet = lambda r, g, b: r > g + 60 and b > g + 60  # noqa: E731
        self.browser.wait_for(lambda: self.browser.screenshot().count(violet) > 5000, STEP_S,
                              "the image on the surface")
        self.choose("textured.ply")
        line = "textured.ply: texture violet.png: No such file or directory"
        self.browser.wait_for(f"page.message.textContent === {line!r}", STEP_S, "the line")

    def test_a_clouds_rim_is_shaded_on_the_surface_until_l(self):
        def levels(picture):
            """The ball's centre and a spot of its left rim, in its middle row: the median of
            a few pixels each, as a gap between points shows the far side darkened."""
            places = pixels_where(picture, lambda r, g, b: min(r, g, b) < 245, self.bar_bottom())
            y = int(box_centre(places)[1])
            xs = [x for x, row in places if row == y]
            level = lambda x: sorted(sum(picture.pixel(x + dx, y + dy)) // 3  # noqa: E731
                                     for dx in (-1, 0, 1) for dy in (-1, 0, 1))[4]
            return level((min(xs) + max(xs)) // 2), level(min(xs) + (max(xs) - min(xs)) // 25)

        self.show("ball.ply", "s")
        centre, rim = levels(self.settled())
        self.assertLess(rim, centre - 40)
        before = self.browser.screenshot()
        self.browser.click(*self.tool("l"))  # as the key does
        centre, rim = levels(self.settled(before))
        self.assertEqual(rim, centre)

    def test_a_splat_file_shows_splats_and_their_centres_in_the_wireframe(self):
        # The torus's splats close its surface; the blue one in its hole, alone there, is
        # blended over the white page at its centre. The wireframe shows the splats' centres.
        self.show("splats.ply")
        reddish = lambda r, g, b: r > g + 80 and r > b + 80  # noqa: E731
        top = self.bar_bottom()  # over it, the message line about the up axis is red too
        before = self.browser.screenshot()
        self.assertEqual(pixels_where(before, reddish, top), [])
        self.browser.press("s")
        splats = self.settled(before)
        cx, cy = WIDTH // 2, HEIGHT // 2
        expected = 255 * (1 - MARK_OPACITY)
        for got, want in zip(splats.pixel(cx, cy), (expected, expected, 255)):
            self.assertAlmostEqual(got, want, delta=3, msg="the blue splat's centre")
        row = [x for x in range(WIDTH) if reddish(*splats.pixel(x, cy))]
        outer, inner = (row[-1] - row[0]) / 2, min(x for x in row if x > cx) - cx
        within = (inner + SPOT_TOLERANCE_PX, outer - SPOT_TOLERANCE_PX)
        ring = [(x, y) for y in range(top, HEIGHT) for x in range(WIDTH)
                if within[0] < math.hypot(x - cx, y - cy) < within[1]]
        gaps = [p for p in ring if min(splats.pixel(*p)) > 240]
        self.assertGreater(len(ring), 10000)
        self.assertLess(len(gaps), len(ring) // 100, "background within the torus")
        self.assertEqual(self.count_green(), 0)
        self.browser.press("s")  # the edges style, then the wireframe again
        edges = self.settled(splats)
        self.browser.press("s")
        points = self.settled(edges)
        self.assertGreater(points.count(is_green), MIN_GREEN_PIXELS)
        self.assertEqual(pixels_where(points, reddish, top), [])

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

    def test_pan_moves_the_model_with_the_pointer(self):
        # A middle drag, a Shift+left drag and Shift+arrows; the tiles lie at the depth the
        # pan is measured at, so that the blue one moves as far as the pointer (or a tenth of
        # the window).
        self.show("tiles.ply", "s")
        tenth = (WIDTH / 10, HEIGHT / 10)
        moves = (
            (lambda at: self.browser.drag(at, (at[0] + 60, at[1] - 40), 6, "middle"), (60, -40)),
            (lambda at: self.browser.drag(at, (at[0] - 50, at[1] + 30), 5, shift=True),
             (-50, 30)),
            (lambda at: self.browser.arrow("ArrowLeft", shift=True), (-tenth[0], 0)),
            (lambda at: self.browser.arrow("ArrowUp", shift=True), (0, -tenth[1])),
            (lambda at: self.browser.arrow("ArrowRight", shift=True), (tenth[0], 0)),
            (lambda at: self.browser.arrow("ArrowDown", shift=True), (0, tenth[1])),
        )
        picture = self.browser.screenshot()
        for i, (move, expected) in enumerate(moves):
            with self.subTest(move=i):
                (x, y), _ = self.spot(picture)
                move((round(x), round(y)))
                picture = self.settled(picture)
                self.assertNear(offset((x, y), self.spot(picture)[0]), expected, "moved by")

    def test_arrows_turn_the_model_each_its_own_way(self):
        self.show("tripod.ply")
        rest = self.settled()
        pictures = []
        for name in ("ArrowLeft", "ArrowUp", "ArrowRight", "ArrowDown"):
            self.browser.arrow(name)
            turned = self.settled(rest)
            pictures.append(self.below_bar(turned))
            self.browser.press("0")
            self.assertTrue(self.below_bar(self.settled(turned)) == self.below_bar(rest),
                            f"0 after {name}")
        self.assertEqual(len(set(pictures)), len(pictures))

    def test_wheel_zooms_towards_the_pointer(self):
        self.show("tiles.ply", "s")
        picture = self.browser.screenshot()
        (x, y), (width, _) = self.spot(picture)
        self.browser.wheel(round(x), round(y), notches=5)
        place, (wider, _) = self.spot(self.settled(picture))
        self.assertGreater(wider, 1.5 * width)  # 0.9 ** -5 = 1.69
        self.assertNear(place, (x, y), "the blue tile")

    def test_double_click_centres_the_point_under_it(self):
        # On the model its point; on the background the box centre, the tiles' middle: one
        # tile left of and above the blue one.
        self.show("tiles.ply", "s")
        picture = self.browser.screenshot()
        (x, y), _ = self.spot(picture)
        self.browser.click(round(x), round(y), count=2)
        picture = self.settled(picture)
        self.assertNear(self.spot(picture)[0], CENTRE, "the blue tile")
        self.browser.click(WIDTH - 20, HEIGHT - 20, count=2)
        picture = self.settled(picture)
        (x, y), (width, height) = self.spot(picture)
        self.assertNear((x - width, y - height), CENTRE, "the tiles' middle")

    def test_toolbar_buttons_do_what_their_keys_do(self):
        # The same steps by key, then by button on a fresh page: the same pictures, each step
        # changing the one before.
        keys = ("2", "3", "4", "5", "6", "1", "7", "o", "u", "s", "0")
        by_key, by_button = [], []
        self.show("tripod.ply")
        before = self.browser.screenshot()
        for key in keys:
            self.browser.press(key)
            before = self.settled(before)
            by_key.append(self.below_bar(before))
        self.load(self.server.url)
        self.show("tripod.ply")
        before = self.browser.screenshot()
        for key in keys:
            self.browser.click(*self.tool(key))
            before = self.settled(before)
            by_button.append(self.below_bar(before))
            self.assertTrue(self.browser.evaluate("document.activeElement === document.body"),
                            f"the {key} button keeps the focus")
        for key, key_picture, button_picture in zip(keys, by_key, by_button):
            self.assertTrue(key_picture == button_picture, f"the {key} button and its key")

    def test_c_colours_by_a_property_with_its_legend(self):
        self.show("measured.ply", "s")
        before = self.browser.screenshot()
        self.browser.press("c")
        coloured = self.settled(before)
        yellow = lambda r, g, b: r > 180 and g > 180 and b < 120  # noqa: E731
        purple = lambda r, g, b: b > g + 30 and r > g and g < 60  # noqa: E731
        self.assertGreater(coloured.count(yellow), MIN_LETTER_PIXELS * 10, "the high end")
        self.assertGreater(coloured.count(purple), MIN_LETTER_PIXELS * 10, "the low end")
        top = self.bar_bottom()
        legend = sum(1 for y in range(top, top + PANEL_ROWS) for x in range(WIDTH - PANEL_COLUMNS,
                                                                               WIDTH)
                     if max(coloured.pixel(x, y)) < DARK_BELOW)
        self.assertGreater(legend, MIN_LETTER_PIXELS, "the legend's name and high value")

    def test_i_shows_the_panel_below_the_bar_and_its_button_hides_it(self):
        def letters(picture):  # dark pixels of the panel's first lines, just below the bar
            top = self.bar_bottom()
            return sum(1 for y in range(top, top + PANEL_ROWS) for x in range(PANEL_COLUMNS)
                       if max(picture.pixel(x, y)) < DARK_BELOW)

        self.show("tripod.ply")
        first = self.settled()
        self.assertEqual(letters(first), 0)
        self.browser.press("i")
        panel = self.settled(first)
        self.assertGreater(letters(panel), MIN_LETTER_PIXELS)
        self.browser.click(*self.tool("i"))
        self.assertTrue(self.below_bar(self.settled(panel)) == self.below_bar(first),
                        "the info button hides the panel again")

    def test_control_click_and_the_measure_button_mark_and_measure(self):
        # The blue tile's corners are vertices: a click near one marks that corner exactly.
        self.show("tiles.ply", "s")
        (x, y), (width, height) = self.spot(self.browser.screenshot())
        corner = (round(x - width / 2), round(y + height / 2))  # its lower left
        marks = "document.getElementById('marks').textContent"
        self.browser.click(*corner, control=True)
        self.browser.wait_for(f"{marks}.startsWith('point 1:')", STEP_S, "the first mark")
        size = 2 / TILES_PER_SIDE
        expected = (-1 + BLUE_TILE[0] * size, -1 + BLUE_TILE[1] * size, 0)
        numbers = [float(n) for n in self.text("#marks").split()[2:5]]
        for got, want in zip(numbers, expected):
            self.assertAlmostEqual(got, want, delta=0.01, msg=self.text("#marks"))
        # The measure button: a plain click marks the second point, with the distance.
        self.browser.click(*self.middle_of("#measure"))
        self.browser.click(round(x + width / 2), round(y - height / 2))  # the upper right
        self.browser.wait_for(f"{marks}.includes('distance:')", STEP_S, "the distance")
        distance = float(self.text("#marks").split("distance:")[1])
        self.assertAlmostEqual(distance, size * 2 ** 0.5, delta=0.01 * size)
        self.browser.arrow("Delete")
        self.browser.wait_for(f"{marks} === 'marks cleared'", STEP_S, "the marks cleared")

    def test_help_lists_every_key_and_gesture(self):
        shown = "!document.getElementById('help').hidden"
        self.assertFalse(self.browser.evaluate(shown))
        self.assertIn("?: help", self.text("#title"))
        keys = self.browser.evaluate(
            "Array.from(document.querySelectorAll('#help kbd'), k => k.textContent)")
        self.assertEqual(HELP_KEYS - set(keys), set())
        for gesture in HELP_GESTURES:
            self.assertIn(gesture, self.text("#help"))
        # Opened by the key and by the button; closed by the key and by a click on it.
        key = lambda: self.browser.press("?")  # noqa: E731
        for open_it, close_it in ((key, key), (lambda: self.browser.click(*self.tool("?")),
                                               lambda: self.browser.click(*CENTRE))):
            open_it()
            self.browser.wait_for(shown, STEP_S, "the help")
            close_it()
            self.browser.wait_for(f"!({shown})", STEP_S, "the help closed")

    def test_fingers_turn_zoom_pan_and_centre(self):
        # One finger turns as a left drag does; two spreading about the blue tile zoom towards
        # it; two moving together pan; a double tap centres the point under it.
        self.browser.enable_touch(True)
        try:
            self.load(self.server.url)
            self.show("tiles.ply", "s")
            rest = self.browser.screenshot()
            (x, y), (width, _) = self.spot(rest)
            x, y = round(x), round(y)
            self.browser.drag((x, y), (x + 60, y + 30), 6)
            dragged = self.settled(rest)
            self.browser.press("0")
            self.settled(dragged)
            for step in range(7):
                self.browser.touch((x + 10 * step, y + 5 * step))
            self.browser.touch()
            picture = self.settled(rest)
            self.assertTrue(self.below_bar(picture) == self.below_bar(dragged),
                            "one finger turns as a left drag")

            self.browser.press("0")
            picture = self.settled(picture)
            for spread in range(20, 55, 5):
                self.browser.touch((x - spread, y), (x + spread, y))
            self.browser.touch()
            picture = self.settled(picture)
            place, (wider, _) = self.spot(picture)
            self.assertGreater(wider, 2 * width)  # the fingers' span from 40 to 100 pixels
            self.assertNear(place, (x, y), "the blue tile after the pinch")

            for step in range(6):
                self.browser.touch((x - 40 + 8 * step, y - 4 * step),
                                   (x + 40 + 8 * step, y - 4 * step))
            self.browser.touch()
            picture = self.settled(picture)
            self.assertNear(offset(place, self.spot(picture)[0]), (40, -20), "moved by")

            (x, y), _ = self.spot(picture)
            for _ in range(2):
                self.browser.touch((round(x), round(y)))
                self.browser.touch()
            picture = self.settled(picture)
            self.assertNear(self.spot(picture)[0], CENTRE, "the blue tile after a double tap")
        finally:
            self.browser.enable_touch(False)


if __name__ == "__main__":
    if len(sys.argv) < 2 or not os.path.isdir(sys.argv[1]):
        sys.exit("usage: test_page.py PAGE_FOLDER [unittest options]")
    PAGE_FOLDER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
