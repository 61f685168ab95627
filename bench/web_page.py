"""What the game's web page costs a player: the bytes a first visit
transfers with gzip (the service worker's keeping of the files included), and
the time from navigation to the first drawn board on a first visit and on a
return from what the worker kept, in headless Chromium and Firefox on
localhost (so no network time: download time is the size over the line).
    python3 bench/web_page.py PAGE_FOLDER [RUNS]"""

import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from webpage import BROWSERS, compress_ahead, served, wait_for  # noqa: E402

# Run in the page before its own scripts: on every animation frame, look at
# the biggest of Qt's canvases (the main window's) for the board's first
# cell drawn in its light face, and note the time once it is.
WATCH_FIRST_BOARD = """
(() => {
  const look = () => {
    const host = document.getElementById("screen")?.querySelector("*");
    const canvases = host?.shadowRoot ? [...host.shadowRoot.querySelectorAll("canvas")] : [];
    const canvas = canvases.sort((a, b) => b.width - a.width)[0];
    if (canvas && canvas.width > 300) {
      const r = canvas.width / 360;  // device pixels per logical pixel
      const at = (x, y) => canvas.getContext("2d").getImageData(Math.round(x * r), canvas.height - Math.round(y * r), 1, 1).data;
      // Cell 0's middle (24, 20 below the client's top, 373 above the
      // window's bottom) is light; its edge with cell 1 (x = 36) darker.
      const face = at(24, 373 - 20), edge = at(36, 373 - 20);
      if (face[3] && face[0] > 180 && edge[0] < face[0] - 20) {
        window.zorbunyBoardDrawn = performance.now();
        return;
      }
    }
    requestAnimationFrame(look);
  };
  requestAnimationFrame(look);
})();
"""


KEPT = "return Boolean(navigator.serviceWorker.controller) && (await caches.keys()).length === 1"


def board_drawn(browser):
    return wait_for("the drawn board", lambda: browser.run("return window.zorbunyBoardDrawn"), timeout=60)


def measure(page, browser, runs):
    """Each run a first visit (a server on a new port is a new site to the
    browser, nothing cached or kept for it) and then a return to it."""
    first, again, sent = [], [], []
    browser.before_each_page(WATCH_FIRST_BOARD)
    for _ in range(runs):
        with served(page) as site:
            browser.goto(site.url)
            first.append(board_drawn(browser))
            wait_for("the page kept", lambda: browser.run(KEPT), timeout=60)
            sent.append(site.sent)
            browser.reload()
            again.append(board_drawn(browser))
    return first, again, sent


def main():
    if len(sys.argv) < 2 or not os.path.isfile(os.path.join(sys.argv[1], "index.html")):
        sys.exit("usage: web_page.py PAGE_FOLDER [RUNS] (a folder made by make web)")
    page, runs = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5
    files = ("index.html", "qtloader.js", "zorbuny.js", "zorbuny.wasm")
    app = ("sw.js", "manifest.webmanifest", "icon-192.png", "icon-512.png")
    size = lambda names: sum(os.path.getsize(os.path.join(page, name)) for name in names)
    print("page files (%s): %.2f MB raw; for offline and install (%s): %.1f kB raw"
          % (", ".join(files), size(files) / 1e6, ", ".join(app), size(app) / 1e3))
    compress_ahead(page)
    for name, browser in BROWSERS.items():
        with browser() as opened:
            first, again, sent = measure(page, opened, runs)
        print("%s: first visit transfers %.2f MB with gzip, the worker's keeping included" %
              (name, statistics.median(sent) / 1e6))
        print("%s: navigation to first drawn board: median %.0f ms, best %.0f ms, worst %.0f ms (%d first visits)"
              % (name, statistics.median(first), min(first), max(first), runs))
        print("%s: the same from what the worker kept: median %.0f ms, best %.0f ms, worst %.0f ms"
              % (name, statistics.median(again), min(again), max(again)))


if __name__ == "__main__":
    main()
