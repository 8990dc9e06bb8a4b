#!/usr/bin/env python3
"""The desktop app end to end under Xvfb, as a person would use it with a
mouse: the chart at start, the info button and the info screen (its two
links go to a stand-in xdg-open), Done, a drag that moves the readout, a
double click that reaches the chart as a double tap, an Alt + drag pinch, no
frames while idle, a clean exit on SIGTERM, a clear error without a display,
and a window opened at a starting view from the command line.

usage: starchart_e2e.py OUT_DIR STARCHART SOURCE_DIR"""

import json
import os
import stat
import subprocess
import time

import e2e_lib as e
from e2e_lib import check

W, H = 320, 480
INFO_BUTTON = (283, 423, 37, 37)  # the main screen's info button on a 320 x 480 screen
WEB_BUTTON = (40, 351.5, 240, 57)  # the info screen's web-site button
STORE_AREA = (10, 90, 310, 220)  # the info screen's invisible store button
READOUT = (0, 0, 300, 26)  # the black box behind the red readout
CHART = (0, 60, 320, 340)  # a band of sky clear of the readout, buttons and bottom line


def centre(r):
    return r[0] + r[2] / 2.0, r[1] + r[3] / 2.0


def crop(img, r):
    return img.crop(int(r[0]), int(r[1]), int(r[2]), int(r[3]))


def changed(a, b):
    return a.changed_fraction(b)


def text_changed(a, b):
    """Readout crops compared by their red text alone (stars are drawn over the box)."""
    flips = sum(1 for p, q in zip(a.pixels(), b.pixels()) if e.is_red(p) != e.is_red(q))
    return flips / float(max(1, a.width * a.height))


def is_blue(p):
    return p[2] > 150 and p[0] < 90 and p[1] < 90


def done_control(source_dir):
    """The closing control of the info screen, from its interface
    description: the centre of the view or bar item whose action is done:."""
    path = os.path.join(source_dir, "resources", "VHFlipsideViewController.json")
    with open(path) as f:
        nib = json.load(f)

    def origin_of(view, parent):
        fr = view.get("frame")
        if fr == "screen" or fr is None:
            return (0, 0, W, H)
        return (parent[0] + fr[0], parent[1] + fr[1], fr[2], fr[3])

    def search(view, parent):
        r = origin_of(view, parent)
        if view.get("action") == "done:":
            return centre(r)
        items = view.get("items") or [view.get(k) for k in ("leftItem", "rightItem") if view.get(k)]
        for i, item in enumerate(items):
            if item.get("action") != "done:":
                continue
            # A bar item: at the bar's left end when first, its right end when last.
            if item is view.get("rightItem") or i == len(items) - 1:
                return r[0] + r[2] - 35, r[1] + r[3] / 2.0
            if i == 0:
                return r[0] + 35, r[1] + r[3] / 2.0
        for sub in view.get("subviews", []):
            found = search(sub, r)
            if found:
                return found
        return None

    found = search(nib["root"], (0, 0, W, H))
    if not found:
        raise e.Failure("%s has no control with the action done:" % path)
    return found


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
    """An xdg-open that records the links it is given instead of opening them."""
    bin_dir = os.path.join(out_dir, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    urls = os.path.join(out_dir, "opened-urls.txt")
    if os.path.exists(urls):
        os.remove(urls)
    script = os.path.join(bin_dir, "xdg-open")
    with open(script, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % urls)
    os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    return bin_dir, urls


def opened(urls):
    if not os.path.exists(urls):
        return []
    with open(urls) as f:
        return f.read().split()


def test(display, out_dir, args):
    program, source_dir = args[0], args[1]
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

    done = done_control(source_dir)
    bin_dir, urls = fake_browser(out_dir)
    app = e.App(display, [program, "--device", "phone"], out_dir, "starchart",
                env={"STARCHART_SDL_LOG": "1", "PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")})
    check((app.width, app.height) == (W, H), "the phone window is 320x480 (%dx%d)" % (app.width, app.height))

    e.wait_until(lambda: presents(app) >= 1, 10, "the first frame")
    n = wait_still(app)
    time.sleep(1.0)
    check(presents(app) == n, "nothing is presented while idle (%d presents at start)" % n)

    start = app.screenshot("chart")
    readout0 = crop(start, READOUT)
    sky0 = crop(start, CHART)
    check(readout0.count(e.is_red) > 100, "the readout shows red text")
    check(sky0.count(e.is_white) > 50 and sky0.count(is_blue) > 200, "the chart shows stars and figures")

    # The info screen.
    app.click(*centre(INFO_BUTTON))
    wait_still(app)
    info = app.screenshot("info")
    check(crop(info, READOUT).count(e.is_red) == 0, "the readout is gone")
    check(crop(info, (0, 60, 320, 20)).fraction(e.is_black) > 0.95,
          "black background where the chart was")
    web = crop(info, WEB_BUTTON)
    check(web.count(e.is_white) > 50 and web.fraction(e.is_black) < 0.5,
          "the web-site button shows its title on its image")

    app.click(*centre(WEB_BUTTON))
    e.wait_until(lambda: len(opened(urls)) == 1, 5, "the web site link to reach xdg-open")
    app.click(STORE_AREA[0] + 40, STORE_AREA[1] + 60)
    e.wait_until(lambda: len(opened(urls)) == 2, 5, "the store link to reach xdg-open")
    links = opened(urls)
    check(all(u.startswith(("http://", "https://")) for u in links) and links[0] != links[1],
          "both links were handed to the desktop: %s" % links)

    app.click(*done)
    wait_still(app)
    back = app.screenshot("back")
    check(text_changed(crop(back, READOUT), readout0) < 0.002 and changed(crop(back, CHART), sky0) < 0.002,
          "Done brings back the same chart")

    # Keys and the wheel make a finger's touches: i taps the info button,
    # Escape taps Done, a wheel notch pinches (the sky changes, the centre
    # and its readout stay) and the notch back undoes it.
    app.move(160, 300)
    app.display.xdotool("key", "i")
    wait_still(app)
    check(crop(app.screenshot("key-i"), READOUT).count(e.is_red) == 0, "the i key opens the info screen")
    app.display.xdotool("key", "Escape")
    wait_still(app)
    check(text_changed(crop(app.screenshot("key-escape"), READOUT), readout0) < 0.002,
          "Escape closes the info screen")
    app.display.xdotool("click", 4)
    wait_still(app)
    wheeled = app.screenshot("wheel-up")
    check(text_changed(crop(wheeled, READOUT), readout0) < 0.002 and changed(crop(wheeled, CHART), sky0) > 0.002,
          "a wheel notch zooms about the same centre (%.1f%% of the sky changed)"
          % (100 * changed(crop(wheeled, CHART), sky0)))
    app.display.xdotool("click", 5)
    wait_still(app)
    check(changed(crop(app.screenshot("wheel-down"), CHART), sky0) < 0.002, "the notch back restores the sky")

    # A drag moves the chart centre: the readout changes.
    app.drag(160, 300, 220, 330, steps=10)
    wait_still(app)
    dragged = app.screenshot("dragged")
    readout1 = crop(dragged, READOUT)
    check(readout1.count(e.is_red) > 100 and text_changed(readout1, readout0) > 0.004,
          "dragging changed the readout (%.1f%% of its pixels)" % (100 * text_changed(readout1, readout0)))
    sky1 = crop(dragged, CHART)

    # A double click is a double tap: the star names join the chart. (The
    # learning mode's steps themselves are the app tests' business.)
    app.click(100, 200, repeat=2, delay_ms=80)
    wait_still(app)
    names = app.screenshot("names")
    check(text_changed(crop(names, READOUT), readout1) < 0.002 and changed(crop(names, CHART), sky1) > 0.005,
          "a double click adds to the chart without moving it")

    # Alt + drag: two fingers mirrored about the centre pinch the chart
    # without moving its centre.
    app.drag(200, 300, 240, 360, steps=10, keys=("alt",))
    wait_still(app)
    pinched = app.screenshot("pinched")
    check(text_changed(crop(pinched, READOUT), crop(names, READOUT)) < 0.002
          and changed(crop(pinched, CHART), crop(names, CHART)) > 0.02, "Alt + drag zooms about the centre")

    n = presents(app)
    time.sleep(1.0)
    check(presents(app) == n, "still no frames while idle (%d presents in all)" % n)

    status = app.terminate()
    check(app.exited_cleanly(status), "SIGTERM closes the app with status 0 (got %d)" % status)
    check(not app.sanitizer_findings(), "no sanitizer report on the program's code")
    err = app.stderr()
    totals = [l for l in err.splitlines() if l.startswith("sdl:") and "presents" in l]
    e.log(totals[-1] if totals else "no totals line")

    # A starting view from the command line: the window opens where the
    # snapshot of that view is, far from the chart's own start.
    view = ["--ra", "5.5", "--dec", "-20", "--zoom", "2"]
    shot = os.path.join(out_dir, "start-view.png")
    r = subprocess.run([program, "snapshot", "--device", "phone"] + view + ["--out", shot],
                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    check(r.returncode == 0, "snapshot of the starting view: %r" % r.stderr.decode(errors="replace")[-200:])
    expected = crop(e.Image.load(shot), CHART)
    app = e.App(display, [program, "--device", "phone"] + view, out_dir, "starchart-view",
                env={"STARCHART_SDL_LOG": "1"})
    e.wait_until(lambda: presents(app) >= 1, 10, "the first frame at the view")
    wait_still(app)
    opened_at = crop(app.screenshot("start-view"), CHART)
    check(changed(opened_at, sky0) > 0.02, "--ra/--dec/--zoom open another part of the sky (%.2f%% differ)"
          % (100 * changed(opened_at, sky0)))
    check(changed(opened_at, expected) < 0.002, "the window at --ra 5.5 --dec -20 --zoom 2 shows the snapshot "
          "of that view (%.2f%% differ)" % (100 * changed(opened_at, expected)))
    status = app.terminate()
    check(app.exited_cleanly(status), "the second window closes with status 0 (got %d)" % status)
    check(not app.sanitizer_findings(), "no sanitizer report in the second window")


if __name__ == "__main__":
    e.main(test)
