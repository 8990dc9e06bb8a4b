#!/usr/bin/env python3
"""Draws the two bundle images and writes them to resources/ (1x and @2x).

    python3 tools/make_images.py [OUTPUT_DIR]

strtstp2.png  the red button background (Quit, the web-site button); stretched
              by the buttons to 60 x 37 and 240 x 57 points.
marvane1.png  a picture of the maker's other application, a planet chart.

Python standard library only; everything is computed from fixed numbers, so a
second run writes the same bytes. Shapes are signed-distance fields with a
one-pixel analytic edge, composited in premultiplied floating point.
"""
import math
import os
import struct
import sys
import zlib


class Canvas:
    def __init__(self, width, height, scale):
        self.s = scale
        self.w = int(round(width * scale))
        self.h = int(round(height * scale))
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.w * self.h)]

    def paint(self, box, coverage, colour):
        """Paints over box (points) where coverage(x, y) > 0; x, y are the
        pixel centre in points; colour(x, y) gives straight (r, g, b, a)."""
        s = self.s
        x0 = max(0, int(math.floor(box[0] * s)) - 1)
        y0 = max(0, int(math.floor(box[1] * s)) - 1)
        x1 = min(self.w, int(math.ceil(box[2] * s)) + 1)
        y1 = min(self.h, int(math.ceil(box[3] * s)) + 1)
        for j in range(y0, y1):
            y = (j + 0.5) / s
            row = j * self.w
            for i in range(x0, x1):
                x = (i + 0.5) / s
                c = coverage(x, y)
                if c <= 0.0:
                    continue
                r, g, b, a = colour(x, y)
                a *= min(c, 1.0)
                d = self.px[row + i]
                k = 1.0 - a
                d[0] = r * a + d[0] * k
                d[1] = g * a + d[1] * k
                d[2] = b * a + d[2] * k
                d[3] = a + d[3] * k

    def edge(self, sdf):
        """Coverage of a signed distance in points (negative inside)."""
        return lambda x, y: min(1.0, max(0.0, 0.5 - sdf(x, y) * self.s))

    def png(self):
        raw = bytearray()
        for j in range(self.h):
            raw.append(0)
            for i in range(self.w):
                r, g, b, a = self.px[j * self.w + i]
                if a <= 0.0:
                    raw += b"\0\0\0\0"
                    continue
                raw += bytes(min(255, int(round(v / a * 255.0))) for v in (r, g, b))
                raw.append(min(255, int(round(a * 255.0))))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# --- distance fields (points) ---

def rounded_rect(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return sdf


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse_stroke(cx, cy, a, b, tilt, width):
    c, s = math.cos(tilt), math.sin(tilt)

    def sdf(x, y):
        u = (x - cx) * c + (y - cy) * s
        v = -(x - cx) * s + (y - cy) * c
        f = (u / a) ** 2 + (v / b) ** 2 - 1.0
        grad = 2.0 * math.hypot(u / (a * a), v / (b * b)) or 1e-9
        return abs(f / grad) - width / 2
    return sdf


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2
    return sdf


def intersect(f, g):
    return lambda x, y: max(f(x, y), g(x, y))


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(colour):
    return lambda x, y: colour


# --- strtstp2.png ---

def button(scale):
    w, h, r = 120.0, 46.0, 10.0
    cv = Canvas(w, h, scale)
    body = rounded_rect(0.5, 0.5, w - 0.5, h - 0.5, r)
    top, middle, bottom = (0.86, 0.16, 0.12, 1.0), (0.52, 0.04, 0.04, 1.0), (0.09, 0.0, 0.0, 1.0)

    def gradient(x, y):
        t = y / h
        return mix(top, middle, t / 0.5) if t < 0.5 else mix(middle, bottom, (t - 0.5) / 0.5)
    cv.paint((0, 0, w, h), cv.edge(body), gradient)
    # Gloss on the upper half, fading downwards.
    gloss = intersect(rounded_rect(2.5, 2.5, w - 2.5, h * 0.55, r - 2), body)
    cv.paint((0, 0, w, h * 0.6), cv.edge(gloss),
             lambda x, y: (1.0, 1.0, 1.0, 0.28 * (1.0 - y / (h * 0.55))))
    # Dark rim and a faint light line inside the top edge.
    cv.paint((0, 0, w, h), cv.edge(lambda x, y: abs(body(x, y) + 0.5) - 0.5), solid((0.18, 0.0, 0.0, 1.0)))
    inner = rounded_rect(1.5, 1.5, w - 1.5, h - 1.5, r - 1)
    cv.paint((0, 0, w, h * 0.5), cv.edge(lambda x, y: abs(inner(x, y) + 0.4) - 0.4),
             lambda x, y: (1.0, 0.6, 0.55, 0.45 * max(0.0, 1.0 - y / (h * 0.4))))
    return cv


# --- marvane1.png ---

def planets_picture(scale):
    w, h = 260.0, 150.0
    cv = Canvas(w, h, scale)
    panel = rounded_rect(0.5, 0.5, w - 0.5, h - 0.5, 14)
    cv.paint((0, 0, w, h), cv.edge(panel),
             lambda x, y: mix((0.05, 0.08, 0.20, 1.0), (0.01, 0.01, 0.05, 1.0), y / h))

    # Background stars from a fixed linear congruential sequence.
    seed = 20100101
    for _ in range(70):
        seed = (seed * 1103515245 + 12345) % 2147483648
        x = 8 + (seed % 10000) / 10000 * (w - 16)
        seed = (seed * 1103515245 + 12345) % 2147483648
        y = 8 + (seed % 10000) / 10000 * (h - 34)
        seed = (seed * 1103515245 + 12345) % 2147483648
        r = 0.35 + (seed % 100) / 100 * 0.55
        light = 0.55 + (seed % 37) / 37 * 0.45
        cv.paint((x - 2, y - 2, x + 2, y + 2), cv.edge(intersect(circle(x, y, r), panel)),
                 solid((light, light, min(1.0, light + 0.1), 1.0)))

    # The orrery: the Sun, four tilted orbits and their planets.
    sx, sy, tilt = 86.0, 66.0, -0.18
    cv.paint((sx - 30, sy - 30, sx + 30, sy + 30), lambda x, y: 1.0,
             lambda x, y: (1.0, 0.75, 0.2, 0.55 * max(0.0, 1.0 - math.hypot(x - sx, y - sy) / 28) ** 2))
    cv.paint((sx - 10, sy - 10, sx + 10, sy + 10), cv.edge(circle(sx, sy, 8)),
             lambda x, y: mix((1.0, 0.97, 0.75, 1.0), (1.0, 0.62, 0.1, 1.0), math.hypot(x - sx + 2, y - sy + 2) / 9))
    planets = [  # orbit a, b; angle on the orbit; radius; colour
        (22, 9, 0.9, 1.6, (0.75, 0.72, 0.68, 1.0)),
        (36, 14, 3.7, 2.4, (0.95, 0.85, 0.55, 1.0)),
        (52, 20, 5.6, 2.6, (0.35, 0.6, 1.0, 1.0)),
        (70, 27, 2.3, 2.2, (0.95, 0.45, 0.25, 1.0)),
    ]
    c, s = math.cos(tilt), math.sin(tilt)
    for a, b, angle, r, colour in planets:
        cv.paint((sx - a - 2, sy - a - 2, sx + a + 2, sy + a + 2), cv.edge(ellipse_stroke(sx, sy, a, b, tilt, 0.6)),
                 solid((0.45, 0.55, 0.8, 0.7)))
        u, v = a * math.cos(angle), b * math.sin(angle)
        px, py = sx + u * c - v * s, sy + u * s + v * c
        cv.paint((px - r - 1, py - r - 1, px + r + 1, py + r + 1), cv.edge(circle(px, py, r)),
                 lambda x, y, px=px, py=py, r=r, colour=colour:
                 mix(colour, (colour[0] * 0.35, colour[1] * 0.35, colour[2] * 0.35, 1.0),
                     (math.hypot(x - px + r * 0.4, y - py + r * 0.4) / (r * 1.6))))

    # A ringed planet on the right.
    rx, ry = 150.0, 36.0
    back = ellipse_stroke(rx, ry, 13, 4, -0.3, 1.6)
    cv.paint((rx - 15, ry - 8, rx + 15, ry + 8), cv.edge(back), solid((0.85, 0.78, 0.6, 0.9)))
    cv.paint((rx - 7, ry - 7, rx + 7, ry + 7), cv.edge(circle(rx, ry, 6)),
             lambda x, y: mix((0.98, 0.88, 0.62, 1.0), (0.55, 0.42, 0.25, 1.0), math.hypot(x - rx + 2, y - ry + 2) / 9))
    front = intersect(back, lambda x, y: -((y - ry) + (x - rx) * 0.3))
    cv.paint((rx - 15, ry - 8, rx + 15, ry + 8), cv.edge(front), solid((0.9, 0.83, 0.65, 1.0)))

    # The Moon in its phase, with a few grey maria.
    mx, my, mr = 212.0, 56.0, 24.0
    moon = circle(mx, my, mr)
    cv.paint((mx - mr - 1, my - mr - 1, mx + mr + 1, my + mr + 1), cv.edge(moon),
             lambda x, y: mix((0.93, 0.93, 0.88, 1.0), (0.72, 0.72, 0.68, 1.0), math.hypot(x - mx + 6, y - my + 8) / 30))
    for cx, cy, r in ((-8, -6, 6), (4, -10, 4.5), (6, 5, 7), (-6, 9, 4)):
        cv.paint((mx + cx - r - 1, my + cy - r - 1, mx + cx + r + 1, my + cy + r + 1),
                 cv.edge(circle(mx + cx, my + cy, r)), solid((0.55, 0.56, 0.56, 0.55)))
    # The unlit part: the disc minus an offset disc (a waxing gibbous Moon).
    shadow = intersect(moon, lambda x, y: -(math.hypot((x - mx + 10) / 0.82, y - my) - mr * 1.02))
    cv.paint((mx - mr - 1, my - mr - 1, mx + mr + 1, my + mr + 1), cv.edge(shadow), solid((0.02, 0.03, 0.08, 0.88)))

    # A list of rows and a tab bar, as the application's screen has them.
    for k, colour in enumerate(((1.0, 0.62, 0.1), (0.35, 0.6, 1.0), (0.95, 0.45, 0.25))):
        y = 92 + k * 12
        cv.paint((176, y - 4, 184, y + 4), cv.edge(circle(180, y, 3)), solid(colour + (1.0,)))
        cv.paint((186, y - 3, 246, y + 3), cv.edge(rounded_rect(188, y - 1.5, 244 - k * 14, y + 1.5, 1.5)),
                 solid((0.75, 0.8, 0.95, 0.75)))
    bar = intersect(panel, lambda x, y: (h - 22) - y)
    cv.paint((0, h - 24, w, h), cv.edge(bar), lambda x, y: mix((0.16, 0.18, 0.28, 1.0), (0.07, 0.08, 0.13, 1.0),
                                                               (y - (h - 22)) / 22))
    cv.paint((0, h - 23, w, h - 21), cv.edge(segment(8, h - 22, w - 8, h - 22, 0.6)), solid((0.5, 0.55, 0.7, 0.8)))
    for k in range(4):
        x = w * (k + 0.5) / 4
        lit = k == 0
        cv.paint((x - 6, h - 17, x + 6, h - 5), cv.edge(rounded_rect(x - 5, h - 16, x + 5, h - 6, 2.5)),
                 solid((1.0, 0.7, 0.25, 1.0) if lit else (0.55, 0.6, 0.75, 0.9)))
    # Frame.
    cv.paint((0, 0, w, h), cv.edge(lambda x, y: abs(panel(x, y) + 0.5) - 0.5), solid((0.55, 0.6, 0.75, 1.0)))
    return cv


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                                               "resources")
    for name, draw in (("strtstp2", button), ("marvane1", planets_picture)):
        for scale, suffix in ((1, ""), (2, "@2x")):
            path = os.path.join(out, name + suffix + ".png")
            with open(path, "wb") as f:
                f.write(draw(scale).png())
            print(path)


if __name__ == "__main__":
    main()
