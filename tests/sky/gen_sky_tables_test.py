#!/usr/bin/env python3
"""Tests of tools/gen_sky_tables.py: source errors, the pieces of its logic,
and, where the real sources are installed, that it reproduces the committed
sky/SkyTables.cpp byte for byte."""

import os
import subprocess
import sys
import tempfile
import types
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.path.join(REPO, "tools", "gen_sky_tables.py")
sys.path.insert(0, os.path.join(REPO, "tools"))
import gen_sky_tables as gen  # noqa: E402


def bsc_line(dec, ra, mag, name, hr):
    return '%8.4f %7.4f %5.2f "%-10s" %4d %6d %6d' % (dec, ra, mag, name, hr, 100000 + hr, 200000 + hr)


def synthetic_bsc(count=5200):
    lines = ["# synthetic catalogue", "#    Dec      RA   Mag         Name  BSN     HD    SAO"]
    for hr in range(1, count + 1):
        # Spread over the sky, never on a whole degree of declination.
        dec = -89.5 + (hr * 37.0137) % 179.0
        if dec == int(dec):
            dec += 0.0001
        ra = (hr * 5.123) % 24.0
        name = "   Alp %03d" % hr if hr <= 73 else ""
        lines.append(bsc_line(dec, ra, 1.0 + (hr % 700) / 100.0, name, hr))
    return "\n".join(lines) + "\n"


def synthetic_names():
    rows = ["# entry\tname\tHR\tBayer"]
    rows += ["%d\tName%02d\t%d\tAlp %03d" % (i, i, i + 1, i + 1) for i in range(73)]
    return "\n".join(rows) + "\n"


class Sources:
    """Writes source files into a temporary directory."""

    def __init__(self, test):
        self.dir = tempfile.TemporaryDirectory()
        test.addCleanup(self.dir.cleanup)

    def write(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def path(self, name):
        return os.path.join(self.dir.name, name)


def run_tool(*args):
    return subprocess.run([sys.executable, TOOL] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          universal_newlines=True, cwd=REPO)


class SourceErrors(unittest.TestCase):
    def setUp(self):
        self.src = Sources(self)
        self.out = self.src.path("out.cpp")
        self.bsc = self.src.write("BSC", synthetic_bsc())
        self.names = self.src.write("names.tsv", synthetic_names())

    def assertFailsNaming(self, args, *words):
        result = run_tool(*args, "--output", self.out)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn("gen_sky_tables: error:", result.stderr)
        for w in words:
            self.assertIn(w, result.stderr)
        self.assertNotIn("Traceback", result.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_missing_star_catalogue(self):
        missing = self.src.path("no-such-BSC")
        self.assertFailsNaming(["--bsc", missing], missing, "xplanet")

    def test_malformed_star_record_names_file_and_line(self):
        text = synthetic_bsc().splitlines()
        text[4] = '-16.7161  6.7525  "  9Alp CMa" 2491  48915 151881'  # magnitude missing
        bsc = self.src.write("BSC", "\n".join(text) + "\n")
        self.assertFailsNaming(["--bsc", bsc], bsc + ":5:", "malformed")

    def test_star_out_of_range(self):
        text = synthetic_bsc().splitlines()
        text[3] = bsc_line(12.0, 25.5, 3.0, "", 1)
        bsc = self.src.write("BSC", "\n".join(text) + "\n")
        self.assertFailsNaming(["--bsc", bsc], bsc + ":4:", "out of range")

    def test_truncated_star_catalogue(self):
        bsc = self.src.write("BSC", synthetic_bsc(300))
        self.assertFailsNaming(["--bsc", bsc], bsc, "only 300 star records")

    def test_name_table_disagreeing_with_catalogue(self):
        names = self.src.write("names.tsv", synthetic_names().replace("\t1\tAlp 001", "\t1\tBet 001"))
        self.assertFailsNaming(["--bsc", self.bsc, "--names", names], names + ":2:", "HR 1", "Bet 001")

    def test_name_table_with_wrong_count(self):
        names = self.src.write("names.tsv", "\n".join(synthetic_names().splitlines()[:-1]) + "\n")
        self.assertFailsNaming(["--bsc", self.bsc, "--names", names], names, "72 names")

    def test_missing_figure_file(self):
        lines = self.src.path("constellations.lines.json")
        self.assertFailsNaming(["--bsc", self.bsc, "--names", self.names, "--lines", lines], lines, "--fetch-lines")

    def test_other_figure_file(self):
        lines = self.src.write("lines.json", '{"type": "FeatureCollection", "features": []}')
        args = ["--bsc", self.bsc, "--names", self.names, "--lines", lines]
        self.assertFailsNaming(args, lines, "d3-celestial@0.7.35", "sha256")


def endpoint(name):
    return types.SimpleNamespace(key=name, hr=name, label=str(name))


class Logic(unittest.TestCase):
    def test_float_literals_are_shortest_and_read_back(self):
        self.assertEqual(gen.c_float(gen.f32(0.1)), "0.1f")
        self.assertEqual(gen.c_float(1600.0), "1600.0f")
        self.assertEqual(gen.c_float(0.0), "0.0f")
        self.assertEqual(gen.c_float(gen.f32(-1.4602786)), "-1.4602786f")
        for x in (3.141592653589793, 1e-7, 123456.789, -0.9938991):
            text = gen.c_float(gen.f32(x))
            self.assertTrue(text.endswith("f"))
            self.assertEqual(gen.f32(float(text[:-1])), gen.f32(x), text)

    def test_star_on_a_whole_degree_is_refused(self):
        stars = [gen.Star(1, -30.0, 1.0, 3.0, ""), gen.Star(2, 10.5, 2.0, 3.0, "")]
        with self.assertRaisesRegex(gen.SourceError, "-30 degree"):
            gen.build_dec_zone_index([gen.Record(s) for s in stars])

    def test_dec_zone_counts_stars_south_of_each_degree(self):
        stars = [gen.Star(1, -88.5, 1.0, 3.0, ""), gen.Star(2, -0.5, 2.0, 3.0, ""), gen.Star(3, 0.5, 2.0, 3.0, "")]
        zones = gen.build_dec_zone_index([gen.Record(s) for s in stars])
        self.assertEqual(zones[0], 0)   # -89
        self.assertEqual(zones[1], 1)   # -88
        self.assertEqual(zones[88], 1)  # -1
        self.assertEqual(zones[89], 2)  # 0
        self.assertEqual(zones[90], 3)  # +1
        self.assertEqual(zones[178], 3)

    def test_catalogue_keeps_brightest_distinct_positions_sorted_by_dec(self):
        stars = [gen.Star(hr, -80 + hr * 0.1234, hr % 24, 6.0 - hr * 0.001, "") for hr in range(1, 2000)]
        stars.append(gen.Star(5000, stars[-1].dec_deg, stars[-1].ra_hours, -1.0, ""))  # same place, brighter
        records = gen.build_catalog(stars)
        self.assertEqual(len(records), gen.STAR_COUNT)
        hrs = {r.star.hr for r in records}
        self.assertIn(5000, hrs)
        self.assertNotIn(1999, hrs)  # its place is taken by the brighter star
        self.assertEqual([r.dec for r in records], sorted(r.dec for r in records))

    def test_components_counts_pieces(self):
        a, b, c, d = (endpoint(n) for n in "abcd")
        cross = [gen.Segment(0, 0, a, b), gen.Segment(0, 1, c, d)]
        self.assertEqual(gen.components(cross), 2)
        self.assertEqual(gen.components(cross + [gen.Segment(0, 2, b, c)]), 1)

    def test_drops_must_name_one_segment_and_keep_figures_whole(self):
        a, b, c, d = (endpoint(n) for n in (1, 2, 3, 4))
        figures = [("Abc", None)]
        chain = [gen.Segment(0, 0, a, b), gen.Segment(0, 1, b, c), gen.Segment(0, 2, c, d), gen.Segment(0, 3, d, a)]
        kept = gen.apply_drops(figures, chain, [("Abc", 4, 1)])  # the closing segment
        self.assertEqual([s.index for s in kept], [0, 1, 2])
        with self.assertRaisesRegex(gen.SourceError, "names 0 segments"):
            gen.apply_drops(figures, chain, [("Abc", 1, 3)])
        with self.assertRaisesRegex(gen.SourceError, "splits figure"):
            gen.apply_drops(figures, chain, [("Abc", 4, 1), ("Abc", 2, 3)])


@unittest.skipUnless(os.path.isfile(gen.DEFAULT_BSC) and os.path.isfile(gen.DEFAULT_LINES) and
                     os.path.isfile(gen.DEFAULT_NAMES), "sources not installed (see the generator's usage)")
class Reproduction(unittest.TestCase):
    def test_committed_tables_are_what_the_sources_give(self):
        r = run_tool("--check")
        self.assertEqual(r.returncode, 0, r.stderr)


if __name__ == "__main__":
    unittest.main()
