"""A blind player's desktop for the page: Debian's Orca and Chromium, not headless, on an X
server of their own with openbox, their own session and accessibility buses and a silent
speech-dispatcher, keys pressed with xdotool, and what Orca spoke read from its debug log.
Everything lives in a temporary folder that is also the home, so the session shares nothing
with another on the machine: run_orca.py starts Orca beside any other Orca there."""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_ORCA = os.path.join(HERE, "..", "main_window", "run_orca.py")
LAUNCHERS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
TOOLS = ("Xvfb", "dbus-daemon", "openbox", "orca", "speech-dispatcher", "xdotool",
         "chromium")
ENTRY = re.compile(r"SPEECH OUTPUT: '(.*?)'\s*[\[{]", re.S)


def die_with_parent():
    """A helper ends when the test does, even one killed before it could end them."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def missing():
    """Why the session cannot run here, or None."""
    absent = [tool for tool in TOOLS if not shutil.which(tool)]
    if not any(os.path.exists(path) for path in LAUNCHERS):
        absent.append("at-spi-bus-launcher")
    return ", ".join(absent) + " not installed" if absent else None


def orca_version():
    output = subprocess.run(["orca", "--version"], capture_output=True, text=True,
                            timeout=60).stdout
    match = re.search(r"(\d+)\.\d+", output)
    return int(match.group(1)) if match else 0


class SessionError(Exception):
    pass


class ReaderSession:
    def __init__(self, url, log_folder):
        self.url = url
        self.log_folder = log_folder
        self.processes = []
        self.home = tempfile.mkdtemp(prefix="zorbuny-reader-")
        self.log = os.path.join(self.home, "orca-debug.log")
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
        os.chmod(self.home, 0o700)

    # --- the session -----------------------------------------------------------------------

    def write(self, path, text):
        path = os.path.join(self.home, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def spawn(self, argv, name, piped=False):
        """A helper started in a process group of its own; with piped, its first line read."""
        log = open(os.path.join(self.home, name + ".log"), "wb")
        process = subprocess.Popen(argv, env=self.env,
                                   stdout=subprocess.PIPE if piped else log,
                                   stderr=log, start_new_session=True, preexec_fn=die_with_parent)
        self.processes.append((name, process))
        return process

    def first_line(self, process, what):
        line = process.stdout.readline().decode().strip()
        if not line:
            raise SessionError(what + " did not start")
        return line

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        # Silent speech: with no sound card speech-dispatcher would wait for one, and Orca too.
        self.write("config/speech-dispatcher/speechd.conf", 'AudioOutputMethod "libao"\n')
        self.write(".libao", "default_driver=null\n")
        # Orca reads a page from its top once it has loaded, and stops when a key is pressed;
        # with silent speech it never hears that the reading stopped, and would keep the page
        # in browse mode: the page is read on request here.
        settings = '"enableBraille": false, "sayAllOnLoad": false'
        self.write("orca/user-settings.conf",
                   '{"general": {%s}, "pronunciations": {}, "keybindings": {},'
                   ' "profiles": {"default": {"profile": ["Default", "default"], %s}}}'
                   % (settings, settings))
        xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                           "-nolisten", "tcp"], "xvfb", piped=True)
        self.env["DISPLAY"] = ":" + self.first_line(xvfb, "Xvfb")
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], "dbus",
                         piped=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.first_line(bus, "the session bus")
        launcher = next(path for path in LAUNCHERS if os.path.exists(path))
        self.spawn([launcher, "--launch-immediately"], "at-spi")
        self.spawn(["openbox"], "openbox")
        self.spawn(["speech-dispatcher", "--run-single", "--timeout", "0",
                    "--communication-method", "unix_socket", "--socket-path",
                    self.home + "/speech-dispatcher/speechd.sock"], "speech-dispatcher")
        self.start_orca()
        self.start_chromium()

    def start_orca(self):
        """Orca, once it says it is on. Run beside any other Orca on the machine, it may still
        fail to come up while another starts; it is tried three times, then the test fails
        saying so, its log's end with it."""
        for attempt in range(3):
            orca = self.spawn(["/usr/bin/python3", RUN_ORCA, self.log, self.home + "/orca"],
                              "orca")
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline and orca.poll() is None:
                if any(line.startswith("Screen reader on") for line in self.speech()):
                    return
                time.sleep(0.2)
            self.end(orca)
            time.sleep(5)
        with open(os.path.join(self.home, "orca.log"), errors="replace") as f:
            tail = f.read()[-2000:]
        raise SessionError("Orca did not start in three tries (another Orca starting on the "
                           "machine at the same time?):\n" + tail)

    def start_chromium(self):
        profile = os.path.join(self.home, "chromium")
        # No offer to translate the page, which Orca would read first.
        self.write("chromium/Default/Preferences",
                   '{"translate": {"enabled": false}, "browser": {"has_seen_welcome_page": true}}')
        argv = ["chromium", "--user-data-dir=" + profile, "--no-first-run",
                "--no-default-browser-check", "--disable-features=Translate,MediaRouter",
                "--password-store=basic", "--disable-gpu", "--window-position=0,0",
                "--window-size=1024,768", "--disable-dev-shm-usage", "--disable-extensions",
                "--disable-background-networking", "--disable-sync",
                "--disable-component-update", "--lang=ru",
                # As in the page's other tests: root may not have the sandbox, nor may an
                # ordinary user in a chroot or container without user namespaces, and then
                # Chromium quits before it opens a window.
                "--no-sandbox"]
        self.spawn(argv + [self.url], "chromium")

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

    def stop(self):
        for _, process in reversed(self.processes):
            self.end(process)
        if self.log_folder and os.path.exists(self.log):
            os.makedirs(self.log_folder, exist_ok=True)
            shutil.copy(self.log, os.path.join(self.log_folder, "orca-debug.log"))
        shutil.rmtree(self.home, ignore_errors=True)

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
