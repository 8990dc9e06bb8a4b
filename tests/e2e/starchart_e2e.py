#!/usr/bin/env python3
"""The desktop app end to end under Xvfb: what the window adds to the app.
A clear error without a display; the window presenting the chart with its
fonts, and nothing while idle; the mouse, the keys and the wheel reaching
the chart and its controls; links handed to xdg-open, and its failure
reaching the app; a clean exit on SIGTERM, with no sanitizer report; and a
window opened at a starting view showing that view's snapshot. (What the
gestures and links do in the app is the app tests' business; the backend's
loop, letterboxing and life cycle are SdlInputTest's.)

usage: starchart_e2e.py OUT_DIR STARCHART"""

import os
import subprocess
import time

import e2e_lib as e
from e2e_lib import check

W, H = 320, 480
INFO_BUTTON = (301, 441)  # the main screen's info button, at (283, 423, 37, 37)
DONE = (160, 446)  # the info screen's Done, at (110, 428, 100, 37)
WEB_BUTTON = (160, 380)  # the info screen's web-site button, at (40, 351.5, 240, 57)
STORE = (50, 150)  # in the info screen's invisible store button, at (10, 90, 310, 220)
READOUT = (0, 0, 300, 26)  # the black box behind the red readout
CHART = (0, 60, 320, 340)  # a band of sky clear of the readout, buttons and bottom line
FAILURE = (0, 4, 320, 36)  # where the info screen says a link could not be opened


def text_changed(a, b):
    """Readout crops compared by their red text alone (stars are drawn over the box)."""
    flips = sum(1 for p, q in zip(a.pixels(), b.pixels()) if e.is_red(p) != e.is_red(q))
    return flips / float(max(1, a.width * a.height))


def is_blue(p):
    return p[2] > 150 and p[0] < 90 and p[1] < 90


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
    raise e.Failure("the window kept changing for %d s" % timeout)


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
    if not os.path.exists(urls):
        return []
    with open(urls) as f:
        return f.read().split()


def test(display, out_dir, args):
    program = args[0]
    # Without a display: a clear error, not an invisible window.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    env["XDG_RUNTIME_DIR"] = out_dir  # keeps Wayland's client library quiet
    try:
        r = subprocess.run([program, "--device", "phone"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
    except subprocess.TimeoutExpired:
        raise e.Failure("without a display the app kept running")
    err = r.stderr.decode(errors="replace")
    check(r.returncode == 1 and "starchart: cannot open a window" in err,
          "without a display: status 1 and %r" % err.strip().splitlines()[-1:])

    bin_dir, urls = fake_browser(out_dir)
    app = e.App(display, [program, "--device", "phone"], out_dir, "starchart",
                env={"STARCHART_SDL_LOG": "1", "PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")})
    check((app.width, app.height) == (W, H), "the phone window is 320x480 (%dx%d)" % (app.width, app.height))

    e.wait_until(lambda: presents(app) >= 1, 10, "the first frame")
    n = wait_still(app)
    time.sleep(1.0)
    check(presents(app) == n, "nothing is presented while idle (%d presents at start)" % n)

    start = app.screenshot("chart")
    readout0 = start.crop(*READOUT)
    sky0 = start.crop(*CHART)
    check(readout0.count(e.is_red) > 100, "the readout shows red text")
    check(sky0.count(e.is_white) > 50 and sky0.count(is_blue) > 200, "the chart shows stars and figures")

    # A click on the info button; links go to xdg-open, and its failure shows.
    app.click(*INFO_BUTTON)
    wait_still(app)
    info = app.screenshot("info")
    check(info.crop(*READOUT).count(e.is_red) == 0, "a click on the info button opens the info screen")
    app.click(*WEB_BUTTON)
    e.wait_until(lambda: len(opened(urls)) == 1, 5, "the web site link to reach xdg-open")
    app.click(*STORE)
    e.wait_until(lambda: len(opened(urls)) == 2, 5, "the store link to reach xdg-open")
    check(opened(urls) == ["https://starchart.example.org/", "https://apps.example.org/app/starchart-planets"],
          "both links were handed to the desktop: %s" % opened(urls))
    wait_still(app)
    failed = app.screenshot("link-failed")
    check(failed.crop(*FAILURE).count(e.is_white) > 100, "the link xdg-open could not open is said on the screen")

    app.click(*DONE)
    wait_still(app)
    check(app.screenshot("back").crop(*READOUT).count(e.is_red) > 100, "Done brings back the chart")

    # Keys and the wheel: i taps the info button, Escape taps Done, a wheel
    # notch pinches (the sky changes, the centre and its readout stay).
    app.move(160, 300)
    app.display.xdotool("key", "i")
    wait_still(app)
    check(app.screenshot("key-i").crop(*READOUT).count(e.is_red) == 0, "the i key opens the info screen")
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
    check(readout1.count(e.is_red) > 100 and text_changed(readout1, readout0) > 0.004,
          "dragging changed the readout (%.1f%% of its pixels)" % (100 * text_changed(readout1, readout0)))

    status = app.terminate()
    check(app.exited_cleanly(status), "SIGTERM closes the app with status 0 (got %d)" % status)

    # A starting view from the command line, and no input at all: the window
    # shows the snapshot of that view, and closes cleanly.
    view = ["--ra", "5.5", "--dec", "-20", "--zoom", "2"]
    shot = os.path.join(out_dir, "start-view.png")
    r = subprocess.run([program, "snapshot", "--device", "phone"] + view + ["--out", shot],
                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    check(r.returncode == 0, "snapshot of the starting view: %r" % r.stderr.decode(errors="replace")[-200:])
    expected = e.Image.load(shot).crop(*CHART)
    app = e.App(display, [program, "--device", "phone"] + view, out_dir, "starchart-view",
                env={"STARCHART_SDL_LOG": "1"})
    e.wait_until(lambda: presents(app) >= 1, 10, "the first frame at the view")
    wait_still(app)
    opened_at = app.screenshot("start-view").crop(*CHART)
    differ = opened_at.changed_fraction(expected)
    check(differ < 0.002, "the window at --ra 5.5 --dec -20 --zoom 2 shows the snapshot of that view (%.2f%% differ)"
          % (100 * differ))
    time.sleep(1.0)
    status = app.terminate()
    check(app.exited_cleanly(status), "the idle window closes with status 0 (got %d)" % status)


if __name__ == "__main__":
    e.main(test)
