#!/usr/bin/env python3
"""Writes the stamp palette's SVG icons into this folder.

Every icon is a single-colour drawing on a 64 x 64 grid with a 6-unit stroke weight. Glyphs cut
out of a filled shape (the tick in "checkmark.circle.fill") are outlines combined with the
even-odd rule, so the files need nothing beyond SVG Tiny. Run `python3 make_stamps.py`; the output
is deterministic.
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
W = 6.0  # stroke weight of line icons and cut-out glyphs


def f(x):
    s = f"{x:.2f}".rstrip("0").rstrip(".")
    return "0" if s == "-0" else s


def pt(p):
    return f"{f(p[0])} {f(p[1])}"


def cross(a, b):
    return a[0] * b[1] - a[1] * b[0]


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1])


def mul(a, k):
    return (a[0] * k, a[1] * k)


def unit(a):
    n = math.hypot(a[0], a[1])
    return (a[0] / n, a[1] / n)


def arc_to(r, start, end, centre, large=0):
    sweep = 1 if cross(sub(start, centre), sub(end, centre)) > 0 else 0
    return f"A {f(r)} {f(r)} 0 {large} {sweep} {pt(end)}"


# ---- shapes (each returns SVG path data for one closed outline) ----

def circle(c, r):
    a = (c[0] - r, c[1])
    b = (c[0] + r, c[1])
    return f"M {pt(a)} A {f(r)} {f(r)} 0 1 1 {pt(b)} A {f(r)} {f(r)} 0 1 1 {pt(a)} Z"


def polygon(points):
    return "M " + " L ".join(pt(p) for p in points) + " Z"


def rounded_polygon(points, rc):
    """A polygon whose corners are arcs of radius rc tangent to both edges."""
    n = len(points)
    parts = []
    for i in range(n):
        p0, p1, p2 = points[i - 1], points[i], points[(i + 1) % n]
        d1 = unit(sub(p0, p1))
        d2 = unit(sub(p2, p1))
        half = math.acos(max(-1.0, min(1.0, d1[0] * d2[0] + d1[1] * d2[1]))) / 2
        t = rc / math.tan(half)
        a = add(p1, mul(d1, t))
        b = add(p1, mul(d2, t))
        r = rc
        if i == 0:
            parts.append(f"M {pt(a)}")
        else:
            parts.append(f"L {pt(a)}")
        # The arc turns the same way as the corner.
        sweep = 1 if cross(sub(p1, p0), sub(p2, p1)) > 0 else 0
        parts.append(f"A {f(r)} {f(r)} 0 0 {sweep} {pt(b)}")
    return " ".join(parts) + " Z"


def stroke_outline(points, width=W):
    """Outline of a polyline stroked with round caps and round joins (no self-overlap)."""
    r = width / 2
    dirs = [unit(sub(points[i + 1], points[i])) for i in range(len(points) - 1)]
    normals = [(-d[1], d[0]) for d in dirs]

    def side(sign, pts, ds, ns):
        out = [add(pts[0], mul(ns[0], sign * r))]
        cmds = []
        for i in range(1, len(pts) - 1):
            n1, n2 = mul(ns[i - 1], sign * r), mul(ns[i], sign * r)
            turn = cross(ds[i - 1], ds[i])
            a, b = add(pts[i], n1), add(pts[i], n2)
            if abs(turn) < 1e-9:
                cmds.append(f"L {pt(a)}")
                continue
            inner = (turn > 0) == (sign > 0)
            if inner:
                # Meet the next offset line where it crosses this one.
                t = cross(sub(b, a), ds[i]) / cross(ds[i - 1], ds[i])
                cmds.append(f"L {pt(add(a, mul(ds[i - 1], t)))}")
            else:
                cmds.append(f"L {pt(a)} {arc_to(r, a, b, pts[i])}")
        end = add(pts[-1], mul(ns[-1], sign * r))
        cmds.append(f"L {pt(end)}")
        return out[0], cmds, end

    start_a, cmds_a, end_a = side(1, points, dirs, normals)
    rpts = list(reversed(points))
    rdirs = [mul(d, -1) for d in reversed(dirs)]
    rnormals = [mul(n, -1) for n in reversed(normals)]
    start_b, cmds_b, end_b = side(1, rpts, rdirs, rnormals)
    return (f"M {pt(start_a)} " + " ".join(cmds_a) + " " + half_turn(r, end_a, start_b, points[-1], dirs[-1])
            + " " + " ".join(cmds_b) + " " + half_turn(r, end_b, start_a, points[0], mul(dirs[0], -1)) + " Z")


def half_turn(r, a, b, centre, outward):
    mid = add(centre, mul(outward, r))
    sweep = 1 if cross(sub(a, centre), sub(mid, centre)) > 0 else 0
    return f"A {f(r)} {f(r)} 0 0 {sweep} {pt(b)}"


def capsule(a, b, width=W):
    return stroke_outline([a, b], width)


def arms(c, length, angles_deg, width=W):
    """Arms of equal length from a common centre, with round ends, as one outline (x, +)."""
    r = width / 2
    angs = sorted(math.radians(a) for a in angles_deg)
    parts = []
    for i, a in enumerate(angs):
        d = (math.cos(a), math.sin(a))
        n = (-d[1], d[0])
        tip = add(c, mul(d, length))
        nxt = angs[(i + 1) % len(angs)]
        prev = angs[i - 1]
        # Corners between neighbouring arms lie on the bisector.
        def corner(a1, a2):
            gap = (a2 - a1) % (2 * math.pi)
            mid = a1 + gap / 2
            dist = r / math.sin(gap / 2)
            return add(c, (math.cos(mid) * dist, math.sin(mid) * dist))
        c_prev = corner(prev, a)
        c_next = corner(a, nxt)
        p1 = add(tip, mul(n, -r))
        p2 = add(tip, mul(n, r))
        parts.append(("M " if i == 0 else "L ") + pt(c_prev))
        parts.append(f"L {pt(p1)} {half_turn(r, p1, p2, tip, d)}")
        parts.append(f"L {pt(c_next)}")
    return " ".join(parts) + " Z"


def sample_arc(c, radius, a0_deg, a1_deg, steps):
    return [(c[0] + radius * math.cos(math.radians(a0_deg + (a1_deg - a0_deg) * i / steps)),
             c[1] + radius * math.sin(math.radians(a0_deg + (a1_deg - a0_deg) * i / steps)))
            for i in range(steps + 1)]


def sample_quad(p0, p1, p2, steps):
    out = []
    for i in range(1, steps + 1):
        t = i / steps
        out.append(((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
                    (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]))
    return out


def question_hook(c, radius, end_y, width=W):
    """The hooked stroke of a question mark: an arc over the top, then down to end_y."""
    hook = sample_arc(c, radius, 190, 400, 21)
    last = hook[-1]
    hook += sample_quad(last, (c[0], last[1] + (end_y - last[1]) * 0.45), (c[0], end_y), 6)
    return stroke_outline(hook, width)


def star_points(c, outer, inner, points=5, start=-90):
    out = []
    for i in range(points * 2):
        rad = outer if i % 2 == 0 else inner
        a = math.radians(start + i * 180 / points)
        out.append((c[0] + rad * math.cos(a), c[1] + rad * math.sin(a)))
    return out


def rounded_rect(x, y, w, h, r):
    return (f"M {pt((x + r, y))} H {f(x + w - r)} A {f(r)} {f(r)} 0 0 1 {pt((x + w, y + r))} "
            f"V {f(y + h - r)} A {f(r)} {f(r)} 0 0 1 {pt((x + w - r, y + h))} H {f(x + r)} "
            f"A {f(r)} {f(r)} 0 0 1 {pt((x, y + h - r))} V {f(y + r)} A {f(r)} {f(r)} 0 0 1 {pt((x + r, y))} Z")


# ---- icon builders ----

def filled(*outlines, transform=None):
    t = f' transform="{transform}"' if transform else ""
    return f'<path fill-rule="evenodd" d="{" ".join(outlines)}"{t}/>'


def stroked(d, width=W, transform=None):
    t = f' transform="{transform}"' if transform else ""
    return (f'<path fill="none" stroke="#000" stroke-width="{f(width)}" stroke-linecap="round" '
            f'stroke-linejoin="round" d="{d}"{t}/>')


def svg(*elements):
    body = "\n  ".join(elements)
    return ('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64" width="64" height="64">\n'
            f"  {body}\n</svg>\n")


C = (32, 32)
DISC = circle(C, 28)
CHECK = [(19.5, 33), (28, 41.5), (45, 23.5)]


def line_d(points):
    return "M " + " L ".join(pt(p) for p in points)


def rotate_points(points, deg, c=C):
    a = math.radians(deg)
    return [(c[0] + (p[0] - c[0]) * math.cos(a) - (p[1] - c[1]) * math.sin(a),
             c[1] + (p[0] - c[0]) * math.sin(a) + (p[1] - c[1]) * math.cos(a)) for p in points]


def arrow(deg):
    shaft = rotate_points([(10, 32), (53, 32)], deg)
    head = rotate_points([(37, 16), (53, 32), (37, 48)], deg)
    return svg(stroked(line_d(shaft)), stroked(line_d(head)))


def diagonal_arrow(flip):
    def m(points):
        return [(x, 64 - y) for x, y in points] if flip else points
    return svg(stroked(line_d(m([(13, 51), (49, 15)]))), stroked(line_d(m([(24, 15), (49, 15), (49, 40)]))))


def circular_arrow(mirror):
    c, rad = (32, 34), 20
    start = (c[0] + rad * math.cos(math.radians(330)), c[1] + rad * math.sin(math.radians(330)))
    end = (c[0], c[1] - rad)
    d = f"M {pt(start)} A {rad} {rad} 0 1 1 {pt(end)}"
    head = [(end[0] - 9, end[1] - 9), end, (end[0] - 9, end[1] + 9)]
    t = "matrix(-1 0 0 1 64 0)" if mirror else None
    return svg(stroked(d, transform=t), stroked(line_d(head), transform=t))


BUBBLE = ("M 18 8 H 46 A 14 14 0 0 1 60 22 V 34 A 14 14 0 0 1 46 48 H 27 "
          "C 23 52.5 16.5 56.5 8.5 58 C 11.5 55 12.5 50.5 11 46.1 A 14 14 0 0 1 4 34 V 22 "
          "A 14 14 0 0 1 18 8 Z")


def thumb(transform=None):
    parts = [
        filled(rounded_rect(5, 29, 11, 30, 3)),
        filled(rounded_polygon([(20, 31), (27.5, 19), (28.5, 10), (32, 5.5), (37, 5.5), (39.5, 10),
                                (38.5, 18), (37, 28), (41, 28), (41, 59), (20, 59)], 3)),
    ]
    for y, end in ((27, 56), (35.5, 57.5), (44, 55.5), (52, 51)):
        parts.append(filled(rounded_rect(30, y, end - 30, 7, 3.5)))
    if transform:
        return svg(f'<g transform="{transform}">', *parts, "</g>")
    return svg(*parts)


ICONS = {
    # Common
    "checkmark.circle.fill": svg(filled(DISC, stroke_outline(CHECK))),
    "xmark.circle.fill": svg(filled(DISC, arms(C, 11.5, [45, 135, 225, 315]))),
    "exclamationmark.triangle.fill": svg(filled(rounded_polygon([(32, 5), (61, 57), (3, 57)], 6),
                                                capsule((32, 24), (32, 38)), circle((32, 47.5), 3.6))),
    "questionmark.circle.fill": svg(filled(DISC, question_hook((32, 25), 8.5, 38.5), circle((32, 47), 3.6))),
    "info.circle.fill": svg(filled(DISC, capsule((32, 29), (32, 46)), circle((32, 19), 3.8))),
    "star.fill": svg(filled(rounded_polygon(star_points((32, 34.5), 30, 14), 3))),
    "heart.fill": svg(filled("M 32 56 C 14 43 4 33 4 21.5 C 4 13 10.5 6.5 18.5 6.5 C 24.5 6.5 29 9.5 32 14.5 "
                             "C 35 9.5 39.5 6.5 45.5 6.5 C 53.5 6.5 60 13 60 21.5 C 60 33 50 43 32 56 Z")),
    "hand.thumbsup.fill": thumb(),
    # Arrows
    "arrow.right": arrow(0),
    "arrow.down": arrow(90),
    "arrow.left": arrow(180),
    "arrow.up": arrow(270),
    "arrow.up.right": diagonal_arrow(False),
    "arrow.down.right": diagonal_arrow(True),
    "arrow.clockwise": circular_arrow(False),
    "arrow.counterclockwise": circular_arrow(True),
    "arrow.right.circle.fill": svg(filled(DISC, rounded_polygon(
        [(15, 27.5), (32, 27.5), (32, 18.5), (48.5, 32), (32, 45.5), (32, 36.5), (15, 36.5)], 2))),
    # Emphasis
    "exclamationmark.circle.fill": svg(filled(DISC, capsule((32, 17), (32, 35)), circle((32, 45), 3.8))),
    "bolt.fill": svg(filled(rounded_polygon([(39, 3), (12, 37), (29.5, 37), (25, 61), (52, 26), (34.5, 26)], 1.2))),
    "flame.fill": svg(filled("M 32 60 C 19 60 11 51.5 11 40.5 C 11 28.5 20 22 24 8.5 C 30.5 14 33 21 31.5 29 "
                             "C 35.5 26 37.5 21.5 37.5 16.5 C 47.5 24 53 33 53 41.5 C 53 52 45 60 32 60 Z",
                             "M 32 54 C 27.5 54 24.5 50.5 24.5 46.5 C 24.5 41.5 28 38.5 30 33.5 "
                             "C 34 37.5 39.5 41 39.5 46.5 C 39.5 50.5 36.5 54 32 54 Z")),
    "sparkles": svg(filled(*[
        f"M {pt((x, y - r))} Q {pt((x + r * 0.16, y - r * 0.16))} {pt((x + r, y))} "
        f"Q {pt((x + r * 0.16, y + r * 0.16))} {pt((x, y + r))} "
        f"Q {pt((x - r * 0.16, y + r * 0.16))} {pt((x - r, y))} "
        f"Q {pt((x - r * 0.16, y - r * 0.16))} {pt((x, y - r))} Z"
        for x, y, r in ((25, 37, 21), (49, 14, 11), (51, 48, 8))])),
    "flag.fill": svg(stroked("M 14 7 V 59"),
                     filled("M 17 9.5 C 25 5.5 32 13 40 9.5 C 45 7.5 49.5 6.5 55 8.5 V 36.5 "
                            "C 49.5 34.5 45 35.5 40 37.5 C 32 41 25 33.5 17 37.5 Z")),
    "lightbulb.fill": svg(filled("M 22.5 41 C 16 36.5 12 30.5 12 24 C 12 13 21 4 32 4 C 43 4 52 13 52 24 "
                                 "C 52 30.5 48 36.5 41.5 41 V 43.5 Q 41.5 46 39 46 H 25 Q 22.5 46 22.5 43.5 Z"),
                          stroked("M 25 52 H 39"), stroked("M 28 58.5 H 36")),
    "target": svg(f'<circle cx="32" cy="32" r="25" fill="none" stroke="#000" stroke-width="{f(W)}"/>',
                  f'<circle cx="32" cy="32" r="14" fill="none" stroke="#000" stroke-width="{f(W)}"/>',
                  '<circle cx="32" cy="32" r="5"/>'),
    "pin.fill": svg(filled("M 32 61 C 28 56 12 39 12 25 C 12 13.5 21 4.5 32 4.5 C 43 4.5 52 13.5 52 25 "
                           "C 52 39 36 56 32 61 Z", circle((32, 25), 8))),
    # Status
    "checkmark": svg(stroked(line_d([(12, 34), (25.5, 47.5), (52, 17)]))),
    "xmark": svg(stroked("M 15 15 L 49 49"), stroked("M 49 15 L 15 49")),
    "checkmark.seal.fill": svg(filled(rounded_polygon(star_points(C, 29.5, 25.5, 12, -90), 2.5),
                                      stroke_outline([(21, 33), (28.5, 40.5), (43.5, 24.5)]))),
    "xmark.octagon.fill": svg(filled(rounded_polygon(
        [(32 + 29.5 * math.cos(math.radians(22.5 + 45 * i)), 32 + 29.5 * math.sin(math.radians(22.5 + 45 * i)))
         for i in range(8)], 4), arms(C, 11.5, [45, 135, 225, 315]))),
    "plus.circle.fill": svg(filled(DISC, arms(C, 13, [0, 90, 180, 270]))),
    "minus.circle.fill": svg(filled(DISC, capsule((19, 32), (45, 32)))),
    "clock.fill": svg(filled(DISC, stroke_outline([(32, 15.5), (32, 32), (43.5, 39.5)]))),
    "lock.fill": svg(stroked("M 20 28 V 21 A 12 12 0 0 1 44 21 V 28"),
                     filled(rounded_rect(10, 27, 44, 33, 6), capsule((32, 39), (32, 48)))),
    "nosign": svg(f'<circle cx="32" cy="32" r="26" fill="none" stroke="#000" stroke-width="{f(W)}"/>',
                  stroked("M 13.6 13.6 L 50.4 50.4")),
    # Chat
    "bubble.left.fill": svg(filled(BUBBLE)),
    "bubble.right.fill": svg(filled(BUBBLE, transform="matrix(-1 0 0 1 64 0)")),
    "ellipsis.bubble.fill": svg(filled(BUBBLE, circle((20, 28), 4), circle((32, 28), 4), circle((44, 28), 4))),
    "text.bubble.fill": svg(filled(BUBBLE, capsule((17, 21.5), (47, 21.5)), capsule((17, 34), (38, 34)))),
    "questionmark.bubble.fill": svg(filled(BUBBLE, question_hook((32, 21.5), 6.5, 31, 5.5),
                                           circle((32, 39), 3.2))),
    "face.smiling": svg(f'<circle cx="32" cy="32" r="26" fill="none" stroke="#000" stroke-width="{f(W)}"/>',
                        '<ellipse cx="23.5" cy="26" rx="3.5" ry="4.5"/>',
                        '<ellipse cx="40.5" cy="26" rx="3.5" ry="4.5"/>',
                        stroked("M 20.5 38 Q 32 50 43.5 38")),
    "hand.thumbsdown.fill": thumb("rotate(180 32 32)"),
}


def main():
    for name, text in sorted(ICONS.items()):
        with open(os.path.join(HERE, name + ".svg"), "w", encoding="utf-8") as fh:
            fh.write(text)
    print(f"wrote {len(ICONS)} icons")


if __name__ == "__main__":
    main()
