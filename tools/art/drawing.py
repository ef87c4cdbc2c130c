"""What the art generators share: colours and paints, shapes as lists of
closed polygons, a picture as a list of operations, a supersampling
rasterizer and a PNG writer. Only the standard library.

Coordinates are in the picture's own units (y pointing down); a picture is
rendered at any pixel size.
"""

import math
import struct
import zlib

SUPERSAMPLE = 8

# --------------------------------------------------------------------------
# Colours and paints: a colour is an (r, g, b, alpha) tuple of 0..1 floats;
# a gradient gives one per point.


def rgb(hex_text, alpha=1.0):
    h = hex_text.lstrip('#')
    return (int(h[0:2], 16) / 255, int(h[2:4], 16) / 255, int(h[4:6], 16) / 255, alpha)


class Linear:
    """Linear gradient between two points."""

    def __init__(self, x0, y0, c0, x1, y1, c1):
        self.x0, self.y0, self.c0, self.x1, self.y1, self.c1 = x0, y0, c0, x1, y1, c1

    def at(self, x, y):
        dx, dy = self.x1 - self.x0, self.y1 - self.y0
        length = dx * dx + dy * dy
        t = 0.0 if length == 0 else ((x - self.x0) * dx + (y - self.y0) * dy) / length
        t = min(1.0, max(0.0, t))
        return tuple(a + (b - a) * t for a, b in zip(self.c0, self.c1))


class Radial:
    """Radial gradient with stops [(t, colour)]."""

    def __init__(self, cx, cy, r, stops):
        self.cx, self.cy, self.r, self.stops = cx, cy, r, stops

    def at(self, x, y):
        t = min(1.0, math.hypot(x - self.cx, y - self.cy) / self.r)
        for (t0, c0), (t1, c1) in zip(self.stops, self.stops[1:]):
            if t <= t1:
                k = 0 if t1 == t0 else (t - t0) / (t1 - t0)
                return tuple(a + (b - a) * k for a, b in zip(c0, c1))
        return self.stops[-1][1]


GRADIENTS = (Linear, Radial)

# --------------------------------------------------------------------------
# Shapes: lists of closed polygons (lists of (x, y) points).


def signed_area(poly):
    return sum(poly[i][0] * poly[(i + 1) % len(poly)][1] - poly[(i + 1) % len(poly)][0] * poly[i][1]
               for i in range(len(poly))) / 2


def oriented(poly):
    """The polygon in one orientation, so that overlapping parts of a shape
    add up under the nonzero rule instead of cancelling."""
    return poly if signed_area(poly) >= 0 else list(reversed(poly))


def circle_points(cx, cy, r, steps):
    return [(cx + r * math.cos(2 * math.pi * i / steps), cy + r * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def ellipse_arc(cx, cy, rx, ry, a0, a1, steps):
    """Points along an arc, angles in degrees, 0 = right, 90 = down."""
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def quad_bezier(p0, p1, p2, steps):
    return [((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
             (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1])
            for t in (i / steps for i in range(steps + 1))]


def rounded_rect(x, y, w, h, r, corner_steps):
    r = min(r, w / 2, h / 2)
    if r <= 0:
        return [[(x, y), (x + w, y), (x + w, y + h), (x, y + h)]]
    pts = []
    pts += ellipse_arc(x + w - r, y + r, r, r, -90, 0, corner_steps)
    pts += ellipse_arc(x + w - r, y + h - r, r, r, 0, 90, corner_steps)
    pts += ellipse_arc(x + r, y + h - r, r, r, 90, 180, corner_steps)
    pts += ellipse_arc(x + r, y + r, r, r, 180, 270, corner_steps)
    return [pts]


def stroke_shape(points, width, closed, cap_steps):
    """A polyline of the given width with round joins and caps, as polygons
    of one orientation, so that the nonzero rule fills their union."""
    half = width / 2
    out = []
    segments = list(zip(points, points[1:] + (points[:1] if closed else [])))
    for (x0, y0), (x1, y1) in segments:
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        if length == 0:
            continue
        nx, ny = -dy / length * half, dx / length * half
        out.append(oriented([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]))
    for x, y in points:
        out.append(oriented(circle_points(x, y, half, cap_steps)))
    return out

# --------------------------------------------------------------------------
# A picture is a list of operations, drawn in order:
#   ('fill', shape, paint, evenodd)      ('stroke', points, width, paint, closed)
#   ('erase', shape, evenodd)            ('erase_stroke', points, width, closed)


class Picture:
    def __init__(self, units, cap_steps=20):
        self.units = units
        self.cap_steps = cap_steps  # polygon corners of a stroke's round caps
        self.ops = []

    def fill(self, shape, paint, evenodd=False):
        self.ops.append(('fill', shape, paint, evenodd))

    def stroke(self, points, width, paint, closed=False):
        self.ops.append(('stroke', points, width, paint, closed))

    def erase(self, shape, evenodd=False):
        """Cuts the shape out of everything drawn so far (a gap around the
        next shape that overlaps)."""
        self.ops.append(('erase', shape, evenodd))

    def erase_stroke(self, points, width, closed=False):
        self.ops.append(('erase_stroke', points, width, closed))

# --------------------------------------------------------------------------
# Rasterizer.


def coverage(shape, size, units, evenodd):
    """Fraction of each pixel covered by the shape."""
    scale = size / units
    ss = SUPERSAMPLE
    cov = [0.0] * (size * size)
    edges = []
    for poly in shape:
        for i in range(len(poly)):
            (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % len(poly)]
            if y0 == y1:
                continue
            direction = 1 if y1 > y0 else -1
            edges.append((x0 * scale * ss, y0 * scale * ss, x1 * scale * ss, y1 * scale * ss, direction))
    width_ss = size * ss
    weight = 1.0 / (ss * ss)
    for row in range(size * ss):
        yc = row + 0.5
        crossings = []
        for x0, y0, x1, y1, direction in edges:
            lo, hi = (y0, y1) if y0 < y1 else (y1, y0)
            if lo <= yc < hi:
                crossings.append((x0 + (yc - y0) * (x1 - x0) / (y1 - y0), direction))
        if not crossings:
            continue
        crossings.sort()
        winding = 0
        base = (row // ss) * size
        for i, (x, direction) in enumerate(crossings[:-1]):
            winding = winding + 1 if evenodd else winding + direction
            inside = (winding % 2 == 1) if evenodd else winding != 0
            if not inside:
                continue
            a = max(0, min(width_ss, math.ceil(x - 0.5)))
            b = max(0, min(width_ss, math.ceil(crossings[i + 1][0] - 0.5)))
            while a < b:
                px = a // ss
                end = min(b, (px + 1) * ss)
                cov[base + px] += (end - a) * weight
                a = end
    return cov


def render(picture, size):
    """Premultiplied RGBA floats, one list per pixel."""
    units = picture.units
    pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]
    scale = units / size
    for op in picture.ops:
        kind = op[0]
        if kind in ('fill', 'stroke'):
            if kind == 'fill':
                _, shape, paint, evenodd = op
            else:
                _, points, width, paint, closed = op
                shape, evenodd = stroke_shape(points, width, closed, picture.cap_steps), False
            cov = coverage(shape, size, units, evenodd)
            for i, c in enumerate(cov):
                if c <= 0:
                    continue
                c = min(c, 1.0)
                if isinstance(paint, GRADIENTS):
                    r, g, b, a = paint.at((i % size + 0.5) * scale, (i // size + 0.5) * scale)
                else:
                    r, g, b, a = paint
                a *= c
                p = pixels[i]
                p[0] = r * a + p[0] * (1 - a)
                p[1] = g * a + p[1] * (1 - a)
                p[2] = b * a + p[2] * (1 - a)
                p[3] = a + p[3] * (1 - a)
        else:
            if kind == 'erase':
                _, shape, evenodd = op
            else:
                _, points, width, closed = op
                shape, evenodd = stroke_shape(points, width, closed, picture.cap_steps), False
            cov = coverage(shape, size, units, evenodd)
            for i, c in enumerate(cov):
                if c > 0:
                    keep = 1 - min(c, 1.0)
                    pixels[i] = [v * keep for v in pixels[i]]
    return pixels

# --------------------------------------------------------------------------
# PNG writer.


def to_rgba_bytes(pixels):
    """Rendered pixels as straight (not premultiplied) 0..255 RGBA tuples."""
    out = []
    for r, g, b, a in pixels:
        if a > 0:
            r, g, b = r / a, g / a, b / a
        out.append(tuple(max(0, min(255, round(v * 255))) for v in (r, g, b, a)))
    return out


def png(rgba, width, height):
    """A PNG of 0..255 RGBA tuples, row by row."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(rgba[y * width + x])
    return png_from_rows(bytes(raw), width, height)


def png_bytes(pixels, size):
    """A PNG of rendered pixels."""
    return png(to_rgba_bytes(pixels), size, size)


def png_from_rows(raw, width, height):
    """A PNG of RGBA rows, each led by its filter byte."""
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
