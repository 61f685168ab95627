"""Writes the page's service worker, sw.js, beside the page's files: their
names and SHA-256 sums, and a cache name made of those sums alone, so the
same build always gives the same bytes and any change gives a new worker.
    python3 service_worker.py PAGE_FOLDER"""

import hashlib
import json
import os
import sys

# What the page fetches, and what an installed app shows.
FILES = ("index.html", "reader.js", "qtloader.js", "zorbuny.js", "zorbuny.wasm",
         "manifest.webmanifest", "icon-192.png", "icon-512.png")
TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "service-worker.js")


def sums(folder):
    """{file: its SHA-256 in hex}, in FILES' order."""
    result = {}
    for name in FILES:
        with open(os.path.join(folder, name), "rb") as f:
            result[name] = hashlib.sha256(f.read()).hexdigest()
    return result


def cache_name(file_sums):
    build = hashlib.sha256("".join("%s %s\n" % item for item in file_sums.items()).encode())
    return "zorbuny-" + build.hexdigest()[:16]


def write(folder):
    """Writes folder/sw.js; returns its cache's name."""
    file_sums = sums(folder)
    with open(TEMPLATE, encoding="utf-8") as f:
        text = f.read()
    name = cache_name(file_sums)
    text = text.replace("@FILES@", json.dumps(file_sums, indent=2)).replace("@CACHE@", name)
    with open(os.path.join(folder, "sw.js"), "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return name


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: service_worker.py PAGE_FOLDER")
    write(sys.argv[1])
