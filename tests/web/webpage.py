"""The web page served on localhost and driven in Debian's headless Chromium
through chromedriver: what the page test and the page benchmark share."""

import contextlib
import functools
import gzip
import http.server
import io
import tempfile
import threading
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# The window's layout in Qt's logical pixels at scale 1 (main_window/frmmain.cpp
# lays it out in twips, 15 to the logical pixel).
def pixels(twips):
    return (twips * 2 + 15) // 30

CLIENT_HEIGHT = pixels(5595)
DESK_LEFT, DESK_TOP, DESK_STEP, DESK_SIZE = 173, 120, 360, 375  # twips
SIDE = 14


class Handler(http.server.SimpleHTTPRequestHandler):
    """A static server that compresses with gzip whatever the browser accepts
    it for, as an ordinary web server set up for a page does."""

    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def send_head(self):
        if "gzip" not in self.headers.get("Accept-Encoding", ""):
            return super().send_head()
        path = self.translate_path(self.path)
        try:
            with open(path, "rb") as f:
                body = gzip.compress(f.read(), compresslevel=9)
        except OSError:
            return super().send_head()
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        return io.BytesIO(body)

    def log_message(self, *args):
        pass


@contextlib.contextmanager
def served(folder):
    """The folder on an HTTP server on a free port of localhost: its URL."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield "http://127.0.0.1:%d/" % server.server_address[1]
    finally:
        server.shutdown()
        server.server_close()


@contextlib.contextmanager
def chromium(phone=False):
    """Headless Chromium at a desktop's window size, or as a phone held
    upright (390 by 844 CSS pixels, three device pixels to one, touch)."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    with tempfile.TemporaryDirectory(prefix="zorbuny-chromium-") as profile:
        for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                         "--user-data-dir=" + profile, "--window-size=1024,768",
                         "--no-first-run", "--disable-extensions"):
            options.add_argument(argument)
        if phone:
            options.add_experimental_option("mobileEmulation", {
                "deviceMetrics": {"width": 390, "height": 844, "pixelRatio": 3.0,
                                  "touch": True}})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(options=options,
                                  service=Service("/usr/bin/chromedriver"))
        try:
            yield driver
        finally:
            driver.quit()


def screenshot(driver):
    """The viewport as the browser drew it, in device pixels."""
    return Image.open(io.BytesIO(driver.get_screenshot_as_png())).convert("RGB")


# The main window's canvas, which holds its menu bar and client area (the
# title bar is a page element above it), in CSS pixels; None until shown.
MAIN_CANVAS = """
    const host = document.getElementById("screen").querySelector("*");
    for (const w of host?.shadowRoot?.querySelectorAll(".qt-window") ?? [])
        if (w.querySelector(".window-name")?.textContent === " Игра Зорбуны") {
            const r = w.querySelector("canvas").getBoundingClientRect();
            return [r.left, r.top, r.right, r.bottom];
        }
    return null;
"""


def main_window_box(driver, device_pixel_ratio):
    """The main window's menu bar and client area (left, top, right, bottom)
    in device pixels; None while it is not shown."""
    box = driver.execute_script(MAIN_CANVAS)
    return box and [v * device_pixel_ratio for v in box]


class Board:
    """Where the cells are on the page, from the main window's box and the
    scale: its client area is the box's bottom CLIENT_HEIGHT."""

    def __init__(self, box, device_scale):
        self.box = box
        self.scale = device_scale  # device pixels per Qt logical pixel
        self.client_top = box[3] - CLIENT_HEIGHT * device_scale

    def cell(self, index):
        """The cell's rectangle in device pixels."""
        row, column = divmod(index, SIDE)
        left = self.box[0] + pixels(DESK_LEFT + DESK_STEP * column) * self.scale
        top = self.client_top + pixels(DESK_TOP + DESK_STEP * row) * self.scale
        size = pixels(DESK_SIZE) * self.scale
        return (left, top, left + size, top + size)

    def centre(self, index, device_pixel_ratio):
        """The cell's middle in CSS pixels, where a click or a tap goes."""
        left, top, right, bottom = self.cell(index)
        return ((left + right) / 2 / device_pixel_ratio, (top + bottom) / 2 / device_pixel_ratio)


def read_mark(image, rect, device_scale):
    """"X", "O" or "" as drawn in the cell: the dark pixels of its caption,
    the button's edge left out. An O is a ring, light where its strokes
    centre; an X is dark where its strokes cross. Dark is dark in every
    channel, so a won line's red or green face is not."""
    inset = 4 * device_scale
    left, top, right, bottom = (int(rect[0] + inset), int(rect[1] + inset),
                                int(rect[2] - inset), int(rect[3] - inset))
    dark = [(x, y) for y in range(top, bottom) for x in range(left, right)
            if max(image.getpixel((x, y))) < 100]
    if len(dark) < 4 * device_scale * device_scale:
        return ""
    cx = round(sum(x for x, _ in dark) / len(dark))
    cy = round(sum(y for _, y in dark) / len(dark))
    reach = max(1, round(device_scale))
    middle = [max(image.getpixel((x, y))) < 128
              for y in range(cy - reach, cy + reach + 1)
              for x in range(cx - reach, cx + reach + 1)]
    return "X" if sum(middle) * 2 > len(middle) else "O"


def read_face(image, rect, device_scale):
    """"red" or "green" where the cell's face is painted as part of a won
    line, else "": read inside its corner, clear of the edge and caption."""
    r, g, b = image.getpixel((int(rect[0] + 4 * device_scale), int(rect[1] + 4 * device_scale)))
    if r > 200 and g < 80 and b < 80:
        return "red"
    if g > 200 and r < 80 and b < 80:
        return "green"
    return ""


def contrast(text, background):
    """WCAG's contrast ratio of two sRGB colours (0-255 triples)."""
    def luminance(colour):
        linear = [c / 255 / 12.92 if c <= 0.04045 * 255 else ((c / 255 + 0.055) / 1.055) ** 2.4
                  for c in colour]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    light, dark = sorted((luminance(text), luminance(background)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


def wait_for(what, condition, timeout=30.0, interval=0.1):
    """condition()'s first true value within the timeout; fails naming what."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)
