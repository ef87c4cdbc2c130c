#!/usr/bin/env python3
"""Draws Zavolin's icons and writes them as PNG and SVG files, plus icons.qrc.

Only the standard library: every picture is a short list of filled shapes,
strokes and cut-outs on a square grid; the rasterizer of drawing.py turns the
list into PNG pixels and svg.py writes the same list out as SVG.

    python3 tools/art/make_icons.py            # writes into src/ui/icons
    python3 tools/art/make_icons.py --sheet X  # only writes a contact sheet to the PNG file X
    python3 tools/art/make_icons.py --hicolor D  # only writes the program icon as the
                                                 # desktop's icon theme wants it, into D
"""

import math
import os
import sys

import drawing
from drawing import Linear, circle_points, ellipse_arc, oriented, png_bytes, png_from_rows, render, rgb
from svg import svg_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'src', 'ui', 'icons')

# --------------------------------------------------------------------------
# Palette: one blue family for the program, with a few accents.

BLUE_TOP = rgb('#5EA8FF')
BLUE_BOTTOM = rgb('#2166D6')
BLUE_EDGE = rgb('#184E9E')
ORANGE_TOP = rgb('#FFB84D')
ORANGE_BOTTOM = rgb('#F07C00')
ORANGE_EDGE = rgb('#B35900')
GREEN_TOP = rgb('#5CD68A')
GREEN_BOTTOM = rgb('#1F9D55')
GREEN_EDGE = rgb('#15703C')
RED_TOP = rgb('#FF7B7B')
RED_BOTTOM = rgb('#D42A2A')
RED_EDGE = rgb('#931B1B')
LIGHT_TOP = rgb('#EAF4FF')
LIGHT_BOTTOM = rgb('#B9D7FA')
LIGHT_EDGE = rgb('#5A8FD0')
GREY_TOP = rgb('#9AA6B2')
GREY_BOTTOM = rgb('#5E6A76')
GREY_EDGE = rgb('#3E4852')
PAPER = rgb('#FFFFFF')
PAPER_SHADE = rgb('#E6EBF0')
PAPER_EDGE = rgb('#8C98A4')
INK = rgb('#3E4852')
YELLOW_TOP = rgb('#FFE27A')
YELLOW_BOTTOM = rgb('#F2B632')
YELLOW_EDGE = rgb('#B07D12')
WHITE = rgb('#FFFFFF')


def vertical(top, bottom, y0, y1):
    return Linear(0, y0, top, 0, y1, bottom)

# --------------------------------------------------------------------------
# Shapes: lists of closed polygons (lists of (x, y) points).

def circle(cx, cy, r, steps=None):
    return [circle_points(cx, cy, r, steps or max(24, int(r * 12)))]


def rounded_rect(x, y, w, h, r):
    return drawing.rounded_rect(x, y, w, h, r, 8)


def polygon(*points):
    return [list(points)]


def union(*shapes):
    out = []
    for s in shapes:
        out += s
    return out


def translate(shape, dx, dy):
    return [[(x + dx, y + dy) for x, y in poly] for poly in shape]


def rotate_about(shape, cx, cy, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return [[(cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c) for x, y in poly]
            for poly in shape]


class Picture(drawing.Picture):
    def edged(self, shape, top, bottom, edge, y0, y1, edge_width):
        """A shape with a gradient fill and a darker rim inside its border."""
        self.fill(shape, edge)
        for poly in shape:
            inner = inset(poly, edge_width)
            if inner:
                self.fill([inner], vertical(top, bottom, y0, y1))


def inset(poly, d):
    """The polygon moved inwards by d (a mitre offset; fine for the convex-ish
    outlines used here)."""
    poly = oriented(poly)
    n = len(poly)
    out = []
    for i in range(n):
        p_prev, p, p_next = poly[i - 1], poly[i], poly[(i + 1) % n]
        e1 = (p[0] - p_prev[0], p[1] - p_prev[1])
        e2 = (p_next[0] - p[0], p_next[1] - p[1])
        l1, l2 = math.hypot(*e1) or 1, math.hypot(*e2) or 1
        # Inward normals for a positively oriented polygon (y down: left side).
        n1 = (-e1[1] / l1, e1[0] / l1)
        n2 = (-e2[1] / l2, e2[0] / l2)
        bx, by = n1[0] + n2[0], n1[1] + n2[1]
        bl = math.hypot(bx, by)
        if bl < 1e-6:
            bx, by, bl = n1[0], n1[1], 1
        cos_half = (bx * n1[0] + by * n1[1]) / bl
        k = d / max(cos_half, 0.3)
        out.append((p[0] + bx / bl * k, p[1] + by / bl * k))
    return out


# --------------------------------------------------------------------------
# Building blocks shared by several pictures.

def bubble(x, y, w, h, r, tail_left=True):
    """A speech bubble: rounded body with a tail at the lower left (or right)."""
    body = rounded_rect(x, y, w, h, r)[0]
    # The tail starts well inside the body, so that its inner fill joins the
    # body's without a seam of the rim colour.
    root = y + h - h * 0.35
    if tail_left:
        tail = [(x + w * 0.18, root), (x + w * 0.42, root), (x + w * 0.06, y + h + h * 0.36)]
    else:
        tail = [(x + w * 0.58, root), (x + w * 0.82, root), (x + w * 0.94, y + h + h * 0.36)]
    return [body, oriented(tail)]


def person(cx, top, height):
    """Head and shoulders; height is from the top of the head to the base."""
    head_r = height * 0.22
    head = circle(cx, top + head_r, head_r)
    gap = height * 0.07
    body_top = top + 2 * head_r + gap
    half_w = height * 0.40
    body = [ellipse_arc(cx, top + height, half_w, top + height - body_top, 180, 360, 32)]
    return head, body


def draw_person(pic, cx, top, height, top_c, bottom_c, edge_c, edge_w):
    head, body = person(cx, top, height)
    pic.edged(head, top_c, bottom_c, edge_c, top, top + height * 0.5, edge_w)
    pic.edged(body, top_c, bottom_c, edge_c, top + height * 0.5, top + height, edge_w)


def letter_z(x, y, w, h, t):
    """A bold Z in the box (x, y, w, h) with bar thickness t."""
    return polygon((x, y), (x + w, y), (x + w, y + t), (x + t * 1.45, y + h - t), (x + w, y + h - t),
                   (x + w, y + h), (x, y + h), (x, y + h - t), (x + w - t * 1.45, y + t), (x, y + t))


def arrow(points_from, points_to, width, head):
    """An arrow shaft plus a triangular head, as one shape."""
    (x0, y0), (x1, y1) = points_from, points_to
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    nx, ny = -uy, ux
    bx, by = x1 - ux * head, y1 - uy * head
    half = width / 2
    shaft = oriented([(x0 + nx * half, y0 + ny * half), (bx + nx * half, by + ny * half),
                      (bx - nx * half, by - ny * half), (x0 - nx * half, y0 - ny * half)])
    tip = oriented([(x1, y1), (bx + nx * head * 0.8, by + ny * head * 0.8), (bx - nx * head * 0.8, by - ny * head * 0.8)])
    return [shaft, tip]


def gear(cx, cy, r_out, r_in, teeth, hole):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        r = r_out if i % 4 in (0, 1) else r_in
        # Tapered teeth: the outer corners a little closer together.
        shift = (0.18 if i % 4 == 0 else -0.18 if i % 4 == 1 else 0) * 2 * math.pi / (teeth * 4)
        pts.append((cx + r * math.cos(a + shift), cy + r * math.sin(a + shift)))
    return [pts] + circle(cx, cy, hole)


def document(pic, x, y, w, h, fold):
    sheet = polygon((x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h))
    pic.fill(sheet, PAPER_EDGE)
    pic.fill([inset(sheet[0], 1)], vertical(PAPER, PAPER_SHADE, y, y + h))
    pic.fill(polygon((x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)), PAPER_EDGE)


def text_lines(pic, x, y, w, count, step, paint, thickness=1.2):
    for i in range(count):
        length = w if i < count - 1 else w * 0.6
        pic.stroke([(x, y + i * step), (x + length, y + i * step)], thickness, paint)


def floppy(pic, x, y, s):
    body = polygon((x, y), (x + s * 0.8, y), (x + s, y + s * 0.2), (x + s, y + s), (x, y + s))
    pic.edged(body, BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE, y, y + s, s * 0.06)
    pic.fill(rounded_rect(x + s * 0.22, y + s * 0.06, s * 0.5, s * 0.3, s * 0.03), PAPER_SHADE)
    pic.fill(rounded_rect(x + s * 0.52, y + s * 0.1, s * 0.12, s * 0.22, 0), BLUE_EDGE)
    pic.fill(rounded_rect(x + s * 0.16, y + s * 0.55, s * 0.68, s * 0.4, s * 0.05), PAPER)
    for i in range(2):
        yy = y + s * (0.68 + i * 0.13)
        pic.stroke([(x + s * 0.28, yy), (x + s * 0.72, yy)], s * 0.06, PAPER_EDGE)

# --------------------------------------------------------------------------
# The pictures.

def program_icon(blink):
    pic = Picture(64)
    if blink:
        top, bottom, edge = ORANGE_TOP, ORANGE_BOTTOM, ORANGE_EDGE
    else:
        top, bottom, edge = BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE
    shape = bubble(3, 4, 58, 44, 15)
    pic.edged(shape, top, bottom, edge, 4, 58, 3)
    # A soft highlight across the upper half.
    pic.fill(rounded_rect(10, 8, 44, 14, 7), (1, 1, 1, 0.18))
    pic.fill(letter_z(19, 12, 26, 28, 7), WHITE)
    return pic


def contact_icon(variant):
    pic = Picture(16)
    colours = {
        'plain': (BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE),
        'blacklisted': (RED_TOP, RED_BOTTOM, RED_EDGE),
        'autoanswer': (LIGHT_TOP, LIGHT_BOTTOM, LIGHT_EDGE),
        'chat': (BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE),
    }[variant]
    if variant == 'chat':
        # A second figure behind, to the right, with a gap around the first.
        draw_person(pic, 11.2, 0.6, 11.5, GREEN_TOP, GREEN_BOTTOM, GREEN_EDGE, 1)
        head, body = person(6.3, 2.5, 13.5)
        pic.erase_stroke(head[0], 2.2, closed=True)
        pic.erase(head)
        pic.erase_stroke(body[0], 2.2, closed=True)
        pic.erase(body)
        draw_person(pic, 6.3, 2.5, 13.5, *colours, 1)
    else:
        draw_person(pic, 8, 1, 15, *colours, 1)
    if variant == 'blacklisted':
        # A no-entry bar makes the state readable without relying on colour.
        pic.erase_stroke([(3.2, 12.8), (12.8, 3.2)], 3.6)
        pic.stroke([(3.2, 12.8), (12.8, 3.2)], 1.6, RED_EDGE)
    return pic


def notice_icon():
    pic = Picture(32)
    pic.edged(bubble(1.5, 2, 29, 22, 8), BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE, 2, 30, 1.5)
    head, body = person(16, 5.5, 15.5)
    pic.fill(head, WHITE)
    pic.fill([[p for p in body[0] if p[1] <= 21.0] + [(22.2, 21.0), (9.8, 21.0)]], WHITE)
    return pic


def glyph(name):
    pic = Picture(24)
    draw = GLYPHS[name]
    draw(pic)
    return pic


def g_chat(pic):
    pic.edged(bubble(9, 3, 13.5, 10.5, 4, tail_left=False), ORANGE_TOP, ORANGE_BOTTOM, ORANGE_EDGE, 3, 17, 1)
    front = bubble(1.5, 7.5, 15, 11, 4.5)
    pic.erase_stroke(front[0], 2.4, closed=True)
    pic.erase(front)
    pic.edged(front, BLUE_TOP, BLUE_BOTTOM, BLUE_EDGE, 7.5, 22, 1)
    for i in range(3):
        pic.fill(circle(5.2 + i * 3.8, 13, 1.2), WHITE)


def g_sms(pic):
    pic.edged(rounded_rect(5.5, 1.5, 13, 21, 2.5), GREY_TOP, GREY_BOTTOM, GREY_EDGE, 1.5, 22.5, 1)
    pic.fill(rounded_rect(7.5, 4, 9, 13, 1), vertical(LIGHT_TOP, LIGHT_BOTTOM, 4, 17))
    pic.fill(circle(12, 19.8, 1.2), GREY_EDGE)
    pic.fill(bubble(8.5, 6, 7, 5, 1.8), BLUE_BOTTOM)
    text_lines(pic, 9, 14.2, 6, 1, 0, BLUE_EDGE, 1.1)


def g_sendfile(pic):
    document(pic, 3.5, 1.5, 13.5, 18, 4.5)
    text_lines(pic, 6.5, 8, 7.5, 3, 3, PAPER_EDGE, 1.2)
    shape = arrow((11.5, 18), (21.5, 18), 3.4, 5.2)
    pic.erase_stroke(shape[0] + shape[1], 2.2, closed=False)
    pic.erase(shape)
    pic.fill(shape, vertical(GREEN_TOP, GREEN_BOTTOM, 13, 23))


def g_sendall(pic):
    # A megaphone: cone, mouthpiece and handle, with sound waves.
    cone = polygon((3, 9), (13, 4), (13, 18), (3, 13))
    pic.edged(cone, ORANGE_TOP, ORANGE_BOTTOM, ORANGE_EDGE, 4, 18, 1)
    pic.edged(rounded_rect(1.5, 8, 3.5, 6, 1), GREY_TOP, GREY_BOTTOM, GREY_EDGE, 8, 14, 0.8)
    pic.edged(polygon((5.5, 13), (8.5, 14.2), (8, 20.5), (5.5, 20.5)), GREY_TOP, GREY_BOTTOM, GREY_EDGE, 13, 21, 0.8)
    for r in (4.5, 8):
        pic.stroke(ellipse_arc(12.5, 11, r, r, -45, 45, 16), 1.8, BLUE_BOTTOM)


def g_phrase(pic):
    pic.edged(rounded_rect(2, 3, 20, 16, 3), YELLOW_TOP, YELLOW_BOTTOM, YELLOW_EDGE, 3, 19, 1)
    # Two quotation marks: a round dot with a tail each.
    for x in (8, 14.5):
        pic.fill(circle(x, 9.5, 2.3), INK)
        pic.fill(polygon((x + 0.6, 9.2), (x + 2.25, 9.6), (x - 1.4, 15), (x - 1.8, 14.4)), INK)
    pic.fill(polygon((6, 19), (11, 19), (5, 22.5)), YELLOW_EDGE)


def g_loadtext(pic):
    back = polygon((1.5, 5), (8.5, 5), (10.5, 7), (20.5, 7), (20.5, 20), (1.5, 20))
    pic.edged(back, YELLOW_TOP, YELLOW_BOTTOM, YELLOW_EDGE, 5, 20, 1)
    document(pic, 5, 3.5, 12, 11, 3)
    front = polygon((1.5, 11), (22.5, 11), (20.5, 20.5), (1.5, 20.5))
    pic.edged(front, YELLOW_TOP, YELLOW_BOTTOM, YELLOW_EDGE, 10, 21, 1)
    shape = arrow((17.5, 20), (17.5, 9.5), 3.2, 4.8)
    pic.erase_stroke(shape[0] + shape[1], 2.0)
    pic.erase(shape)
    pic.fill(shape, vertical(GREEN_TOP, GREEN_BOTTOM, 9, 21))


def g_saveincoming(pic):
    floppy(pic, 2.5, 2.5, 19)


def g_alias(pic):
    tag = polygon((9.5, 3), (20.5, 3), (20.5, 14), (11.5, 23), (0.5, 12))
    pic.edged(tag, ORANGE_TOP, ORANGE_BOTTOM, ORANGE_EDGE, 3, 23, 1)
    pic.erase(circle(16.2, 7.3, 1.9))
    pic.stroke([(6.5, 12.5), (11.5, 17.5)], 1.5, WHITE)
    pic.stroke([(9, 10), (14, 15)], 1.5, WHITE)


def g_settings(pic):
    pic.fill(gear(12, 12, 10.5, 7.6, 8, 3.3), GREY_EDGE, evenodd=True)
    pic.fill(gear(12, 12, 9.5, 6.6, 8, 4.3), vertical(GREY_TOP, GREY_BOTTOM, 2, 22), evenodd=True)


def g_savesettings(pic):
    floppy(pic, 1.5, 1.5, 17.5)
    pic.erase(circle(17, 17, 7))
    pic.fill(gear(17, 17, 6.3, 4.5, 7, 1.9), GREY_EDGE, evenodd=True)
    pic.fill(gear(17, 17, 5.4, 3.7, 7, 2.6), vertical(GREY_TOP, GREY_BOTTOM, 11, 23), evenodd=True)


def g_clear(pic):
    # An eraser lying at an angle, its red end to the lower left.
    body = rotate_about(rounded_rect(3, 8, 18, 8.5, 1.8), 12, 12, -35)
    red_end = rotate_about(rounded_rect(3, 8, 8, 8.5, 1.8), 12, 12, -35)
    pic.fill(body, GREY_EDGE)
    pic.fill([inset(body[0], 1)], vertical(PAPER, PAPER_SHADE, 4, 20))
    pic.fill([inset(red_end[0], 1)], vertical(RED_TOP, RED_BOTTOM, 10, 22))
    pic.stroke([(4, 22), (20, 22)], 1.4, GREY_TOP)


def g_hide(pic):
    pic.edged(rounded_rect(1.5, 2.5, 21, 16, 2), GREY_TOP, GREY_BOTTOM, GREY_EDGE, 2.5, 18.5, 1)
    pic.fill(rounded_rect(2.5, 6.5, 19, 11, 0.8), vertical(PAPER, PAPER_SHADE, 6, 18))
    shape = arrow((12, 8), (12, 22.5), 3.4, 6)
    pic.erase_stroke(shape[0] + shape[1], 2.2)
    pic.erase(shape)
    pic.fill(shape, vertical(BLUE_TOP, BLUE_BOTTOM, 8, 23))


def g_exit(pic):
    pic.fill(circle(12, 12, 10.5), vertical(RED_TOP, RED_BOTTOM, 1.5, 22.5))
    pic.fill([inset(circle(12, 12, 10.5, 64)[0], 0.9)], vertical(RED_TOP, RED_BOTTOM, 1.5, 22.5))
    pic.stroke(ellipse_arc(12, 12.8, 5.6, 5.6, -55, 235, 40), 2.2, WHITE)
    pic.stroke([(12, 5.2), (12, 11.5)], 2.4, WHITE)


def g_outgoing(pic):
    document(pic, 2.5, 1.5, 14, 19, 4.5)
    text_lines(pic, 5.5, 8, 8, 3, 3, PAPER_EDGE, 1.2)
    body = rotate_about(polygon((9, 10), (20.5, 10), (20.5, 14.6), (9, 14.6)), 12, 12, -45)
    tip = rotate_about(polygon((5, 12.3), (9, 10), (9, 14.6)), 12, 12, -45)
    body = translate(body, 4, 4)
    tip = translate(tip, 4, 4)
    outline = body[0] + tip[0]
    pic.erase_stroke(outline, 2.2, closed=True)
    pic.erase(union(body, tip))
    pic.edged(body, ORANGE_TOP, ORANGE_BOTTOM, ORANGE_EDGE, 8, 24, 0.9)
    pic.fill(tip, rgb('#F3D9B1'))
    pic.fill(rotate_about(translate(polygon((5, 12.3), (6.6, 11.4), (6.6, 13.2)), 4, 4), 16, 16, -45), INK)


def g_incoming(pic):
    tray = polygon((1.5, 13), (7, 13), (8.5, 16.5), (15.5, 16.5), (17, 13), (22.5, 13), (22.5, 21.5), (1.5, 21.5))
    pic.edged(tray, GREY_TOP, GREY_BOTTOM, GREY_EDGE, 13, 22, 1)
    shape = arrow((12, 1.5), (12, 15), 4, 6.2)
    pic.erase_stroke(shape[0] + shape[1], 2.2)
    pic.erase(shape)
    pic.fill(shape, vertical(GREEN_TOP, GREEN_BOTTOM, 1.5, 15))


def g_send(pic):
    # A paper plane flying up to the right.
    wing = polygon((1.5, 11), (22.5, 2), (10.5, 14.5))
    lower = polygon((10.5, 14.5), (22.5, 2), (15.5, 21.5))
    fold = polygon((10.5, 14.5), (12.2, 21.5), (14, 17.2))
    pic.fill(fold, BLUE_EDGE)
    pic.fill(wing, vertical(BLUE_TOP, BLUE_BOTTOM, 2, 15))
    pic.fill(lower, vertical(BLUE_BOTTOM, BLUE_EDGE, 2, 22))


GLYPHS = {
    'chat': g_chat, 'sms': g_sms, 'sendfile': g_sendfile, 'sendall': g_sendall, 'phrase': g_phrase,
    'loadtext': g_loadtext, 'saveincoming': g_saveincoming, 'alias': g_alias, 'settings': g_settings,
    'savesettings': g_savesettings, 'clear': g_clear, 'hide': g_hide, 'exit': g_exit,
    'outgoing': g_outgoing, 'incoming': g_incoming, 'send': g_send,
}

PROGRAM_SIZES = (16, 22, 24, 32, 48, 64, 128)
# Installed for menus and docks, which also ask for 256 px.
HICOLOR_SIZES = PROGRAM_SIZES + (256,)


def outputs():
    """(file name, picture, pixel size or None for SVG) of every file."""
    files = []
    for name, blink in (('zavolin', False), ('zavolin-blink', True)):
        pic = program_icon(blink)
        files.append((name + '.svg', pic, None))
        files += [('%s-%d.png' % (name, s), pic, s) for s in PROGRAM_SIZES]
    for variant, name in (('plain', 'contact'), ('blacklisted', 'contact-blacklisted'),
                          ('autoanswer', 'contact-autoanswer'), ('chat', 'contact-chat')):
        pic = contact_icon(variant)
        files += [(name + '.png', pic, 16), (name + '@2x.png', pic, 32)]
    files += [('notice.png', notice_icon(), 32), ('notice@2x.png', notice_icon(), 64)]
    for name in GLYPHS:
        pic = glyph(name)
        files += [(name + '.svg', pic, None), (name + '.png', pic, 24), (name + '@2x.png', pic, 48)]
    return files


def write_all(folder):
    written = []
    for file_name, pic, size in outputs():
        data = svg_bytes(pic, pic.units) if size is None else png_bytes(render(pic, size), size)
        with open(os.path.join(folder, file_name), 'wb') as f:
            f.write(data)
        written.append(file_name)
    qrc = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/icons">']
    # The program icon's SVG rides along for the desktop; the rest is drawn
    # from the PNGs, which need no SVG support at run time.
    compiled = [n for n in sorted(written) if n.endswith('.png') or n.startswith('zavolin')]
    qrc += ['    <file alias="%s">icons/%s</file>' % (n, n) for n in compiled]
    qrc += ['</qresource>', '</RCC>', '']
    with open(os.path.join(folder, '..', 'icons.qrc'), 'w') as f:
        f.write('\n'.join(qrc))
    return written


def write_hicolor(folder):
    """D/<n>x<n>/apps/zavolin.png for every size and D/scalable/apps/zavolin.svg."""
    pic = program_icon(False)
    written = []
    for size in HICOLOR_SIZES + (None,):
        sub = os.path.join(folder, 'scalable' if size is None else '%dx%d' % (size, size), 'apps')
        os.makedirs(sub, exist_ok=True)
        path = os.path.join(sub, 'zavolin.svg' if size is None else 'zavolin.png')
        data = svg_bytes(pic, pic.units) if size is None else png_bytes(render(pic, size), size)
        with open(path, 'wb') as f:
            f.write(data)
        written.append(path)
    return written


def contact_sheet(path, zoom=3):
    """Every PNG at its size and magnified, on light and dark backgrounds."""
    items = [(n, pic, s) for n, pic, s in outputs() if s is not None and '@2x' not in n and s <= 64]
    cell = 64 * zoom // 2 + 16
    cols = 6
    rows = (len(items) + cols - 1) // cols
    width, height = cols * cell * 2, rows * cell
    canvas = [[0, 0, 0] for _ in range(width * height)]
    for r in range(rows):
        for c in range(cols * 2):
            bg = (246, 247, 249) if c % 2 == 0 else (48, 52, 58)
            for y in range(r * cell, (r + 1) * cell):
                for x in range(c * cell, (c + 1) * cell):
                    canvas[y * width + x] = list(bg)
    for index, (name, pic, size) in enumerate(items):
        pixels = render(pic, size)
        z = max(1, min(zoom, (cell - 8) // size))
        for half in range(2):
            ox = (index % cols) * 2 * cell + half * cell + 4
            oy = (index // cols) * cell + 4
            for y in range(size):
                for x in range(size):
                    pr, pg, pb, pa = pixels[y * size + x]
                    for dy in range(z):
                        for dx in range(z):
                            q = canvas[(oy + y * z + dy) * width + ox + x * z + dx]
                            q[0] = pr * 255 + q[0] * (1 - pa)
                            q[1] = pg * 255 + q[1] * (1 - pa)
                            q[2] = pb * 255 + q[2] * (1 - pa)
                    # The icon at its real size too, in the cell's corner.
                    q = canvas[(oy + cell - size - 8 + y) * width + ox + cell - size - 8 + x]
                    q[0] = pr * 255 + q[0] * (1 - pa)
                    q[1] = pg * 255 + q[1] * (1 - pa)
                    q[2] = pb * 255 + q[2] * (1 - pa)
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(max(0, min(255, round(v))) for v in canvas[y * width + x]) + b'\xff'
    with open(path, 'wb') as f:
        f.write(png_from_rows(bytes(raw), width, height))


if __name__ == '__main__':
    if '--sheet' in sys.argv:
        contact_sheet(sys.argv[sys.argv.index('--sheet') + 1])
    elif '--hicolor' in sys.argv:
        for name in write_hicolor(sys.argv[sys.argv.index('--hicolor') + 1]):
            print(name)
    else:
        for name in write_all(ICONS):
            print(name)
