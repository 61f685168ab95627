"""The game's web page in headless Chromium: drawn, played with the mouse, a
finger and the keyboard, its About window opened and closed, left through
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

from webpage import Board, chromium, main_window_box, read_mark, screenshot, served, wait_for

PAGE = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
SHOTS = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "web-test"
WINDOW_WIDTH = 360  # the main window's width in Qt's logical pixels
FIRST_REPLY = 90  # the computer's first O: row 6, column 6

# The titles of the Qt windows drawn in the page, dialogs' title bars being
# page elements inside the screen's shadow root.
WINDOW_TITLES = """
    const root = document.getElementById("screen").querySelector("*").shadowRoot;
    return [...root.querySelectorAll(".qt-window .window-name")].map(e => e.textContent);
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

    def marks(self, driver, board, name):
        image = screenshot(driver)
        image.save(os.path.join(SHOTS, name + ".png"))
        return {cell: mark for cell in range(196)
                if (mark := read_mark(image, board.cell(cell), board.scale))}

    def wait_for_marks(self, driver, board, expected, name):
        seen = {}

        def arrived():
            seen.update(marks=self.marks(driver, board, name))
            return seen["marks"] == expected
        try:
            wait_for("the marks %s" % expected, arrived, timeout=10)
        except AssertionError:
            self.assertEqual(seen.get("marks"), expected)

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

            x, y = board.centre(0, self.dpr)
            click = ActionBuilder(driver)
            click.pointer_action.move_to_location(int(x), int(y))
            click.pointer_action.click()
            click.perform()
            self.wait_for_marks(driver, board, {0: "X", FIRST_REPLY: "O"}, "desktop-played")

            # «Справка», «О программе» by their access keys, closed by Enter on OK.
            keys = ActionChains(driver)
            keys.key_down(Keys.ALT).send_keys("с").key_up(Keys.ALT).perform()
            ActionChains(driver).send_keys("о").perform()
            wait_for("the About window", lambda: " О программе Зорбуны" in
                     driver.execute_script(WINDOW_TITLES), timeout=10)
            screenshot(driver).save(os.path.join(SHOTS, "desktop-about.png"))
            ActionChains(driver).send_keys(Keys.ENTER).perform()
            wait_for("the About window to close", lambda: " О программе Зорбуны" not in
                     driver.execute_script(WINDOW_TITLES), timeout=10)
            # The game behind it is as it was.
            self.wait_for_marks(driver, board, {0: "X", FIRST_REPLY: "O"}, "desktop-after-about")

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
