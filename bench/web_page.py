"""What the game's web page costs a player: the bytes transferred with gzip,
and the time from navigation to the first drawn board, in headless Chromium
on localhost (so no network time: download time is the size over the line).
    python3 bench/web_page.py PAGE_FOLDER [RUNS]"""

import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from webpage import chromium, served, wait_for  # noqa: E402

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


def main():
    if len(sys.argv) < 2 or not os.path.isfile(os.path.join(sys.argv[1], "index.html")):
        sys.exit("usage: web_page.py PAGE_FOLDER [RUNS] (a folder made by make web)")
    page, runs = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5
    files = ("index.html", "qtloader.js", "zorbuny.js", "zorbuny.wasm")
    raw = sum(os.path.getsize(os.path.join(page, name)) for name in files)
    times, transferred = [], []
    with served(page) as url, chromium() as driver:
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH_FIRST_BOARD})
        for _ in range(runs):
            driver.get(url)
            times.append(wait_for("the drawn board",
                                  lambda: driver.execute_script("return window.zorbunyBoardDrawn"),
                                  timeout=60))
            transferred.append(driver.execute_script("""
                const all = [...performance.getEntriesByType('navigation'),
                             ...performance.getEntriesByType('resource')];
                return all.reduce((sum, e) => sum + e.transferSize, 0);"""))
    print("page files (%s): %.2f MB raw" % (", ".join(files), raw / 1e6))
    print("transferred with gzip: %.2f MB" % (statistics.median(transferred) / 1e6))
    print("navigation to first drawn board: median %.0f ms, best %.0f ms, worst %.0f ms (%d loads)"
          % (statistics.median(times), min(times), max(times), runs))


if __name__ == "__main__":
    main()
