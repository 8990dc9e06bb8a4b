#!/usr/bin/env python3
"""Makes the web app's typefaces: the bundled faces (resources/fonts), cut to
the characters the app can draw, renamed, as WOFF2 in web/fonts/.

    python3 tools/subset_fonts.py [OUTPUT_DIR [PROBE_DIR]]

Needs fontTools with Brotli (Debian: python3-fonttools python3-brotli); the
output is committed, so the build does not.

The characters are those of every string the app can draw: the star and
constellation names (sky/SkyTables.cpp), the chart's own texts and readout
format (chart/), button titles and info screen texts (mainscreen/, infoscreen/, app/,
the toolkit's system items in platform/ui/, resources/*.json), plus the
digits and minus sign the readout prints. All string literals of those
files are taken, which is a few letters more than needed and never fewer.

Kerning, ligatures and hints are dropped: the native renderer uses none of
them, and the browser would otherwise space and shape text differently.
The changed fonts get a name of their own, as their licence asks.

The browser tests of the drawing context (web/tests/probe.html) draw any
byte of the Roman encoding: they get the same faces cut to all of its
printable characters, in web/tests/fonts/.
"""
import glob
import json
import os
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FAMILY = "Starchart Sans"
FACES = [  # source file, style, output file
    ("texgyreheros-regular.otf", "Regular", "starchart-sans-regular.woff2"),
    ("texgyreheros-bold.otf", "Bold", "starchart-sans-bold.woff2"),
]
SOURCES = ["sky/SkyTables.cpp", "chart/*.cpp", "mainscreen/*.cpp", "infoscreen/*.cpp", "infoscreen/*.h",
           "app/*.cpp", "app/*.h",
           "platform/ui/*.cpp"]
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def json_strings(value):
    if isinstance(value, str):
        yield value
    elif isinstance(value, list):
        for v in value:
            yield from json_strings(v)
    elif isinstance(value, dict):
        for v in value.values():
            yield from json_strings(v)


def drawable_text():
    text = set("0123456789- ")
    for pattern in SOURCES:
        for path in sorted(glob.glob(os.path.join(ROOT, pattern))):
            with open(path, encoding="utf-8") as f:
                for lit in LITERAL.findall(f.read()):
                    if lit.startswith("#") or lit.endswith(".h"):
                        continue  # include paths
                    # The app's text is plain ASCII; escapes are C's own.
                    text.update(bytes(lit, "utf-8").decode("unicode_escape"))
    for path in sorted(glob.glob(os.path.join(ROOT, "resources", "*.json"))):
        with open(path, encoding="utf-8") as f:
            for s in json_strings(json.load(f)):
                text.update(s)
    return "".join(sorted(c for c in text if c.isprintable()))


def mac_roman_text():
    return "".join(c for c in bytes(range(0x20, 0x100)).decode("mac_roman") if c.isprintable())


def rename(font, style):
    ps = FAMILY.replace(" ", "") + "-" + style
    names = {1: FAMILY, 2: style, 3: ps, 4: FAMILY + " " + style, 6: ps, 16: FAMILY, 17: style}
    table = font["name"]
    table.names = [n for n in table.names if n.nameID not in names and n.nameID not in (21, 22)]
    for nid, value in names.items():
        table.setName(value, nid, 3, 1, 0x409)
        table.setName(value, nid, 1, 0, 0)
    if "CFF " in font:
        cff = font["CFF "].cff
        cff.fontNames = [ps]
        top = cff.topDictIndex[0]
        top.FullName = FAMILY + " " + style
        top.FamilyName = FAMILY


def write_faces(out_dir, text, prefix):
    os.makedirs(out_dir, exist_ok=True)
    for source, style, output in FACES:
        output = output.replace("starchart-sans", prefix)
        options = subset.Options()
        options.flavor = "woff2"
        options.layout_features = []
        options.hinting = False
        options.desubroutinize = True
        options.name_IDs = ["*"]
        options.notdef_outline = True
        options.drop_tables += ["GPOS", "GSUB", "kern", "GDEF", "BASE", "JSTF"]
        font = TTFont(os.path.join(ROOT, "resources", "fonts", source), recalcTimestamp=False)
        sub = subset.Subsetter(options)
        sub.populate(text=text)
        sub.subset(font)
        rename(font, style)
        tmp = os.path.join(out_dir, output + ".tmp")
        font.flavor = "woff2"
        font.save(tmp, reorderTables=False)
        os.replace(tmp, os.path.join(out_dir, output))
        print("%s: %d bytes" % (output, os.path.getsize(os.path.join(out_dir, output))))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "web", "fonts")
    probe_dir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "web", "tests", "fonts")
    text = drawable_text()
    print("characters (%d): %s" % (len(text), text))
    write_faces(out_dir, text, "starchart-sans")
    write_faces(probe_dir, mac_roman_text(), "probe-sans")


if __name__ == "__main__":
    main()
