#!/usr/bin/env python3
"""Draws the 26 smiley pictures (01.png .. 26.png, 20 x 20 px) and smileys.qrc.

Only the standard library: each face is a short list of filled shapes and
strokes on a 20-unit grid, rasterized by drawing.py with 8 x 8 supersampling.

    python3 tools/art/make_smileys.py            # writes the PNGs into src/messaging/forms/smileys
    python3 tools/art/make_smileys.py --sheet X  # also writes a contact sheet to the PNG file X
"""

import math
import os
import sys

import drawing
from drawing import Linear, Radial, oriented, png, render, rgb, to_rgba_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
SMILEYS = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'src', 'messaging', 'forms', 'smileys')
UNITS = 20
SIZE = 20
# Corners of a stroke's round caps: few, at this size.
CAP_STEPS = 16


FACE_LIGHT = rgb('#FFF6B0')
FACE_MID = rgb('#FFD83A')
FACE_DARK = rgb('#F0A800')
FACE_EDGE = rgb('#9A5C08')
FEATURE = rgb('#4A2806')
MOUTH = rgb('#6E1A08')
TONGUE = rgb('#F0606A')
WHITE = rgb('#FFFFFF')
HIGHLIGHT = rgb('#FFFFFF', 0.55)
RED = rgb('#E02A2A')
RED_DARK = rgb('#8E1010')
PINK = rgb('#FF8FB8')
CHEEK = rgb('#FF6A6A', 0.45)
BLUE = rgb('#3C8CE6')
BLUE_DARK = rgb('#1E4F9A')
TEAR = rgb('#58B4FF')
BLACK = rgb('#1C1C22')
GREY = rgb('#8C96A0')
BROWN = rgb('#7A3E12')
BROWN_DARK = rgb('#4A2208')
GREEN = rgb('#2EB85C')
ORANGE = rgb('#FF8A1E')
AMBER = rgb('#F5A623')
AMBER_DARK = rgb('#A8660A')

# --------------------------------------------------------------------------
# Shapes: lists of closed polygons, filled with the nonzero rule.


def ellipse(cx, cy, rx, ry, rotate=0.0, steps=48):
    a = math.radians(rotate)
    ca, sa = math.cos(a), math.sin(a)
    pts = []
    for i in range(steps):
        t = 2 * math.pi * i / steps
        x, y = rx * math.cos(t), ry * math.sin(t)
        pts.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return [oriented(pts)]


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def arc(cx, cy, rx, ry, a0, a1, steps=24):
    """Points along an elliptic arc; angles in degrees, 0 = right, 90 = down."""
    return drawing.ellipse_arc(cx, cy, rx, ry, a0, a1, steps)


def bezier(p0, p1, p2, steps=16):
    return drawing.quad_bezier(p0, p1, p2, steps)


def cubic(p0, p1, p2, p3, steps=20):
    out = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        out.append((u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0],
                    u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]))
    return out


def poly(*points):
    return [oriented(list(points))]


def rounded_rect(x, y, w, h, r):
    return [oriented(drawing.rounded_rect(x, y, w, h, r, 6)[0])]


def heart(cx, cy, s):
    """A heart of width about 2 s, centred on (cx, cy)."""
    pts = (cubic((cx, cy + 0.95 * s), (cx - 0.55 * s, cy + 0.45 * s), (cx - 1.15 * s, cy + 0.05 * s),
                 (cx - 1.0 * s, cy - 0.45 * s))
           + arc(cx - 0.5 * s, cy - 0.45 * s, 0.5 * s, 0.5 * s, 180, 360, 10)[1:]
           + arc(cx + 0.5 * s, cy - 0.45 * s, 0.5 * s, 0.5 * s, 180, 360, 10)[1:]
           + cubic((cx + 1.0 * s, cy - 0.45 * s), (cx + 1.15 * s, cy + 0.05 * s), (cx + 0.55 * s, cy + 0.45 * s),
                   (cx, cy + 0.95 * s))[1:])
    return [oriented(pts)]

# --------------------------------------------------------------------------
# The face and its parts


def face(pic, cx=10.0, cy=10.4, r=8.7, light=FACE_LIGHT, mid=FACE_MID, dark=FACE_DARK, edge=FACE_EDGE):
    pic.fill(circle(cx, cy, r), edge)
    pic.fill(circle(cx, cy, r - 0.95), Radial(cx - 0.35 * r, cy - 0.45 * r, 1.35 * r,
                                              [(0.0, light), (0.45, mid), (1.0, dark)]))
    pic.fill(ellipse(cx - 0.34 * r, cy - 0.5 * r, 0.3 * r, 0.17 * r, rotate=-35), HIGHLIGHT)


def eye(pic, x, y, rx=1.05, ry=1.6, colour=FEATURE):
    pic.fill(ellipse(x, y, rx, ry), colour)


def eyes(pic, y=8.3, dx=2.9, cx=10.0, **kw):
    eye(pic, cx - dx, y, **kw)
    eye(pic, cx + dx, y, **kw)


def closed_eye(pic, x, y, w=1.5, up=True, width=1.1):
    """An arc: up = happy (^), otherwise a sleepy (u)."""
    if up:
        pic.stroke(bezier((x - w, y + 0.6), (x, y - 1.2), (x + w, y + 0.6)), width, FEATURE)
    else:
        pic.stroke(bezier((x - w, y - 0.4), (x, y + 1.3), (x + w, y - 0.4)), width, FEATURE)


def smile(pic, x0, x1, y, depth, width=1.25, colour=FEATURE):
    pic.stroke(bezier((x0, y), ((x0 + x1) / 2, y + 2 * depth), (x1, y)), width, colour)


def open_mouth(pic, x0, x1, y, depth, tongue=True):
    """A D-shaped open mouth: flat top, round bottom."""
    outline = bezier((x1, y), ((x0 + x1) / 2, y + 2 * depth), (x0, y))
    pic.fill([oriented([(x0, y), (x1, y)] + outline[1:-1])], MOUTH)
    pic.stroke([(x0, y)] + outline[::-1] + [(x1, y)], 0.9, FEATURE, closed=True)
    if tongue:
        cx = (x0 + x1) / 2
        pic.fill(ellipse(cx, y + depth * 1.55, (x1 - x0) * 0.26, depth * 0.5), TONGUE)


def tear(x, y, r):
    """A drop hanging from its tip, with the round part centred on (x, y)."""
    return [oriented([(x, y - 2.3 * r)] + arc(x, y, r, r, -30, 210, 16))]


def brows(pic, left, right, width=1.0):
    pic.stroke(left, width, FEATURE)
    pic.stroke(right, width, FEATURE)

# --------------------------------------------------------------------------
# The 26 pictures, in the table's order


def s01_big_smile(p):      # :--))
    face(p)
    eyes(p)
    p.stroke(bezier((4.6, 11.0), (10.0, 17.6), (15.4, 11.0)), 1.35, FEATURE)
    p.stroke([(4.0, 11.9), (4.9, 10.5)], 1.0, FEATURE)
    p.stroke([(16.0, 11.9), (15.1, 10.5)], 1.0, FEATURE)


def s02_wink(p):           # ;--)
    face(p)
    eye(p, 7.1, 8.3)
    closed_eye(p, 12.9, 8.6)
    smile(p, 5.6, 14.4, 12.0, 2.0)
    p.fill(ellipse(14.6, 11.2, 1.3, 0.8), CHEEK)


def s03_tongue(p):         # :--P
    face(p)
    eyes(p)
    p.fill(rounded_rect(9.6, 12.3, 3.6, 4.3, 1.7), TONGUE)
    p.stroke([(11.4, 12.8), (11.4, 14.6)], 0.6, rgb('#C83A48'))
    p.stroke(bezier((5.8, 12.2), (10.0, 13.8), (14.4, 11.8)), 1.25, FEATURE)


def s04_sad(p):            # :--((
    face(p)
    eyes(p, y=8.8, ry=1.45)
    brows(p, [(5.0, 6.4), (8.2, 5.2)], [(15.0, 6.4), (11.8, 5.2)])
    smile(p, 6.2, 13.8, 15.4, -1.9)
    p.fill(tear(5.6, 12.6, 1.15), TEAR)


def s05_surprised(p):      # :--0
    face(p)
    eyes(p, y=8.4, rx=1.35, ry=1.75)
    brows(p, arc(7.0, 5.6, 1.9, 1.1, 200, 340, 8), arc(13.0, 5.6, 1.9, 1.1, 200, 340, 8))
    p.fill(ellipse(10.0, 14.0, 1.9, 2.4), MOUTH)
    p.stroke(arc(10.0, 14.0, 1.9, 2.4, 0, 360, 24), 0.8, FEATURE)


def s06_angry(p):          # :--[
    face(p, light=rgb('#FFD0A0'), mid=rgb('#FF8A4C'), dark=rgb('#E04A1E'), edge=rgb('#8A2408'))
    eyes(p, y=9.0, ry=1.35)
    brows(p, [(4.6, 5.6), (8.6, 7.3)], [(15.4, 5.6), (11.4, 7.3)], width=1.2)
    p.stroke([(6.0, 15.0), (7.2, 13.6), (12.8, 13.6), (14.0, 15.0)], 1.3, FEATURE)


def s07_question(p):       # :--?
    face(p, cx=8.8, cy=11.2, r=7.8)
    eyes(p, cx=8.8, y=9.4, dx=2.6, ry=1.45)
    brows(p, [(4.6, 7.2), (7.4, 6.8)], [(10.0, 5.6), (12.6, 5.2)])
    p.stroke([(6.4, 14.5), (11.0, 13.8)], 1.2, FEATURE)
    qm = arc(16.4, 3.7, 2.0, 1.9, 190, 400, 16) + bezier((17.6, 5.0), (16.4, 5.8), (16.4, 7.2), 6)[1:]
    p.stroke(qm, 2.7, WHITE)
    p.stroke(qm, 1.5, BLUE)
    p.fill(circle(16.4, 9.7, 1.35), WHITE)
    p.fill(circle(16.4, 9.7, 0.85), BLUE)


def s08_kiss(p):           # :-{}
    face(p)
    closed_eye(p, 7.1, 8.6, up=False)
    closed_eye(p, 12.9, 8.6, up=False)
    p.fill(ellipse(10.4, 12.9, 1.7, 1.05), RED)
    p.fill(ellipse(10.4, 14.6, 1.7, 1.05), RED)
    p.stroke([(9.0, 13.75), (11.8, 13.75)], 0.5, RED_DARK)
    p.fill(heart(16.6, 3.5, 2.6), WHITE)
    p.fill(heart(16.6, 3.5, 2.1), RED)


def s09_crazy(p):          # :%)
    face(p)
    p.fill(circle(6.9, 7.4, 2.5), FEATURE)
    p.fill(circle(6.9, 7.4, 1.7), WHITE)
    p.fill(circle(7.5, 7.9, 0.9), FEATURE)
    eye(p, 13.2, 10.0, rx=0.9, ry=1.0)
    wave = [(5.4 + i * 0.3, 13.6 + 0.9 * math.sin(i * 0.3 * 1.35) - i * 0.06) for i in range(31)]
    p.stroke(wave, 1.2, FEATURE)
    p.fill(ellipse(12.6, 14.8, 1.1, 1.4, rotate=-20), TONGUE)


def s10_baby(p):           # :baby:
    face(p, cy=10.8, r=8.4)
    p.stroke(arc(10.2, 2.9, 1.4, 1.3, 90, 400, 16), 1.0, BROWN)
    eyes(p, y=8.8, ry=1.35, rx=1.1)
    p.fill(ellipse(5.2, 11.8, 1.3, 0.8), CHEEK)
    p.fill(ellipse(14.8, 11.8, 1.3, 0.8), CHEEK)
    p.fill(ellipse(10.0, 13.7, 3.1, 1.5), rgb('#6EC3FF'))
    p.stroke(arc(10.0, 13.7, 3.1, 1.5, 0, 360, 24), 0.6, BLUE_DARK)
    p.fill(circle(10.0, 13.8, 0.8), BLUE_DARK)
    p.stroke(arc(10.0, 16.1, 1.3, 1.0, 0, 360, 20), 0.7, BLUE_DARK)


def s11_confused(p):       # :confused:
    face(p)
    eye(p, 7.3, 8.4, ry=1.5)
    eye(p, 12.9, 8.0, rx=1.0, ry=1.2)
    brows(p, [(5.5, 5.6), (8.6, 6.2)], [(11.3, 5.4), (14.5, 4.9)])
    wave = [(5.8 + i * 0.28, 14.0 + 0.75 * math.sin(i * 0.28 * 2.2)) for i in range(31)]
    p.stroke(wave, 1.2, FEATURE)


def s12_skeptic(p):        # :\
    face(p)
    for x in (7.1, 12.9):
        eye(p, x, 8.8, ry=1.3)
        p.erase(poly((x - 1.6, 6.0), (x + 1.6, 6.0), (x + 1.6, 8.5), (x - 1.6, 8.5)))
        p.fill(poly((x - 1.6, 6.0), (x + 1.6, 6.0), (x + 1.6, 8.5), (x - 1.6, 8.5)), FACE_MID)
        p.stroke([(x - 1.3, 8.3), (x + 1.3, 8.3)], 0.9, FEATURE)
    p.stroke([(6.2, 12.4), (13.8, 14.8)], 1.3, FEATURE)


def s13_teeth(p):          # :E
    face(p)
    eyes(p, y=7.8)
    p.fill(rounded_rect(5.0, 11.3, 10.0, 4.6, 1.6), WHITE)
    p.stroke([(5.9, 13.6), (14.1, 13.6)], 0.6, GREY)
    for x in (7.5, 10.0, 12.5):
        p.stroke([(x, 11.7), (x, 15.5)], 0.55, GREY)
    p.stroke(rounded_rect(5.0, 11.3, 10.0, 4.6, 1.6)[0], 0.9, FEATURE, closed=True)


def s14_buck_teeth(p):     # :B
    face(p)
    eyes(p)
    p.fill(poly((8.2, 12.6), (11.8, 12.6), (11.7, 15.6), (8.3, 15.6)), WHITE)
    p.stroke([(8.3, 12.9), (8.3, 15.6), (11.7, 15.6), (11.7, 12.9)], 0.75, FEATURE)
    p.stroke([(10.0, 13.2), (10.0, 15.5)], 0.6, FEATURE)
    smile(p, 5.2, 14.8, 11.4, 1.0)


def s15_cool(p):           # 8)
    face(p)
    glass = rgb('#20242C')
    p.fill(rounded_rect(3.0, 6.0, 6.3, 4.2, 1.8), glass)
    p.fill(rounded_rect(10.7, 6.0, 6.3, 4.2, 1.8), glass)
    p.stroke([(8.8, 7.0), (11.2, 7.0)], 1.0, glass)
    p.stroke([(4.2, 7.4), (5.6, 6.9)], 0.7, rgb('#FFFFFF', 0.8))
    p.stroke([(11.9, 7.4), (13.3, 6.9)], 0.7, rgb('#FFFFFF', 0.8))
    p.stroke(bezier((6.0, 12.8), (10.6, 16.2), (14.2, 12.0)), 1.25, FEATURE)


def s16_x_eyes(p):         # X)
    face(p)
    for x in (7.0, 13.0):
        p.stroke([(x - 1.3, 6.9), (x + 1.3, 9.5)], 1.1, FEATURE)
        p.stroke([(x - 1.3, 9.5), (x + 1.3, 6.9)], 1.1, FEATURE)
    smile(p, 5.4, 14.6, 12.2, 2.0)


def s17_drink(p):          # :drink:
    face(p, cx=8.6, cy=9.0, r=7.6)
    closed_eye(p, 6.0, 7.6)
    closed_eye(p, 11.2, 7.6)
    p.fill(ellipse(4.3, 10.2, 1.2, 0.7), CHEEK)
    p.fill(ellipse(12.8, 10.2, 1.2, 0.7), CHEEK)
    smile(p, 5.4, 10.6, 10.8, 1.3)
    # A beer mug at the lower right.
    p.fill(rounded_rect(11.1, 10.6, 6.9, 8.8, 1.2), AMBER_DARK)
    p.stroke(arc(18.3, 14.8, 1.6, 2.1, -90, 90, 12), 1.8, AMBER_DARK)
    p.stroke(arc(18.3, 14.8, 1.6, 2.1, -90, 90, 12), 0.7, rgb('#FFE0A0'))
    p.fill(rounded_rect(11.9, 11.4, 5.3, 7.2, 0.8), Linear(0, 11, rgb('#FFD25E'), 0, 19, AMBER))
    p.stroke([(13.4, 13.4), (13.4, 17.6)], 0.7, rgb('#FFF0C0', 0.8))
    for cx, cy, r in ((12.3, 11.0, 1.3), (14.3, 10.4, 1.5), (16.5, 10.9, 1.3)):
        p.fill(circle(cx, cy, r + 0.5), AMBER_DARK)
    for cx, cy, r in ((12.3, 11.0, 1.3), (14.3, 10.4, 1.5), (16.5, 10.9, 1.3)):
        p.fill(circle(cx, cy, r), WHITE)


def s18_shout(p):          # :[]
    face(p)
    p.stroke([(5.6, 6.6), (8.0, 7.9), (5.6, 9.2)], 1.1, FEATURE)
    p.stroke([(14.4, 6.6), (12.0, 7.9), (14.4, 9.2)], 1.1, FEATURE)
    p.fill(rounded_rect(6.6, 10.9, 6.8, 5.6, 1.0), MOUTH)
    p.fill(ellipse(10.0, 15.4, 2.3, 1.1), TONGUE)
    p.stroke(rounded_rect(6.6, 10.9, 6.8, 5.6, 1.0)[0], 0.9, FEATURE, closed=True)


def s19_thumb_up(p):       # :steeply:
    face(p, cx=8.4, cy=8.9, r=7.6)
    eyes(p, cx=8.4, y=7.2, dx=2.5, ry=1.4)
    smile(p, 4.6, 12.2, 10.4, 1.7)
    # A fist with the thumb up, in the same yellow, at the lower right.
    skin = Linear(0, 9, FACE_MID, 0, 19, FACE_DARK)
    p.fill(rounded_rect(12.6, 7.2, 3.6, 7.2, 1.8), FACE_EDGE)
    p.fill(rounded_rect(11.4, 12.4, 7.6, 7.2, 1.8), FACE_EDGE)
    p.fill(rounded_rect(13.4, 8.0, 2.0, 6.2, 1.0), skin)
    p.fill(rounded_rect(12.2, 13.2, 6.0, 5.6, 1.2), skin)
    for y in (14.9, 16.7):
        p.stroke([(15.2, y), (18.2, y)], 0.6, FACE_EDGE)
    p.fill(rounded_rect(9.4, 13.0, 2.6, 6.2, 0.5), BLUE_DARK)


def s20_laugh(p):          # :-D
    face(p)
    closed_eye(p, 7.0, 7.9)
    closed_eye(p, 13.0, 7.9)
    open_mouth(p, 4.8, 15.2, 10.9, 2.9)


def s21_lady(p):           # :lady:
    hair = Linear(0, 1, rgb('#C0601A'), 0, 19, rgb('#7A300A'))
    p.fill([oriented(arc(10.0, 10.0, 9.4, 9.2, 150, 390, 32) + [(18.8, 18.6), (1.2, 18.6)])], hair)
    face(p, cy=10.9, r=7.7)
    p.fill([oriented(arc(10.0, 10.0, 8.0, 7.4, 185, 355, 24) + [(13.0, 5.4), (10.0, 4.6), (7.0, 5.4)])], hair)
    eyes(p, y=9.6, dx=2.7, ry=1.35)
    for x, s in ((7.3, -1), (12.7, 1)):
        p.stroke([(x + s * 0.7, 8.6), (x + s * 1.7, 7.7)], 0.6, FEATURE)
    p.fill(ellipse(10.0, 14.2, 1.9, 0.9), RED)
    p.fill(ellipse(4.2, 3.4, 1.8, 1.3, rotate=30), PINK)
    p.fill(ellipse(6.6, 4.3, 1.8, 1.3, rotate=-25), PINK)
    p.fill(circle(5.4, 3.9, 0.8), rgb('#E0407A'))


def s22_love(p):           # :love:
    face(p)
    p.fill(heart(6.9, 8.0, 2.0), RED)
    p.fill(heart(13.1, 8.0, 2.0), RED)
    p.fill(circle(6.2, 7.4, 0.45), rgb('#FFFFFF', 0.8))
    p.fill(circle(12.4, 7.4, 0.45), rgb('#FFFFFF', 0.8))
    smile(p, 6.0, 14.0, 12.6, 1.9)


def s23_clown(p):          # :clown:
    for cx, cy, c in ((2.6, 7.2, GREEN), (2.4, 10.6, BLUE), (17.4, 7.2, GREEN), (17.6, 10.6, BLUE)):
        p.fill(circle(cx, cy, 2.3), c)
    face(p, cy=10.6, r=7.8, light=rgb('#FFFFFF'), mid=rgb('#FFF4E4'), dark=rgb('#F2D2B0'), edge=rgb('#9A6A40'))
    p.fill(poly((10.0, 0.4), (6.6, 4.4), (13.4, 4.4)), ORANGE)
    p.fill(circle(10.0, 0.9, 0.9), RED)
    eyes(p, y=7.6, dx=2.7, ry=1.3)
    p.stroke([(6.0, 5.3), (8.2, 5.3)], 0.8, BLUE)
    p.stroke([(11.8, 5.3), (14.0, 5.3)], 0.8, BLUE)
    p.stroke(bezier((5.0, 12.2), (10.0, 18.2), (15.0, 12.2)), 1.6, RED)
    p.fill(circle(10.0, 11.2, 1.8), RED)
    p.fill(circle(9.4, 10.6, 0.5), rgb('#FFFFFF', 0.8))


def s24_devil(p):          # ]:
    horn = rgb('#5A0A0A')
    p.fill(poly((2.4, 0.8), (6.6, 4.2), (3.6, 6.4)), horn)
    p.fill(poly((17.6, 0.8), (13.4, 4.2), (16.4, 6.4)), horn)
    face(p, cy=11.0, r=8.2, light=rgb('#FF9AA0'), mid=rgb('#E8393F'), dark=rgb('#A81018'), edge=rgb('#5A0A0A'))
    eye_c = rgb('#FFE15A')
    for x, s in ((7.0, 1), (13.0, -1)):
        p.fill(poly((x - 1.7 * s, 7.6), (x + 1.5 * s, 9.0), (x + 1.1 * s, 10.4), (x - 1.3 * s, 9.6)), eye_c)
    brows(p, [(4.8, 6.8), (8.9, 8.3)], [(15.2, 6.8), (11.1, 8.3)], width=1.1)
    p.stroke(bezier((5.4, 13.0), (10.0, 17.6), (14.6, 12.4)), 1.3, rgb('#3A0505'))
    p.fill(poly((7.2, 14.4), (8.4, 14.9), (7.7, 16.1)), WHITE)
    p.fill(poly((12.8, 14.4), (11.6, 14.9), (12.3, 16.1)), WHITE)


def s25_doctor(p):         # :doctor:
    face(p, cy=11.2, r=8.0)
    cap = rgb('#F4F7FA')
    p.fill([oriented(arc(10.0, 11.2, 8.4, 8.4, 190, 350, 20) + [(17.0, 5.8), (3.0, 5.8)])], GREY)
    p.fill(rounded_rect(3.2, 1.2, 13.6, 5.6, 1.6), GREY)
    p.fill(rounded_rect(4.0, 2.0, 12.0, 4.0, 1.2), cap)
    p.fill(poly((9.2, 2.4), (10.8, 2.4), (10.8, 3.3), (11.7, 3.3), (11.7, 4.7), (10.8, 4.7), (10.8, 5.6),
                (9.2, 5.6), (9.2, 4.7), (8.3, 4.7), (8.3, 3.3), (9.2, 3.3)), RED)
    eyes(p, y=9.7, dx=2.7, ry=1.3)
    smile(p, 6.4, 13.6, 13.6, 1.6)


def s26_gent(p):           # :gent:
    face(p, cy=12.0, r=7.6)
    hat = rgb('#22252C')
    p.fill(rounded_rect(2.6, 5.0, 14.8, 1.8, 0.9), hat)
    p.fill(rounded_rect(5.6, 0.4, 8.8, 5.4, 0.7), hat)
    p.fill(poly((5.6, 3.6), (14.4, 3.6), (14.4, 4.8), (5.6, 4.8)), RED_DARK)
    p.stroke([(6.6, 1.6), (6.6, 3.0)], 0.6, rgb('#FFFFFF', 0.35))
    eyes(p, y=9.6, dx=2.6, ry=1.25)
    must = bezier((10.0, 13.0), (7.6, 12.0), (5.6, 14.0), 10) + bezier((5.6, 14.0), (4.6, 13.0), (4.4, 12.0), 6)[1:]
    p.stroke(must, 1.5, BROWN_DARK)
    p.stroke([(20.0 - x, y) for x, y in must], 1.5, BROWN_DARK)
    smile(p, 8.4, 11.6, 15.7, 0.5, width=1.0)


PICTURES = [s01_big_smile, s02_wink, s03_tongue, s04_sad, s05_surprised, s06_angry, s07_question,
            s08_kiss, s09_crazy, s10_baby, s11_confused, s12_skeptic, s13_teeth, s14_buck_teeth,
            s15_cool, s16_x_eyes, s17_drink, s18_shout, s19_thumb_up, s20_laugh, s21_lady,
            s22_love, s23_clown, s24_devil, s25_doctor, s26_gent]

# --------------------------------------------------------------------------
# Output


def picture(index):
    pic = drawing.Picture(UNITS, CAP_STEPS)
    PICTURES[index](pic)
    return pic


def write_qrc(path):
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/smileys">']
    lines += ['    <file alias="%02d.png">smileys/%02d.png</file>' % (n, n) for n in range(1, 27)]
    lines += ['</qresource>', '</RCC>', '']
    with open(path, 'w') as f:
        f.write('\n'.join(lines))


DIGITS = ['111101101101111', '010110010010111', '111001111100111', '111001111001111', '101101111001001',
          '111100111001111', '111100111101111', '111001001001001', '111101111101111', '111101111001111']


def contact_sheet(images, path):
    """Each cell: the number, the picture 4 x enlarged pixel by pixel, and at
    its own size on white, on the window grey and on black."""
    zoom, cols = 4, 7
    cell_w, cell_h = 100, 120
    rows = (len(images) + cols - 1) // cols
    width, height = cols * cell_w, rows * cell_h
    canvas = [(236, 238, 242, 255)] * (width * height)

    def put(x, y, c):
        if 0 <= x < width and 0 <= y < height:
            canvas[y * width + x] = c

    def blit(img, ox, oy, k, ground):
        for y in range(SIZE * k):
            for x in range(SIZE * k):
                r, g, b, a = img[(y // k) * SIZE + x // k]
                f = a / 255
                put(ox + x, oy + y, tuple(round(v * f + gv * (1 - f)) for v, gv in zip((r, g, b), ground)) + (255,))

    for n, img in enumerate(images):
        cx, cy = (n % cols) * cell_w, (n // cols) * cell_h
        label = '%02d' % (n + 1)
        for i, ch in enumerate(label):
            bits = DIGITS[int(ch)]
            for j, bit in enumerate(bits):
                if bit == '1':
                    for dy in range(2):
                        for dx in range(2):
                            put(cx + 4 + i * 8 + (j % 3) * 2 + dx, cy + 4 + (j // 3) * 2 + dy, (40, 40, 40, 255))
        blit(img, cx + 10, cy + 16, zoom, (255, 255, 255))
        for k, ground in enumerate(((255, 255, 255), (212, 208, 200), (0, 0, 0))):
            blit(img, cx + 8 + k * 28, cy + 98, 1, ground)
    with open(path, 'wb') as f:
        f.write(png(canvas, width, height))


def main(argv):
    images = []
    for n in range(len(PICTURES)):
        rgba = to_rgba_bytes(render(picture(n), SIZE))
        images.append(rgba)
        with open(os.path.join(SMILEYS, '%02d.png' % (n + 1)), 'wb') as f:
            f.write(png(rgba, SIZE, SIZE))
    write_qrc(os.path.join(os.path.dirname(SMILEYS), 'smileys.qrc'))
    if len(argv) == 3 and argv[1] == '--sheet':
        contact_sheet(images, argv[2])


if __name__ == '__main__':
    main(sys.argv)
