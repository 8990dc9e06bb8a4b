"""A desktop session with no input at all: the window opens, draws, sits
idle and closes on SIGTERM with status 0. Under the sanitizers that means
no error and no leak report (third-party leaks are suppressed by library
name in platform/backend/sdl/lsan.supp).

usage: idle_session_e2e.py OUT_DIR STARCHART"""

import time

import e2e_lib as e
from e2e_lib import check


def test(display, out_dir, args):
    program = args[0]
    e.log("sanitized:", e.sanitized(program))
    app = e.App(display, [program, "--device", "phone"], out_dir, "idle")
    time.sleep(2.0)
    check(app.alive(), "the window stays open with no input")
    status = app.terminate()
    err = app.stderr()
    check("LeakSanitizer" not in err and "AddressSanitizer" not in err and "runtime error:" not in err,
          "no sanitizer report:\n" + err)
    check(status == 0, "SIGTERM ends the session with status 0 (got %d)" % status)


if __name__ == "__main__":
    e.main(test)
