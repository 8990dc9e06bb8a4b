"""A virtual X display, the program's window on it, synthetic input and
screenshots, for the desktop end-to-end test (Python 3 standard library,
with Xvfb, xdotool and ImageMagick's import/convert)."""

import glob
import os
import select
import shutil
import signal
import subprocess
import sys
import time

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests
LEAK_STATUS = 86  # exit status of a sanitized program that reports leaks
LSAN_SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "platform", "backend",
                                 "sdl", "lsan.supp")
# The software GL driver SDL's renderer gets under Xvfb (Mesa's llvmpipe).
GL_DRIVERS = "/usr/lib/*/dri/swrast_dri.so"


class Failure(Exception):
    pass


def log(*args):
    print(*args, flush=True)


class Image:
    """RGB pixels of a screenshot or a part of one."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def load(path):
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        # ImageMagick's P6 header: magic, width and height, maxval, one line each.
        magic, size, maxval, data = ppm.split(b"\n", 3)
        if magic != b"P6" or maxval != b"255":
            raise Failure("unexpected image format from convert for %s" % path)
        w, h = map(int, size.split())
        return Image(w, h, data[:w * h * 3])

    def crop(self, x, y, w, h):
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def pixels(self):
        d = self.data
        for i in range(0, len(d), 3):
            yield d[i], d[i + 1], d[i + 2]

    def count(self, predicate):
        return sum(1 for p in self.pixels() if predicate(p))

    def changed_fraction(self, other, threshold=48):
        """The fraction of pixels where some channel differs by more than threshold."""
        a, b = self.data, other.data
        changed = sum(1 for i in range(0, len(a), 3)
                      if max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2])) > threshold)
        return changed / float(max(1, self.width * self.height))


def is_red(p):
    return p[0] > 120 and p[1] < 70 and p[2] < 70


def is_white(p):
    return p[0] > 200 and p[1] > 200 and p[2] > 200


class Display:
    """An Xvfb server on a display number it picks itself (-displayfd), so
    that parallel tests never collide."""

    def __init__(self, screen="1024x768x24"):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.close(w)
        number = b""
        deadline = time.time() + 15
        while not number.endswith(b"\n"):
            left = deadline - time.time()
            chunk = os.read(r, 16) if left > 0 and select.select([r], [], [], left)[0] else b""
            if not chunk:
                os.close(r)
                self.close()
                raise Failure("Xvfb did not start within 15 s: "
                              + self.proc.stderr.read().decode(errors="replace")[-500:])
            number += chunk
        os.close(r)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip())
        self.env.pop("WAYLAND_DISPLAY", None)

    def xdotool(self, *args):
        out = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=10)
        if out.returncode != 0:
            raise Failure("xdotool %s failed: %s" % (args, out.stderr.decode(errors="replace").strip()))
        return out.stdout.decode()

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


_running = []


class App:
    """The program on a Display: its window, input in window pixels,
    screenshots of the window."""

    def __init__(self, display, argv, out_dir, name, env=None):
        self.display, self.out_dir, self.name, self.shots = display, out_dir, name, 0
        self.stderr_path = os.path.join(out_dir, name + ".stderr.txt")
        self._err = open(self.stderr_path, "wb")
        e = dict(display.env, **(env or {}))
        # Under the sanitizers: a status of its own for leak reports.
        e["ASAN_OPTIONS"] = ":".join(filter(None, [e.get("ASAN_OPTIONS"), "exitcode=%d" % LEAK_STATUS]))
        # libdbus's and the dynamic loader's own leaks are suppressed by
        # library name (lsan.supp). Thread-local storage is not scanned: the
        # leak checker's tracer crashes on the dynamic TLS a GL driver leaves
        # when it is unloaded. Fewer roots can only report more leaks, never
        # hide one.
        e["LSAN_OPTIONS"] = ":".join(filter(None, [e.get("LSAN_OPTIONS"), "suppressions=" + LSAN_SUPPRESSIONS,
                                                   "use_tls=0"]))
        drivers = sorted(glob.glob(GL_DRIVERS))
        if drivers and b"libasan" in subprocess.run(["ldd", argv[0]], stdout=subprocess.PIPE).stdout:
            # The GL driver is unloaded when SDL closes the display, before
            # the leak check: what it still held would be reported with
            # stacks that end in no library. Loaded from the start, it stays
            # to the end, and its memory is still reachable from it.
            e["LD_PRELOAD"] = ":".join(filter(None, [e.get("LD_PRELOAD"), drivers[0]]))
            e["ASAN_OPTIONS"] += ":verify_asan_link_order=0"
        log("starting", " ".join(argv))
        self.proc = subprocess.Popen(argv, env=e, stdout=open(os.path.join(out_dir, name + ".stdout.txt"), "wb"),
                                     stderr=self._err, stdin=subprocess.DEVNULL)
        _running.append(self)
        deadline = time.time() + 30
        while True:
            if self.proc.poll() is not None:
                raise Failure("%s exited with status %d before showing a window; stderr:\n%s"
                              % (name, self.proc.returncode, self.stderr()))
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^starchart$"],
                                   env=display.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            if found.stdout.split():
                self.window = found.stdout.split()[0].decode()
                break
            if time.time() > deadline:
                raise Failure("no visible starchart window within 30 s")
            time.sleep(0.1)
        geo = dict(line.partition("=")[::2] for line in display.xdotool("getwindowgeometry", "--shell",
                                                                       self.window).split())
        self.x, self.y, self.width, self.height = (int(geo[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def stderr(self):
        self._err.flush()
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    # Input, in window pixels.
    def move(self, x, y):
        self.display.xdotool("mousemove", "--window", self.window, int(x), int(y))

    def click(self, x, y):
        self.display.xdotool("mousemove", "--window", self.window, int(x), int(y), "click", 1)

    def drag(self, x0, y0, x1, y1, steps=10):
        """Presses at (x0, y0), moves in steps 20 ms apart to (x1, y1), releases."""
        moves = [a for i in range(1, steps + 1) for a in ("sleep", 0.02, "mousemove", "--window", self.window,
                                                          x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)]
        self.display.xdotool("mousemove", "--window", self.window, x0, y0, "mousedown", 1, *moves, "sleep", 0.02,
                             "mouseup", 1)

    def screenshot(self, label):
        """The window's pixels, saved as <out_dir>/<name>-NN-<label>.png."""
        self.shots += 1
        path = os.path.join(self.out_dir, "%s-%02d-%s.png" % (self.name, self.shots, label))
        subprocess.run(["import", "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (self.width, self.height, self.x, self.y), "+repage", path],
                       env=self.display.env, check=True, timeout=10)
        return Image.load(path)

    def exited_cleanly(self, status):
        """Status 0 and no sanitizer report: no memory error, no undefined
        behaviour, and no leak but those lsan.supp names (libraries' own)."""
        err = self.stderr()
        return status == 0 and not any(w in err for w in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                                                           "runtime error:"))

    def terminate(self, timeout=5):
        """SIGTERM, as a desktop session ending would; returns the exit status."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not exit within %d s of SIGTERM" % (self.name, timeout))


def wait_until(predicate, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))


def check(condition, message):
    if not condition:
        raise Failure(message)
    log("ok:", message)


def main(test):
    """Runs test(display, out_dir, programs) with argv[1] as out_dir; exits 0
    passed, 1 failed, 77 skipped (no Xvfb)."""
    out_dir = os.path.abspath(sys.argv[1])
    os.makedirs(out_dir, exist_ok=True)
    if not shutil.which("Xvfb"):
        log("SKIPPED: Xvfb is not installed (Debian package xvfb; scripts/install-deps.sh installs it)")
        sys.exit(SKIP)
    started = time.time()
    display = None
    try:
        missing = [t for t in ("xdotool", "import", "convert") if not shutil.which(t)]
        if missing:
            raise Failure("missing tools: %s (Debian packages xdotool, imagemagick)" % ", ".join(missing))
        display = Display()
        test(display, out_dir, sys.argv[2:])
    except Failure as e:
        log("FAILED:", e)
        log("screenshots and logs in", out_dir)
        sys.exit(1)
    finally:
        for app in _running:
            if app.proc.poll() is None:
                app.proc.kill()
                app.proc.wait()
        if display:
            display.close()
    log("passed in %.1f s; screenshots and logs in %s" % (time.time() - started, out_dir))
