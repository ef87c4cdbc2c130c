"""Writes a picture of drawing.py out as SVG: fills and strokes as paths,
linear gradients as they are, cut-outs as masks over what came before."""

from drawing import Linear


def fmt(v):
    text = '%.2f' % v
    return text.rstrip('0').rstrip('.') if '.' in text else text


def svg_path(shape):
    return ' '.join('M' + ' L'.join('%s %s' % (fmt(x), fmt(y)) for x, y in poly) + ' Z' for poly in shape)


def svg_color(c):
    return '#%02x%02x%02x' % tuple(round(v * 255) for v in c[:3])


def svg_bytes(picture, size):
    defs = []
    body = []

    def paint_ref(paint):
        if isinstance(paint, Linear):
            gid = 'g%d' % len(defs)
            defs.append('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="%s" y1="%s" x2="%s" y2="%s">'
                        '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
                        % (gid, fmt(paint.x0), fmt(paint.y0), fmt(paint.x1), fmt(paint.y1),
                           svg_color(paint.c0), svg_color(paint.c1)))
            return 'url(#%s)' % gid
        extra = '' if paint[3] >= 1 else '" fill-opacity="%s' % fmt(paint[3])
        return svg_color(paint) + extra

    def polyline(points, closed):
        d = 'M' + ' L'.join('%s %s' % (fmt(x), fmt(y)) for x, y in points)
        return d + (' Z' if closed else '')

    for op in picture.ops:
        kind = op[0]
        if kind == 'fill':
            _, shape, paint, evenodd = op
            rule = ' fill-rule="evenodd"' if evenodd else ''
            body.append('<path d="%s" fill="%s"%s/>' % (svg_path(shape), paint_ref(paint), rule))
        elif kind == 'stroke':
            _, points, width, paint, closed = op
            ref = paint_ref(paint).replace('fill-opacity', 'stroke-opacity')
            body.append('<path d="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" '
                        'stroke-linejoin="round"/>' % (polyline(points, closed), ref, fmt(width)))
        else:
            mid = 'm%d' % len(defs)
            if kind == 'erase':
                _, shape, evenodd = op
                rule = ' fill-rule="evenodd"' if evenodd else ''
                cut = '<path d="%s" fill="black"%s/>' % (svg_path(shape), rule)
            else:
                _, points, width, closed = op
                cut = ('<path d="%s" fill="none" stroke="black" stroke-width="%s" stroke-linecap="round" '
                       'stroke-linejoin="round"/>' % (polyline(points, closed), fmt(width)))
            defs.append('<mask id="%s" maskUnits="userSpaceOnUse" x="0" y="0" width="%s" height="%s">'
                        '<rect width="%s" height="%s" fill="white"/>%s</mask>'
                        % (mid, picture.units, picture.units, picture.units, picture.units, cut))
            body = ['<g mask="url(#%s)">%s</g>' % (mid, ''.join(body))]
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %s %s">\n'
            '<defs>%s</defs>\n%s\n</svg>\n'
            % (size, size, fmt(picture.units), fmt(picture.units), ''.join(defs), '\n'.join(body))).encode()
