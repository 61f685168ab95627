"""The game's web page in headless Chromium: drawn, played with the mouse, a
finger and the keyboard to the computer's win in red on a locked board, its
About window opened and closed with both titles readable, left through
«Выход», and not one error on the console.
    python3 tests/web/tst_page.py PAGE_FOLDER [SCREENSHOT_FOLDER]
"""

import os
import sys
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from webpage import (Board, chromium, contrast, main_window_box, read_face, read_mark, screenshot,
                     served, wait_for)

PAGE = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
SHOTS = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "web-test"
WINDOW_WIDTH = 360  # the main window's width in Qt's logical pixels
FIRST_REPLY = 90  # the computer's first O: row 6, column 6
SIDE = 14
# X's moves that never threaten: corners first, then along the edges, apart.
# Whatever the computer draws from its equal choices, it has won by the fifth.
QUIET_MOVES = (0, 13, 182, 195, 2, 11, 184, 193, 4, 9, 186, 191)

# The titles of the Qt windows drawn in the page, dialogs' title bars being
# page elements inside the screen's shadow root.
WINDOW_TITLES = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    return [...root.querySelectorAll(".qt-window .window-name")].map(e => e.textContent);
"""

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


class PageTest(unittest.TestCase):
    def open_page(self, driver, url):
        driver.get(url)
        self.dpr = driver.execute_script("return window.devicePixelRatio")
        self.scale = driver.execute_script("return window.zorbunyScale")
        device_scale = self.dpr * self.scale
        expected = WINDOW_WIDTH * device_scale

        def drawn_board():
            box = main_window_box(driver, self.dpr)
            image = screenshot(driver)
            if not box or abs((box[2] - box[0]) - expected) > 2 * device_scale:
                return None
            board = Board(box, device_scale)
            # Drawn, not merely laid out: every cell shows a light, empty face.
            for cell in (0, 13, 182, 195):
                left, top, right, bottom = board.cell(cell)
                if sum(image.getpixel((int(left + right) // 2, int(top + bottom) // 2))) < 3 * 180:
                    return None
            return board
        return wait_for("the drawn board", drawn_board)

    def marks(self, driver, board, name, faces=None):
        image = screenshot(driver)
        image.save(os.path.join(SHOTS, name + ".png"))
        if faces is not None:
            faces.clear()
            faces.update({cell: face for cell in range(196)
                          if (face := read_face(image, board.cell(cell), board.scale))})
        return {cell: mark for cell in range(196)
                if (mark := read_mark(image, board.cell(cell), board.scale))}

    def click(self, driver, board, cell):
        x, y = board.centre(cell, self.dpr)
        click = ActionBuilder(driver)
        click.pointer_action.move_to_location(int(x), int(y))
        click.pointer_action.click()
        click.perform()

    def play_until_computer_wins(self, driver, board, shown):
        """X's quiet moves, each answered by one O, until the computer's line
        shows red: the marks and the painted cells then."""
        faces, seen = {}, {}
        for cell in QUIET_MOVES:
            if cell in shown:
                continue
            self.click(driver, board, cell)
            replies = sum(mark == "O" for mark in shown.values()) + 1

            def replied():
                seen.update(marks=self.marks(driver, board, "desktop-played", faces))
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

    def assertTitlesReadable(self, driver, windows):
        """Each window's title, active or not, at least 4.5:1 against its bar."""
        titles = driver.execute_script(TITLE_COLOURS)
        self.assertEqual(sorted(t[0] for t in titles), sorted(windows))
        self.assertIn(True, [t[1] for t in titles])  # one of them inactive
        for name, _, colour, opacity, background in titles:
            seen = [opacity * c + (1 - opacity) * b for c, b in zip(colour, background)]
            self.assertGreaterEqual(contrast(seen, background), 4.5, (name, colour, opacity))

    def wait_for_marks(self, driver, board, expected, name, expected_faces=None):
        seen, faces = {}, {}

        def arrived():
            seen.update(marks=self.marks(driver, board, name, faces))
            return seen["marks"] == expected and expected_faces in (None, faces)
        try:
            wait_for("the marks %s" % expected, arrived, timeout=10)
        except AssertionError:
            self.assertEqual(seen.get("marks"), expected)
            self.assertEqual(faces, expected_faces)

    def assertNoConsoleErrors(self, driver):
        errors = [entry["message"] for entry in driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])

    def assertAllFromPage(self, driver, url):
        fetched = driver.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name)")
        self.assertTrue(any(name.endswith("zorbuny.wasm") for name in fetched), fetched)
        self.assertEqual([name for name in fetched if not name.startswith(url)], [])

    def test_desktop_mouse_and_keyboard(self):
        with served(PAGE) as url, chromium() as driver:
            board = self.open_page(driver, url)
            self.assertEqual(self.scale, 1)  # a desktop window shows the game at its own size
            self.assertEqual(self.marks(driver, board, "desktop-empty"), {})

            self.click(driver, board, 0)
            self.wait_for_marks(driver, board, {0: "X", FIRST_REPLY: "O"}, "desktop-played")

            # The computer's five in red, and the board locked: a click on an
            # empty cell places nothing. Keys go in order after the click, so
            # once About is open the click has been dealt with.
            marks, faces = self.play_until_computer_wins(driver, board, {0: "X", FIRST_REPLY: "O"})
            self.assertWonLine(marks, faces, "O", "red")
            # The page's reader layer has the cell of the last reply say so, after the X.
            self.assertRegex(driver.execute_script(
                "return document.querySelector('#reader [tabindex=\"0\"]').textContent"),
                r"^ряд \d+, столбец \d+, X\. ряд \d+, столбец \d+, O\. Компьютер выиграл$")
            said = "return document.getElementById('said').textContent"
            empty = next(c for c in range(196) if c not in marks)
            self.click(driver, board, empty)
            wait_for("the locked board said", lambda: driver.execute_script(said).endswith(
                ", пусто. Игра окончена"), timeout=10)

            # «Справка», «О программе» by their access keys, closed by Enter on OK.
            keys = ActionChains(driver)
            keys.key_down(Keys.ALT).send_keys("с").key_up(Keys.ALT).perform()
            ActionChains(driver).send_keys("о").perform()
            wait_for("the About window", lambda: " О программе Зорбуны" in
                     driver.execute_script(WINDOW_TITLES), timeout=10)
            screenshot(driver).save(os.path.join(SHOTS, "desktop-about.png"))
            self.assertTitlesReadable(driver, [" Игра Зорбуны", " О программе Зорбуны"])
            ActionChains(driver).send_keys(Keys.ENTER).perform()
            wait_for("the About window to close", lambda: " О программе Зорбуны" not in
                     driver.execute_script(WINDOW_TITLES), timeout=10)
            # The game behind it is as it was.
            self.wait_for_marks(driver, board, marks, "desktop-after-about", faces)

            self.assertAllFromPage(driver, url)
            self.assertNoConsoleErrors(driver)

            # «Игра», «Выход»: the page says the game has ended.
            ActionChains(driver).key_down(Keys.ALT).send_keys("и").key_up(Keys.ALT).perform()
            ActionChains(driver).send_keys("в").perform()
            ended = driver.find_element(By.ID, "ended")
            wait_for("the page to say the game has ended", ended.is_displayed, timeout=10)
            self.assertIn("Игра окончена", ended.text)
            self.assertFalse(driver.find_element(By.ID, "screen").is_displayed())
            screenshot(driver).save(os.path.join(SHOTS, "desktop-ended.png"))
            self.assertNoConsoleErrors(driver)

    def test_phone_touch(self):
        with served(PAGE) as url, chromium(phone=True) as driver:
            board = self.open_page(driver, url)
            viewport = driver.execute_script("return document.documentElement.clientWidth")
            # Upright, the window takes the screen's width; a cell stays a finger's target.
            box = board.box
            self.assertAlmostEqual((box[2] - box[0]) / self.dpr, viewport, delta=2)
            cell = board.cell(195)
            self.assertGreaterEqual((cell[2] - cell[0]) / self.dpr, 24)

            # A tap is a click.
            x, y = board.centre(195, self.dpr)
            for kind in ("touchStart", "touchEnd"):
                driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                    "type": kind,
                    "touchPoints": [{"x": x, "y": y}] if kind == "touchStart" else []})
            self.wait_for_marks(driver, board, {195: "X", FIRST_REPLY: "O"}, "phone-played")
            self.assertNoConsoleErrors(driver)


if __name__ == "__main__":
    if not PAGE or not os.path.isfile(os.path.join(PAGE, "index.html")):
        sys.exit("usage: tst_page.py PAGE_FOLDER (a folder made by make web)")
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(verbosity=2)
