#!/usr/bin/env python3
"""Fails on an include that goes up a layer (README, Layout).

    python3 tools/check_layers.py [REPO_DIR]

Each folder may include itself and what is listed for it; the most specific
folder decides. tests/, bench/, fuzz/ and tools/ may use everything.
"""
import pathlib
import re
import sys

SKY, CG = "sky/", "platform/cg/"
PORT, UI = "platform/ui/port/", "platform/ui/"
OFFSCREEN = "platform/backend/offscreen/"
LOWER = [SKY, CG, PORT, UI]

# folder -> folders it may include, besides itself
RULES = {
    SKY: [],
    CG: [],
    PORT: [CG],
    UI: [CG, PORT],
    # A backend implements the ports: it sees them and cg, not the toolkit.
    "platform/backend/sdl/": [CG, PORT],
    "platform/backend/web/": [CG, PORT],
    OFFSCREEN: [CG, PORT],
    # The harness drives the toolkit on the offscreen backend.
    OFFSCREEN + "OffscreenApp": [CG, PORT, UI, OFFSCREEN],
    OFFSCREEN + "OffscreenPress": [CG, PORT, UI, OFFSCREEN],
    "resources/": [UI],
    "chart/": [SKY, CG, PORT, UI],
    "infoscreen/": [CG, PORT, UI],
    "mainscreen/": LOWER + ["chart/", "infoscreen/"],
    "cli/": LOWER + [OFFSCREEN, "chart/", "infoscreen/", "mainscreen/"],
    "app/": None,  # the top: main wires everything
}
EXEMPT = ("tests/", "bench/", "fuzz/", "tools/", "build/", "web/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def rule_for(path):
    best = None
    for folder in RULES:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def check(root):
    faults = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        path = file.relative_to(root).as_posix()
        if path.startswith(EXEMPT) or "/." in "/" + path:
            continue
        folder = rule_for(path)
        if folder is None:
            faults.append("%s: in no layer (add its folder to tools/check_layers.py)" % path)
            continue
        allowed = RULES[folder]
        if allowed is None:
            continue
        own = folder if folder.endswith("/") else folder.rsplit("/", 1)[0] + "/"
        for name in INCLUDE.findall(file.read_text(encoding="utf-8")):
            if "/" not in name:
                continue  # a sibling or a system header
            if name.startswith(own) or any(name.startswith(a) for a in allowed):
                continue
            faults.append("%s includes %s: %s may use only %s" % (path, name, folder, ", ".join([own] + allowed)))
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = check(root)
    for f in faults:
        print(f, file=sys.stderr)
    if faults:
        print("check_layers: %d include(s) going up a layer" % len(faults), file=sys.stderr)
        return 1
    print("check_layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
