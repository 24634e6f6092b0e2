#!/usr/bin/env python3
"""Draws the program's pictures with the Python standard library only.

Writes, beside this script:
  logo.png      200 x 75  RGBA  the product family's logo (mark + "Velmo" + tag line)
  database.png  128 x 128 RGBA  a stack of grey discs
  app.ico       16, 32, 48, 256 px, 32 bpp: the logo's mark

Everything is vector geometry filled by a small anti-aliasing scan-line
rasteriser; the letters are read from a TrueType font (DejaVu Sans, or
Liberation Sans as a fallback). Usage: python3 resources/make_pictures.py [outdir]
"""

import math
import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------
# Output files


def png_bytes(w, h, rgba):
    """rgba: bytes of w*h*4 straight-alpha 8-bit samples, rows top to bottom."""
    raw = bytearray()
    stride = w * 4
    for y in range(h):
        raw.append(0)  # filter: none
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(tag, data):
        c = tag + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def ico_bytes(images):
    """images: list of (size, rgba bytes). Sizes below 256 are stored as 32 bpp
    bitmaps with an AND mask, 256 as PNG, the usual layout of icon files."""
    blobs = []
    for size, rgba in images:
        if size >= 256:
            blobs.append(png_bytes(size, size, rgba))
            continue
        hdr = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = bytearray()
        for y in range(size - 1, -1, -1):  # bottom-up
            for x in range(size):
                r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(size):
                if rgba[(y * size + x) * 4 + 3] == 0:
                    row[x >> 3] |= 0x80 >> (x & 7)
            mask += row
        blobs.append(hdr + bytes(xor) + bytes(mask))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


# --------------------------------------------------------------------------
# Rasteriser: a path is a list of closed contours, each a list of (x, y)
# points in pixel units (pixel (i, j) covers [i, i+1) x [j, j+1)).

SUBSAMPLES = 16


def coverage(path, w, h, evenodd=False):
    """Returns {row: [coverage 0..1 per column]} for the rows the path touches."""
    edges = []
    for contour in path:
        n = len(contour)
        for i in range(n):
            x0, y0 = contour[i]
            x1, y1 = contour[(i + 1) % n]
            if y0 == y1:
                continue
            d = 1 if y1 > y0 else -1
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0), d))
    if not edges:
        return {}
    ymin = max(0, int(math.floor(min(e[0] for e in edges))))
    ymax = min(h, int(math.ceil(max(e[1] for e in edges))))
    edges.sort()
    wt = 1.0 / SUBSAMPLES
    rows = {}
    for row in range(ymin, ymax):
        acc = [0.0] * (w + 1)
        active = [e for e in edges if e[0] < row + 1 and e[1] > row]
        if not active:
            continue
        for k in range(SUBSAMPLES):
            ys = row + (k + 0.5) * wt
            xs = []
            for (ey0, ey1, ex0, slope, d) in active:
                if ey0 <= ys < ey1:
                    xs.append((ex0 + (ys - ey0) * slope, d))
            if not xs:
                continue
            xs.sort()
            wind = 0
            for i in range(len(xs) - 1):
                wind += xs[i][1]
                inside = (wind & 1) if evenodd else (wind != 0)
                if not inside:
                    continue
                a = max(0.0, xs[i][0])
                b = min(float(w), xs[i + 1][0])
                if b <= a:
                    continue
                ia, ib = int(a), int(b)
                if ia == ib:
                    acc[ia] += (b - a) * wt
                else:
                    acc[ia] += (ia + 1 - a) * wt
                    for x in range(ia + 1, ib):
                        acc[x] += wt
                    acc[ib] += (b - ib) * wt
        rows[row] = [min(1.0, c) for c in acc[:w]]
    return rows


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]  # premultiplied

    def fill(self, path, paint, opacity=1.0, clip=None, evenodd=False):
        """paint(x, y) -> (r, g, b, a) straight alpha 0..1, at pixel centres."""
        cov = coverage(path, self.w, self.h, evenodd)
        clipcov = coverage(clip, self.w, self.h) if clip is not None else None
        for row, line in cov.items():
            cline = clipcov.get(row) if clipcov is not None else None
            if clipcov is not None and cline is None:
                continue
            for x, c in enumerate(line):
                if cline is not None:
                    c *= cline[x]
                if c <= 0.0:
                    continue
                r, g, b, a = paint(x + 0.5, row + 0.5)
                a *= c * opacity
                if a <= 0.0:
                    continue
                p = self.px[row * self.w + x]
                k = 1.0 - a
                p[0] = r * a + p[0] * k
                p[1] = g * a + p[1] * k
                p[2] = b * a + p[2] * k
                p[3] = a + p[3] * k

    def rgba(self):
        out = bytearray()
        for r, g, b, a in self.px:
            if a <= 0.0:
                out += b"\0\0\0\0"
                continue
            out += bytes((round(min(1.0, r / a) * 255), round(min(1.0, g / a) * 255),
                          round(min(1.0, b / a) * 255), round(min(1.0, a) * 255)))
        return bytes(out)


# --------------------------------------------------------------------------
# Shapes


def ellipse(cx, cy, rx, ry, n=None):
    n = n or max(24, int(2 * math.pi * max(rx, ry)))
    return [[(cx + rx * math.cos(2 * math.pi * i / n), cy + ry * math.sin(2 * math.pi * i / n))
             for i in range(n)]]


def rounded_rect(x, y, w, h, r):
    pts = []
    steps = max(4, int(r * 1.5))
    for (cx, cy, a0) in ((x + w - r, y + r, -90), (x + w - r, y + h - r, 0),
                         (x + r, y + h - r, 90), (x + r, y + r, 180)):
        for i in range(steps + 1):
            a = math.radians(a0 + 90.0 * i / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return [pts]


def rect(x, y, w, h):
    return [[(x, y), (x + w, y), (x + w, y + h), (x, y + h)]]


def transform(path, sx, sy, dx, dy):
    return [[(dx + px * sx, dy + py * sy) for (px, py) in c] for c in path]


# --------------------------------------------------------------------------
# Paints


def hexc(s, a=1.0):
    s = s.lstrip("#")
    return (int(s[0:2], 16) / 255, int(s[2:4], 16) / 255, int(s[4:6], 16) / 255, a)


def solid(c):
    return lambda x, y: c


def ramp(stops, t):
    t = min(1.0, max(0.0, t))
    for i in range(len(stops) - 1):
        t0, c0 = stops[i]
        t1, c1 = stops[i + 1]
        if t <= t1:
            f = 0.0 if t1 == t0 else (t - t0) / (t1 - t0)
            return tuple(c0[j] + (c1[j] - c0[j]) * f for j in range(4))
    return stops[-1][1]


def linear(x0, y0, x1, y1, stops):
    dx, dy = x1 - x0, y1 - y0
    dd = dx * dx + dy * dy
    return lambda x, y: ramp(stops, ((x - x0) * dx + (y - y0) * dy) / dd)


def elliptic(cx, cy, rx, ry, stops):
    return lambda x, y: ramp(stops, math.hypot((x - cx) / rx, (y - cy) / ry))


# --------------------------------------------------------------------------
# TrueType outlines (glyf fonts), enough for Latin text with kerning.

FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation",
             "/usr/share/fonts/dejavu", "/usr/share/fonts/liberation"]


def find_font(names):
    for name in names:
        for d in FONT_DIRS:
            p = os.path.join(d, name)
            if os.path.exists(p):
                return p
    sys.exit("make_pictures: none of the fonts %s found (install fonts-dejavu-core)" % names)


class Font:
    def __init__(self, path):
        d = self.d = open(path, "rb").read()
        n = struct.unpack(">H", d[4:6])[0]
        self.t = {}
        for i in range(n):
            tag, _, off, length = struct.unpack(">4sIII", d[12 + 16 * i:28 + 16 * i])
            self.t[tag.decode("latin-1")] = (off, length)
        head = self.t["head"][0]
        self.upem = struct.unpack(">H", d[head + 18:head + 20])[0]
        self.loca_long = struct.unpack(">h", d[head + 50:head + 52])[0] == 1
        self.nglyphs = struct.unpack(">H", d[self.t["maxp"][0] + 4:self.t["maxp"][0] + 6])[0]
        hhea = self.t["hhea"][0]
        self.nhmetrics = struct.unpack(">H", d[hhea + 34:hhea + 36])[0]
        self.cmap = self._cmap()
        self.kern = self._kern()

    def _cmap(self):
        d = self.d
        base = self.t["cmap"][0]
        n = struct.unpack(">H", d[base + 2:base + 4])[0]
        for i in range(n):
            pid, eid, off = struct.unpack(">HHI", d[base + 4 + 8 * i:base + 12 + 8 * i])
            if pid == 3 and eid == 1 and struct.unpack(">H", d[base + off:base + off + 2])[0] == 4:
                s = base + off
                segx2 = struct.unpack(">H", d[s + 6:s + 8])[0]
                seg = segx2 // 2
                ends = struct.unpack(">%dH" % seg, d[s + 14:s + 14 + segx2])
                starts = struct.unpack(">%dH" % seg, d[s + 16 + segx2:s + 16 + 2 * segx2])
                deltas = struct.unpack(">%dh" % seg, d[s + 16 + 2 * segx2:s + 16 + 3 * segx2])
                ro_pos = s + 16 + 3 * segx2
                ros = struct.unpack(">%dH" % seg, d[ro_pos:ro_pos + segx2])
                m = {}
                for k in range(seg):
                    for c in range(starts[k], ends[k] + 1):
                        if c == 0xFFFF:
                            continue
                        if ros[k] == 0:
                            g = (c + deltas[k]) & 0xFFFF
                        else:
                            p = ro_pos + 2 * k + ros[k] + 2 * (c - starts[k])
                            g = struct.unpack(">H", d[p:p + 2])[0]
                            if g:
                                g = (g + deltas[k]) & 0xFFFF
                        m[c] = g
                return m
        raise ValueError("no Unicode cmap")

    def _kern(self):
        pairs = {}
        if "kern" not in self.t:
            return pairs
        d = self.d
        base = self.t["kern"][0]
        ntab = struct.unpack(">H", d[base + 2:base + 4])[0]
        p = base + 4
        for _ in range(ntab):
            length, cov = struct.unpack(">HH", d[p + 2:p + 6])
            if cov >> 8 == 0:
                npairs = struct.unpack(">H", d[p + 6:p + 8])[0]
                q = p + 14
                for i in range(npairs):
                    l, r, v = struct.unpack(">HHh", d[q + 6 * i:q + 6 * i + 6])
                    pairs[(l, r)] = v
            p += length
        return pairs

    def advance(self, g):
        h = self.t["hmtx"][0]
        i = min(g, self.nhmetrics - 1)
        return struct.unpack(">H", self.d[h + 4 * i:h + 4 * i + 2])[0]

    def _glyph_range(self, g):
        loca = self.t["loca"][0]
        if self.loca_long:
            a, b = struct.unpack(">II", self.d[loca + 4 * g:loca + 4 * g + 8])
        else:
            a, b = struct.unpack(">HH", self.d[loca + 2 * g:loca + 2 * g + 4])
            a, b = a * 2, b * 2
        return self.t["glyf"][0] + a, b - a

    def contours(self, g):
        """Contours of glyph g in font units, each a list of (x, y, on_curve)."""
        d = self.d
        p, length = self._glyph_range(g)
        if length == 0:
            return []
        nc = struct.unpack(">h", d[p:p + 2])[0]
        if nc < 0:
            return self._composite(p + 10)
        ends = struct.unpack(">%dH" % nc, d[p + 10:p + 10 + 2 * nc])
        q = p + 10 + 2 * nc
        ilen = struct.unpack(">H", d[q:q + 2])[0]
        q += 2 + ilen
        npts = ends[-1] + 1
        flags = []
        while len(flags) < npts:
            f = d[q]
            q += 1
            flags.append(f)
            if f & 8:
                r = d[q]
                q += 1
                flags.extend([f] * r)
        coords = []
        for short_bit, same_bit in ((2, 16), (4, 32)):
            v = 0
            vals = []
            for f in flags:
                if f & short_bit:
                    dv = d[q]
                    q += 1
                    v += dv if f & same_bit else -dv
                elif not f & same_bit:
                    v += struct.unpack(">h", d[q:q + 2])[0]
                    q += 2
                vals.append(v)
            coords.append(vals)
        pts = [(coords[0][i], coords[1][i], bool(flags[i] & 1)) for i in range(npts)]
        out, s = [], 0
        for e in ends:
            out.append(pts[s:e + 1])
            s = e + 1
        return out

    def _composite(self, q):
        d = self.d
        out = []
        while True:
            flags, gi = struct.unpack(">HH", d[q:q + 4])
            q += 4
            if flags & 1:
                dx, dy = struct.unpack(">hh", d[q:q + 4])
                q += 4
            else:
                dx, dy = struct.unpack(">bb", d[q:q + 2])
                q += 2
            a, b, c, e = 1.0, 0.0, 0.0, 1.0
            if flags & 8:
                a = e = struct.unpack(">h", d[q:q + 2])[0] / 16384
                q += 2
            elif flags & 0x40:
                a, e = (v / 16384 for v in struct.unpack(">hh", d[q:q + 4]))
                q += 4
            elif flags & 0x80:
                a, b, c, e = (v / 16384 for v in struct.unpack(">hhhh", d[q:q + 8]))
                q += 8
            for cont in self.contours(gi):
                out.append([(x * a + y * c + dx, x * b + y * e + dy, on) for (x, y, on) in cont])
            if not flags & 0x20:
                break
        return out

    def text_width(self, text, size):
        return self._layout(text, size)[1]

    def _layout(self, text, size, tracking=0.0):
        s = size / self.upem
        glyphs, x, prev = [], 0.0, None
        for ch in text:
            g = self.cmap.get(ord(ch), 0)
            if prev is not None:
                x += self.kern.get((prev, g), 0) * s + tracking
            glyphs.append((g, x))
            x += self.advance(g) * s
            prev = g
        return glyphs, x

    def text_path(self, text, size, x0, baseline, tracking=0.0):
        """Outline of text in pixels, left edge x0, on the given baseline."""
        s = size / self.upem
        glyphs, _ = self._layout(text, size, tracking)
        path = []
        for g, gx in glyphs:
            for cont in self.contours(g):
                path.append(flatten([(x0 + gx + x * s, baseline - y * s, on) for (x, y, on) in cont]))
        return path


def flatten(cont, steps=6):
    """Quadratic TrueType contour -> polygon."""
    n = len(cont)
    start = next((i for i in range(n) if cont[i][2]), None)
    if start is None:  # all off-curve: start at a midpoint
        a, b = cont[0], cont[1]
        cont = [((a[0] + b[0]) / 2, (a[1] + b[1]) / 2, True)] + cont[1:] + [cont[0]]
        start, n = 0, len(cont)
    pts = cont[start:] + cont[:start]
    out = [(pts[0][0], pts[0][1])]
    cur = pts[0]
    i = 1
    while i <= n:
        p = pts[i % n]
        if p[2]:
            out.append((p[0], p[1]))
            cur = p
            i += 1
            continue
        nxt = pts[(i + 1) % n]
        end = nxt if nxt[2] else ((p[0] + nxt[0]) / 2, (p[1] + nxt[1]) / 2, True)
        for k in range(1, steps + 1):
            t = k / steps
            u = 1 - t
            out.append((u * u * cur[0] + 2 * u * t * p[0] + t * t * end[0],
                        u * u * cur[1] + 2 * u * t * p[1] + t * t * end[1]))
        cur = end
        i += 2 if nxt[2] else 1
    return out


# --------------------------------------------------------------------------
# The mark: a blue glassy tile holding a white "V" whose right arm rises
# higher than the left, like a tick or a rising line.

BLUE_LIGHT = hexc("8AC5FF")
BLUE = hexc("178BFF")
BLUE_DARK = hexc("0B4F9E")


def v_shape(x, y, s):
    pts = [(0.17, 0.30), (0.37, 0.30), (0.50, 0.60), (0.68, 0.16), (0.88, 0.16),
           (0.61, 0.80), (0.41, 0.80)]
    k = 1.0 if s >= 24 else 1.15  # a bigger V on the smallest icon, to stay legible
    return [[(x + (0.52 + (px - 0.52) * k) * s, y + (0.48 + (py - 0.48) * k) * s)
             for (px, py) in pts]]


def draw_mark(cv, x, y, s):
    r = max(2.0, s * 0.22)
    tile = rounded_rect(x, y, s, s, r)
    cv.fill(tile, linear(0, y, 0, y + s, [(0.0, BLUE_LIGHT), (0.45, BLUE), (1.0, BLUE_DARK)]))
    if s >= 24:
        # glass shine over the upper half
        inset = s * 0.04
        shine = rounded_rect(x + inset, y + inset, s - 2 * inset, s * 0.52, r * 0.85)
        cv.fill(shine, linear(0, y, 0, y + s * 0.55,
                              [(0.0, (1, 1, 1, 0.55)), (1.0, (1, 1, 1, 0.08))]))
        # a faint light rim
        w = max(1.0, s / 48)
        ring = tile + [list(reversed(rounded_rect(x + w, y + w, s - 2 * w, s - 2 * w, r - w)[0]))]
        cv.fill(ring, linear(0, y, 0, y + s, [(0.0, (1, 1, 1, 0.55)), (1.0, (1, 1, 1, 0.12))]))
    if s >= 24:
        # soft shadow under the V
        cv.fill(transform(v_shape(x, y, s), 1, 1, 0, s * 0.03), solid((0, 0, 0.2, 0.30)))
    cv.fill(v_shape(x, y, s), linear(0, y + s * 0.16, 0, y + s * 0.8,
                                     [(0.0, (1, 1, 1, 1)), (1.0, hexc("E4EEFA"))]))


# --------------------------------------------------------------------------
# The pictures


def make_logo():
    w, h = 200, 75
    cv = Canvas(w, h)
    mark = 58
    mx, my = 3, (h - mark) // 2
    draw_mark(cv, mx, my, mark)

    bold = Font(find_font(["DejaVuSans-Bold.ttf", "LiberationSans-Bold.ttf"]))
    book = Font(find_font(["DejaVuSans.ttf", "LiberationSans-Regular.ttf"]))
    tx = mx + mark + 8
    room = w - tx - 2
    word, tag = "Velmo", "Software de Gestão"
    size = 36.0
    while bold.text_width(word, size) > room:
        size -= 0.5
    tag_size = 11.0
    while book.text_width(tag, tag_size) > room:
        tag_size -= 0.25
    base = my + 33
    cv.fill(bold.text_path(word, size, tx - 1, base + 1.5), solid((0, 0, 0, 0.45)))
    cv.fill(bold.text_path(word, size, tx, base),
            linear(0, base - size * 0.75, 0, base, [(0.0, (1, 1, 1, 1)), (1.0, hexc("D6E6F7"))]))
    # a thin blue rule between the word and the tag line
    cv.fill(rect(tx + 1, base + 5, room - 2, 1.2),
            linear(tx, 0, tx + room, 0, [(0.0, BLUE), (0.7, (BLUE[0], BLUE[1], BLUE[2], 0.35)),
                                         (1.0, (BLUE[0], BLUE[1], BLUE[2], 0.0))]))
    cv.fill(book.text_path(tag, tag_size, tx + 1, base + 18), solid(hexc("C4C4C4")))
    return w, h, cv.rgba()


GREY_STOPS = [(0.00, hexc("6E7379")), (0.18, hexc("B9BEC5")), (0.33, hexc("E6E9ED")),
              (0.45, hexc("CDD1D6")), (0.80, hexc("8D9299")), (1.00, hexc("5C6066"))]


def make_database():
    w = h = 128
    cv = Canvas(w, h)
    cx, rx, ry = 64.0, 48.0, 14.0
    top, seg, gap = 22.0, 22.0, 6.0
    n = 3
    bottom = top + (n - 1) * (seg + gap) + seg
    # soft shadow on the ground
    cv.fill(ellipse(cx, bottom + 6, rx + 10, ry * 0.75),
            elliptic(cx, bottom + 6, rx + 10, ry * 0.75,
                     [(0.0, (0, 0, 0, 0.55)), (0.6, (0, 0, 0, 0.25)), (1.0, (0, 0, 0, 0.0))]))
    side = linear(cx - rx, 0, cx + rx, 0, GREY_STOPS)
    for k in range(n - 1, -1, -1):
        yt = top + k * (seg + gap)
        yb = yt + seg
        steps = 96
        body = []
        for i in range(steps + 1):  # lower half of the bottom rim, left to right
            a = math.pi - math.pi * i / steps
            body.append((cx + rx * math.cos(a), yb + ry * math.sin(a)))
        for i in range(steps + 1):  # upper half of the top rim, right to left
            a = -math.pi * i / steps
            body.append((cx + rx * math.cos(a), yt + ry * math.sin(a)))
        cv.fill([body], side)
        # darken the lower part of the side a little, to round it off
        cv.fill([body], linear(0, yt, 0, yb + ry, [(0.0, (0, 0, 0, 0.0)), (0.75, (0, 0, 0, 0.0)),
                                                   (1.0, (0, 0, 0, 0.22))]))
        # the top face
        cv.fill(ellipse(cx, yt, rx, ry),
                linear(cx - rx, yt - ry, cx + rx * 0.6, yt + ry,
                       [(0.0, hexc("F4F6F8")), (0.55, hexc("D3D7DC")), (1.0, hexc("A9AEB5"))]))
        # its edge: light at the front, darker at the back
        ring = ellipse(cx, yt, rx, ry) + [list(reversed(ellipse(cx, yt, rx - 1.3, ry - 1.1)[0]))]
        cv.fill(ring, linear(0, yt - ry, 0, yt + ry,
                             [(0.0, hexc("80858C")), (0.5, hexc("A0A5AC")), (1.0, hexc("FFFFFF"))]))
    return w, h, cv.rgba()


def make_icon_image(size):
    cv = Canvas(size, size)
    m = 0 if size <= 16 else max(1, round(size / 32))
    draw_mark(cv, m, m, size - 2 * m)
    return cv.rgba()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    w, h, data = make_logo()
    with open(os.path.join(out, "logo.png"), "wb") as f:
        f.write(png_bytes(w, h, data))
    w, h, data = make_database()
    with open(os.path.join(out, "database.png"), "wb") as f:
        f.write(png_bytes(w, h, data))
    icons = [(s, make_icon_image(s)) for s in (256, 48, 32, 16)]
    with open(os.path.join(out, "app.ico"), "wb") as f:
        f.write(ico_bytes(icons))


if __name__ == "__main__":
    main()
