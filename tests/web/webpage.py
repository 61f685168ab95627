"""The web page served on localhost and driven in Debian's headless Chromium
(through chromedriver) and Firefox ESR (over WebDriver BiDi, its own
protocol): what the page test and the page benchmark share."""

import base64
import contextlib
import functools
import gzip
import hashlib
import http.server
import io
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

import websocket
from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys

# The window's layout in Qt's logical pixels at scale 1 (main_window/frmmain.cpp
# lays it out in twips, 15 to the logical pixel).
def pixels(twips):
    return (twips * 2 + 15) // 30

CLIENT_HEIGHT = pixels(5595)
DESK_LEFT, DESK_TOP, DESK_STEP, DESK_SIZE = 173, 120, 360, 375  # twips
SIDE = 14


class Handler(http.server.SimpleHTTPRequestHandler):
    """A static server as an ordinary web server set up for a page is: it
    speaks HTTP/1.1 (over HTTP/1.0 Chromium asks for a file whole again, not
    whether its copy is current), compresses with gzip whatever the browser
    accepts it for, and answers a browser that asks whether its copy is still
    current (ETag, 304). It counts the bytes of the bodies it sends, and names
    each file it sent whole."""

    protocol_version = "HTTP/1.1"

    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".webmanifest": "application/manifest+json"}

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        try:
            with open(path, "rb") as f:
                raw = f.read()
        except OSError:
            return super().send_head()
        tag = entity_tag(raw)
        current = tag in self.headers.get("If-None-Match", "")
        self.send_response(304 if current else 200)
        self.send_header("ETag", tag)
        self.send_header("Cache-Control", "no-cache")
        # A connection a request each: once the server is gone, nothing more comes.
        self.send_header("Connection", "close")
        if current:
            self.end_headers()
            return None
        body = raw
        if "gzip" in self.headers.get("Accept-Encoding", ""):
            body = gzipped(raw, tag)
            self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.server.sent += len(body)
        self.server.whole.append(os.path.relpath(path, self.directory))
        return io.BytesIO(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    def __init__(self, folder):
        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.sent = 0
        self.whole = []
        self.url = "http://127.0.0.1:%d/" % self.server_address[1]


def entity_tag(raw):
    return '"%s"' % hashlib.sha256(raw).hexdigest()[:32]


# Each file is compressed once for the whole run, by whichever server sends
# it first, as a server whose files are compressed ahead of time sends them:
# a first visit then waits on the line, not on Python's gzip of 6 MB.
GZIPPED = {}


def gzipped(raw, tag):
    if tag not in GZIPPED:
        GZIPPED[tag] = gzip.compress(raw, compresslevel=9, mtime=0)
    return GZIPPED[tag]


def compress_ahead(folder):
    for entry in os.scandir(folder):
        if entry.is_file():
            with open(entry.path, "rb") as f:
                raw = f.read()
            gzipped(raw, entity_tag(raw))


@contextlib.contextmanager
def served(folder):
    """The folder on an HTTP server on a free port of localhost: the server,
    with its url and the bytes it has sent. Gone once the block is left: a
    page then finds no server there, as with the network down."""
    server = Server(folder)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield server
    finally:
        server.shutdown()
        server.server_close()


def run_async(body):
    """A function body that may await, as a script both browsers run and
    whose promise they wait for."""
    return "return (async () => {\n%s\n})();" % body


class Chromium:
    """Debian's headless Chromium through chromedriver (Selenium), with
    Chrome's own protocol at hand (self.driver) for what only it tells."""

    name = "chromium"

    def __init__(self, driver):
        self.driver = driver
        self.errors = []

    def goto(self, url):
        self.driver.get(url)

    def reload(self):
        self.driver.refresh()

    def run(self, body):
        return self.driver.execute_script(run_async(body))

    def click(self, x, y):
        click = ActionBuilder(self.driver)
        click.pointer_action.move_to_location(int(x), int(y))
        click.pointer_action.click()
        click.perform()

    def keys(self, *strokes):
        """Each stroke a key, "Enter", or "alt+" a key, pressed in turn."""
        for stroke in strokes:
            chain = ActionChains(self.driver)
            if stroke.startswith("alt+"):
                chain.key_down(Keys.ALT).send_keys(stroke[4:]).key_up(Keys.ALT)
            else:
                chain.send_keys(Keys.ENTER if stroke == "Enter" else stroke)
            chain.perform()

    def screenshot_png(self):
        return self.driver.get_screenshot_as_png()

    def before_each_page(self, source):
        """Has every page that opens run source before its own scripts."""
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": source})

    def console_errors(self):
        """Every error on the console so far."""
        self.errors += [entry["message"] for entry in self.driver.get_log("browser")
                        if entry["level"] == "SEVERE"]
        return list(self.errors)


@contextlib.contextmanager
def chromium(phone=False, dark=False):
    """Headless Chromium at a desktop's window size, or as a phone held
    upright (390 by 844 CSS pixels, three device pixels to one, touch);
    dark: as on a system whose colours are set dark (prefers-color-scheme)."""
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
        if dark:
            driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": "dark"}]})
        try:
            yield Chromium(driver)
        finally:
            driver.quit()


# A fresh profile that keeps Firefox to the page: no first-run pages, no
# reports, updates or remote settings fetched from the network.
FIREFOX_PREFS = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.aboutwelcome.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.auto": False,
    "app.normandy.enabled": False,
    "browser.safebrowsing.update.enabled": False,
    "extensions.update.enabled": False,
    "services.settings.server": "http://127.0.0.1:1/",
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
}
BIDI_KEYS = {"Enter": "\ue007", "alt": "\ue00a"}


class Firefox:
    """Debian's Firefox ESR, headless, driven over WebDriver BiDi: Firefox
    speaks it itself, so no geckodriver stands between."""

    name = "firefox"

    def __init__(self, address):
        self.socket = websocket.create_connection(address + "/session", suppress_origin=True,
                                                  timeout=120)
        self.next_id = 0
        self.errors = []
        self.command("session.new", capabilities={})
        self.command("session.subscribe", events=["log.entryAdded"])
        self.context = self.command("browsingContext.getTree")["contexts"][0]["context"]
        self.command("browsingContext.setViewport", context=self.context,
                     viewport={"width": 1024, "height": 768})

    def command(self, method, **params):
        """The command's result; events on the way are noted."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("type") == "event":
                params = message["params"]
                if message["method"] == "log.entryAdded" and params.get("level") == "error":
                    self.errors.append(params.get("text", ""))
            elif message.get("id") == self.next_id:
                if message["type"] == "error":
                    raise RuntimeError("%s: %s: %s" % (method, message["error"], message.get("message")))
                return message["result"]

    def goto(self, url):
        self.command("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def reload(self):
        self.command("browsingContext.reload", context=self.context, wait="complete")

    def run(self, body):
        result = self.command(
            "script.callFunction", target={"context": self.context}, awaitPromise=True,
            functionDeclaration="async () => JSON.stringify(await (async () => {\n%s\n})())" % body)
        if result["type"] == "exception":
            raise RuntimeError(result["exceptionDetails"]["text"])
        value = result["result"]
        return json.loads(value["value"]) if value["type"] == "string" else None

    def actions(self, *sources):
        self.command("input.performActions", context=self.context, actions=list(sources))

    def click(self, x, y):
        self.actions({"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                      "actions": [{"type": "pointerMove", "x": int(x), "y": int(y)},
                                  {"type": "pointerDown", "button": 0},
                                  {"type": "pointerUp", "button": 0}]})

    def keys(self, *strokes):
        for stroke in strokes:
            held = ["alt"] if stroke.startswith("alt+") else []
            key = BIDI_KEYS.get(stroke[4:] if held else stroke, stroke[4:] if held else stroke)
            down = [{"type": "keyDown", "value": BIDI_KEYS[k]} for k in held]
            up = [{"type": "keyUp", "value": BIDI_KEYS[k]} for k in reversed(held)]
            self.actions({"type": "key", "id": "keyboard", "actions": down + [
                {"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}] + up})

    def before_each_page(self, source):
        self.command("script.addPreloadScript", functionDeclaration="() => {\n%s\n}" % source)

    def screenshot_png(self):
        data = self.command("browsingContext.captureScreenshot", context=self.context)["data"]
        return base64.b64decode(data)

    def console_errors(self):
        self.command("session.status")  # takes in the events sent so far
        return list(self.errors)


@contextlib.contextmanager
def firefox(dark=False):
    """Headless Firefox ESR with a fresh profile, a desktop's viewport; dark:
    as on a system whose colours are set dark, which Firefox takes from it."""
    prefs = dict(FIREFOX_PREFS, **({"ui.systemUsesDarkTheme": 1} if dark else {}))
    with tempfile.TemporaryDirectory(prefix="zorbuny-firefox-") as profile:
        with open(os.path.join(profile, "user.js"), "w") as f:
            for name, value in prefs.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        process = subprocess.Popen(
            ["firefox-esr", "--headless", "--no-remote", "--profile", profile,
             "--remote-debugging-port", "0", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        try:
            address = None
            for line in process.stderr:
                if match := re.search(r"WebDriver BiDi listening on (ws://\S+)", line):
                    address = match.group(1)
                    break
            if not address:
                raise RuntimeError("Firefox did not offer WebDriver BiDi")
            # Firefox goes on writing there; a full pipe would stop it.
            drain = threading.Thread(target=shutil.copyfileobj, daemon=True,
                                     args=(process.stderr, io.StringIO()))
            drain.start()
            browser = Firefox(address)
            try:
                yield browser
            finally:
                with contextlib.suppress(Exception):
                    browser.command("browser.close")
                browser.socket.close()
        finally:
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=10)
            if process.poll() is None:
                process.kill()
                process.wait()
            process.stderr.close()


BROWSERS = {"chromium": chromium, "firefox": firefox}


def screenshot(browser):
    """The viewport as the browser drew it, in device pixels."""
    return Image.open(io.BytesIO(browser.screenshot_png())).convert("RGB")


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


def main_window_box(browser, device_pixel_ratio):
    """The main window's menu bar and client area (left, top, right, bottom)
    in device pixels; None while it is not shown."""
    box = browser.run(MAIN_CANVAS)
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
    """"X", "O" or "" as drawn in the cell: the pixels of its caption, those
    that stand out from the face read in its corner (dark on a light or a
    won line's face, light on a dark palette's), the button's edge left out.
    An O is a ring, face where its strokes centre; an X is ink where they cross."""
    inset = 4 * device_scale
    left, top, right, bottom = (int(rect[0] + inset), int(rect[1] + inset),
                                int(rect[2] - inset), int(rect[3] - inset))
    face = image.getpixel((left, top))
    ink = [(x, y) for y in range(top, bottom) for x in range(left, right)
           if contrast(image.getpixel((x, y)), face) >= 4.5]
    if len(ink) < 4 * device_scale * device_scale:
        return ""
    cx = round(sum(x for x, _ in ink) / len(ink))
    cy = round(sum(y for _, y in ink) / len(ink))
    reach = max(1, round(device_scale))
    middle = [contrast(image.getpixel((x, y)), face) >= 3
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


@functools.lru_cache(maxsize=4096)
def luminance(colour):
    """WCAG's relative luminance of an sRGB colour (a 0-255 triple)."""
    linear = [c / 255 / 12.92 if c <= 0.04045 * 255 else ((c / 255 + 0.055) / 1.055) ** 2.4
              for c in colour]
    return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]


def contrast(text, background):
    """WCAG's contrast ratio of two sRGB colours (0-255 triples)."""
    light, dark = sorted((luminance(tuple(text)), luminance(tuple(background))), reverse=True)
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
