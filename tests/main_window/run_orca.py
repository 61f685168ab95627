# Starts Debian's Orca with its debug log written line by line, so that a
# test can read what it speaks while it runs (Orca buffers the file itself),
# and beside any other Orca of the same user, which it would otherwise
# refuse to start next to.
#   run_orca.py LOG PREFS_DIR
import builtins
import runpy
import sys

log, prefs = sys.argv[1], sys.argv[2]
plain_open = builtins.open


def open_line_buffered(file, mode="r", *args, **kwargs):
    if file == log and "w" in mode:
        return plain_open(file, mode, buffering=1, encoding="utf-8")
    return plain_open(file, mode, *args, **kwargs)


builtins.open = open_line_buffered
sys.argv = ["orca", "-u", prefs, "--debug-file=" + log]
script = runpy.run_path("/usr/bin/orca", run_name="orca_launcher")
script["main"].__globals__["otherOrcas"] = lambda: []
sys.exit(script["main"]())
