#!/usr/bin/env python3
"""The SDL backend in a real window under Xvfb, driven by sdl_demo (the
backend with a small host of its own): device pixels vs points at pixel
ratio 2, the X server's mouse and Alt key as fingers (their mapping in detail
is SdlInputTest's), double click timing, letterboxing in a window of another
size, a wake-up from another thread, focus and visibility as life-cycle
notices, and a clean exit on SIGTERM.

usage: sdl_backend_e2e.py OUT_DIR SDL_DEMO"""

import time

import e2e_lib as e
from e2e_lib import check

W, H, RATIO = 200, 300, 2  # points, pixels per point


def frames(app):
    """The demo's touch log: [(timestamp, [(finger, phase, x, y), ...]), ...]."""
    out = []
    for line in app.stdout().splitlines():
        f = line.split()
        if f and f[0] == "frame":
            out.append((float(f[1]), []))
        elif f and f[0] == "touch":
            out[-1][1].append((int(f[1]), int(f[2]), float(f[3]), float(f[4])))
    return out


def count(app, word):
    return sum(1 for line in app.stdout().splitlines() if line.split()[:1] == [word])


def lifecycle(app):
    words = ("resign active", "background", "foreground", "become active")
    return [line for line in app.stdout().splitlines() if line in words]


def touches_since(app, n):
    return [t for _, pts in frames(app)[n:] for t in pts]


def settle(app, n_frames_before, expect_last):
    """Waits until the log has a touch with (finger, phase) expect_last after
    frame n_frames_before and the demo has presented it."""
    e.wait_until(lambda: any(t[:2] == expect_last for t in touches_since(app, n_frames_before)), 5,
                 "touch %s in the log" % (expect_last,))
    time.sleep(0.15)


def near(a, b, tol=0.6):
    return abs(a[0] - b[0]) <= tol and abs(a[1] - b[1]) <= tol


def colour_at(img, x, y):
    return img.pixel(int(x * RATIO), int(y * RATIO))


def is_green(p):
    return p[1] > 200 and p[0] < 60 and p[2] < 60


def is_yellow(p):
    return p[0] > 200 and p[1] > 200 and p[2] < 60


def test(display, out_dir, args):
    demo = args[0]
    app = e.App(display, [demo, "--size", "%dx%d" % (W, H), "--pixel-ratio", str(RATIO), "--wake-after", "2"],
                out_dir, "sdl-demo", env={"STARCHART_SDL_LOG": "1"})
    check((app.width, app.height) == (W * RATIO, H * RATIO),
          "window is %dx%d points at ratio %d: %dx%d pixels" % (W, H, RATIO, app.width, app.height))
    e.wait_until(lambda: count(app, "present") >= 1, 5, "the first present")

    img = app.screenshot("start")
    check(is_yellow(img.pixel(5, 5)) and is_yellow(img.pixel(38, 38)) and not is_yellow(img.pixel(42, 42)),
          "the 20-point square at the top-left is 40 pixels wide")

    # requestFrame from another thread wakes the sleeping loop.
    e.wait_until(lambda: count(app, "woken") == 1, 5, "the wake-up frame")
    time.sleep(0.15)
    img = app.screenshot("woken")
    check(e.is_white(img.pixel(W * RATIO - 5, H * RATIO - 5)), "the woken frame reached the window")

    # A drag: one finger in points, its disc under the pointer while the button is down.
    n = len(frames(app))
    display.xdotool("mousemove", "--window", app.window, 100, 100, "mousedown", 1)
    for x, y in ((110, 105), (125, 112), (140, 120)):
        time.sleep(0.03)
        app.move(x, y)
    e.wait_until(lambda: any(near(t[2:], (70, 60)) for t in touches_since(app, n)), 5, "the move to (70,60)")
    time.sleep(0.15)
    img = app.screenshot("drag")
    check(e.is_red(colour_at(img, 70, 60)), "finger 1's disc is under the pointer while dragging")
    display.xdotool("mouseup", 1)
    settle(app, n, (1, 3))
    got = touches_since(app, n)
    check(got[0][:2] == (1, 0) and near(got[0][2:], (50, 50)) and got[-1][:2] == (1, 3)
          and all(t[1] == 1 for t in got[1:-1]) and len(got) >= 3,
          "drag from pixel (100,100): began at point (50,50), moved..., ended: %s" % got)

    # Alt + drag: finger 2 mirrored through the centre.
    n = len(frames(app))
    display.xdotool("mousemove", "--window", app.window, 100, 100)
    display.xdotool("keydown", "alt")
    display.xdotool("mousedown", 1)
    time.sleep(0.05)
    app.move(120, 110)
    settle(app, n, (2, 1))
    img = app.screenshot("alt-drag")
    check(e.is_red(colour_at(img, 60, 55)) and is_green(colour_at(img, W - 60, H - 55)),
          "Alt + drag: finger 1 at the pointer (60,55), finger 2 mirrored at (%d,%d)" % (W - 60, H - 55))
    got = touches_since(app, n)
    check(got[0][:2] == (1, 0) and got[1][:2] == (2, 0) and near(got[1][2:], (W - 50, H - 50)),
          "both fingers begin together: %s" % got[:2])

    display.xdotool("mouseup", 1)
    display.xdotool("keyup", "alt")
    settle(app, n, (2, 3))
    time.sleep(0.1)
    img = app.screenshot("released")
    check(img.count(lambda p: e.is_red(p) or is_green(p)) == 0, "no finger left on screen")

    # A double click: two taps in quick succession by the event timestamps.
    n = len(frames(app))
    app.click(60, 60, repeat=2, delay_ms=80)
    e.wait_until(lambda: [t[:2] for t in touches_since(app, n)] == [(1, 0), (1, 3), (1, 0), (1, 3)], 5,
                 "two taps")
    stamps = [ts for ts, pts in frames(app)[n:] for t in pts if t[1] == 0 or t[1] == 3]
    check(0 < stamps[2] - stamps[1] < 0.35, "the second press follows the first release by %.3f s (< 0.35)"
          % (stamps[2] - stamps[1]))

    # A window given another size shows the screen scaled to fit, centred,
    # and input maps through the same box: 400x600 in 600x600 is offset by 100.
    display.xdotool("windowsize", "--sync", app.window, 600, 600)
    app.refresh_geometry()
    time.sleep(0.3)
    img = app.screenshot("letterboxed")
    check((app.width, app.height) == (600, 600) and is_yellow(img.pixel(105, 5)) and img.pixel(50, 300) == (0, 0, 0)
          and img.pixel(550, 300) == (0, 0, 0), "a 600x600 window letterboxes the 400x600 screen")
    n = len(frames(app))
    app.click(100 + 100, 100)
    settle(app, n, (1, 3))
    got = touches_since(app, n)
    check(near(got[0][2:], (50, 50)), "a click maps through the letterbox: %s" % (got[0][2:],))
    display.xdotool("windowsize", "--sync", app.window, W * RATIO, H * RATIO)
    app.refresh_geometry()

    # Life cycle: another window taking the focus mid-drag resigns the
    # application and cancels the touch; focus back makes it active again;
    # unmapping the window (as minimising does) sends it to the background.
    n = len(frames(app))
    mark = len(lifecycle(app))
    display.xdotool("mousemove", "--window", app.window, 100, 100, "mousedown", 1)
    settle(app, n, (1, 0))
    other = e.App(display, [demo, "--size", "100x100"], out_dir, "sdl-demo-other", exclude=(app.window,))
    display.xdotool("windowfocus", "--sync", other.window)
    e.wait_until(lambda: lifecycle(app)[mark:] == ["resign active"], 5, "resign active")
    display.xdotool("mouseup", 1)
    settle(app, n, (1, 4))
    check([t[:2] for t in touches_since(app, n)] == [(1, 0), (1, 4)],
          "losing the focus cancels the touch: %s" % touches_since(app, n))
    display.xdotool("windowfocus", "--sync", app.window)
    e.wait_until(lambda: lifecycle(app)[mark:] == ["resign active", "become active"], 5, "become active")
    display.xdotool("windowunmap", "--sync", app.window)
    e.wait_until(lambda: lifecycle(app)[mark + 2:] == ["resign active", "background"], 5, "background")
    display.xdotool("windowmap", "--sync", app.window)
    display.xdotool("windowfocus", "--sync", app.window)
    e.wait_until(lambda: lifecycle(app)[mark + 4:] == ["foreground", "become active"], 5, "foreground")
    e.log("life cycle:", lifecycle(app)[mark:])
    check(other.exited_cleanly(other.terminate()), "the other window closes cleanly")

    status = app.terminate()
    check(app.exited_cleanly(status) and "quit 0" in app.stdout(),
          "SIGTERM ends the loop with status 0 and no sanitizer report (got %d)" % status)


if __name__ == "__main__":
    e.main(test)
