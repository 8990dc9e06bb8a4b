#!/usr/bin/env python3
"""Generate sky/SkyTables.cpp, the constant sky tables compiled into starchart.

Regenerating from a fresh clone (from the repository root):

    apt-get install -y xplanet          # the star catalogue, once
    python3 tools/gen_sky_tables.py --fetch-lines

Usage:

    python3 tools/gen_sky_tables.py [--bsc PATH] [--lines PATH] [--names PATH]
                                    [--output PATH] [--fetch-lines] [--check]
                                    [--suggest-drops]

Sources and where they are looked for by default:

  --bsc    Yale Bright Star Catalogue, 5th revised edition (J2000), as shipped
           in Debian's xplanet package: /usr/share/xplanet/stars/BSC
           (apt-get install -y xplanet).
  --lines  Constellation figures of the npm package d3-celestial@0.7.35,
           data/constellations.lines.json (BSD-3-Clause), by default at
           build/sky-sources/d3-celestial-0.7.35/constellations.lines.json.
           --fetch-lines puts it there with `npm pack` (the package itself is
           never committed).
  --names  The star-name table: tools/star-names.tsv, beside this script
           (entry, name, HR number, Bayer designation).

--output defaults to sky/SkyTables.cpp. --check writes nothing and exits 1 if
the committed file differs from what the sources give. --suggest-drops prints
a drop list computed by the drop policy (see DROPPED_SEGMENTS) for review.

Standard library only, and deterministic: the same sources give the same bytes.
"""

import argparse
import bisect
import hashlib
import io
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_BSC = "/usr/share/xplanet/stars/BSC"
LINES_PACKAGE = "d3-celestial@0.7.35"
LINES_MEMBER = "package/data/constellations.lines.json"
DEFAULT_LINES = os.path.join(REPO, "build", "sky-sources", "d3-celestial-0.7.35", "constellations.lines.json")
# The drop list below names segments of exactly this file.
LINES_SHA256 = "294f66bef5d5cf50b1e17f16d2efa1d97a15131612c68dd935adef6e7373e13c"
DEFAULT_NAMES = os.path.join(REPO, "tools", "star-names.tsv")
DEFAULT_OUTPUT = os.path.join(REPO, "sky", "SkyTables.cpp")

STAR_COUNT = 1601
DEC_ZONE_COUNT = 179
LINE_COUNT = 507
STAR_NAME_COUNT = 73
MATCH_DEGREES = 0.01

# Segments of the figure set left out to bring its 743 segments down to 507.
# Endpoints are named by HR number (the Bright Star Catalogue star within
# 0.01 degree of the figure's point). No figure falls apart: each keeps the
# number of connected pieces it has in the source (one, but two for the
# crossing bars of Crux and for Grus); the generator checks that, and that
# each entry names exactly one segment.
# Policy (--suggest-drops computes it; the list is then kept as reviewed):
#  - figures of up to SMALL_FIGURE segments are kept whole: they are
#    already minimal, and some are made of stars fainter than the catalogue,
#    whose endpoints keep their own positions;
#  - in the larger ones, first ("faint") every segment to a star outside the
#    1601-star catalogue that the figure can lose without falling apart;
#  - then, one at a time, the segment that matters least among all whose loss
#    leaves the figure in one piece and above half its size (at least 5
#    segments). A "spur" scores the magnitude of the star only it reaches, a
#    "closing" segment of a loop that of its fainter end less CLOSING_WEIGHT
#    (loops are the shapes people know: the Dipper's bowl, the Square); each
#    gets BUSY_WEIGHT more per segment its figure has left, so the busiest
#    figures give most; the highest score goes.
SMALL_FIGURE = 6
CLOSING_WEIGHT = 1.0
BUSY_WEIGHT = 0.2
DROPPED_SEGMENTS = [
    ("And", 271, 215),  # spur: Eta And - Zet And
    ("And", 215, 163),  # spur: Zet And - Eps And
    ("And", 163, 165),  # spur: Eps And - Del And
    ("And", 154, 8965),  # spur: Pi And - Iot And
    ("And", 8965, 8762),  # spur: Iot And - Omi And
    ("And", 8965, 8976),  # spur: Iot And - Kap And
    ("And", 8976, 8961),  # spur: Kap And - Lam And
    ("And", 8976, 9003),  # spur: Kap And - Psi And
    ("Aqr", 7950, 7990),  # spur: Eps Aqr - Mu Aqr
    ("Aqr", 7990, 8232),  # spur: Mu Aqr - Bet Aqr
    ("Aqr", 8232, 8418),  # spur: Bet Aqr - Iot Aqr
    ("Aqr", 8414, 8499),  # spur: Alp Aqr - The Aqr
    ("Aqr", 8558, 8539),  # spur: Zet1 Aqr - Pi Aqr
    ("Aqr", 8892, 8858),  # spur: 98 Aqr - Psi2 Aqr
    ("Aqr", 8858, 8982),  # spur: Psi2 Aqr - 104 Aqr
    ("Aql", 7377, 7236),  # spur: Del Aql - Lam Aql
    ("Aur", 1708, 1605),  # spur: Alp Aur - Eps Aur
    ("Aur", 1605, 1612),  # spur: Eps Aur - Zet Aur
    ("Boo", 5185, 5235),  # spur: Tau Boo - Eta Boo
    ("Boo", 5340, 5478),  # spur: Alp Boo - Zet Boo
    ("Boo", 5435, 5351),  # spur: Gam Boo - Lam Boo
    ("Boo", 5351, 5329),  # closing: Lam Boo - Kap2 Boo
    ("Boo", 5329, 5404),  # spur: Kap2 Boo - The Boo
    ("Boo", 5404, 5351),  # spur: The Boo - Lam Boo
    ("Cam", 1542, 2209),  # spur: Alp Cam - HR 2209
    ("Cam", 2209, 2527),  # spur: HR 2209 - HR 2527
    ("CMa", 2491, 2596),  # spur: Alp CMa - Iot CMa
    ("CMa", 2596, 2657),  # closing: Iot CMa - Gam CMa
    ("CMa", 2657, 2574),  # spur: Gam CMa - The CMa
    ("CMa", 2574, 2596),  # spur: The CMa - Iot CMa
    ("Cap", 7776, 7822),  # closing: Bet Cap - Rho Cap
    ("Cap", 7822, 7936),  # spur: Rho Cap - Psi Cap
    ("Cap", 7936, 7980),  # spur: Psi Cap - Ome Cap
    ("Cap", 7980, 8204),  # spur: Ome Cap - Zet Cap
    ("Cap", 8204, 8322),  # spur: Zet Cap - Del Cap
    ("Car", 2451, 2326),  # spur: Nu Pup - Alp Car
    ("Car", 4199, 4325),  # spur: The Car - HR 4325
    ("Car", 4325, 4338),  # faint: HR 4325 - HR 4338
    ("Car", 4338, 4352),  # faint: HR 4338 - HR 4352
    ("Car", 4352, 4337),  # spur: HR 4352 - HR 4337
    ("Car", 4337, 4257),  # spur: HR 4337 - HR 4257
    ("Car", 4257, 4140),  # spur: HR 4257 - HR 4140
    ("Cen", 4390, 4621),  # spur: Pi Cen - Del Cen
    ("Cen", 5440, 5576),  # spur: Eta Cen - Kap Cen
    ("Cen", 5190, 5028),  # spur: Nu Cen - Iot Cen
    ("Cen", 4743, 4638),  # spur: Sig Cen - Rho Cen
    ("Cen", 4638, 4441),  # faint: Rho Cen - Omi1 Cen
    ("Cep", 7850, 7957),  # spur: The Cep - Eta Cep
    ("Cep", 7957, 8162),  # spur: Eta Cep - Alp Cep
    ("Cep", 8162, 8316),  # spur: Alp Cep - Mu Cep
    ("Cep", 8316, 8494),  # closing: Mu Cep - Eps Cep
    ("Cep", 8494, 8465),  # spur: Eps Cep - Zet Cep
    ("Cet", 804, 754),  # closing: Gam Cet - Nu Cet
    ("Cet", 754, 718),  # spur: Nu Cet - Xi 2 Cet
    ("Cet", 718, 813),  # spur: Xi 2 Cet - Mu Cet
    ("Cet", 813, 896),  # spur: Mu Cet - Lam Cet
    ("Cet", 896, 911),  # spur: Lam Cet - Alp Cet
    ("Cet", 539, 509),  # closing: Zet Cet - Tau Cet
    ("Cet", 509, 188),  # spur: Tau Cet - Bet Cet
    ("CrA", 7188, 7068),  # faint: Zet CrA - Eta2 CrA
    ("CrA", 7068, 6951),  # faint: Eta2 CrA - The CrA
    ("Crt", 4343, 4395),  # faint: Bet Crt - Lam Crt
    ("Crt", 4395, 4405),  # faint: Lam Crt - Gam Crt
    ("Crt", 4405, 4514),  # spur: Gam Crt - Zet Crt
    ("Crt", 4514, 4567),  # faint: Zet Crt - Eta Crt
    ("Cyg", 7528, 7420),  # spur: Del Cyg - Iot2 Cyg
    ("Cyg", 7420, 7328),  # spur: Iot2 Cyg - Kap Cyg
    ("Dor", 1338, 1465),  # spur: Gam Dor - Alp Dor
    ("Dor", 1922, 1674),  # closing: Bet Dor - Zet Dor
    ("Dra", 6536, 6555),  # closing: Bet Dra - Nu 2 Dra
    ("Dra", 6555, 6688),  # spur: Nu 2 Dra - Xi Dra
    ("Dra", 5744, 5291),  # spur: Iot Dra - Alp Dra
    ("Dra", 5291, 4787),  # spur: Alp Dra - Kap Dra
    ("Dra", 4787, 4434),  # spur: Kap Dra - Lam Dra
    ("Dra", 6920, 6927),  # spur: Phi Dra - Chi Dra
    ("Dra", 7310, 7582),  # spur: Del Dra - Eps Dra
    ("Eri", 1666, 1520),  # spur: Bet Eri - Mu Eri
    ("Eri", 1520, 1463),  # spur: Mu Eri - Nu Eri
    ("Eri", 1463, 1298),  # spur: Nu Eri - Omi1 Eri
    ("Eri", 1298, 1231),  # spur: Omi1 Eri - Gam Eri
    ("Eri", 1231, 1162),  # spur: Gam Eri - Pi Eri
    ("Eri", 1162, 1136),  # spur: Pi Eri - Del Eri
    ("Eri", 1136, 1084),  # spur: Del Eri - Eps Eri
    ("Eri", 1084, 874),  # spur: Eps Eri - Eta Eri
    ("Eri", 874, 811),  # spur: Eta Eri - Pi Cet
    ("Eri", 811, 818),  # spur: Pi Cet - Tau1 Eri
    ("Eri", 818, 919),  # spur: Tau1 Eri - Tau3 Eri
    ("Eri", 919, 1003),  # spur: Tau3 Eri - Tau4 Eri
    ("Eri", 1003, 1088),  # spur: Tau4 Eri - Tau5 Eri
    ("Gem", 2216, 2286),  # spur: Eta Gem - Mu Gem
    ("Gem", 2421, 2484),  # spur: Gam Gem - Xi Gem
    ("Gem", 2777, 2763),  # spur: Del Gem - Lam Gem
    ("Gru", 8747, 8675),  # spur: Zet Gru - Eps Gru
    ("Gru", 8556, 8486),  # spur: Del1 Gru - Mu 1 Gru
    ("Gru", 8486, 8411),  # spur: Mu 1 Gru - Lam Gru
    ("Her", 6095, 6148),  # spur: Gam Her - Bet Her
    ("Her", 6220, 6168),  # spur: Eta Her - Sig Her
    ("Her", 6168, 6092),  # spur: Sig Her - Tau Her
    ("Her", 6092, 6023),  # spur: Tau Her - Phi Her
    ("Her", 6023, 5914),  # spur: Phi Her - Chi Her
    ("Her", 6695, 6485),  # spur: The Her - Rho Her
    ("Her", 6485, 6418),  # spur: Rho Her - Pi Her
    ("Her", 6703, 6779),  # spur: Xi Her - Omi Her
    ("Hya", 3482, 3492),  # spur: Eps Hya - Rho Hya
    ("Hya", 3492, 3454),  # spur: Rho Hya - Eta Hya
    ("Hya", 3454, 3418),  # closing: Eta Hya - Sig Hya
    ("Hya", 3418, 3410),  # spur: Sig Hya - Del Hya
    ("Hya", 3410, 3482),  # spur: Del Hya - Eps Hya
    ("Hya", 3482, 3547),  # spur: Eps Hya - Zet Hya
    ("Hya", 3547, 3665),  # spur: Zet Hya - The Hya
    ("Hya", 5020, 5287),  # spur: Gam Hya - Pi Hya
    ("Hya", 5287, 5526),  # spur: Pi Hya - 58 Hya
    ("Lac", 8572, 8523),  # closing: 5 Lac - 2 Lac
    ("Lac", 8523, 8579),  # spur: 2 Lac - 6 Lac
    ("Lac", 8579, 8632),  # spur: 6 Lac - 11 Lac
    ("Lac", 8579, 8485),  # spur: 6 Lac - HR 8485
    ("Lac", 8485, 8498),  # spur: HR 8485 - 1 Lac
    ("Leo", 4057, 4031),  # spur: Gam1 Leo - Zet Leo
    ("Leo", 4031, 3905),  # spur: Zet Leo - Mu Leo
    ("Leo", 3905, 3873),  # spur: Mu Leo - Eps Leo
    ("Lep", 2155, 2085),  # spur: The Lep - Eta Lep
    ("Lep", 2085, 1998),  # spur: Eta Lep - Zet Lep
    ("Lep", 1983, 2035),  # spur: Gam Lep - Del Lep
    ("Lep", 1705, 1702),  # spur: Kap Lep - Mu Lep
    ("Lep", 1702, 1756),  # spur: Mu Lep - Lam Lep
    ("Lup", 5883, 5820),  # spur: Chi Lup - Psi1 Lup
    ("Lup", 5820, 5705),  # spur: Psi1 Lup - Phi1 Lup
    ("Lup", 5705, 5695),  # spur: Phi1 Lup - Del Lup
    ("Lup", 5776, 5948),  # spur: Gam Lup - Eta Lup
    ("Lup", 5948, 5987),  # spur: Eta Lup - The Lup
    ("Lyr", 7056, 7054),  # faint: Zet1 Lyr - Eps2 Lyr
    ("Lyr", 7054, 7001),  # faint: Eps2 Lyr - Alp Lyr
    ("Mon", 2506, 2298),  # spur: 18 Mon - Eps Mon
    ("Mon", 2298, 2385),  # spur: Eps Mon - 13 Mon
    ("Mon", 2385, 2456),  # spur: 13 Mon - 15 Mon
    ("Oph", 6698, 6629),  # spur: Nu Oph - Gam Oph
    ("Oph", 6629, 6603),  # spur: Gam Oph - Bet Oph
    ("Oph", 6175, 6147),  # spur: Zet Oph - Phi Oph
    ("Oph", 6147, 6118),  # spur: Phi Oph - Chi Oph
    ("Oph", 6118, 6104),  # spur: Chi Oph - Psi Oph
    ("Oph", 6104, 6112),  # faint: Psi Oph - Rho Oph
    ("Oph", 6378, 6453),  # spur: Eta Oph - The Oph
    ("Oph", 6453, 6492),  # spur: The Oph - 45 Oph
    ("Ori", 2159, 2047),  # spur: Nu Ori - Chi1 Ori
    ("Ori", 2047, 2135),  # spur: Chi1 Ori - Chi2 Ori
    ("Ori", 2135, 2199),  # spur: Chi2 Ori - Xi Ori
    ("Ori", 2199, 2124),  # spur: Xi Ori - Mu Ori
    ("Ori", 2124, 2061),  # spur: Mu Ori - Alp Ori
    ("Ori", 1601, 1567),  # spur: Pi 6 Ori - Pi 5 Ori
    ("Ori", 1567, 1552),  # spur: Pi 5 Ori - Pi 4 Ori
    ("Ori", 1552, 1543),  # spur: Pi 4 Ori - Pi 3 Ori
    ("Ori", 1543, 1544),  # spur: Pi 3 Ori - Pi 2 Ori
    ("Ori", 1570, 1580),  # spur: Pi 1 Ori - Omi2 Ori
    ("Ori", 1580, 1638),  # spur: Omi2 Ori - 11 Ori
    ("Ori", 1638, 1676),  # spur: 11 Ori - 15 Ori
    ("Pav", 7665, 7074),  # spur: Del Pav - Lam Pav
    ("Pav", 7074, 6855),  # closing: Lam Pav - Xi Pav
    ("Pav", 6855, 6745),  # spur: Xi Pav - Pi Pav
    ("Pav", 6745, 6582),  # spur: Pi Pav - Eta Pav
    ("Pav", 7913, 8181),  # spur: Bet Pav - Gam Pav
    ("Peg", 8454, 8650),  # spur: Pi 2 Peg - Eta Peg
    ("Peg", 8650, 8775),  # spur: Eta Peg - Bet Peg
    ("Peg", 8775, 8684),  # spur: Bet Peg - Mu Peg
    ("Peg", 8684, 8667),  # spur: Mu Peg - Lam Peg
    ("Peg", 8667, 8430),  # spur: Lam Peg - Iot Peg
    ("Peg", 8430, 8315),  # spur: Iot Peg - Kap Peg
    ("Per", 1131, 1203),  # spur: Omi Per - Zet Per
    ("Per", 936, 947),  # spur: Bet Per - Ome Per
    ("Per", 947, 921),  # spur: Ome Per - Rho Per
    ("Per", 921, 879),  # spur: Rho Per - Pi Per
    ("Per", 879, 886),  # faint: Pi Per - HR 886
    ("Per", 886, 936),  # faint: HR 886 - Bet Per
    ("Per", 1261, 1303),  # spur: Lam Per - Mu Per
    ("Per", 1303, 1273),  # spur: Mu Per - 48 Per
    ("Per", 1273, 1122),  # spur: 48 Per - Del Per
    ("Per", 937, 799),  # spur: Iot Per - The Per
    ("Per", 799, 496),  # spur: The Per - Phi Per
    ("Psc", 360, 352),  # spur: Phi Psc - Tau Psc
    ("Psc", 352, 383),  # closing: Tau Psc - Ups Psc
    ("Psc", 383, 360),  # spur: Ups Psc - Phi Psc
    ("Psc", 360, 351),  # spur: Phi Psc - Chi Psc
    ("Psc", 351, 437),  # spur: Chi Psc - Eta Psc
    ("Psc", 8969, 8916),  # spur: Iot Psc - The Psc
    ("Psc", 8916, 8878),  # faint: The Psc - 7 Psc
    ("Psc", 8878, 8852),  # faint: 7 Psc - Gam Psc
    ("Psc", 8852, 8911),  # spur: Gam Psc - Kap Psc
    ("Psc", 8911, 8984),  # spur: Kap Psc - Lam Psc
    ("Psc", 8852, 8773),  # spur: Gam Psc - Bet Psc
    ("PsA", 8431, 8305),  # spur: Mu PsA - Iot PsA
    ("PsA", 8305, 8326),  # faint: Iot PsA - The PsA
    ("PsA", 8326, 8431),  # faint: The PsA - Mu PsA
    ("Pup", 2451, 2773),  # spur: Nu Pup - Pi Pup
    ("Pup", 2922, 2949),  # closing: HR 2922 - HR 2949
    ("Pup", 2949, 3045),  # spur: HR 2949 - Xi Pup
    ("Sgr", 6913, 6812),  # spur: Lam Sgr - Mu Sgr
    ("Sgr", 7337, 7348),  # spur: Bet1 Sgr - Alp Sgr
    ("Sgr", 7348, 7194),  # spur: Alp Sgr - Zet Sgr
    ("Sgr", 7581, 7623),  # spur: Iot Sgr - The1 Sgr
    ("Sgr", 7623, 7597),  # spur: The1 Sgr - Ome Sgr
    ("Sgr", 7597, 7440),  # spur: Ome Sgr - 52 Sgr
    ("Sgr", 7440, 7362),  # spur: 52 Sgr - Chi1 Sgr
    ("Sgr", 7362, 7292),  # spur: Chi1 Sgr - Psi Sgr
    ("Sgr", 7292, 7121),  # spur: Psi Sgr - Sig Sgr
    ("Sgr", 7264, 7304),  # spur: Pi Sgr - 43 Sgr
    ("Sgr", 7304, 7340),  # spur: 43 Sgr - Rho1 Sgr
    ("Sgr", 7340, 7342),  # spur: Rho1 Sgr - Ups Sgr
    ("Sgr", 7150, 7116),  # closing: Xi 2 Sgr - Nu 1 Sgr
    ("Sgr", 7116, 7121),  # spur: Nu 1 Sgr - Sig Sgr
    ("Sco", 5944, 5953),  # spur: Pi Sco - Del Sco
    ("Sco", 5953, 5984),  # spur: Del Sco - Bet1 Sco
    ("Ser", 5867, 5842),  # closing: Bet Ser - Iot Ser
    ("Ser", 5842, 5879),  # spur: Iot Ser - Kap Ser
    ("Ser", 5879, 5933),  # spur: Kap Ser - Gam Ser
    ("Tau", 1346, 1239),  # spur: Gam Tau - Lam Tau
    ("Tau", 1239, 1038),  # spur: Lam Tau - Xi Tau
    ("Tau", 1038, 1251),  # spur: Xi Tau - Nu Tau
    ("Tau", 1038, 1030),  # spur: Xi Tau - Omi Tau
    ("Tau", 1030, 1101),  # spur: Omi Tau - 10 Tau
    ("UMa", 4554, 4518),  # spur: Gam UMa - Chi UMa
    ("UMa", 4518, 4377),  # spur: Chi UMa - Nu UMa
    ("UMa", 4377, 4375),  # spur: Nu UMa - Xi UMa
    ("UMa", 4518, 4335),  # spur: Chi UMa - Psi UMa
    ("UMa", 4335, 4069),  # spur: Psi UMa - Mu UMa
    ("UMa", 4335, 4033),  # spur: Psi UMa - Lam UMa
    ("UMa", 4295, 3894),  # spur: Bet UMa - Phi UMa
    ("UMa", 3894, 3775),  # spur: Phi UMa - The UMa
    ("UMa", 3775, 3569),  # spur: The UMa - Iot UMa
    ("UMa", 3594, 3775),  # spur: Kap UMa - The UMa
    ("UMi", 5903, 6116),  # closing: Zet UMi - Eta UMi
    ("UMi", 6116, 5735),  # spur: Eta UMi - Gam UMi
    ("Vir", 4517, 4540),  # spur: Nu Vir - Bet Vir
    ("Vir", 4540, 4689),  # spur: Bet Vir - Eta Vir
    ("Vir", 5056, 5338),  # spur: Alp Vir - Iot Vir
    ("Vir", 5338, 5487),  # spur: Iot Vir - Mu Vir
    ("Vir", 5107, 5264),  # spur: Zet Vir - Tau Vir
    ("Vir", 5264, 5511),  # spur: Tau Vir - 109 Vir
]

# Constellation labels: abbreviation, name, right ascension (hours) and
# declination (degrees) where the label starts. Entry 5 is a blank entry.
CONSTELLATION_LABELS = [
    ("And", "Andromeda", "0.56395", "35.20625"),
    ("Ari", "Aries", "2.10587", "19.37805"),
    ("Peg", "Pegasus", "22.97851", "18.20959"),
    ("Tri", "Triangulum", "2.08664", "34.28305"),
    ("Psc", "Pisces", "1.54935", "10.67263"),
    ("   ", "        ", "0", "0"),
    ("Cet", "Cetus", "1.6809", "-5.4818"),
    ("Tau", "Taurus", "5.16263", "22.42"),
    ("Ori", "Orion", "5.88092", "3.13139"),
    ("Aur", "Auriga", "5.47262", "37.3028"),
    ("CMi", "Canis Minor", "7.55377", "9.75722"),
    ("Gem", "Gemini", "7.0016", "24.14375"),
    ("Mon", "Monoceros", "6.96751", "-5.02194"),
    ("Cnc", "Cancer", "8.62502", "18.97278"),
    ("Leo", "Leo", "10.79095", "18.98705"),
    ("Hya", "Hydra", "10.32735", "-20.90875"),
    ("Sex", "Sextans", "10.19", "-4.23834"),
    ("Vir", "Virgo", "12.67125", "-0.1011"),
    ("LMi", "Leo Minor", "10.6766", "35.4611"),
    ("Boo", "Bootes", "14.5849", "29.3942"),
    ("Com", "Coma Berenices", "12.82345", "22.89885"),
    ("CrB", "Corona Borealis", "15.7118", "28.71375"),
    ("Ser", "Serpens", "17.2585", "1.2085"),
    ("Oph", "Ophiuchus", "16.94915", "-5.30455"),
    ("Her", "Hercules", "17.22735", "29.43665"),
    ("Aql", "Aquila", "19.6393", "4.4904"),
    ("Cyg", "Cygnus", "20.25035", "40.66415"),
    ("Sge", "Sagitta", "19.8238", "18.48415"),
    ("Vul", "Vulpecula", "19.76655", "24.60225"),
    ("Del", "Delphinus", "20.6656", "16.71375"),
    ("Equ", "Equuleus", "21.21805", "10.68974"),
    ("Aqr", "Aquarius", "21.976", "-10.59625"),
    ("Cas", "Cassiopeia", "1.02978", "60.1036"),
    ("Per", "Perseus", "3.52208", "42.695"),
    ("Cam", "Camelopardalis", "4.9789", "63.3925"),
    ("Lyn", "Lynx", "9.18079", "38.08765"),
    ("UMa", "Ursa Major", "13.1115", "52.53205"),
    ("CVn", "Canes Venatici", "12.7481", "39.8379"),
    ("Dra", "Draco", "15.66315", "62.11085"),
    ("Lyr", "Lyra", "18.799", "29.7365"),
    ("Cep", "Cepheus", "22.2053", "67.9168"),
    ("Lac", "Lacerta", "22.43595", "49.38295"),
    ("UMi", "Ursa Minor", "16.68764", "84.54905"),
    ("Scl", "Sculptor", "0.14524", "-32.9743"),
    ("Eri", "Eridanus", "4.3797", "-30.24571"),
    ("For", "Fornax", "3.00968", "-30.69635"),
    ("Lep", "Lepus", "5.91555", "-18.30805"),
    ("Col", "Columba", "5.94438", "-34.60235"),
    ("CMa", "Canis Major", "6.87007", "-23.3897"),
    ("Pup", "Puppis", "7.37754", "-36.74735"),
    ("Pyx", "Pyxis", "8.75529", "-31.50915"),
    ("Ant", "Antlia", "10.21636", "-34.1028"),
    ("Crt", "Crater", "11.504666", "-14.14335"),
    ("Crv", "Corvus", "12.3709", "-19.95615"),
    ("Lib", "Libra", "15.22005", "-17.33248"),
    ("Sco", "Scorpius", "16.887", "-31.5224"),
    ("Sgr", "Sagittarius", "18.62975", "-28.89265"),
    ("Sct", "Scutum", "18.6865", "-5.49598"),
    ("Cap", "Capricornus", "21.03905", "-19.71375"),
    ("PsA", "Piscis Austrinus", "22.355", "-30.0347"),
    ("Phe", "Phoenix", "0.97946", "-45.68945"),
    ("Hor", "Horologium", "3.4284", "-53.1829"),
    ("Dor", "Dorado", "4.91376", "-56.9882"),
    ("Ret", "Reticulum", "4.00568", "-62.0544"),
    ("Cae", "Caelum", "4.79368", "-40.2186"),
    ("Pic", "Pictor", "6.29562", "-56.5039"),
    ("Car", "Carina", "8.55754", "-61.36695"),
    ("Vel", "Vela", "8.76373", "-49.22165"),
    ("Cru", "Crux", "12.52385", "-60.10625"),
    ("Cen", "Centaurus", "13.56265", "-48.60265"),
    ("Lup", "Lupus", "15.3504", "-44.1803"),
    ("Cir", "Circinus", "15.549", "-57.8882"),
    ("Ara", "Ara", "17.18025", "-55.28"),
    ("Tel", "Telescopium", "18.46505", "-47.51955"),
    ("Nor", "Norma", "16.3919", "-48.8553"),
    ("CrA", "Corona Australis", "19.0729", "-39.5793"),
    ("Pav", "Pavo", "19.33785", "-64.8228"),
    ("Ind", "Indus", "20.7698", "-52.8728"),
    ("Mic", "Microscopium", "21.07705", "-38.08055"),
    ("Gru", "Grus", "22.354", "-44.34095"),
    ("Tuc", "Tucana", "23.41707", "-60.59695"),
    ("Hyi", "Hydrus", "2.10825", "-69.41195"),
    ("Oct", "Octans", "18.6081", "-80.5289"),
    ("Men", "Mensa", "5.54523", "-73.82775"),
    ("Mus", "Musca", "12.39895", "-69.43085"),
    ("Vol", "Volans", "8.09329", "-69.3715"),
    ("Cha", "Chamaeleon", "9.53159", "-78.6947"),
    ("TrA", "Triangulum Australe", "16.06315", "-66.2292"),
    ("Aps", "Apus", "15.7578", "-78.2811"),
]
BLANK_LABEL = 5


class SourceError(Exception):
    pass


def f32(x):
    """Rounds a double to the nearest single-precision value."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def c_float(x):
    """Shortest decimal that reads back as the same float, as a C++ literal."""
    if not math.isfinite(x):
        raise ValueError("no literal for %r" % x)
    for digits in range(1, 10):
        shortest = float("%.*g" % (digits, x))
        if f32(shortest) == x:
            break
    # repr gives the fewest digits that read back as this double, which are
    # those of the decimal just found; it keeps a '.0' or an exponent.
    return repr(shortest) + "f"


def separation_degrees(ra1, dec1, ra2, dec2):
    """Angle between two directions, all in radians; haversine form."""
    h = math.sin((dec2 - dec1) / 2) ** 2 + math.cos(dec1) * math.cos(dec2) * math.sin((ra2 - ra1) / 2) ** 2
    return math.degrees(2 * math.asin(min(1.0, math.sqrt(h))))


# ---------------------------------------------------------------- sources


def read_text(path, what, hint):
    if not os.path.isfile(path):
        raise SourceError("%s not found at %s (%s)" % (what, path, hint))
    try:
        with open(path, "rb") as f:
            data = f.read()
        return data, data.decode("ascii")
    except UnicodeDecodeError as e:
        raise SourceError("%s: not ASCII text (%s)" % (path, e))
    except OSError as e:
        raise SourceError("%s: cannot read %s (%s)" % (path, what, e))


class Star:
    __slots__ = ("hr", "dec_deg", "ra_hours", "mag", "name")

    def __init__(self, hr, dec_deg, ra_hours, mag, name):
        self.hr, self.dec_deg, self.ra_hours, self.mag, self.name = hr, dec_deg, ra_hours, mag, name


BSC_RECORD = re.compile(r'^\s*(-?\d{1,2}\.\d{4})\s+(\d{1,2}\.\d{4})\s+(-?\d{1,2}\.\d{2})\s+"(.{10})"\s+(\d+)\s+(\d+)\s+(\d+)\s*$')


def load_bsc(path):
    _, text = read_text(path, "Bright Star Catalogue", "apt-get install -y xplanet, or pass --bsc PATH")
    stars = []
    seen = set()
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        m = BSC_RECORD.match(line)
        if not m:
            raise SourceError("%s:%d: malformed star record (expected dec, RA hours, magnitude, "
                              "quoted name, HR, HD, SAO): %r" % (path, number, line))
        dec, ra, mag, hr = float(m.group(1)), float(m.group(2)), float(m.group(3)), int(m.group(5))
        if not -90.0 <= dec <= 90.0 or not 0.0 <= ra < 24.0:
            raise SourceError("%s:%d: position out of range (dec %s, RA %s h)" % (path, number, m.group(1),
                                                                                 m.group(2)))
        if hr in seen:
            raise SourceError("%s:%d: HR %d listed twice" % (path, number, hr))
        seen.add(hr)
        stars.append(Star(hr, dec, ra, mag, m.group(4)))
    if len(stars) < 5000:
        raise SourceError("%s: only %d star records; expected the whole catalogue (about 9000)" %
                          (path, len(stars)))
    return stars


def fetch_lines(dest):
    """Puts the figure file at dest, taken from the npm package."""
    npm = shutil.which("npm")
    if not npm:
        raise SourceError("--fetch-lines needs npm (apt-get install -y npm)")
    with tempfile.TemporaryDirectory() as tmp:
        run = subprocess.run([npm, "pack", LINES_PACKAGE], cwd=tmp, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, universal_newlines=True)
        tarballs = [n for n in os.listdir(tmp) if n.endswith(".tgz")]
        if run.returncode != 0 or len(tarballs) != 1:
            raise SourceError("npm pack %s failed: %s" % (LINES_PACKAGE, run.stderr.strip()))
        with tarfile.open(os.path.join(tmp, tarballs[0])) as tar:
            try:
                data = tar.extractfile(LINES_MEMBER).read()
            except (KeyError, AttributeError):
                raise SourceError("%s has no %s" % (tarballs[0], LINES_MEMBER))
    os.makedirs(os.path.dirname(dest), exist_ok=True)
    with open(dest, "wb") as f:
        f.write(data)


def load_lines(path):
    data, text = read_text(path, "constellation figure file",
                           "run with --fetch-lines, or pass --lines PATH to %s's %s" %
                           (LINES_PACKAGE, LINES_MEMBER))
    digest = hashlib.sha256(data).hexdigest()
    if digest != LINES_SHA256:
        raise SourceError("%s: not the figure file of %s (sha256 %s, expected %s); the drop list "
                          "is made for that file" % (path, LINES_PACKAGE, digest, LINES_SHA256))
    try:
        doc = json.loads(text)
    except ValueError as e:
        raise SourceError("%s: invalid JSON (%s)" % (path, e))
    figures = []
    try:
        for feature in doc["features"]:
            geometry = feature["geometry"]
            if geometry["type"] != "MultiLineString":
                raise SourceError("%s: figure %s is a %s, expected MultiLineString" %
                                  (path, feature["id"], geometry["type"]))
            polylines = [[(float(p[0]), float(p[1])) for p in line] for line in geometry["coordinates"]]
            figures.append((str(feature["id"]), polylines))
    except (KeyError, TypeError, IndexError, ValueError) as e:
        raise SourceError("%s: unexpected structure (%s: %s)" % (path, type(e).__name__, e))
    return figures


def load_names(path, bsc_by_hr):
    _, text = read_text(path, "star-name table", "pass --names PATH")
    rows = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        cols = line.split("\t")
        if len(cols) != 4 or not cols[0].isdigit() or not cols[2].isdigit():
            raise SourceError("%s:%d: expected entry, name, HR number, Bayer designation separated by "
                              "tabs: %r" % (path, number, line))
        entry, name, hr, bayer = int(cols[0]), cols[1], int(cols[2]), cols[3]
        if entry != len(rows):
            raise SourceError("%s:%d: entry %d out of order (expected %d)" % (path, number, entry, len(rows)))
        if not name or not name.isascii() or '"' in name or "\\" in name:
            raise SourceError("%s:%d: bad name %r" % (path, number, name))
        star = bsc_by_hr.get(hr)
        if star is None:
            raise SourceError("%s:%d: HR %d is not in the Bright Star Catalogue" % (path, number, hr))
        if star.name[3:].strip() != bayer.strip():
            raise SourceError("%s:%d: HR %d is %r in the catalogue, not %r" % (path, number, hr,
                                                                             star.name[3:].strip(), bayer))
        rows.append((name, hr))
    if len(rows) != STAR_NAME_COUNT:
        raise SourceError("%s: %d names, expected %d" % (path, len(rows), STAR_NAME_COUNT))
    if len(set(n for n, _ in rows)) != len(rows):
        raise SourceError("%s: a name occurs twice" % path)
    return rows


# ---------------------------------------------------------------- star catalogue


class Record:
    """One starCatalog entry: its source star and stored single-precision values."""

    def __init__(self, star):
        self.star = star
        self.ra = f32(star.ra_hours * math.pi / 12.0)
        self.dec = f32(star.dec_deg * math.pi / 180.0)
        self.mag = f32(star.mag)
        self.sin_dec = f32(math.sin(self.dec))
        self.cos_dec = f32(math.cos(self.dec))


def build_catalog(stars):
    # Brightest first, ties by lower HR; a star at the very position of a
    # brighter one (double stars given one place) is left out.
    taken, places = [], set()
    for star in sorted(stars, key=lambda s: (s.mag, s.hr)):
        place = (star.dec_deg, star.ra_hours)
        if place in places:
            continue
        places.add(place)
        taken.append(star)
        if len(taken) == STAR_COUNT:
            break
    if len(taken) < STAR_COUNT:
        raise SourceError("the catalogue has only %d stars with distinct positions" % len(taken))
    records = [Record(s) for s in taken]
    records.sort(key=lambda r: (r.dec, r.ra, r.star.hr))
    if len(set((r.ra, r.dec) for r in records)) != len(records):
        raise SourceError("two stored star positions coincide")
    for r in records:
        if not 0.0 <= r.ra < 2 * math.pi:
            raise SourceError("HR %d: stored right ascension %r outside [0, 2 pi)" % (r.star.hr, r.ra))
        if r.star.dec_deg == math.floor(r.star.dec_deg):
            raise SourceError("HR %d lies exactly on a whole degree of declination" % r.star.hr)
    return records


def build_dec_zone_index(records):
    index = []
    for k in range(DEC_ZONE_COUNT):
        boundary = (k - 89) * math.pi / 180.0
        below = sum(1 for r in records if r.dec < boundary)
        at_or_below = sum(1 for r in records if r.dec <= boundary)
        by_degrees = sum(1 for r in records if r.star.dec_deg < k - 89)
        if not below == at_or_below == by_degrees:
            raise SourceError("a star lies on the %d degree boundary once stored as float" % (k - 89))
        index.append(below)
    return index


# ---------------------------------------------------------------- constellation lines


class Endpoint:
    """A figure point: a catalogue record when one lies within 0.01 degree, else its own place."""

    def __init__(self, lon, lat, near_record, near_star):
        ra_deg = lon % 360.0
        if ra_deg >= 360.0:
            ra_deg -= 360.0
        ra, dec = math.radians(ra_deg), math.radians(lat)
        self.record = near_record(ra, dec)
        near = near_star(ra, dec)
        self.hr = self.record.star.hr if self.record else (near.hr if near else None)
        self.mag = self.record.star.mag if self.record else (near.mag if near else 99.0)
        if self.record:
            r = self.record
            self.ra, self.dec, self.sin_dec, self.cos_dec = r.ra, r.dec, r.sin_dec, r.cos_dec
            self.key = ("star", r.star.hr)
        else:
            self.ra = f32(ra)
            self.dec = f32(dec)
            self.sin_dec = f32(math.sin(self.dec))
            self.cos_dec = f32(math.cos(self.dec))
            self.key = ("point", lon, lat)
            if self.ra >= 2 * math.pi:
                self.ra = 0.0
        self.label = "HR %d" % self.hr if self.hr else "%.4f,%.4f" % (lon, lat)


class Nearest:
    """Finds the item nearest to a direction, if one lies within MATCH_DEGREES."""

    def __init__(self, items, position):
        self.entries = sorted(((position(i)[1], position(i)[0], i) for i in items), key=lambda e: (e[0], e[1]))
        self.decs = [e[0] for e in self.entries]

    def __call__(self, ra, dec):
        margin = math.radians(MATCH_DEGREES) * 2
        lo = bisect.bisect_left(self.decs, dec - margin)
        hi = bisect.bisect_right(self.decs, dec + margin)
        best, best_sep = None, MATCH_DEGREES
        for idec, ira, item in self.entries[lo:hi]:
            sep = separation_degrees(ra, dec, ira, idec)
            if sep < best_sep or (sep == best_sep and best is not None and item_hr(item) < item_hr(best)):
                best, best_sep = item, sep
        return best


def item_hr(item):
    return item.star.hr if isinstance(item, Record) else item.hr


class Segment:
    def __init__(self, figure, index, a, b):
        self.figure, self.index, self.a, self.b = figure, index, a, b

    def ids(self):
        return frozenset((self.a.hr or self.a.label, self.b.hr or self.b.label))

    def length_degrees(self):
        return separation_degrees(self.a.ra, self.a.dec, self.b.ra, self.b.dec)


def build_segments(figures, records, bsc):
    cache = {}
    near_record = Nearest(records, lambda r: (r.ra, r.dec))
    near_star = Nearest(bsc, lambda s: (s.ra_hours * math.pi / 12.0, s.dec_deg * math.pi / 180.0))

    def endpoint(p):
        if p not in cache:
            cache[p] = Endpoint(p[0], p[1], near_record, near_star)
        return cache[p]

    segments = []
    for figure, (name, polylines) in enumerate(figures):
        for line in polylines:
            for p, q in zip(line, line[1:]):
                s = Segment(figure, len(segments), endpoint(p), endpoint(q))
                if s.a.key == s.b.key:
                    raise SourceError("figure %s: segment %s to %s has no length once matched to the "
                                      "catalogue" % (name, s.a.label, s.b.label))
                segments.append(s)
    seen = {}
    for s in segments:
        k = frozenset((s.a.key, s.b.key))
        if k in seen:
            raise SourceError("figure %s: segment %s to %s appears twice" %
                              (figures[s.figure][0], s.a.label, s.b.label))
        seen[k] = s
    return segments


def components(segments):
    """Number of connected pieces the segments form."""
    parent = {}

    def root(k):
        while parent.setdefault(k, k) != k:
            k = parent[k]
        return k

    for s in segments:
        parent[root(s.a.key)] = root(s.b.key)
    return len(set(root(k) for k in list(parent)))


def apply_drops(figures, segments, drops):
    by_ids = {}
    for s in segments:
        by_ids.setdefault((figures[s.figure][0], s.ids()), []).append(s)
    dropped = set()
    for figure, a, b in drops:
        found = by_ids.get((figure, frozenset((a, b))), [])
        if len(found) != 1:
            raise SourceError("drop list: %s HR %s - HR %s names %d segments, expected 1" %
                              (figure, a, b, len(found)))
        if found[0].index in dropped:
            raise SourceError("drop list: %s HR %s - HR %s listed twice" % (figure, a, b))
        dropped.add(found[0].index)
    kept = [s for s in segments if s.index not in dropped]
    for figure, (name, _) in enumerate(figures):
        before = components([s for s in segments if s.figure == figure])
        after = components([s for s in kept if s.figure == figure])
        if after != before:
            raise SourceError("drop list splits figure %d (%s) into %d pieces (it has %d)" %
                              (figure, name, after, before))
    return kept


def suggest_drops(figures, segments, bsc_by_hr):
    """The drop policy described at DROPPED_SEGMENTS, as a list to review."""
    kept = {f: [s for s in segments if s.figure == f] for f in range(len(figures))}
    size = {f: len(v) for f, v in kept.items()}
    floor = {f: n if n <= SMALL_FIGURE else max(5, (n + 1) // 2) for f, n in size.items()}
    pieces = {f: components(v) for f, v in kept.items()}
    drops = []

    def removable(f, s):
        return components([t for t in kept[f] if t is not s]) == pieces[f]

    for f in kept:
        again = size[f] > SMALL_FIGURE
        while again:
            again = False
            for s in kept[f]:
                if (s.a.record is None or s.b.record is None) and removable(f, s):
                    kept[f].remove(s)
                    drops.append((f, s, "faint"))
                    again = True
                    break
    total = sum(len(v) for v in kept.values())
    while total > LINE_COUNT:
        best = None
        for f in kept:
            if len(kept[f]) <= floor[f]:
                continue
            degree = {}
            for s in kept[f]:
                for e in (s.a, s.b):
                    degree[e.key] = degree.get(e.key, 0) + 1
            for s in kept[f]:
                if not removable(f, s):
                    continue
                ends = [e for e in (s.a, s.b) if degree[e.key] == 1]
                if ends:
                    why, faintness = "spur", max(e.mag for e in ends)
                else:
                    why, faintness = "closing", max(s.a.mag, s.b.mag) - CLOSING_WEIGHT
                priority = faintness + BUSY_WEIGHT * len(kept[f])
                if best is None or priority > best[0]:
                    best = (priority, f, s, why)
        if best is None:
            raise SourceError("the drop policy cannot reach %d segments" % LINE_COUNT)
        _, f, s, why = best
        kept[f].remove(s)
        drops.append((f, s, why))
        total -= 1

    def name(e):
        star = bsc_by_hr.get(e.hr)
        if not star or not star.name[7:].strip():
            return e.label
        designation = star.name[3:7].strip() or star.name[:3].strip()
        return "%s %s" % (designation, star.name[7:].strip()) if designation else e.label

    out = []
    for f, s, why in sorted(drops, key=lambda d: (d[0], d[1].index)):
        out.append('    ("%s", %d, %d),  # %s: %s - %s' % (figures[f][0], s.a.hr, s.b.hr, why, name(s.a),
                                                         name(s.b)))
    return out


def orient_and_sort(kept):
    rows = []
    for s in kept:
        a, b = s.a, s.b
        if (b.dec, b.ra) < (a.dec, a.ra):
            a, b = b, a
        rows.append((a, b, s))
    rows.sort(key=lambda r: (r[0].dec, r[1].dec, r[0].ra, r[1].ra))
    return rows


# ---------------------------------------------------------------- output


def table(declaration, rows):
    """A C++ array definition, one entry per line, trailing comments aligned."""
    width = max(len(code) for code, _ in rows)
    out = [declaration + " = {"]
    for code, comment in rows:
        out.append(("    %-*s  // %s" % (width, code, comment)) if comment else "    " + code)
    out.append("};")
    return "\n".join(out) + "\n"


def emit(records, zones, lines, figures, names, bsc_by_hr, counts):
    parts = []
    parts.append("""\
// Generated by tools/gen_sky_tables.py; do not edit. Regenerate with
//   python3 tools/gen_sky_tables.py --fetch-lines
// Sources:
// - stars: Yale Bright Star Catalogue, 5th revised edition (J2000), the copy
//   in Debian's xplanet package (stars/BSC);
// - constellation figures: d3-celestial 0.7.35, data/constellations.lines.json
//   (Copyright (c) 2015, Olaf Frohn; BSD-3-Clause), less the segments the
//   generator's drop list names;
// - star names: tools/star-names.tsv.
// %d stars, the brightest with distinct positions: %d of magnitude 2.0 or
// brighter, %d from 2.0 to 4.0, %d fainter. Of the %d line endpoints %d are
// catalogue stars and %d points of their own.
#include "sky/SkyTables.h"

// clang-format off
""" % ((STAR_COUNT,) + counts[:3] + (2 * LINE_COUNT,) + counts[3:]))

    parts.append("// ra, dec, mag, sinDec, cosDec; sorted by dec, then ra.\n")
    parts.append(table("constexpr StarRecord starCatalog[kStarCatalogCount]", [
        ("{%s, %s, %s, %s, %s}," % tuple(c_float(v) for v in (r.ra, r.dec, r.mag, r.sin_dec, r.cos_dec)),
         "%d: HR %d" % (i, r.star.hr)) for i, r in enumerate(records)
    ]))

    parts.append("\n// Entry k: the number of stars south of (k - 89) degrees.\n")
    parts.append(table("constexpr float decZoneIndex[kDecZoneIndexCount]", [
        (" ".join(c_float(float(z)) + "," for z in zones[k:k + 10]),
         "%d to %d: %+d to %+d degrees" % (k, min(k + 9, DEC_ZONE_COUNT - 1), k - 89,
                                           min(k + 9, DEC_ZONE_COUNT - 1) - 89))
        for k in range(0, DEC_ZONE_COUNT, 10)
    ]))

    parts.append("\n// ra1, dec1, ra2, dec2, sinDec1, cosDec1, sinDec2, cosDec2; southern end\n"
                 "// first, sorted by dec1.\n")
    parts.append(table("constexpr LineRecord constellationLines[kConstellationLinesCount]", [
        ("{%s, %s, %s, %s, %s, %s, %s, %s}," % tuple(
            c_float(v) for v in (a.ra, a.dec, b.ra, b.dec, a.sin_dec, a.cos_dec, b.sin_dec, b.cos_dec)),
         "%d: %s, %s - %s" % (i, figures[s.figure][0], a.label, b.label)) for i, (a, b, s) in enumerate(lines)
    ]))

    parts.append("\n")
    parts.append(table("constexpr const char* starNames[kStarNamesCount]",
                       [('"%s",' % name, "%d" % i) for i, (name, _) in enumerate(names)]))
    parts.append("\n// Right ascension (hours), declination (degrees), magnitude of the star.\n")
    parts.append(table("constexpr LabelPosition starNamePositions[kStarNamesCount]", [
        ("{%s, %s, %s}," % tuple(c_float(f32(v)) for v in (bsc_by_hr[hr].ra_hours, bsc_by_hr[hr].dec_deg,
                                                           bsc_by_hr[hr].mag)), "%d: HR %d" % (i, hr))
        for i, (_, hr) in enumerate(names)
    ]))

    parts.append("\n")
    parts.append(table("constexpr ConstellationName constellationNames[kConstellationNamesCount]",
                       [('{"%s", "%s"},' % (abbr, name), "%d" % i)
                        for i, (abbr, name, _, _) in enumerate(CONSTELLATION_LABELS)]))
    parts.append("\n// Right ascension (hours), declination (degrees), running number.\n")
    parts.append(table("constexpr LabelPosition constellationLabelPositions[kConstellationNamesCount]", [
        ("{%s, %s, %s}," % (c_float(f32(float(hours))), c_float(f32(float(degrees))),
                            c_float(float(i if i <= BLANK_LABEL else i - 1))), "%d" % i)
        for i, (_, _, hours, degrees) in enumerate(CONSTELLATION_LABELS)
    ]))
    parts.append("// clang-format on\n")
    return "".join(parts)


def generate(args):
    if args.fetch_lines:
        fetch_lines(args.lines)
    bsc = load_bsc(args.bsc)
    bsc_by_hr = {s.hr: s for s in bsc}
    names = load_names(args.names, bsc_by_hr)
    figures = load_lines(args.lines)

    records = build_catalog(bsc)
    by_hr = {r.star.hr: i for i, r in enumerate(records)}
    for name, hr in names:
        if hr not in by_hr:
            raise SourceError("%s: %s (HR %d) is not among the %d catalogue stars" %
                              (args.names, name, hr, STAR_COUNT))
    zones = build_dec_zone_index(records)

    segments = build_segments(figures, records, bsc)
    if args.suggest_drops:
        print("\n".join(suggest_drops(figures, segments, bsc_by_hr)))
        return 0
    kept = apply_drops(figures, segments, DROPPED_SEGMENTS)
    if len(kept) != LINE_COUNT:
        raise SourceError("the figures give %d segments after the drop list, expected %d" %
                          (len(kept), LINE_COUNT))
    lines = orient_and_sort(kept)
    first, last = lines[0], lines[-1]
    if first[0].record is not records[0] or first[1].record is not records[1]:
        raise SourceError("the first segment does not run from catalogue record 0 to record 1")
    if last[1].record is not records[-1]:
        raise SourceError("the last segment does not end at the northernmost catalogue star")

    ends = [e for a, b, _ in lines for e in (a, b)]
    mags = [r.star.mag for r in records]
    counts = (sum(1 for m in mags if m <= 2.0), sum(1 for m in mags if 2.0 < m <= 4.0),
              sum(1 for m in mags if m > 4.0), sum(1 for e in ends if e.record), sum(1 for e in ends if not e.record))
    text = emit(records, zones, lines, figures, names, bsc_by_hr, counts)

    if args.check:
        try:
            with open(args.output, encoding="ascii") as f:
                current = f.read()
        except OSError as e:
            raise SourceError("%s: cannot read (%s)" % (args.output, e))
        if current != text:
            print("%s is out of date; run python3 tools/gen_sky_tables.py" % args.output, file=sys.stderr)
            return 1
        return 0
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print("wrote %s: %d stars (%d / %d / %d by magnitude <=2, <=4, >4), %d segments with %d endpoints on "
          "catalogue stars and %d elsewhere" % ((args.output, STAR_COUNT) + counts[:3] + (LINE_COUNT,) + counts[3:]))
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate sky/SkyTables.cpp from the star and figure sources.")
    parser.add_argument("--bsc", default=DEFAULT_BSC, help="Bright Star Catalogue (default %(default)s)")
    parser.add_argument("--lines", default=DEFAULT_LINES, help="constellations.lines.json (default %(default)s)")
    parser.add_argument("--names", default=DEFAULT_NAMES, help="star-names.tsv (default %(default)s)")
    parser.add_argument("--output", default=DEFAULT_OUTPUT, help="file to write (default %(default)s)")
    parser.add_argument("--fetch-lines", action="store_true", help="fetch --lines from npm first")
    parser.add_argument("--check", action="store_true", help="compare with --output instead of writing it")
    parser.add_argument("--suggest-drops", action="store_true", help="print the drop list the policy gives")
    args = parser.parse_args(argv)
    try:
        return generate(args)
    except SourceError as e:
        print("gen_sky_tables: error: %s" % e, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
