"""A blind player's desktop for a test: an X server of its own with openbox, its own session and
accessibility buses, a silent speech-dispatcher and Debian's Orca, whose debug log is written
line by line so that what Orca speaks can be read while it runs. Everything lives in a
temporary folder that is also the home, so a desktop shares nothing with another on the
machine, and its Orca runs beside any other Orca there. All of it ends with the test, even a
test killed before it could end it.

From Python (the page's reader test):  with ReaderDesktop(log_folder) as desktop: ...
As a command (tst_orca), which runs COMMAND on the desktop and ends with its exit status:
    reader_desktop.py [--keys "KEYSYM KEYSYM"]... -- COMMAND [ARGUMENT]...
COMMAND finds Orca's log in ZORBUNY_ORCA_LOG and Orca's major version in ZORBUNY_ORCA_VERSION.
"""

import builtins
import ctypes
import os
import re
import runpy
import shutil
import signal
import subprocess
import sys
import tempfile
import time

LAUNCHERS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
# Orca's own Python, whatever python3 comes first on the PATH.
PYTHON = "/usr/bin/python3"
TOOLS = ("Xvfb", "dbus-daemon", "openbox", "orca", "speech-dispatcher", "xdotool", PYTHON)
# An entry's text ends where the voice it was spoken in begins: a list, a dict, or
# None (Orca 48 gives a dialog's text no voice of its own).
ENTRY = re.compile(r"SPEECH OUTPUT: '(.*?)'\s*(?:[\[{]|None\b)", re.S)


def missing(*more):
    """Why a desktop (with the tools in more) cannot run here, or None."""
    absent = [tool for tool in TOOLS + more if not shutil.which(tool)]
    if not any(os.path.exists(path) for path in LAUNCHERS):
        absent.append("at-spi-bus-launcher")
    return ", ".join(absent) + " not installed" if absent else None


def unavailable(reason):
    """Ends a test that cannot run here with one line: skipped on a developer's machine, failed
    in CI, where a skip would leave a blind player unguarded behind a green run."""
    in_ci = os.environ.get("CI", "").lower() not in ("", "0", "false")
    print(("failed: " if in_ci else "skipped: ") + reason, flush=True)
    sys.exit(1 if in_ci else 0)


def die_with_parent():
    """A helper ends when the desktop does, even one killed before it could end them."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class SessionError(Exception):
    pass


class ReaderDesktop:
    def __init__(self, log_folder=None, keymap=()):
        """keymap: keysyms ("Cyrillic_u Cyrillic_U") put on keycodes the keyboard map leaves
        empty before anyone reads the map, so that xdotool need not remap one at each key."""
        self.log_folder = log_folder
        self.keymap = keymap
        self.processes = []
        self.home = tempfile.mkdtemp(prefix="zorbuny-reader-")
        os.chmod(self.home, 0o700)
        self.log = os.path.join(self.home, "orca-debug.log")
        self.version = 0
        self.read = 0
        self.pending = ""
        self.said = []
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                     "AT_SPI_BUS_ADDRESS", "SESSION_MANAGER"):
            env.pop(name, None)
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.home + "/config",
                   XDG_DATA_HOME=self.home + "/data", XDG_CACHE_HOME=self.home + "/cache",
                   XDG_RUNTIME_DIR=self.home, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.env = env
        # Should this process be killed outright, the watcher ends every process group it was
        # told of and removes the home; a clean stop tells it there is nothing left to do.
        self.watcher = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--watch",
                                         self.home], stdin=subprocess.PIPE,
                                        start_new_session=True)

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def write(self, path, text):
        path = os.path.join(self.home, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def spawn(self, argv, name, piped=False):
        """A helper started in a process group of its own; with piped, its output read here."""
        log = open(os.path.join(self.home, name + ".log"), "wb")
        process = subprocess.Popen(argv, env=self.env,
                                   stdout=subprocess.PIPE if piped else log,
                                   stderr=log, start_new_session=True, preexec_fn=die_with_parent)
        self.processes.append((name, process))
        self.watcher.stdin.write(b"%d\n" % process.pid)
        self.watcher.stdin.flush()
        return process

    def first_line(self, process, what):
        line = process.stdout.readline().decode().strip()
        if not line:
            raise SessionError(what + " did not start")
        return line

    def start(self):
        # Silent speech: with no sound card speech-dispatcher would wait for one, and Orca too.
        self.write("config/speech-dispatcher/speechd.conf", 'AudioOutputMethod "libao"\n')
        self.write(".libao", "default_driver=null\n")
        # Orca reads a page from its top once it has loaded, and stops when a key is pressed;
        # with silent speech it never hears that the reading stopped, and would keep the page
        # in browse mode: a page is read on request here.
        settings = '"enableBraille": false, "sayAllOnLoad": false'
        self.write("orca/user-settings.conf",
                   '{"general": {%s}, "pronunciations": {}, "keybindings": {},'
                   ' "profiles": {"default": {"profile": ["Default", "default"], %s}}}'
                   % (settings, settings))
        output = subprocess.run(["orca", "--version"], capture_output=True, text=True,
                                timeout=60, env=self.env).stdout
        match = re.search(r"(\d+)\.\d+", output)
        if not match:
            raise SessionError("orca --version did not tell its version: " + output)
        self.version = int(match.group(1))
        # -noreset: as the C++ tests' Xvfb (tests/xvfb.h), so that the keys mapped
        # below stay mapped and no client is dropped while it connects.
        xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                           "-nolisten", "tcp", "-noreset"], "xvfb", piped=True)
        self.env["DISPLAY"] = ":" + self.first_line(xvfb, "Xvfb")
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], "dbus",
                         piped=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.first_line(bus, "the session bus")
        if self.keymap:
            self.map_keys()
        launcher = next(path for path in LAUNCHERS if os.path.exists(path))
        self.spawn([launcher, "--launch-immediately"], "at-spi")
        self.spawn(["openbox"], "openbox")
        self.spawn(["speech-dispatcher", "--run-single", "--timeout", "0",
                    "--communication-method", "unix_socket", "--socket-path",
                    self.home + "/speech-dispatcher/speechd.sock"], "speech-dispatcher")
        self.start_orca()

    def map_keys(self):
        def xmodmap(*arguments):
            # An X server that reported its display and then did not answer on it fails here.
            done = subprocess.run(["xmodmap"] + list(arguments), env=self.env, timeout=60,
                                  capture_output=True, text=True)
            if done.returncode:
                raise SessionError("xmodmap failed: " + done.stderr.strip())
            return done.stdout
        spare = re.findall(r"^keycode\s+(\d+)\s*=\s*$", xmodmap("-pke"), re.M)
        if len(spare) < len(self.keymap):
            raise SessionError("xmodmap found no keycodes to spare")
        assignments = []
        for code, keysyms in zip(reversed(spare), self.keymap):
            assignments += ["-e", "keycode %s = %s" % (code, keysyms)]
        xmodmap(*assignments)

    def start_orca(self):
        """Orca, once it says it is on. Run beside any other Orca on the machine, it may still
        fail to come up while another starts; it is tried three times, then the desktop fails
        saying so, its log's end with it."""
        for attempt in range(3):
            orca = self.spawn([PYTHON, os.path.abspath(__file__), "--orca", self.log,
                               self.home + "/orca"], "orca")
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline and orca.poll() is None:
                if any(line.startswith("Screen reader on") for line in self.speech()):
                    return
                time.sleep(0.2)
            self.end(orca)
            # The next Orca writes its log afresh.
            self.read, self.pending, self.said = 0, "", []
            time.sleep(5)
        tail = ""
        for name in ("orca.log", self.log):
            if os.path.exists(os.path.join(self.home, name)):
                with open(os.path.join(self.home, name), errors="replace") as f:
                    tail += f.read()[-1500:]
        raise SessionError("Orca did not start in three tries (another Orca starting on the "
                           "machine at the same time?), its output and its log end:\n" + tail)

    def end(self, process):
        if process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGTERM)
                process.wait(10)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            process.wait()

    def stop(self):
        for _, process in reversed(self.processes):
            self.end(process)
        if self.log_folder and os.path.exists(self.log):
            os.makedirs(self.log_folder, exist_ok=True)
            shutil.copy(self.log, os.path.join(self.log_folder, "orca-debug.log"))
        shutil.rmtree(self.home, ignore_errors=True)
        try:
            self.watcher.stdin.write(b"done\n")
            self.watcher.stdin.close()
        except BrokenPipeError:
            pass
        self.watcher.wait()

    # --- what was said -----------------------------------------------------------------------

    def speech(self):
        """Every utterance Orca logged so far, its white space simplified."""
        try:
            with open(self.log, "rb") as f:
                f.seek(self.read)
                fresh = f.read()
        except FileNotFoundError:
            return self.said
        end = fresh.rfind(b"\n") + 1
        self.read += end
        self.pending += fresh[:end].decode("utf-8", "replace")
        consumed = 0
        for match in ENTRY.finditer(self.pending):
            self.said.append(" ".join(match.group(1).split()))
            consumed = match.end()
        start = self.pending.find("SPEECH OUTPUT: '", consumed)
        self.pending = "" if start < 0 else self.pending[start:]
        return self.said

    def settle(self, quiet=0.6, timeout=10):
        """Waits until Orca has said nothing more for a while."""
        count, still = -1, time.monotonic()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            now = len(self.speech())
            if now != count:
                count, still = now, time.monotonic()
            elif time.monotonic() - still > quiet:
                return
            time.sleep(0.05)

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "120"] + list(keys), env=self.env,
                       check=True, timeout=60)

    def alt(self, letter):
        """A key with Alt held, one event at a time, as a hand presses them."""
        subprocess.run(["xdotool", "keydown", "Alt_L", "sleep", "0.2", "key", letter, "sleep",
                        "0.2", "keyup", "Alt_L"], env=self.env, check=True, timeout=60)


def run_orca(log, prefs):
    """Debian's Orca with its debug log written line by line, so that a test can read what it
    speaks while it runs (Orca buffers the file itself), and beside any other Orca of the same
    user, which it would otherwise refuse to start next to."""
    plain_open = builtins.open

    def open_line_buffered(file, mode="r", *args, **kwargs):
        if file == log and "w" in mode:
            return plain_open(file, mode, buffering=1, encoding="utf-8")
        return plain_open(file, mode, *args, **kwargs)

    builtins.open = open_line_buffered
    sys.argv = ["orca", "-u", prefs, "--debug-file=" + log]
    script = runpy.run_path("/usr/bin/orca", run_name="orca_launcher")
    script["main"].__globals__["otherOrcas"] = lambda: []
    return script["main"]()


def watch(home):
    """The watcher: reads the process groups of a desktop until the desktop ends; unless told
    "done", ends them all and removes the home."""
    groups = []
    for line in sys.stdin.buffer:
        if line.strip() == b"done":
            return
        groups.append(int(line))
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for group in groups:
            try:
                os.killpg(group, sig)
            except ProcessLookupError:
                pass
        time.sleep(2)
    shutil.rmtree(home, ignore_errors=True)


def run(arguments):
    keymap = []
    while arguments[:1] == ["--keys"]:
        keymap.append(arguments[1])
        arguments = arguments[2:]
    command = arguments[1:] if arguments[:1] == ["--"] else None
    if not command:
        sys.exit(__doc__)
    reason = missing(*(("xmodmap",) if keymap else ()))
    if reason:
        unavailable(os.path.basename(command[0]) + " needs " + reason)
    # A test ended by a signal ends its desktop as well.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(128 + signal.SIGHUP))
    try:
        with ReaderDesktop(keymap=keymap) as desktop:
            env = dict(desktop.env, ZORBUNY_ORCA_LOG=desktop.log,
                       ZORBUNY_ORCA_VERSION=str(desktop.version))
            test = subprocess.Popen(command, env=env, preexec_fn=die_with_parent)
            try:
                status = test.wait()
            finally:
                if test.poll() is None:
                    test.terminate()
                    test.wait()
    except SessionError as error:
        print("FAIL: the reader's desktop: %s" % error, flush=True)
        sys.exit(1)
    sys.exit(status if status >= 0 else 128 - status)


if __name__ == "__main__":
    if sys.argv[1:2] == ["--orca"]:
        sys.exit(run_orca(sys.argv[2], sys.argv[3]))
    elif sys.argv[1:2] == ["--watch"]:
        watch(sys.argv[2])
    else:
        run(sys.argv[1:])
