#!/usr/bin/env python3
"""Renders web/icon.svg to the PNG icons of the web app and the desktop.

    python3 tools/make_icons.py [OUTPUT_DIR]     (default: web/icons)

icon-192.png                  the icon as drawn, rounded corners transparent
icon-maskable-512.png         full-bleed black, the drawing at 90 % so that all
                              of it lies in the middle 80 % circle a launcher's
                              mask keeps
apple-touch-icon.png          180 pixels, full-bleed black (iOS rounds it)
hicolor/NxN/starchart.png     the desktop's sizes, 16 to 256

Python standard library only. It reads the few SVG elements the icon uses
(rect with rx, g with fill or stroke, path with M L h v, circle) and fails on
anything else; shapes are signed-distance fields with a one-pixel edge, so a
second run writes the same bytes. Images of at most 256 colours are written
with a palette.
"""
import math
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

SVG_NS = '{http://www.w3.org/2000/svg}'
# A shape's edge pixel covers a whole number of 1/levels of it: few colours,
# for a small palette PNG. The desktop's icons, down to 16 pixels, take
# quarters; the web app's, at 180 pixels and more and within its download
# budget, halves.
kDesktopEdgeLevels = 4
kWebEdgeLevels = 2


def colour(text):
    text = text.strip()
    if not (text.startswith('#') and len(text) in (4, 7)):
        raise SystemExit('make_icons: unsupported colour %r' % text)
    h = text[1:]
    if len(h) == 3:
        h = ''.join(c * 2 for c in h)
    return tuple(int(h[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def path_points(d):
    """Polylines of an M/L/h/v path, in user units."""
    tokens = d.replace(',', ' ')
    out, cur, i, lines = [], None, 0, []
    import re
    for cmd, args in re.findall(r'([MLhvHV])([^MLhvHV]*)', tokens):
        nums = [float(x) for x in re.findall(r'-?[0-9]*\.?[0-9]+', args)]
        if cmd == 'M':
            cur = [(nums[0], nums[1])]
            lines.append(cur)
            nums = nums[2:]
            cmd = 'L'
        for j in range(0, len(nums), 1 if cmd in 'hvHV' else 2):
            x, y = cur[-1]
            if cmd == 'L':
                cur.append((nums[j], nums[j + 1]))
            elif cmd == 'h':
                cur.append((x + nums[j], y))
            elif cmd == 'v':
                cur.append((x, y + nums[j]))
            elif cmd == 'H':
                cur.append((nums[j], y))
            elif cmd == 'V':
                cur.append((x, nums[j]))
    return lines


def read_svg(path):
    """Shapes in drawing order: (kind, data, rgb)."""
    root = ET.parse(path).getroot()
    vb = [float(v) for v in root.get('viewBox').split()]
    shapes = []

    def walk(el, fill, stroke, width):
        fill = el.get('fill', fill)
        stroke = el.get('stroke', stroke)
        width = float(el.get('stroke-width', width))
        tag = el.tag.replace(SVG_NS, '')
        if tag == 'rect':
            shapes.append(('rect', (float(el.get('x', 0)), float(el.get('y', 0)), float(el.get('width')),
                                    float(el.get('height')), float(el.get('rx', 0))), colour(fill)))
        elif tag == 'circle':
            shapes.append(('circle', (float(el.get('cx')), float(el.get('cy')), float(el.get('r'))),
                           colour(fill)))
        elif tag == 'path':
            if not stroke or stroke == 'none':
                raise SystemExit('make_icons: only stroked paths are drawn')
            for line in path_points(el.get('d')):
                shapes.append(('line', (line, width / 2), colour(stroke)))
        elif tag not in ('svg', 'g'):
            raise SystemExit('make_icons: unsupported element <%s>' % tag)
        for child in el:
            walk(child, fill, stroke, width)

    walk(root, '#000', None, 1)
    return vb, shapes


def rect_distance(px, py, r):
    x, y, w, h, rx = r
    cx, cy = x + w / 2, y + h / 2
    qx, qy = abs(px - cx) - (w / 2 - rx), abs(py - cy) - (h / 2 - rx)
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - rx


def segment_distance(px, py, a, b, half):
    """Butt-capped stroke of a segment."""
    dx, dy = b[0] - a[0], b[1] - a[1]
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    rx, ry = px - (a[0] + b[0]) / 2, py - (a[1] + b[1]) / 2
    along = abs(rx * ux + ry * uy) - length / 2
    across = abs(-rx * uy + ry * ux) - half
    return math.hypot(max(along, 0), max(across, 0)) + min(max(along, across), 0)


def shape_distance(kind, data, x, y):
    if kind == 'rect':
        return rect_distance(x, y, data)
    if kind == 'circle':
        return math.hypot(x - data[0], y - data[1]) - data[2]
    line, half = data
    d = min(segment_distance(x, y, line[i], line[i + 1], half) for i in range(len(line) - 1))
    # Round joins where segments meet.
    for p in line[1:-1]:
        d = min(d, math.hypot(x - p[0], y - p[1]) - half)
    return d


def render(svg, size, levels, content_scale=1.0, full_bleed=None):
    vb, shapes = svg
    px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]
    if full_bleed is not None:
        for p in px:
            p[:] = [full_bleed[0], full_bleed[1], full_bleed[2], 1.0]
        # The drawing's own backdrop is the bleed: the shapes after it only.
        shapes = [s for s in shapes if not (s[0] == 'rect' and s[1][2] >= vb[2] and s[1][3] >= vb[3])]
    unit = size / vb[2]  # pixels per user unit
    centre = vb[2] / 2
    for kind, data, rgb in shapes:
        # Bounding box in pixels.
        if kind == 'rect':
            x0, y0, x1, y1 = data[0], data[1], data[0] + data[2], data[1] + data[3]
        elif kind == 'circle':
            x0, y0, x1, y1 = data[0] - data[2], data[1] - data[2], data[0] + data[2], data[1] + data[2]
        else:
            xs = [p[0] for p in data[0]]
            ys = [p[1] for p in data[0]]
            x0, y0, x1, y1 = min(xs) - data[1], min(ys) - data[1], max(xs) + data[1], max(ys) + data[1]

        def to_px(v):
            return (centre + (v - centre) * content_scale) * unit

        for j in range(max(0, int(to_px(y0)) - 1), min(size, int(to_px(y1)) + 2)):
            for i in range(max(0, int(to_px(x0)) - 1), min(size, int(to_px(x1)) + 2)):
                # The pixel centre, back in user units.
                ux = centre + ((i + 0.5) / unit - centre) / content_scale
                uy = centre + ((j + 0.5) / unit - centre) / content_scale
                d = shape_distance(kind, data, ux, uy) * unit * content_scale
                a = round(min(1.0, max(0.0, 0.5 - d)) * levels) / levels
                if a <= 0:
                    continue
                p = px[j * size + i]
                for k in range(3):
                    p[k] = rgb[k] * a + p[k] * (1 - a)
                p[3] = a + p[3] * (1 - a)
    return px


def pixels(size, px):
    """Rows of straight-alpha RGBA bytes."""
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            r, g, b, a = px[j * size + i]
            # Premultiplied to straight alpha.
            if a > 0:
                r, g, b = r / a, g / a, b / a
            row.extend(int(round(min(1.0, max(0.0, c)) * 255)) for c in (r, g, b, a))
        rows.append(bytes(row))
    return rows


def deflate(data):
    """The smallest of zlib's level-9 strategies."""
    best = None
    for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
        c = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
        out = c.compress(data) + c.flush()
        if best is None or len(out) < len(best):
            best = out
    return best


def write_png(path, size, px):
    rows = pixels(size, px)
    colours = {}
    for row in rows:
        for i in range(0, len(row), 4):
            c = row[i:i + 4]
            colours[c] = colours.get(c, 0) + 1

    def chunk(tag, data):
        body = tag + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)

    if len(colours) <= 256:
        # Few colours (flat shapes and their edges): an exact palette, the
        # translucent entries first so that the transparency list stays short.
        palette = sorted(colours, key=lambda c: (c[3] == 255, -colours[c], c))
        index = {c: n for n, c in enumerate(palette)}
        raw = b''.join(b'\0' + bytes(index[row[i:i + 4]] for i in range(0, len(row), 4)) for row in rows)
        alphas = bytes(c[3] for c in palette if c[3] != 255)
        head = chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 3, 0, 0, 0))
        head += chunk(b'PLTE', b''.join(c[:3] for c in palette))
        if alphas:
            head += chunk(b'tRNS', alphas)
    else:
        raw = b''.join(b'\0' + row for row in rows)
        head = chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))

    png = b'\x89PNG\r\n\x1a\n' + head + chunk(b'IDAT', deflate(raw)) + chunk(b'IEND', b'')
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(png)
    os.replace(tmp, path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'web', 'icons')
    svg = read_svg(os.path.join(here, '..', 'web', 'icon.svg'))
    black = (0.0, 0.0, 0.0)
    for name, size, scale, bleed in [('icon-192.png', 192, 1.0, None),
                                     ('icon-maskable-512.png', 512, 0.9, black),
                                     ('apple-touch-icon.png', 180, 1.0, black)]:
        write_png(os.path.join(out, name), size, render(svg, size, kWebEdgeLevels, scale, bleed))
    for size in (16, 32, 48, 64, 128, 256):
        write_png(os.path.join(out, 'hicolor', '%dx%d' % (size, size), 'starchart.png'), size,
                  render(svg, size, kDesktopEdgeLevels))


if __name__ == '__main__':
    main()
