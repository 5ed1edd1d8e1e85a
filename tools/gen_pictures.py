#!/usr/bin/env python3
"""Draws every picture of Horvane's window and writes them as BMP and ICO files.

    python3 tools/gen_pictures.py [OUTPUT_FOLDER]      (default: res/ beside this tools/ folder)

Standard library only. All colour arithmetic is done in integers and every shape is sampled at
fixed points, so each run writes the same bytes; tests/res checks that the files in res/ are
exactly what this script makes.

Pixel coordinates: (x, y) is column x, row y, row 0 at the top. Shapes are tested at sample
points inside a pixel; pixel (x, y) covers [x, x + 1) x [y, y + 1).
"""

import math
import os
import struct
import sys

# --------------------------------------------------------------------------------------------
# Colours and pictures


def rgb(text):
    """'#RRGGBB' -> (r, g, b)."""
    return (int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16))


WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
MAGENTA = rgb("#FF00FF")


def mix(a, b, num, den):
    """a + (b - a) * num / den per channel, rounded half up; integers only."""
    if den == 0:
        return a
    return tuple((ca * (den - num) + cb * num + den // 2) // den for ca, cb in zip(a, b))


def ramp(c0, c1, i, n):
    """Colour i of an n-step linear ramp from c0 (i = 0) to c1 (i = n - 1)."""
    return mix(c0, c1, i, n - 1) if n > 1 else c0


class Picture:
    def __init__(self, width, height, fill=BLACK):
        self.width = width
        self.height = height
        self.rows = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.rows[y][x]

    def set(self, x, y, colour):
        self.rows[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills columns x0..x1 and rows y0..y1, both inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.rows[y][x] = colour

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        """Rows y0..y1 run linearly from `top` to `bottom`."""
        for y in range(y0, y1 + 1):
            self.fill(x0, y, x1, y, ramp(top, bottom, y - y0, y1 - y0 + 1))

    def paste(self, other, left, top):
        for y in range(other.height):
            self.rows[top + y][left : left + other.width] = other.rows[y]

    def blend(self, x, y, colour, num, den):
        self.rows[y][x] = mix(self.rows[y][x], colour, num, den)


# --------------------------------------------------------------------------------------------
# Coverage of shapes, by supersampling


def coverage(width, height, inside, grid):
    """For each pixel, how many of its grid x grid sample points `inside(x, y)` accepts."""
    offsets = [(i + 0.5) / grid for i in range(grid)]
    return [
        [sum(1 for sy in offsets for sx in offsets if inside(x + sx, y + sy)) for x in range(width)]
        for y in range(height)
    ]


def in_rect(x0, y0, x1, y1):
    """Half-open rectangle [x0, x1) x [y0, y1)."""
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def near_segment(ax, ay, bx, by, half_width):
    """Points within half_width of the segment from (ax, ay) to (bx, by)."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / length2
        t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= half_width * half_width

    return inside


def any_of(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


# --------------------------------------------------------------------------------------------
# The caption buttons of the title strip (normal, hot, pressed)

CAPTION_HEIGHT = 17
CAPTION_TOP = 1  # window row of their top line

# Tile colours per look: top line, body top, body bottom, side and bottom border.
CAPTION_TILES = {
    "normal": ("#FFFFFF", "#F3F9FC", "#DCE8EE", "#AFC4CF"),
    "hot": ("#FFFFFF", "#E4F1F8", "#C3D8E2", "#8DAEBF"),
    "pressed": ("#FFFFFF", "#A3C3D1", "#C4DAE3", "#7A9BAC"),
    "close_hot": ("#F7B59A", "#F39A77", "#E43E08", "#A92E08"),
    "close_pressed": ("#E58C80", "#CC2817", "#EBA2A2", "#8E1C10"),
}
GLYPH_TOP = rgb("#16385C")
GLYPH_BOTTOM = rgb("#1A416E")
GLYPH_GRID = 4  # 4 x 4 samples per pixel


def glyph_shape(kind, drop):
    """The glyph of each caption button; `drop` moves it down by that many pixels."""
    d = drop
    if kind == "minimise":  # a bar near the bottom
        return in_rect(8, 10 + d, 18, 12 + d)
    if kind == "maximise":  # a window outline with a thick top edge
        return any_of(
            in_rect(8, 3 + d, 18, 6 + d),
            in_rect(8, 3 + d, 9, 12 + d),
            in_rect(17, 3 + d, 18, 12 + d),
            in_rect(8, 11 + d, 18, 12 + d),
        )
    if kind == "settings":  # a bar above a triangle pointing down, 7, 5, 3 and 1 pixels wide
        return any_of(
            in_rect(9, 4 + d, 18, 6 + d),
            in_rect(10, 7 + d, 17, 8 + d),
            in_rect(11, 8 + d, 16, 9 + d),
            in_rect(12, 9 + d, 15, 10 + d),
            in_rect(13, 10 + d, 14, 11 + d),
        )
    if kind == "close":  # an X
        return any_of(
            near_segment(14.0, 4.5, 22.0, 12.5, 1.05),
            near_segment(22.0, 4.5, 14.0, 12.5, 1.05),
        )
    raise ValueError(kind)


CAPTION_WIDTHS = {"settings": 27, "minimise": 26, "maximise": 26, "close": 36}
# Column of each caption button in the window; all sit on window row CAPTION_TOP.
CAPTION_LEFT = {"settings": 259, "minimise": 287, "maximise": 314, "close": 340}


def caption_button(kind, look):
    width = CAPTION_WIDTHS[kind]
    red = kind == "close" and look != "normal"
    tile = CAPTION_TILES["close_" + look] if red else CAPTION_TILES[look]
    top_line, body_top, body_bottom, border = (rgb(c) for c in tile)
    pic = Picture(width, CAPTION_HEIGHT)
    pic.vgradient(0, 1, width - 1, CAPTION_HEIGHT - 2, body_top, body_bottom)
    if kind == "close" and look == "hot":
        # Glass: a lighter band over the top half, the plain orange-red below.
        pic.vgradient(0, 1, width - 1, 7, body_top, rgb("#EA6035"))
        pic.fill(0, 8, width - 1, CAPTION_HEIGHT - 2, body_bottom)
    pic.fill(0, 0, width - 1, 0, top_line)
    pic.fill(0, 1, 0, CAPTION_HEIGHT - 1, border)
    pic.fill(width - 1, 1, width - 1, CAPTION_HEIGHT - 1, border)
    pic.fill(0, CAPTION_HEIGHT - 1, width - 1, CAPTION_HEIGHT - 1, border)
    # Rounded lower corners: the title strip shows through, half blended with the border.
    under = title_strip_colour(CAPTION_TOP + CAPTION_HEIGHT - 1)
    for x in (0, width - 1):
        pic.set(x, CAPTION_HEIGHT - 1, mix(under, border, 1, 3))

    drop = 1 if look == "pressed" and kind != "close" else 0
    cover = coverage(width, CAPTION_HEIGHT, glyph_shape(kind, drop), GLYPH_GRID)
    full = GLYPH_GRID * GLYPH_GRID
    white_glyph = red

    if look == "hot" and not white_glyph:
        # A soft light glow around the glyph: its coverage spread one pixel, lightening the tile.
        glow = [[0] * width for _ in range(CAPTION_HEIGHT)]
        for y in range(CAPTION_HEIGHT):
            for x in range(width):
                best = 0
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        yy, xx = y + dy, x + dx
                        if 0 <= yy < CAPTION_HEIGHT and 0 <= xx < width:
                            weight = 4 if dx == 0 and dy == 0 else 3 if dx == 0 or dy == 0 else 2
                            best = max(best, cover[yy][xx] * weight)
                glow[y][x] = best  # 0 .. 4 * full
        for y in range(1, CAPTION_HEIGHT - 1):
            for x in range(1, width - 1):
                pic.blend(x, y, WHITE, glow[y][x], 4 * full * 2)

    rows = [y for y in range(CAPTION_HEIGHT) if any(cover[y])]
    for y in range(CAPTION_HEIGHT):
        colour = WHITE if white_glyph else ramp(GLYPH_TOP, GLYPH_BOTTOM, y - rows[0], len(rows))
        for x in range(width):
            if cover[y][x]:
                pic.blend(x, y, colour, cover[y][x], full)
    return pic


# --------------------------------------------------------------------------------------------
# The background picture of the window, 381 x 249

WINDOW_WIDTH = 381
WINDOW_HEIGHT = 249
TITLE_TOP_COLOUR = rgb("#FCFDFE")  # row 2
TITLE_BOTTOM_COLOUR = rgb("#ECF4F7")  # row 29
BAND_COLOUR = rgb("#D7E8EE")  # side bands from row 78 on, bottom band
FRAME_COLOUR = rgb("#4B6995")
PANEL_LINE = rgb("#B2C8D0")


def title_strip_colour(row):
    """The title strip's gradient, rows 2..29."""
    return ramp(TITLE_TOP_COLOUR, TITLE_BOTTOM_COLOUR, row - 2, 28)


def corner_cut(x, y):
    """The magenta staircase: 3, 2 and 1 pixels on the three outermost rows at each corner."""
    dy = min(y, WINDOW_HEIGHT - 1 - y)
    dx = min(x, WINDOW_WIDTH - 1 - x)
    return dy < 3 and dx < 3 - dy


def background():
    w, h = WINDOW_WIDTH, WINDOW_HEIGHT
    pic = Picture(w, h, WHITE)

    # Title strip and the side bands that carry its gradient on down to the band colour.
    for y in range(2, 30):
        pic.fill(2, y, w - 3, y, title_strip_colour(y))
    for y in range(30, 240):
        colour = BAND_COLOUR
        if y < 78:
            colour = ramp(TITLE_BOTTOM_COLOUR, BAND_COLOUR, y - 29, 78 - 29 + 1)
        pic.fill(2, y, 4, y, colour)
        pic.fill(w - 5, y, w - 3, y, colour)
    pic.fill(2, 240, w - 3, 246, BAND_COLOUR)

    # Content panel: outline, upper panel, divider, white main area, footer strip.
    pic.fill(5, 30, 375, 239, PANEL_LINE)
    pic.vgradient(6, 31, 374, 71, WHITE, rgb("#F0F6F9"))
    pic.fill(6, 72, 374, 72, PANEL_LINE)
    pic.fill(6, 73, 374, 227, WHITE)
    pic.fill(6, 228, 374, 228, rgb("#E7F5FB"))
    pic.fill(6, 229, 374, 238, rgb("#F7FDFE"))

    # Frame and highlight follow the cut corners: the frame is every pixel of the shape with an
    # edge on the outside, the highlight every other pixel with an edge on the frame.
    def in_shape(x, y):
        return 0 <= x < w and 0 <= y < h and not corner_cut(x, y)

    def touches(x, y, test):
        return any(test(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))

    def on_frame(x, y):
        return in_shape(x, y) and touches(x, y, lambda a, b: not in_shape(a, b))

    edge_band = [(x, y) for y in range(h) for x in range(w) if min(x, y, w - 1 - x, h - 1 - y) < 3]
    frame = [(x, y) for x, y in edge_band if on_frame(x, y)]
    highlight = [
        (x, y)
        for x, y in edge_band
        if in_shape(x, y) and not on_frame(x, y) and touches(x, y, on_frame)
    ]
    for x, y in highlight:
        pic.set(x, y, WHITE)
    for x, y in frame:
        pic.set(x, y, FRAME_COLOUR)
    for x, y in edge_band:
        if corner_cut(x, y):
            pic.set(x, y, MAGENTA)

    # The caption buttons in their normal look, exactly where the buttons lie over them.
    for kind, left in CAPTION_LEFT.items():
        pic.paste(caption_button(kind, "normal"), left, CAPTION_TOP)
    return pic


# --------------------------------------------------------------------------------------------
# The lettering of the sync button
#
# The four characters "立即同步" in WenQuanYi Zen Hei at 13 pixels, as ink coverage 0..15 per
# pixel ('.' = none, 'f' = full), rows 2..14 of a 14 x 18 cell (the rows where any of the four has
# ink). Rendered once with ImageMagick and fonts-wqy-zenhei, for each character:
#     convert -background white -fill black -font /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc \
#             -pointsize 13 -density 72 label:立 -depth 8 -compress none pgm:-
# and each grey value v written as the digit round((255 - v) * 15 / 255).
LETTERING = {
    "立": [
        "....18........",
        ".....b9.......",
        ".11112b21111..",
        "2baaaaaaaab7..",
        "...3....45....",
        "..3d1...97....",
        "...b6...d3....",
        "...4c..2d.....",
        "....e1.78.....",
        "....b4.d3.....",
        "......4d......",
        "9ccccccccccc6.",
        "..............",
    ],
    "即": [
        "..............",
        ".fbbbe.dbbe3..",
        ".e...e.d1.b3..",
        ".fbbbe.d1.b3..",
        ".e...e.d1.b3..",
        ".fbbbe.d1.b3..",
        ".e...b.d1.b3..",
        ".e.b4..d1.b3..",
        ".e.5e4.d1cd1..",
        "1fc83c1d12....",
        ".71....d1.....",
        ".......e1.....",
        ".......1......",
    ],
    "同": [
        "..............",
        ".dbbbbbbbbcc..",
        ".d1.......2c..",
        ".d19bbbbbb2c..",
        ".d1.......2c..",
        ".d1.bbbba.2c..",
        ".d1.e...e.2c..",
        ".d1.e...e.2c..",
        ".d1.fbbbe.2c..",
        ".d1.a...a.2c..",
        ".d1.......2c..",
        ".d1......14b..",
        ".c1......ad5..",
    ],
    "步": [
        "......c1......",
        "...8..d1......",
        "...e..caaaa...",
        "...e..c1......",
        "...e..c1......",
        "3bbebbebbbbb3.",
        "...2..d1..1...",
        "..1d3.d1..c5..",
        "..b8..d1.8b...",
        "2b8...919c1...",
        "25...16c9.....",
        "1468bd82......",
        ".7b83.........",
    ],
}
INK_LEVELS = ".123456789abcdef"


def lettering(text):
    """The text's ink coverage (0..15) as rows, each character advancing by its cell width."""
    cells = [LETTERING[ch] for ch in text]
    height = len(cells[0])
    return ["".join(cell[y] for cell in cells) for y in range(height)]


def draw_lettering(pic, text, colour):
    """Draws the text centred on its strokes, the pixels at least half covered."""
    rows = lettering(text)
    strong = [[INK_LEVELS.index(level) >= 8 for level in row] for row in rows]
    columns = [x for x in range(len(rows[0])) if any(row[x] for row in strong)]
    lines = [y for y in range(len(rows)) if any(strong[y])]
    ink_w = columns[-1] - columns[0] + 1
    ink_h = lines[-1] - lines[0] + 1
    left = (pic.width - ink_w) // 2 - columns[0]
    top = (pic.height - ink_h) // 2 - lines[0]
    for y, row in enumerate(rows):
        for x, level in enumerate(row):
            ink = INK_LEVELS.index(level)
            if ink:
                pic.blend(left + x, top + y, colour, ink, 15)


# --------------------------------------------------------------------------------------------
# The sync button, 92 x 32: normal, hot, pressed, disabled

SYNC_WIDTH = 92
SYNC_HEIGHT = 32
SYNC_FRAME = rgb("#6996D0")
SYNC_FRAME_CORNER = rgb("#BDD4E7")
SYNC_RING = rgb("#29D7FF")

# Body (rows 2..29) as upper half top, upper half bottom, lower half top, lower half bottom.
SYNC_BODIES = {
    "normal": ("#FFFFFF", "#E8ECF7", "#DBE2F3", "#D1DAF0"),
    "hot": ("#FEFEFE", "#F5F7FC", "#EAEEF8", "#DEE5F4"),
    "pressed": ("#D2DBF0", "#DCE3F3", "#E1E7F5", "#E7ECF7"),
    "disabled": ("#E7E7E7", "#E7E7E7", "#D8D8D8", "#D8D8D8"),
}


def sync_button(look):
    w, h = SYNC_WIDTH, SYNC_HEIGHT
    pic = Picture(w, h)
    upper_top, upper_bottom, lower_top, lower_bottom = (rgb(c) for c in SYNC_BODIES[look])
    half = (h - 4) // 2

    # Inner ring: cyan; softened towards the body when pressed; an almost white top when hot.
    ring_top = ring = SYNC_RING
    if look == "pressed":
        ring_top = ring = mix(SYNC_RING, rgb("#D8E0F2"), 1, 2)
    if look == "hot":
        ring_top = mix(SYNC_RING, WHITE, 7, 8)
    pic.fill(1, 1, w - 2, h - 2, ring)
    pic.fill(1, 1, w - 2, 1, ring_top)
    pic.vgradient(2, 2, w - 3, 1 + half, upper_top, upper_bottom)
    pic.vgradient(2, 2 + half, w - 3, h - 3, lower_top, lower_bottom)
    # The ring's corners lean towards the frame, so the inside looks rounded too.
    for x, y in ((1, 1), (w - 2, 1), (1, h - 2), (w - 2, h - 2)):
        pic.blend(x, y, SYNC_FRAME, 1, 2)

    # Frame with softened corners.
    for x in range(w):
        pic.set(x, 0, SYNC_FRAME)
        pic.set(x, h - 1, SYNC_FRAME)
    for y in range(h):
        pic.set(0, y, SYNC_FRAME)
        pic.set(w - 1, y, SYNC_FRAME)
    for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        pic.set(x, y, SYNC_FRAME_CORNER)

    draw_lettering(pic, "立即同步", BLACK)
    return pic


# --------------------------------------------------------------------------------------------
# The clock: 24 x 24 for the icon button, 48, 32 and 16 for the application icon

CLOCK_GRID = 8  # 8 x 8 samples per pixel
RIM_TOP = rgb("#6AA6E0")
RIM_BOTTOM = rgb("#1C57A0")
DIAL_TOP = rgb("#F4F8FD")  # never pure white: white is the button's transparent colour
DIAL_BOTTOM = rgb("#C6DCF1")
HAND = rgb("#1B2A40")
TICK = rgb("#3D6FA8")

EDGE = rgb("#E6EEF6")  # what the partly covered pixels of the outline lean towards

# Per size: rim width, minute and hour hand half widths, hub radius, tick length (0: none), and
# how far the minute hand sits left of the centre line (so a one-pixel hand fills one column).
CLOCK_SIZES = {
    16: (1.5, 0.5, 0.75, 1.25, 0.0, 0.5),
    24: (2.0, 1.0, 1.0, 1.6, 2.0, 0.0),
    32: (2.5, 1.0, 1.25, 2.0, 2.5, 0.0),
    48: (3.5, 1.0, 2.0, 3.0, 4.0, 0.0),
}


def clock(size):
    """The clock at `size` x `size`: (colours by row, opaque flags by row)."""
    rim, minute_hw, hour_hw, hub, tick, minute_shift = CLOCK_SIZES[size]
    c = size / 2.0
    outer = c - 0.5
    inner = outer - rim
    # Seven o'clock points down and to the left, 150 degrees from twelve.
    sin30, cos30 = 0.5, math.sqrt(3.0) / 2.0
    mx = c - minute_shift
    minute = near_segment(mx, c, mx, c - 0.68 * inner, minute_hw)
    hour = near_segment(c, c, c - sin30 * 0.55 * inner, c + cos30 * 0.55 * inner, hour_hw)
    ticks = []
    if tick:
        ticks = [
            in_rect(c - 1, c - inner, c + 1, c - inner + tick),
            in_rect(c - 1, c + inner - tick, c + 1, c + inner),
            in_rect(c - inner, c - 1, c - inner + tick, c + 1),
            in_rect(c + inner - tick, c - 1, c + inner, c + 1),
        ]

    def within(x, y, radius):
        return (x - c) * (x - c) + (y - c) * (y - c) <= radius * radius

    def sample(x, y):
        """Colour at a point of the clock (points beyond the rim take the rim's colour)."""
        row = int(y * 16 / size)  # sixteen bands from top to bottom
        if not within(x, y, inner):
            return ramp(RIM_TOP, RIM_BOTTOM, row, 16)
        if within(x, y, hub) or minute(x, y) or hour(x, y):
            return HAND
        if any(t(x, y) for t in ticks):
            return TICK
        return ramp(DIAL_TOP, DIAL_BOTTOM, row, 16)

    offsets = [(i + 0.5) / CLOCK_GRID for i in range(CLOCK_GRID)]
    n = CLOCK_GRID * CLOCK_GRID
    colours, opaque = [], []
    for y in range(size):
        colour_row, opaque_row = [], []
        for x in range(size):
            inside = sum(1 for sy in offsets for sx in offsets if within(x + sx, y + sy, outer))
            if inside * 2 <= n:
                colour_row.append(None)
                opaque_row.append(False)
                continue
            total = [0, 0, 0]
            for sy in offsets:
                for sx in offsets:
                    for i, v in enumerate(sample(x + sx, y + sy)):
                        total[i] += v
            colour = tuple((v + n // 2) // n for v in total)
            colour_row.append(mix(colour, EDGE, n - inside, n))
            opaque_row.append(True)
        colours.append(colour_row)
        opaque.append(opaque_row)
    return colours, opaque


# --------------------------------------------------------------------------------------------
# Files


def bmp24(pic):
    """A 24-bit bottom-up BMP file."""
    stride = (pic.width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(pic.rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack(
        "<IiiHHIIiiII", 40, pic.width, pic.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0
    )
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


def bmp(pic):
    """A bottom-up BMP file of the picture: 8-bit palettised when it has at most 256 colours
    (every picture here has; the pixels are exactly the same, the file about a third the
    size), 24-bit otherwise."""
    colours = sorted({col for row in pic.rows for col in row})
    if len(colours) > 256:
        return bmp24(pic)
    index = {col: i for i, col in enumerate(colours)}
    stride = (pic.width + 3) & ~3
    pixels = bytearray()
    for row in reversed(pic.rows):
        line = bytes(index[col] for col in row)
        pixels += line + bytes(stride - len(line))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    header = struct.pack(
        "<IiiHHIIiiII",
        40, pic.width, pic.height, 1, 8, 0, len(pixels), 2835, 2835, len(colours), len(colours),
    )
    offset = 14 + len(header) + len(palette)
    return (
        struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        + header
        + palette
        + pixels
    )


def icon_image(colours, opaque):
    """One 8-bit palettised icon image with its AND mask. Transparent pixels are black in the
    colour bitmap and set in the mask, so drawing the icon leaves the background as it was."""
    size = len(colours)
    used = {col for row, flags in zip(colours, opaque) for col, on in zip(row, flags) if on}
    palette = [BLACK] + sorted(used - {BLACK})
    if len(palette) > 256:
        raise ValueError("a %d x %d icon needs %d colours" % (size, size, len(palette)))
    index = {col: i for i, col in enumerate(palette)}
    palette += [BLACK] * (256 - len(palette))

    xor = bytearray()
    for row, flags in zip(reversed(colours), reversed(opaque)):
        line = bytes(index[col] if on else 0 for col, on in zip(row, flags))
        xor += line + bytes((-len(line)) % 4)
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for flags in reversed(opaque):
        line = bytearray(mask_stride)
        for x, on in enumerate(flags):
            if not on:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0
    )
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def ico(images):
    """An ICO file of (size, image bytes) in the given order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
        data += image
    return directory + entries + data


def clock_image(size):
    return icon_image(*clock(size))


def pictures():
    """Every file this script writes: name -> bytes."""
    files = {"background.bmp": bmp(background())}
    for look in ("normal", "hot", "pressed", "disabled"):
        files["sync_%s.bmp" % look] = bmp(sync_button(look))
    for kind in ("minimise", "maximise", "settings", "close"):
        for look in ("normal", "hot", "pressed"):
            files["%s_%s.bmp" % (kind, look)] = bmp(caption_button(kind, look))
    files["clock.ico"] = ico([(24, clock_image(24))])
    files["horvane.ico"] = ico([(s, clock_image(s)) for s in (48, 32, 16)])
    return files


def main(argv):
    if len(argv) > 2:
        sys.exit("usage: gen_pictures.py [OUTPUT_FOLDER]")
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) == 2 else os.path.join(here, os.pardir, "res")
    os.makedirs(out, exist_ok=True)
    for name, data in sorted(pictures().items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
