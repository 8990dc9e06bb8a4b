#!/usr/bin/env python3
"""The desktop app end to end under Xvfb (xdotool for input, ImageMagick's
import/convert for screenshots): what the window adds to the app.
A clear error without a display; the window presenting the chart with its
fonts, and nothing while idle; the mouse, the keys and the wheel reaching
the chart and its controls; links handed to xdg-open, and its failure
reaching the app; a clean exit on SIGTERM, with no sanitizer report; and a
window opened at a starting view showing that view's snapshot. (What the
gestures and links do in the app is the app tests' business; the backend's
loop, letterboxing and life cycle are SdlInputTest's.)

usage: starchart_e2e.py OUT_DIR STARCHART"""

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
        # ImageMagick's P6 header: magic, width and height, maxval (255), one line each.
        _, size, _, data = ppm.split(b"\n", 3)
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
        self.proc.terminate()
        self.proc.wait(5)


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
            app.proc.kill()
            app.proc.wait()
        if display:
            display.close()
    log("passed in %.1f s; screenshots and logs in %s" % (time.time() - started, out_dir))


INFO_BUTTON = (301, 441)  # the main screen's info button, at (283, 423, 37, 37)
DONE = (160, 446)  # the info screen's Done, at (110, 428, 100, 37)
WEB_BUTTON = (160, 380)  # the info screen's web-site button, at (40, 351.5, 240, 57)
STORE = (50, 150)  # in the info screen's invisible store button, at (10, 90, 310, 220)
READOUT = (0, 0, 300, 26)  # the black box behind the red readout
CHART = (0, 60, 320, 340)  # a band of sky clear of the readout, buttons and bottom line
FAILURE = (0, 4, 320, 36)  # where the info screen says a link could not be opened


def text_changed(a, b):
    """Readout crops compared by their red text alone (stars are drawn over the box)."""
    flips = sum(1 for p, q in zip(a.pixels(), b.pixels()) if is_red(p) != is_red(q))
    return flips / float(max(1, a.width * a.height))


def presents(app):
    return app.stderr().count("sdl: present ")


def wait_still(app, quiet=0.5, timeout=10):
    """Waits until the window has not been presented for `quiet` seconds
    (animations over); returns the present count."""
    deadline = time.time() + timeout
    last, since = presents(app), time.time()
    while time.time() < deadline:
        time.sleep(0.05)
        now = presents(app)
        if now != last:
            last, since = now, time.time()
        elif time.time() - since >= quiet:
            return now
    raise Failure("the window kept changing for %d s" % timeout)


def fake_browser(out_dir):
    """An xdg-open that records the links it is given and opens none but the
    web site's: any other fails with status 3."""
    bin_dir = os.path.join(out_dir, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    urls = os.path.join(out_dir, "opened-urls.txt")
    if os.path.exists(urls):
        os.remove(urls)
    script = os.path.join(bin_dir, "xdg-open")
    with open(script, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n[ "$1" = https://starchart.example.org/ ] || exit 3\n' % urls)
    os.chmod(script, 0o755)
    return bin_dir, urls


def opened(urls):
    return open(urls).read().split() if os.path.exists(urls) else []


def test(display, out_dir, args):
    program = args[0]
    # Without a display: a clear error, not an invisible window.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    env["XDG_RUNTIME_DIR"] = out_dir  # keeps Wayland's client library quiet
    try:
        r = subprocess.run([program, "--device", "phone"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
    except subprocess.TimeoutExpired:
        raise Failure("without a display the app kept running")
    err = r.stderr.decode(errors="replace")
    check(r.returncode == 1 and "starchart: cannot open a window" in err,
          "without a display: status 1 and %r" % err.strip().splitlines()[-1:])

    # Opened at a starting view, the window shows that view's snapshot.
    view = ["--ra", "5.5", "--dec", "-20", "--zoom", "2"]
    shot = os.path.join(out_dir, "start-view.png")
    r = subprocess.run([program, "snapshot", "--device", "phone"] + view + ["--out", shot],
                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    check(r.returncode == 0, "snapshot of the starting view: %r" % r.stderr.decode(errors="replace")[-200:])
    bin_dir, urls = fake_browser(out_dir)
    app = App(display, [program, "--device", "phone"] + view, out_dir, "starchart",
              env={"STARCHART_SDL_LOG": "1", "PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")})
    check((app.width, app.height) == (320, 480), "the phone window is 320x480 (%dx%d)" % (app.width, app.height))

    wait_until(lambda: presents(app) >= 1, 10, "the first frame")
    n = wait_still(app)
    time.sleep(1.0)
    check(presents(app) == n, "nothing is presented while idle (%d presents at start)" % n)

    start = app.screenshot("chart")
    readout0 = start.crop(*READOUT)
    sky0 = start.crop(*CHART)
    check(readout0.count(is_red) > 100, "the readout shows red text")
    blue = sky0.count(lambda p: p[2] > 150 and p[0] < 90 and p[1] < 90)
    check(sky0.count(is_white) > 50 and blue > 200, "the chart shows stars and figures")
    differ = sky0.changed_fraction(Image.load(shot).crop(*CHART))
    check(differ < 0.002, "the window at --ra 5.5 --dec -20 --zoom 2 shows the snapshot of that view (%.2f%% differ)"
          % (100 * differ))

    # A click on the info button; links go to xdg-open, and its failure shows.
    app.click(*INFO_BUTTON)
    wait_still(app)
    info = app.screenshot("info")
    check(info.crop(*READOUT).count(is_red) == 0, "a click on the info button opens the info screen")
    app.click(*WEB_BUTTON)
    wait_until(lambda: len(opened(urls)) == 1, 5, "the web site link to reach xdg-open")
    app.click(*STORE)
    wait_until(lambda: len(opened(urls)) == 2, 5, "the store link to reach xdg-open")
    check(opened(urls) == ["https://starchart.example.org/", "https://apps.example.org/app/starchart-planets"],
          "both links were handed to the desktop: %s" % opened(urls))
    wait_still(app)
    failed = app.screenshot("link-failed")
    check(failed.crop(*FAILURE).count(is_white) > 100, "the link xdg-open could not open is said on the screen")

    app.click(*DONE)
    wait_still(app)
    check(app.screenshot("back").crop(*READOUT).count(is_red) > 100, "Done brings back the chart")

    # Keys and the wheel: i taps the info button, Escape taps Done, a wheel
    # notch pinches (the sky changes, the centre and its readout stay).
    display.xdotool("mousemove", "--window", app.window, 160, 300)
    app.display.xdotool("key", "i")
    wait_still(app)
    check(app.screenshot("key-i").crop(*READOUT).count(is_red) == 0, "the i key opens the info screen")
    app.display.xdotool("key", "Escape")
    wait_still(app)
    check(text_changed(app.screenshot("key-escape").crop(*READOUT), readout0) < 0.002,
          "Escape closes the info screen")
    app.display.xdotool("click", 4)
    wait_still(app)
    wheeled = app.screenshot("wheel-up")
    sky = wheeled.crop(*CHART).changed_fraction(sky0)
    check(text_changed(wheeled.crop(*READOUT), readout0) < 0.002 and sky > 0.002,
          "a wheel notch zooms about the same centre (%.1f%% of the sky changed)" % (100 * sky))

    # A drag moves the chart centre: the readout changes.
    app.drag(160, 300, 220, 330)
    wait_still(app)
    dragged = app.screenshot("dragged")
    readout1 = dragged.crop(*READOUT)
    check(readout1.count(is_red) > 100 and text_changed(readout1, readout0) > 0.004,
          "dragging changed the readout (%.1f%% of its pixels)" % (100 * text_changed(readout1, readout0)))

    status = app.terminate()
    check(app.exited_cleanly(status), "SIGTERM closes the app with status 0 (got %d)" % status)


if __name__ == "__main__":
    main(test)
