#!/usr/bin/env python3
"""Mutation check: plant each fault of tools/mutations.json, one at a time, in
a scratch copy of the source, rebuild it and run the fast suite. A fault the
suite does not notice "survives": some behaviour is not guarded by a test.

    tools/mutate.py                  # every fault
    tools/mutate.py --id M001 M040   # some faults
    tools/mutate.py --file chart/    # faults in files whose path contains chart/
    tools/mutate.py --check          # only check that every fault still applies
    tools/mutate.py --all-killers    # run the whole suite on each fault: every test that fails

The scratch copy lives in build/mutate/src and keeps its own build tree
(build/mutate/src/build/dev), so after the first build each fault rebuilds
only what it touches. The fast suite is ctest on the dev preset without the
desktop end-to-end tests (label e2e) and the source checks that cannot see a
planted fault (table generator, layering).
Not run in CI: a full run takes long.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FAST_EXCLUDE = "sky_generator_test|check_layers"


def load_faults(path):
    with open(path, encoding="utf-8") as f:
        faults = json.load(f)
    seen = set()
    for fault in faults:
        for key in ("id", "file", "original", "replacement", "description"):
            if key not in fault:
                sys.exit(f"{path}: fault {fault.get('id', '?')} has no '{key}'")
        if fault["id"] in seen:
            sys.exit(f"{path}: fault id {fault['id']} appears twice")
        seen.add(fault["id"])
    return faults


def apply(text, fault):
    """The text with the fault planted, or None when the original is not found."""
    nth = fault.get("nth", 1)
    at = -1
    for _ in range(nth):
        at = text.find(fault["original"], at + 1)
        if at < 0:
            return None
    if nth == 1 and text.count(fault["original"]) > 1 and "nth" not in fault:
        return None  # ambiguous: say which occurrence with "nth"
    return text[:at] + fault["replacement"] + text[at + len(fault["original"]):]


def sync(src, scratch):
    """Copy the tracked files into the scratch tree, touching only those that differ."""
    files = subprocess.run(["git", "ls-files", "-z"], cwd=src, check=True, capture_output=True).stdout
    for rel in filter(None, files.decode().split("\0")):
        a, b = os.path.join(src, rel), os.path.join(scratch, rel)
        if not os.path.isfile(a):
            continue
        with open(a, "rb") as f:
            data = f.read()
        if os.path.exists(b):
            with open(b, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        # A fresh time stamp: a changed file must look newer than any object
        # built from it before, which its own (older) time need not be.
        shutil.copy(a, b)


def run(cmd, cwd, log):
    with open(log, "w") as out:
        return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(log):
    # "Test #60: Name ....***Failed"; parameterised tests have "  # GetParam() = ..."
    # between the name and the dots.
    out = []
    with open(log, errors="replace") as f:
        for line in f:
            m = re.search(r"Test\s+#\d+: (\S+)", line)
            if m and re.search(r"\*\*\*(?:Failed|Exception|Timeout)|Subprocess aborted", line[m.end():]):
                out.append(m.group(1))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--faults", default=os.path.join(ROOT, "tools", "mutations.json"))
    ap.add_argument("--id", nargs="*", default=[], help="run only these fault ids")
    ap.add_argument("--file", default="", help="run only faults in files whose path contains this")
    ap.add_argument("--check", action="store_true", help="only check that every fault applies")
    ap.add_argument("--scratch", default=os.path.join(ROOT, "build", "mutate"))
    ap.add_argument("--jobs", default="2")
    ap.add_argument("--exclude", default=FAST_EXCLUDE, help="ctest -E regex of tests left out")
    ap.add_argument("--report", default="", help="also write the table to this file (TSV)")
    ap.add_argument("--all-killers", action="store_true",
                    help="do not stop at the first failing test: list every test that kills each fault")
    args = ap.parse_args()

    faults = load_faults(args.faults)
    if args.id:
        faults = [f for f in faults if f["id"] in args.id]
    if args.file:
        faults = [f for f in faults if args.file in f["file"]]

    bad = 0
    for fault in faults:
        path = os.path.join(ROOT, fault["file"])
        if not os.path.isfile(path):
            print(f"{fault['id']}: {fault['file']}: no such file")
            bad += 1
            continue
        with open(path, encoding="utf-8") as f:
            if apply(f.read(), fault) is None:
                print(f"{fault['id']}: {fault['file']}: original text not found once (use 'nth')")
                bad += 1
    if bad:
        sys.exit(f"{bad} fault(s) do not apply")
    if args.check:
        print(f"{len(faults)} faults apply")
        return

    src = os.path.join(args.scratch, "src")
    os.makedirs(src, exist_ok=True)
    sync(ROOT, src)
    build = ["cmake", "--build", "--preset", "dev", "-j", args.jobs]
    test = ["ctest", "--preset", "dev", "-LE", "e2e", "-E", args.exclude, "-j", args.jobs]
    if not args.all_killers:
        test.append("--stop-on-failure")
    logs = os.path.join(args.scratch, "logs")
    os.makedirs(logs, exist_ok=True)

    print("baseline: configure, build and run the fast suite unchanged", flush=True)
    t0 = time.time()
    if run(["cmake", "--preset", "dev"], src, os.path.join(logs, "configure.log")) or \
            run(build, src, os.path.join(logs, "baseline-build.log")) or \
            run(test, src, os.path.join(logs, "baseline-test.log")):
        sys.exit(f"baseline fails: see {logs}")
    print(f"baseline green in {time.time() - t0:.0f} s", flush=True)

    rows = []
    for fault in faults:
        target = os.path.join(src, fault["file"])
        with open(target, encoding="utf-8") as f:
            original = f.read()
        t0 = time.time()
        try:
            with open(target, "w", encoding="utf-8") as f:
                f.write(apply(original, fault))
            blog = os.path.join(logs, fault["id"] + "-build.log")
            tlog = os.path.join(logs, fault["id"] + "-test.log")
            if run(build, src, blog):
                verdict, by = "killed", "build"
            elif run(test, src, tlog):
                verdict, by = "killed", ",".join(failed_tests(tlog)) or "ctest"
            else:
                verdict, by = "SURVIVED", "-"
        finally:
            with open(target, "w", encoding="utf-8") as f:
                f.write(original)
        rows.append((fault["id"], verdict, f"{time.time() - t0:.0f}s", by, fault["description"]))
        print("\t".join(rows[-1]), flush=True)

    killed = sum(1 for r in rows if r[1] == "killed")
    print(f"\nmutation score: {killed}/{len(rows)} killed")
    for r in rows:
        if r[1] != "killed":
            print(f"survived: {r[0]} {r[4]}")
    if args.report:
        with open(args.report + ".tmp", "w") as f:
            f.write("id\tverdict\ttime\tkilled by\tfault\n")
            f.writelines("\t".join(r) + "\n" for r in rows)
        os.replace(args.report + ".tmp", args.report)
    sys.exit(0 if killed == len(rows) else 1)


if __name__ == "__main__":
    main()
