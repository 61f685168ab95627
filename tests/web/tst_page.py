"""The game's web page in headless Chromium and Firefox: drawn, played with
the mouse and the keyboard to the computer's win in red on a locked board, its
dialogs opened and closed with both titles readable and in the page's sans,
left through «Выход», every text on it and the page's own readable, in the
browser's light colours and in its dark ones, which Qt follows; kept by its
service worker, the build downloaded once, and played again with the server
gone; replaced whole by a new build, never by half of one; and not one error
on the console. In Chromium also: played with a finger on a phone, and its
manifest judged installable.
    python3 tests/web/tst_page.py PAGE_FOLDER [SCREENSHOT_FOLDER] [unittest options]
"""

import json
import os
import re
import runpy
import shutil
import sys
import tempfile
import types
import unittest

from PIL import Image

from webpage import (BROWSERS, Board, contrast, luminance, main_window_box, pixels, read_face,
                     read_mark, screenshot, served, wait_for)

PAGE = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
SHOTS = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "web-test"
WINDOW_WIDTH = 360  # the main window's width in Qt's logical pixels
FIRST_REPLY = 90  # the computer's first O: row 6, column 6
SIDE = 14
# X's moves that never threaten: corners first, then along the edges, apart.
# Whatever the computer draws from its equal choices, it has won by the fifth.
QUIET_MOVES = (0, 13, 182, 195, 2, 11, 184, 193, 4, 9, 186, 191)

# Each title's colour, the opacity it is drawn with, and its window's colour
# behind it, as the browser computed them.
TITLE_COLOURS = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    const rgb = colour => colour.match(/[\\d.]+/g).slice(0, 3).map(Number);
    return [...root.querySelectorAll(".qt-window.has-title")].map(w => {
        const name = w.querySelector(".window-name");
        let opacity = 1;
        for (let e = name; e !== w; e = e.parentElement)
            opacity *= Number(getComputedStyle(e).opacity);
        return [name.textContent, w.classList.contains("inactive"),
                rgb(getComputedStyle(name).color), opacity, rgb(getComputedStyle(w).backgroundColor)];
    });
"""


# Which font each window title is drawn in, told by widths: a copy of the
# title showing letters whose widths differ much between DejaVu Sans and a
# serif, its width as drawn, and the widths the browser gives it in each.
TITLE_FONTS = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    const context = document.createElement("canvas").getContext("2d");
    const probe = "rrrrriiiii";
    return [...root.querySelectorAll(".qt-window.has-title .window-name")].map(name => {
        const copy = name.cloneNode();
        copy.textContent = probe;
        name.after(copy);
        const range = document.createRange();
        range.selectNodeContents(copy);
        const drawn = range.getBoundingClientRect().width, size = getComputedStyle(copy).fontSize;
        copy.remove();
        const width = family => { context.font = size + " " + family; return context.measureText(probe).width; };
        return [name.textContent, drawn, width('"DejaVu Sans"'), width("serif")];
    });
"""

# Each Qt window's title ("" for a menu) and its canvas in CSS pixels.
CANVASES = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    return [...root.querySelectorAll(".qt-window")].map(w => {
        const r = w.querySelector("canvas").getBoundingClientRect();
        const title = w.classList.contains("has-title") ? w.querySelector(".window-name").textContent : "";
        return [title.trim(), r.left, r.top, r.right, r.bottom];
    });
"""

# The page's own texts around the game, their colours and the page's behind them.
PAGE_TEXTS = """
    const rgb = colour => colour.match(/[\\d.]+/g).slice(0, 3).map(Number);
    const behind = rgb(getComputedStyle(document.body).backgroundColor);
    return [...document.querySelectorAll("#said, .note, .note a")].map(
        e => [e.id || e.tagName, rgb(getComputedStyle(e).color), behind]);
"""

# The service worker's state: whether it controls the page, and the caches
# with the files each holds. The state is the registration's: Firefox may leave
# the controller it handed the page at "activating" until the page asks anew.
KEPT = """
    const worker = navigator.serviceWorker.controller &&
        (await navigator.serviceWorker.getRegistration())?.active;
    const kept = {};
    for (const name of await caches.keys())
        kept[name] = (await (await caches.open(name)).keys()).map(r => new URL(r.url).pathname.slice(1));
    return [worker ? worker.state : null, kept];
"""

# The SHA-256 of each file as the page now gets it (through the worker).
SUMS_SEEN = """
    const hex = b => [...new Uint8Array(b)].map(x => x.toString(16).padStart(2, "0")).join("");
    const sums = {};
    for (const name of %s)
        sums[name] = hex(await crypto.subtle.digest("SHA-256", await (await fetch(name)).arrayBuffer()));
    return sums;
"""

# Has the browser look for a new worker now: what became of the one it found
# ("activated", or "redundant" when its install failed), or null for none.
UPDATE = """
    const registration = await navigator.serviceWorker.getRegistration();
    const found = new Promise(resolve => registration.addEventListener(
        "updatefound", () => resolve(registration.installing), {once: true}));
    await registration.update();
    const worker = await Promise.race([found, new Promise(resolve => setTimeout(resolve, 30000, null))]);
    if (!worker)
        return null;
    await new Promise(resolve => {
        const settled = () => ["activated", "redundant"].includes(worker.state) && resolve();
        worker.addEventListener("statechange", settled);
        settled();
    });
    return worker.state;
"""

def page_tool(name):
    """The page's service worker writer as it ships in the relink kit. Run from
    its source, it leaves no __pycache__ among the released files."""
    return types.SimpleNamespace(**runpy.run_path(os.path.join(PAGE, "relink", name + ".py")))


def next_build(page, folder):
    """A copy of the page as another build of it would be: its page, script
    and wasm each changed (the wasm by a custom section, which changes no
    code), and a service worker of its own."""
    shutil.copytree(page, folder, ignore=shutil.ignore_patterns("build", "qt-source", "relink", "licences"))
    with open(os.path.join(folder, "index.html"), encoding="utf-8") as f:
        html = f.read()
    with open(os.path.join(folder, "index.html"), "w", encoding="utf-8") as f:
        f.write(html.replace("<head>\n", '<head>\n<meta name="build" content="next">\n', 1))
    with open(os.path.join(folder, "zorbuny.js"), "a") as f:
        f.write("\n// the next build\n")
    name = b"zorbuny-next"
    with open(os.path.join(folder, "zorbuny.wasm"), "ab") as f:
        f.write(bytes([0, len(name) + 1, len(name)]) + name)
    return page_tool("service_worker").write(folder)


def icon_pixels():
    """The game's 16-pixel icon from resources/icon.xpm: rows of RGBA."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "icon.xpm")
    with open(path) as f:
        lines = re.findall(r'"([^"]*)"', f.read())
    width, height, colours, _ = map(int, lines[0].split())
    palette = {}
    for line in lines[1:1 + colours]:
        key, value = line[0], line.split()[-1]
        palette[key] = (0, 0, 0, 0) if value == "None" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5)) + (255,)
    return [[palette[c] for c in row] for row in lines[1 + colours:1 + colours + height]]



class PageChecks:
    """What the page does in every browser it is tested in: a subclass names
    the browser."""

    browser_name = None

    def open_browser(self, dark=False):
        return BROWSERS[self.browser_name](dark=dark)

    def shot(self, name):
        return os.path.join(SHOTS, "%s-%s.png" % (self.browser_name, name))

    def drawn_board(self, browser, dark=False):
        """The board, once the main window shows it drawn (in the dark palette)."""
        self.dpr = browser.run("return window.devicePixelRatio")
        self.scale = browser.run("return window.zorbunyScale")
        device_scale = self.dpr * self.scale
        expected = WINDOW_WIDTH * device_scale

        def drawn():
            box = main_window_box(browser, self.dpr)
            if not box or abs((box[2] - box[0]) - expected) > 2 * device_scale:
                return None
            image = screenshot(browser)
            board = Board(box, device_scale)
            # Drawn, not merely laid out: every cell shows an empty face, light, or
            # on the dark palette a grey lighter than the window's own (50).
            for cell in (0, 13, 182, 195):
                left, top, right, bottom = board.cell(cell)
                face = image.getpixel((int(left + right) // 2, int(top + bottom) // 2))
                light = sum(face) >= 3 * 180
                grey = max(face) - min(face) <= 2 and face[0] > 55
                if not (grey and not light if dark else light):
                    return None
            return board
        return wait_for("the drawn board", drawn)

    def open_page(self, browser, url, dark=False):
        browser.goto(url)
        return self.drawn_board(browser, dark)

    def marks(self, browser, board, name, faces=None):
        image = screenshot(browser)
        image.save(self.shot(name))
        if faces is not None:
            faces.clear()
            faces.update({cell: face for cell in range(196)
                          if (face := read_face(image, board.cell(cell), board.scale))})
        return {cell: mark for cell in range(196)
                if (mark := read_mark(image, board.cell(cell), board.scale))}

    def click(self, browser, board, cell):
        browser.click(*board.centre(cell, self.dpr))

    def play_until_computer_wins(self, browser, board, shown, name):
        """X's quiet moves, each answered by one O, until the computer's line
        shows red: the marks and the painted cells then."""
        faces, seen = {}, {}
        for cell in QUIET_MOVES:
            if cell in shown:
                continue
            self.click(browser, board, cell)
            replies = sum(mark == "O" for mark in shown.values()) + 1

            def replied():
                seen.update(marks=self.marks(browser, board, name, faces))
                now = seen["marks"]
                return (now.get(cell) == "X" and shown.items() <= now.items()
                        and sum(mark == "O" for mark in now.values()) == replies)
            wait_for("the reply to X on cell %d" % cell, replied, timeout=10)
            shown = seen["marks"]
            if faces:
                return shown, faces
        self.fail("the computer had not won after X on %s" % (QUIET_MOVES,))

    def assertWonLine(self, marks, faces, mark, colour):
        """The painted cells are one straight, unbroken line of at least five
        of mark, all in colour."""
        cells = sorted(faces)
        self.assertGreaterEqual(len(cells), 5, faces)
        self.assertEqual({faces[c] for c in cells}, {colour})
        self.assertEqual({marks.get(c) for c in cells}, {mark}, (cells, marks))
        rows, columns = zip(*(divmod(c, SIDE) for c in cells))
        step = (rows[1] - rows[0], columns[1] - columns[0])
        self.assertIn(step, ((0, 1), (1, 0), (1, 1), (1, -1)), cells)
        for (r0, c0), (r1, c1) in zip(zip(rows, columns), zip(rows[1:], columns[1:])):
            self.assertEqual((r1 - r0, c1 - c0), step, cells)

    def assertTitlesReadable(self, browser, windows):
        """Each window's title, active or not, at least 4.5:1 against its bar,
        and drawn in DejaVu Sans, the page's own font, not a serif."""
        titles = browser.run(TITLE_COLOURS)
        self.assertEqual(sorted(t[0] for t in titles), sorted(windows))
        self.assertIn(True, [t[1] for t in titles])  # one of them inactive
        for name, _, colour, opacity, background in titles:
            seen = [opacity * c + (1 - opacity) * b for c, b in zip(colour, background)]
            self.assertGreaterEqual(contrast(seen, background), 4.5, (name, colour, opacity))
        fonts = browser.run(TITLE_FONTS)
        self.assertEqual(sorted(f[0] for f in fonts), sorted(windows))
        for text, drawn, sans, serif in fonts:
            self.assertGreater(abs(sans - serif), 3, (text, sans, serif))  # the two tell apart
            self.assertAlmostEqual(drawn, sans, delta=1.5, msg=(text, drawn, sans, serif))

    def assertReadable(self, image, parts):
        """In each part of the screenshot, named: (box, margin), the text at
        least 4.5:1 against what is behind it. Behind is the commonest colour
        inside the margin, the text the one standing out from it most."""
        for name, (box, margin) in parts.items():
            crop = image.crop([int(v) + m for v, m in zip(box, (margin, margin, -margin, -margin))])
            colours = crop.getcolors(crop.width * crop.height)
            behind = max(colours)[1]
            text = max(colours, key=lambda c: contrast(c[1], behind))[1]
            self.assertGreaterEqual(contrast(text, behind), 4.5, (name, text, behind))

    def window_shown(self, browser, title, name):
        """The Qt window's canvas in device pixels, once drawn (not one
        colour): its screenshot, kept under name, and the box."""
        seen = {}

        def drawn():
            boxes = {t: [v * self.dpr for v in box] for t, *box in browser.run(CANVASES)}
            if title not in boxes:
                return False
            seen.update(image=screenshot(browser), box=boxes[title])
            return len(seen["image"].crop([int(v) for v in boxes[title]]).getcolors(1 << 16)) > 1
        wait_for("the window %r drawn" % title, drawn, timeout=10)
        seen["image"].save(self.shot(name))
        return seen["image"], seen["box"]

    def wait_for_marks(self, browser, board, expected, name, expected_faces=None):
        seen, faces = {}, {}

        def arrived():
            seen.update(marks=self.marks(browser, board, name, faces))
            return seen["marks"] == expected and expected_faces in (None, faces)
        try:
            wait_for("the marks %s" % expected, arrived, timeout=10)
        except AssertionError:
            self.assertEqual(seen.get("marks"), expected)
            self.assertEqual(faces, expected_faces)

    def assertNoConsoleErrors(self, browser):
        self.assertEqual(browser.console_errors(), [])

    def assertAllFromPage(self, browser, url):
        fetched = browser.run("return performance.getEntriesByType('resource').map(e => e.name)")
        self.assertTrue(any(name.endswith("zorbuny.wasm") for name in fetched), fetched)
        self.assertEqual([name for name in fetched if not name.startswith(url)], [])

    def wait_kept(self, browser, cache):
        """Waits until the page's worker controls it and keeps exactly this
        build's files, in the cache named after them."""
        files = sorted(page_tool("service_worker").FILES)
        seen = {}

        def kept():
            seen["state"] = state = browser.run(KEPT)
            return state[0] == "activated" and list(state[1]) == [cache] and sorted(state[1][cache]) == files
        try:
            wait_for("the page kept for offline play", kept, timeout=30)
        except AssertionError:
            self.assertEqual(seen.get("state"), ["activated", {cache: files}])

    def test_desktop_mouse_and_keyboard(self):
        """Played to the computer's win with the mouse and the menus' keys, in
        the browser's light colours and under its dark preference, which Qt
        follows with its dark palette: every text the game shows (marks, the
        status line, the menus, both dialogs) and the page's own around it
        reads at 4.5:1 or more, and the computer's line is red in both."""
        for colours in ("light", "dark"):
            with self.subTest(colours=colours):
                self.play_on_desktop(colours)

    def play_on_desktop(self, colours):
        dark = colours == "dark"
        with served(PAGE) as site, self.open_browser(dark) as browser:
            board = self.open_page(browser, site.url, dark)
            self.assertEqual(self.scale, 1)  # a desktop window shows the game at its own size
            self.assertEqual(self.marks(browser, board, colours + "-empty"), {})

            self.click(browser, board, 0)
            self.wait_for_marks(browser, board, {0: "X", FIRST_REPLY: "O"}, colours + "-played")
            image = screenshot(browser)
            # The palette Qt drew with: the window left of the board, dark only when asked.
            window = image.getpixel((int(board.box[0]) + 4, int(board.client_top) + 4))
            self.assertEqual(luminance(window) < 0.2, dark, window)
            left, status, s = board.box[0], board.client_top + pixels(5280) * board.scale, board.scale
            self.assertReadable(image, {
                "X on a plain cell": (board.cell(0), 3),
                "O on a plain cell": (board.cell(FIRST_REPLY), 3),
                "menu bar": ((left, board.box[1], board.box[2], board.client_top), 1),
                **{name: ((left + pixels(x0) * s, status, left + pixels(x1) * s, board.box[3]), 0)
                   for name, x0, x1 in (("clock", 240, 2520), ("line length", 2520, 4320),
                                        ("move count", 4320, 5400))}})

            # The computer's five in red, and the board locked: a click on an
            # empty cell places nothing.
            marks, faces = self.play_until_computer_wins(
                browser, board, {0: "X", FIRST_REPLY: "O"}, colours + "-won")
            self.assertWonLine(marks, faces, "O", "red")
            self.assertReadable(screenshot(browser), {"O on a red cell": (board.cell(min(faces)), 3)})
            # The page's reader layer has the cell of the last reply say so, after the X.
            self.assertRegex(browser.run(
                "return document.querySelector('#reader [tabindex=\"0\"]').textContent"),
                r"^ряд \d+, столбец \d+, X\. ряд \d+, столбец \d+, O\. Компьютер выиграл$")
            said = "return document.getElementById('said').textContent"
            empty = next(c for c in range(196) if c not in marks)
            self.click(browser, board, empty)
            wait_for("the locked board said", lambda: browser.run(said).endswith(
                ", пусто. Игра окончена"), timeout=10)

            # «Игра» by its access key: its items are enabled whatever the game.
            browser.keys("alt+и")
            image, box = self.window_shown(browser, "", colours + "-menu")
            self.assertReadable(image, {"menu": (box, 1)})
            browser.keys("\ue00c")
            # «Справка», «Правила игры» and «О программе», each closed by Enter on OK:
            # the texts right of the picture and above OK, and OK (in dialog pixels).
            for name, keys, title, text, ok in (
                    ("rules", ("alt+с", "п"), "Правила игры Зорбуны", (0, 0, 278, 352), (99, 352, 180, 377)),
                    ("about", ("alt+с", "о"), "О программе Зорбуны", (64, 0, 280, 104), (108, 104, 181, 129))):
                browser.keys(*keys)
                image, box = self.window_shown(browser, title, colours + "-" + name)
                at = lambda part: [box[i % 2] + v * self.dpr for i, v in enumerate(part)]
                self.assertReadable(image, {title: (at(text), 0), title + " OK": (at(ok), 3)})
                if name == "about":
                    self.assertTitlesReadable(browser, [" Игра Зорбуны", " " + title])
                browser.keys("Enter")
                wait_for("the dialog to close", lambda: title not in
                         [shown for shown, *_ in browser.run(CANVASES)], timeout=10)
            # The game behind them is as it was.
            self.wait_for_marks(browser, board, marks, colours + "-after-dialogs", faces)
            self.assertAllFromPage(browser, site.url)

            # «Игра», «Выход»: the page says the game has ended, readably.
            browser.keys("alt+и", "в")
            shown = """const e = id => document.getElementById(id);
                return [e("ended").checkVisibility(), e("ended").innerText, e("screen").checkVisibility()];"""
            wait_for("the page to say the game has ended", lambda: browser.run(shown)[0], timeout=10)
            _, text, screen = browser.run(shown)
            self.assertIn("Игра окончена", text)
            self.assertFalse(screen)
            screenshot(browser).save(self.shot(colours + "-ended"))
            for name, colour, behind in browser.run(PAGE_TEXTS):
                self.assertGreaterEqual(contrast(colour, behind), 4.5, name)
            self.assertNoConsoleErrors(browser)

    def test_offline(self):
        cache = page_tool("service_worker").cache_name(page_tool("service_worker").sums(PAGE))
        with self.open_browser() as browser:
            with served(PAGE) as site:
                self.open_page(browser, site.url)
                self.wait_kept(browser, cache)
                # The build (its bulk, the wasm) downloaded once: the worker, which comes once
                # the game runs, finds the browser's copies current and keeps them.
                self.assertEqual(site.whole.count("zorbuny.wasm"), 1, site.whole)
            # The server gone, as with no network: the page comes from what was kept.
            browser.reload()
            board = self.drawn_board(browser)
            self.assertEqual(self.marks(browser, board, "offline-empty"), {})
            self.click(browser, board, 0)
            self.wait_for_marks(browser, board, {0: "X", FIRST_REPLY: "O"}, "offline-played")
            self.assertNoConsoleErrors(browser)
            # Truly offline: what the worker does not keep cannot be had.
            self.assertFalse(browser.run(
                "try { await fetch('LICENCES.txt'); return true; } catch (e) { return false; }"))

    def test_update(self):
        """A new build replaces the kept one whole on the next visit online;
        a release half copied to the server changes nothing kept."""
        tool = page_tool("service_worker")
        files = list(tool.FILES)
        old_sums = tool.sums(PAGE)
        with tempfile.TemporaryDirectory(prefix="zorbuny-update-") as work, self.open_browser() as browser:
            live, staged = os.path.join(work, "live"), os.path.join(work, "next")
            shutil.copytree(PAGE, live, ignore=shutil.ignore_patterns("build", "qt-source", "relink", "licences"))
            new_cache = next_build(PAGE, staged)
            new_sums = tool.sums(staged)
            self.assertTrue(all(new_sums[f] != old_sums[f] for f in ("index.html", "zorbuny.js", "zorbuny.wasm")))
            seen_sums = SUMS_SEEN % json.dumps(files)
            with served(live) as site:
                self.open_page(browser, site.url)
                self.wait_kept(browser, tool.cache_name(old_sums))

                # The new worker, page and script copied, the wasm not yet.
                for name in ("sw.js", "index.html", "zorbuny.js"):
                    shutil.copy(os.path.join(staged, name), live)
                self.assertEqual(browser.run(UPDATE), "redundant")
                browser.reload()
                self.drawn_board(browser)
                self.assertEqual(browser.run(seen_sums), old_sums)
                self.wait_kept(browser, tool.cache_name(old_sums))

                # The whole release there: the next visit fetches it, the one
                # after runs it, and the old build's files are gone.
                shutil.copy(os.path.join(staged, "zorbuny.wasm"), live)
                browser.reload()
                self.drawn_board(browser)
                self.wait_kept(browser, new_cache)
                browser.reload()
                board = self.drawn_board(browser)
                self.assertEqual(browser.run("return document.querySelector('meta[name=build]')?.content"), "next")
                self.assertEqual(browser.run(seen_sums), new_sums)
                self.click(browser, board, 0)
                self.wait_for_marks(browser, board, {0: "X", FIRST_REPLY: "O"}, "update-played")
                self.assertNoConsoleErrors(browser)


class InChromium(PageChecks, unittest.TestCase):
    browser_name = "chromium"

    def test_installable(self):
        """The manifest's fields, its icons drawn from the game's own, and
        Chromium's word that the page can be installed as an app."""
        with open(os.path.join(PAGE, "manifest.webmanifest"), encoding="utf-8") as f:
            manifest = json.load(f)
        self.assertEqual({key: manifest[key] for key in (
            "name", "short_name", "lang", "start_url", "display", "background_color", "theme_color")},
            {"name": "Зорбуны", "short_name": "Зорбуны", "lang": "ru", "start_url": "./",
             "display": "standalone", "background_color": "#3b4754", "theme_color": "#3b4754"})
        with open(os.path.join(PAGE, "index.html"), encoding="utf-8") as f:
            html = f.read()
        self.assertIn("background: %s;" % manifest["background_color"], html)
        self.assertEqual(sorted((i["sizes"], i["type"]) for i in manifest["icons"]),
                         [("192x192", "image/png"), ("512x512", "image/png")])
        drawing = icon_pixels()
        for icon in manifest["icons"]:
            image = Image.open(os.path.join(PAGE, icon["src"]))
            size = int(icon["sizes"].split("x")[0])
            self.assertEqual((image.format, image.size), ("PNG", (size, size)))
            image = image.convert("RGBA")
            step = size // len(drawing)
            # Every pixel of the drawing, enlarged whole: sample each block's corners.
            for y, row in enumerate(drawing):
                for x, colour in enumerate(row):
                    for dx, dy in ((0, 0), (step - 1, step - 1)):
                        got = image.getpixel((x * step + dx, y * step + dy))
                        self.assertEqual(got if colour[3] else got[3], colour if colour[3] else 0,
                                         (icon["src"], x, y))

        with served(PAGE) as site, self.open_browser() as browser:
            self.open_page(browser, site.url)
            driver = browser.driver
            seen = driver.execute_cdp_cmd("Page.getAppManifest", {})
            self.assertEqual(seen["errors"], [])
            self.assertEqual(seen["url"], site.url + "manifest.webmanifest")
            self.assertEqual(driver.execute_cdp_cmd("Page.getInstallabilityErrors", {}),
                             {"installabilityErrors": []})
            self.assertNoConsoleErrors(browser)

    def test_phone_touch(self):
        with served(PAGE) as site, BROWSERS["chromium"](phone=True) as browser:
            board = self.open_page(browser, site.url)
            viewport = browser.run("return document.documentElement.clientWidth")
            # Upright, the window takes the screen's width; a cell stays a finger's target.
            box = board.box
            self.assertAlmostEqual((box[2] - box[0]) / self.dpr, viewport, delta=2)
            cell = board.cell(195)
            self.assertGreaterEqual((cell[2] - cell[0]) / self.dpr, 24)

            # A tap is a click.
            x, y = board.centre(195, self.dpr)
            for kind in ("touchStart", "touchEnd"):
                browser.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                    "type": kind,
                    "touchPoints": [{"x": x, "y": y}] if kind == "touchStart" else []})
            self.wait_for_marks(browser, board, {195: "X", FIRST_REPLY: "O"}, "phone-played")
            self.assertNoConsoleErrors(browser)


class InFirefox(PageChecks, unittest.TestCase):
    browser_name = "firefox"


if __name__ == "__main__":
    if not PAGE or not os.path.isfile(os.path.join(PAGE, "index.html")):
        sys.exit("usage: tst_page.py PAGE_FOLDER (a folder made by make web)")
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(verbosity=2)
