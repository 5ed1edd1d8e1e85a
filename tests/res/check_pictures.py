#!/usr/bin/env python3
"""Reads the window's pictures back from res/ and checks what the window relies on.

    check_pictures.py RES_FOLDER

The BMP and ICO readers here are written apart from the generator, so a fault in how it writes
the files is not repeated in how they are read.
"""

import os
import struct
import sys
import unittest

RES = None  # set from the command line

MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)

WINDOW_W, WINDOW_H = 381, 249

# name -> (width, height) of every bitmap; each holds true (24-bit) colours, stored with a
# colour table of 8 bits per pixel where the picture has at most 256 of them.
BITMAPS = {
    "background": (381, 249),
    "sync_normal": (92, 32),
    "sync_hot": (92, 32),
    "sync_pressed": (92, 32),
    "sync_disabled": (92, 32),
    "settings_normal": (27, 17),
    "settings_hot": (27, 17),
    "settings_pressed": (27, 17),
    "minimise_normal": (26, 17),
    "minimise_hot": (26, 17),
    "minimise_pressed": (26, 17),
    "maximise_normal": (26, 17),
    "maximise_hot": (26, 17),
    "maximise_pressed": (26, 17),
    "close_normal": (36, 17),
    "close_hot": (36, 17),
    "close_pressed": (36, 17),
}

# Caption buttons: where each lies on the window (left, top).
CAPTION_PLACES = {
    "settings": (259, 1),
    "minimise": (287, 1),
    "maximise": (314, 1),
    "close": (340, 1),
}

# Controls with a white background of their own that sit on the main area: (left, top, w, h).
WHITE_BACKED_CONTROLS = {
    "desktop check box": (28, 197, 15, 23),
    "desktop label": (46, 197, 201, 24),
    "startup label": (46, 169, 201, 24),
    "startup check box": (28, 169, 15, 23),
    "local time": (44, 122, 293, 26),
    "network time": (44, 88, 293, 26),
}


def read_file(name):
    with open(os.path.join(RES, name), "rb") as f:
        return f.read()


def read_bmp(data):
    """(width, height, bits, rows top-down of (r, g, b)) of an uncompressed BMP file of 8 bits
    (with its colour table) or 24 bits per pixel."""
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or size != len(data):
        raise ValueError("not a BMP file, or its size field is wrong")
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header != 40 or planes != 1 or compression != 0:
        raise ValueError(
            "unexpected header %d, planes %d, compression %d" % (header, planes, compression)
        )
    if bits not in (8, 24):
        return width, height, bits, None
    table = []
    if bits == 8:
        used = struct.unpack_from("<I", data, 14 + 32)[0] or 256
        if 14 + header + 4 * used > offset:
            raise ValueError("colour table overlaps the pixels")
        for i in range(used):
            b, g, r, _ = data[14 + header + 4 * i : 14 + header + 4 * i + 4]
            table.append((r, g, b))
    stride = (width * bits // 8 + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)
    if offset + stride * height > len(data):
        raise ValueError("pixel data cut short")
    rows = []
    for i in range(height):
        start = offset + i * stride
        if bits == 8:
            rows.append([table[i] for i in data[start : start + width]])
        else:
            line = data[start : start + width * 3]
            rows.append([(line[x + 2], line[x + 1], line[x]) for x in range(0, width * 3, 3)])
    if bottom_up:
        rows.reverse()
    return width, height, bits, rows


class IconImage:
    def __init__(self, data):
        header, width, height2, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 0)
        colours_used = struct.unpack_from("<I", data, 32)[0]
        if header != 40 or planes != 1 or compression != 0:
            raise ValueError("unexpected icon image header")
        self.size = width
        self.bits = bits
        self.doubled_height = height2
        self.palette_entries = colours_used or (1 << bits)
        palette = [
            (data[40 + 4 * i + 2], data[40 + 4 * i + 1], data[40 + 4 * i])
            for i in range(self.palette_entries)
        ]
        at = 40 + 4 * self.palette_entries
        stride = (width * bits + 31) // 32 * 4
        mask_stride = (width + 31) // 32 * 4
        expected = at + stride * width + mask_stride * width
        if len(data) != expected:
            raise ValueError("image is %d bytes, %d expected" % (len(data), expected))
        self.colours, self.masked = [], []
        for y in range(width):
            line = data[at + y * stride : at + (y + 1) * stride]
            self.colours.append([palette[line[x]] for x in range(width)])
        at += stride * width
        for y in range(width):
            line = data[at + y * mask_stride : at + (y + 1) * mask_stride]
            self.masked.append([bool(line[x // 8] & (0x80 >> (x % 8))) for x in range(width)])
        self.colours.reverse()
        self.masked.reverse()

    def on_white(self):
        """The icon as drawn on white: the screen is ANDed with the mask, then XORed with the
        colour bitmap."""
        return [
            [tuple((255 if m else 0) ^ v for v in c) for c, m in zip(crow, mrow)]
            for crow, mrow in zip(self.colours, self.masked)
        ]


def read_ico(data):
    """[(directory entry, IconImage)] of an ICO file."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    images = []
    for i in range(count):
        fields = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h, colours, _, planes, bits, length, offset = fields
        if offset + length > len(data):
            raise ValueError("image %d lies beyond the end of the file" % i)
        entry = {"width": w or 256, "height": h or 256, "colours": colours, "bits": bits}
        if planes not in (0, 1):
            raise ValueError("image %d has %d planes" % (i, planes))
        images.append((entry, IconImage(data[offset : offset + length])))
    return images


def bitmap(name):
    return read_bmp(read_file(name + ".bmp"))[3]


def expected_corner_pixels():
    """The staircases: 3, 2 and 1 pixels on the outermost three rows at each corner."""
    top_left = [(0, 0), (1, 0), (2, 0), (0, 1), (1, 1), (0, 2)]
    pixels = set()
    for x, y in top_left:
        for px in (x, WINDOW_W - 1 - x):
            for py in (y, WINDOW_H - 1 - y):
                pixels.add((px, py))
    return pixels


class Bitmaps(unittest.TestCase):
    def test_sizes_and_depth(self):
        for name, (w, h) in BITMAPS.items():
            with self.subTest(name=name):
                width, height, bits, rows = read_bmp(read_file(name + ".bmp"))
                self.assertEqual((width, height), (w, h))
                self.assertIn(bits, (8, 24))
                self.assertIsNotNone(rows)

    def test_button_looks_differ(self):
        groups = [["sync_normal", "sync_hot", "sync_pressed", "sync_disabled"]] + [
            [kind + "_normal", kind + "_hot", kind + "_pressed"] for kind in CAPTION_PLACES
        ]
        for group in groups:
            pictures = [bitmap(name) for name in group]
            for i in range(len(group)):
                for j in range(i + 1, len(group)):
                    with self.subTest(a=group[i], b=group[j]):
                        self.assertNotEqual(pictures[i], pictures[j])


class Background(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rows = bitmap("background")

    def test_magenta_exactly_at_the_corner_staircases(self):
        magenta = {
            (x, y) for y, row in enumerate(self.rows) for x, c in enumerate(row) if c == MAGENTA
        }
        self.assertEqual(len(magenta), 24)
        self.assertEqual(magenta, expected_corner_pixels())

    def test_frame_runs_round_the_edges(self):
        frame = (0x4B, 0x69, 0x95)
        for x in range(3, WINDOW_W - 3):
            self.assertEqual(self.rows[0][x], frame, "top, column %d" % x)
            self.assertEqual(self.rows[WINDOW_H - 1][x], frame, "bottom, column %d" % x)
        for y in range(3, WINDOW_H - 3):
            self.assertEqual(self.rows[y][0], frame, "left, row %d" % y)
            self.assertEqual(self.rows[y][WINDOW_W - 1], frame, "right, row %d" % y)

    def test_caption_buttons_painted_where_they_lie(self):
        for kind, (left, top) in CAPTION_PLACES.items():
            picture = bitmap(kind + "_normal")
            width = len(picture[0])
            under = [row[left : left + width] for row in self.rows[top : top + len(picture)]]
            with self.subTest(kind=kind):
                self.assertEqual(under, picture)

    def test_white_under_white_backed_controls(self):
        for name, (left, top, w, h) in WHITE_BACKED_CONTROLS.items():
            with self.subTest(control=name):
                colours = {
                    self.rows[y][x] for y in range(top, top + h) for x in range(left, left + w)
                }
                self.assertEqual(colours, {WHITE})


class SyncButton(unittest.TestCase):
    LOOKS = ["sync_normal", "sync_hot", "sync_pressed", "sync_disabled"]

    def test_blue_frame_with_softened_corners(self):
        frame, corner = (0x69, 0x96, 0xD0), (0xBD, 0xD4, 0xE7)
        for name in self.LOOKS:
            rows = bitmap(name)
            h, w = len(rows), len(rows[0])
            edge = [(x, 0) for x in range(w)] + [(x, h - 1) for x in range(w)]
            edge += [(0, y) for y in range(h)] + [(w - 1, y) for y in range(h)]
            corners = {(0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)}
            for x, y in edge:
                with self.subTest(name=name, x=x, y=y):
                    self.assertEqual(rows[y][x], corner if (x, y) in corners else frame)

    def test_black_lettering_centred(self):
        for name in self.LOOKS:
            rows = bitmap(name)
            h, w = len(rows), len(rows[0])
            ink = [(x, y) for y in range(h) for x in range(w) if max(rows[y][x]) < 128]
            with self.subTest(name=name):
                self.assertGreater(len(ink), 60)  # four characters' worth of strokes
                self.assertIn((0, 0, 0), {rows[y][x] for x, y in ink})
                left = min(x for x, _ in ink)
                right = w - 1 - max(x for x, _ in ink)
                top = min(y for _, y in ink)
                bottom = h - 1 - max(y for _, y in ink)
                self.assertLessEqual(abs(left - right), 1)
                self.assertLessEqual(abs(top - bottom), 1)
                self.assertGreater(min(left, right, top, bottom), 2)  # inside the frame and ring


class CaptionButtons(unittest.TestCase):
    @staticmethod
    def dark(rows):
        return {(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if max(c) < 128}

    def test_pressed_glyph_one_pixel_lower(self):
        for kind in ("settings", "minimise", "maximise"):
            normal = self.dark(bitmap(kind + "_normal"))
            pressed = self.dark(bitmap(kind + "_pressed"))
            with self.subTest(kind=kind):
                self.assertTrue(normal)
                self.assertEqual(pressed, {(x, y + 1) for x, y in normal})

    def test_close_hot_and_pressed_are_red_with_a_white_x(self):
        for look in ("hot", "pressed"):
            rows = bitmap("close_" + look)
            h, w = len(rows), len(rows[0])
            body = rows[h // 2][2]  # beside the X, half way down
            centre = rows[h // 2][w // 2]
            with self.subTest(look=look):
                self.assertGreater(body[0], 150)
                self.assertLess(max(body[1], body[2]), 110)
                self.assertEqual(centre, WHITE)


class Icons(unittest.TestCase):
    def check_clock(self, entry, image, size):
        self.assertEqual((entry["width"], entry["height"], entry["bits"]), (size, size, 8))
        self.assertEqual((image.size, image.doubled_height, image.bits), (size, 2 * size, 8))
        self.assertEqual(image.palette_entries, 256)

        drawn = image.on_white()
        c = size / 2.0
        dial = size / 2.0 - 2.0  # well inside the outline
        for y in range(size):
            for x in range(size):
                r = ((x + 0.5 - c) ** 2 + (y + 0.5 - c) ** 2) ** 0.5
                where = "(%d, %d) of the %d-pixel clock" % (x, y, size)
                # The button's shape is what is not white once drawn: exactly the opaque pixels.
                self.assertEqual(drawn[y][x] != WHITE, not image.masked[y][x], where)
                if r > size / 2.0:
                    self.assertTrue(image.masked[y][x], where + " lies outside the clock")
                if r <= dial:
                    self.assertFalse(image.masked[y][x], where + " lies on the dial")
                    self.assertNotEqual(drawn[y][x], WHITE, where + " is pure white")

        # Hands at twelve and at seven; nothing dark at three.
        def at(angle_sin, angle_cos, fraction):
            """The darkest of the four pixels nearest the point `fraction` of the radius out
            from the centre, the angle measured clockwise from twelve."""
            x = c + angle_sin * fraction * c
            y = c - angle_cos * fraction * c
            near = [drawn[int(y + dy)][int(x + dx)] for dy in (-0.5, 0.5) for dx in (-0.5, 0.5)]
            return min(near, key=sum)

        half_root3 = 3**0.5 / 2
        self.assertLess(max(at(0.0, 1.0, 0.45)), 100, "no hand at twelve")
        self.assertLess(max(at(-0.5, -half_root3, 0.3)), 100, "no hand at seven")
        self.assertGreater(max(at(1.0, 0.0, 0.45)), 150, "something dark at three")
        # A blue rim.
        red, green, blue = drawn[size // 2][1 if size < 32 else 2]
        self.assertGreater(blue, red + 60)

    def test_clock_button_icon(self):
        images = read_ico(read_file("clock.ico"))
        self.assertEqual(len(images), 1)
        self.check_clock(*images[0], 24)

    def test_application_icon_sizes(self):
        images = read_ico(read_file("horvane.ico"))
        self.assertEqual(sorted(entry["width"] for entry, _ in images), [16, 32, 48])
        for entry, image in images:
            with self.subTest(size=entry["width"]):
                self.check_clock(entry, image, entry["width"])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: check_pictures.py RES_FOLDER [unittest arguments]")
    RES = sys.argv.pop(1)
    unittest.main(verbosity=2)
