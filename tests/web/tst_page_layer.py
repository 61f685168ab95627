"""The page's reader layer in headless Chromium: each of its cells lies over the cell drawn,
named as the game names it, and a cell the reader focuses by itself is where Space plays; it
shows nothing a sighted player could see, nor does the page around the game's windows; and
whatever a screen reader can reach in it, focused and scrolled to, moves nothing, so a click
lands on the cell drawn under the pointer.
    python3 tests/web/tst_page_layer.py PAGE_FOLDER [SCREENSHOT_FOLDER]
"""

import os
import sys
import unittest

from PIL import Image, ImageChops, ImageDraw
from selenium.webdriver.common.actions.action_builder import ActionBuilder

from webpage import Board, chromium, main_window_box, read_mark, screenshot, served, wait_for

PAGE = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
SHOTS = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "web-test"
SIDE = 14
FIRST_REPLY = 90
READER_MOVED = 2 * SIDE + 2

# The layer's cells: their names and their boxes in CSS pixels.
LAYER_CELLS = """
    return [...document.querySelectorAll("#reader [role=toolbar] [role=button]")].map(e => {
        const r = e.getBoundingClientRect();
        return [e.textContent, r.left, r.top, r.right, r.bottom];
    });
"""

# The boxes of the game's windows in Qt's screen, their title bars and frames included, in
# CSS pixels.
WINDOWS = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    return [...root.querySelectorAll(".qt-window")].map(w => {
        const r = w.getBoundingClientRect();
        return [r.left, r.top, r.right - 1, r.bottom - 1];
    });
"""
BACKGROUND = (0x3b, 0x47, 0x54)  # the page's, index.html
STATUS_LINE = """
    const r = document.querySelector("#reader [role=status]").getBoundingClientRect();
    return [r.left, r.top, r.right, r.bottom];
"""

# Everything in the layer a reader can reach, focused and scrolled into view as a reader's
# navigation would; then every scroll position on the page and in Qt's screen.
REACH_ALL = """
    for (const e of document.querySelectorAll("#reader *")) {
        e.scrollIntoView({block: "center", inline: "center"});
        if (e.tabIndex >= -1 && e.matches("[tabindex]"))
            e.focus();
    }
    document.querySelector("#reader [role=status]").scrollIntoView();
    return SCROLLS();
"""
SCROLLS = """
    function SCROLLS() {
        const scrolled = [];
        const walk = root => {
            for (const e of root.querySelectorAll("*")) {
                if (e.scrollTop || e.scrollLeft)
                    scrolled.push([e.id || e.className || e.tagName, e.scrollLeft, e.scrollTop]);
                if (e.shadowRoot)
                    walk(e.shadowRoot);
            }
        };
        walk(document);
        return [window.scrollX, window.scrollY, scrolled];
    }
"""


def name_of(index, mark):
    row, column = divmod(index, SIDE)
    return "ряд %d, столбец %d, %s" % (row + 1, column + 1, mark or "пусто")


class LayerTest(unittest.TestCase):
    def open_page(self, driver, url):
        driver.get(url)
        self.dpr = driver.execute_script("return window.devicePixelRatio")
        scale = driver.execute_script("return window.zorbunyScale")

        def ready():
            box = main_window_box(self.browser, self.dpr)
            cells = driver.execute_script(LAYER_CELLS)
            return box and len(cells) == SIDE * SIDE and Board(box, self.dpr * scale)
        board = wait_for("the board and the layer's cells", ready)
        # Qt draws a moment after it lays out.
        wait_for("the drawn board", lambda: sum(screenshot(self.browser).getpixel(
            tuple(int(v) for v in board.centre(195, 1)))) > 3 * 180)
        return board

    def layer_names(self, driver):
        return [cell[0] for cell in driver.execute_script(LAYER_CELLS)]

    def click(self, driver, board, cell):
        x, y = board.centre(cell, self.dpr)
        click = ActionBuilder(driver)
        click.pointer_action.move_to_location(int(x), int(y))
        click.pointer_action.click()
        click.perform()

    def test_cells_lie_over_the_drawn_ones(self):
        with served(PAGE) as site, chromium() as browser:
            url, driver, self.browser = site.url, browser.driver, browser
            board = self.open_page(driver, url)
            cells = driver.execute_script(LAYER_CELLS)
            for index, (name, left, top, right, bottom) in enumerate(cells):
                drawn = [v / self.dpr for v in board.cell(index)]
                self.assertEqual(name, name_of(index, ""))
                for seen, expected in zip((left, top, right, bottom), drawn):
                    self.assertAlmostEqual(seen, expected, delta=1.0, msg=(index, cells[index]))
            # Named afresh as the game moves: the X where it was clicked, the computer's reply.
            self.click(driver, board, 0)
            wait_for("the layer's names after a move", lambda: self.layer_names(driver)[
                FIRST_REPLY].endswith(", O"), timeout=10)
            names = self.layer_names(driver)
            expected = [name_of(i, "") for i in range(SIDE * SIDE)]
            expected[0] = name_of(0, "X")
            self.assertEqual([n for i, n in enumerate(names) if i not in (0, FIRST_REPLY)],
                             [n for i, n in enumerate(expected) if i not in (0, FIRST_REPLY)])
            # The cell that took the game's focus says the X before its own name, and is the
            # board's one stop for Tab.
            self.assertEqual(names[FIRST_REPLY], name_of(0, "X") + ". " + name_of(FIRST_REPLY, "O"))
            self.assertEqual(driver.execute_script(
                "return document.querySelector('#reader [tabindex=\"0\"]').textContent"),
                names[FIRST_REPLY])
            # A reader that moves the browser's focus by itself (browse mode, a touch reader)
            # takes the game's with it: Space plays there, not on the cell focused before.
            driver.execute_script("document.querySelectorAll('#reader [data-kind=cell]')[%d].focus()"
                                  % READER_MOVED)
            browser.keys(" ")
            wait_for("the X where the reader moved", lambda: read_mark(
                screenshot(browser), board.cell(READER_MOVED), board.scale) == "X", timeout=10)

    def test_nothing_shows(self):
        with served(PAGE) as site, chromium() as browser:
            url, driver, self.browser = site.url, browser.driver, browser
            board = self.open_page(driver, url)
            self.click(driver, board, 0)
            wait_for("the reply", lambda: read_mark(screenshot(self.browser), board.cell(FIRST_REPLY),
                                                     board.scale) == "O", timeout=10)
            with_layer = screenshot(self.browser)
            driver.execute_script("document.getElementById('reader').style.display = 'none'")
            without = screenshot(self.browser)
            driver.execute_script("document.getElementById('reader').style.display = ''")
            # The status line left out: the game's clock may tick between the two shots.
            line = [int(v * self.dpr) for v in driver.execute_script(STATUS_LINE)]
            without.paste(with_layer.crop(line), line[:2])
            with_layer.save(os.path.join(SHOTS, "layer-shown.png"))
            self.assertIsNone(ImageChops.difference(with_layer, without).getbbox())
            # Around the game's windows the page's background, darkened by their shadows alone:
            # nothing in the page's light text, neither what the reader was told as the game
            # started nor the game's words on a refused move.
            self.click(driver, board, FIRST_REPLY)
            wait_for("the refused move said", lambda: driver.execute_script(
                "return document.getElementById('said').textContent"), timeout=10)
            page = screenshot(self.browser)
            page.save(os.path.join(SHOTS, "layer-page.png"))
            for box in driver.execute_script(WINDOWS):
                ImageDraw.Draw(page).rectangle([v * self.dpr for v in box], fill=BACKGROUND)
            self.assertIsNone(ImageChops.subtract(page, Image.new("RGB", page.size, BACKGROUND))
                              .getbbox())

    def test_clicks_land_where_drawn_after_the_reader_went_everywhere(self):
        with served(PAGE) as site, chromium() as browser:
            url, driver, self.browser = site.url, browser.driver, browser
            board = self.open_page(driver, url)
            before = main_window_box(self.browser, self.dpr)
            x, y, scrolled = driver.execute_script(SCROLLS + REACH_ALL)
            self.assertEqual((x, y, scrolled), (0, 0, []))
            self.assertEqual(main_window_box(self.browser, self.dpr), before)
            # Row 10 as well, where a shifted screen once put the X a row higher; a cell the
            # computer took meanwhile is left out.
            marks, seen = {}, {}

            def landed():
                image = screenshot(self.browser)
                seen.update({c: read_mark(image, board.cell(c), board.scale)
                             for c in range(SIDE * SIDE)})
                return {c: m for c, m in seen.items() if m == "X"} == marks
            for cell in (0, 9 * SIDE + 6, 13, 195):
                if seen.get(cell):
                    continue
                self.click(driver, board, cell)
                marks[cell] = "X"
                try:
                    wait_for("the X on cell %d" % cell, landed, timeout=10)
                except AssertionError:
                    self.assertEqual({c: m for c, m in seen.items() if m == "X"}, marks)
                x, y, scrolled = driver.execute_script(SCROLLS + REACH_ALL)
                self.assertEqual((x, y, scrolled), (0, 0, []))
            self.assertGreaterEqual(len(marks), 3)
            screenshot(self.browser).save(os.path.join(SHOTS, "layer-clicks.png"))


if __name__ == "__main__":
    if not PAGE or not os.path.isfile(os.path.join(PAGE, "index.html")):
        sys.exit("usage: tst_page_layer.py PAGE_FOLDER (a folder made by make web)")
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(verbosity=2)
