#!/usr/bin/env python3
"""Window tests of Horvane: the real exe in a real window under Wine on the test display.

Each case copies Horvane.exe into a fresh folder of the Wine prefix's drive C (with a
Horvane.ini naming loopback Daytime servers), starts it through probe.exe (which keeps the
process handle and so its exit code), reads the window tree through the probe, drives the
mouse and keyboard with xdotool and reads the screen's pixels (XGetImage). Every case
ends the Horvane process it started, by its pid.

Run by ctest inside tools/test-windows.sh (which provides DISPLAY and boots the prefix):
    run_e2e.py --build B --tools T --exe B/Horvane.exe --probe B/tests/e2e/probe.exe [TestClass...]
Screenshots go to B/e2e-screenshots/, logs to B/e2e-logs/.
"""

import argparse
import ctypes
import ctypes.util
import datetime
import os
import re
import shutil
import struct
import subprocess
import sys
import threading
import time
import unittest
import zlib

# The probe client and Wine environment, shared with the soak run and the benchmarks.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import horvane_harness as harness  # noqa: E402

# ---- Configuration -------------------------------------------------------------------------

CONFIG = None  # argparse namespace: build, tools, exe, probe
PROBE = None  # the shared Probe of this run

NAMES = ["桌面", "标签2", "标签1", "开机", "同步", "本地时间", "网络时间", "标签", "程序图标",
         "最小化按钮", "最大化按钮", "设置按钮", "关闭按钮", "标题栏"]

# name: (x, y, w, h) in client coordinates, right after start-up.
PLACES = {
    "桌面": (28, 197, 15, 23),
    "标签2": (46, 197, 201, 24),
    "标签1": (46, 169, 201, 24),
    "开机": (28, 169, 15, 23),
    "同步": (258, 188, 92, 32),
    "本地时间": (44, 122, 293, 26),
    "网络时间": (44, 88, 293, 26),
    "标签": (19, 42, 343, 23),
    "程序图标": (7, 4, 24, 24),
    "最小化按钮": (287, 1, 26, 17),
    "最大化按钮": (314, 1, 26, 17),
    "设置按钮": (259, 1, 27, 17),
    "关闭按钮": (340, 1, 36, 17),
    "标题栏": (0, 0, 835, 31),
}

# Window texts that do not change by themselves (the picture buttons name their pictures).
FIXED_TEXTS = {
    "桌面": "",
    "标签2": "在桌面创建一个自动校时的图标",
    "标签1": "每次开机自动同步(需自动联网用户)",
    "开机": "",
    "同步": "立即同步",
    "标签": "本程序采用的是国家授时中心标准时间",
    "程序图标": "Horvane",
    "最小化按钮": "最小化",
    "最大化按钮": "最大化",
    "设置按钮": "设置",
    "关闭按钮": "关闭",
}

NETWORK_WAITING = "当前网络时间: 获取中..."
LOCAL_WAITING = "您的本地时间: 获取中..."
NETWORK_PREFIX = "当前网络时间: "
LOCAL_PREFIX = "您的本地时间: "
TITLE_AT_REST = "     Horvane"
REFUSAL = "请不要在压缩包内直接运行或放在目录中包含\\Temp\\的文件夹中。"
SYNC_FAILED = "同步时间失败"
SYNC_DONE_PREFIX = "同步时间成功，同步为: "
AUTO_NOTE = "自动校时完成"
SHORTCUT_NAME = "自动校时.lnk"

SCREEN = (1024, 768)
WINDOW_SIZE = (381, 249)

WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
WS_CLIPCHILDREN = 0x02000000
WS_EX_TOPMOST = 0x00000008
BS_TYPEMASK = 0x0F
BS_AUTOCHECKBOX = 0x03
SW_RESTORE = 9

FIRST_WINDOW_TIMEOUT = 30.0  # a cold Wine server on a loaded machine is slow
REPLY_TIMEOUT = 20.0
TIME_TOLERANCE = 3  # seconds between a shown time and the time computed here


def gbk(text):
    return text.encode("gbk").hex()


def poll(check, timeout, interval=0.2):
    """Calls check() until it returns something true or `timeout` seconds have passed;
    returns the last result."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def parse_time(text, prefix):
    """The date-time after `prefix` in a time line, or None."""
    if not text.startswith(prefix):
        return None
    match = re.fullmatch(r"(\d{3,4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})", text[len(prefix):])
    if not match:
        return None
    return datetime.datetime(*map(int, match.groups()))


def local_now():
    return datetime.datetime.now().replace(microsecond=0)


def utc_now():
    return datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)


def seconds_apart(a, b):
    return abs((a - b).total_seconds())


# ---- Wine, probe and display ---------------------------------------------------------------

def wine_environment():
    """The environment of tools/wine-env.sh for this build folder, plus the display."""
    return harness.wine_environment(CONFIG.build)


def wine_user():
    """The Wine user's folder name under drive_c/users."""
    users = os.path.join(drive_c(), "users")
    return next(name for name in sorted(os.listdir(users)) if name != "Public")


def keep_user_folders_in_prefix():
    """Wine links user folders such as the desktop to the host's home folders; in the test
    prefix they become plain folders, so that the program writes nothing outside it."""
    home = os.path.join(drive_c(), "users", wine_user())
    for name in os.listdir(home):
        path = os.path.join(home, name)
        if os.path.islink(path):
            os.unlink(path)
            os.makedirs(path)


def prefix_dir():
    return os.path.join(CONFIG.build, "wineprefix")


def drive_c():
    return os.path.join(prefix_dir(), "drive_c")


def to_windows_path(unix_path):
    rel = os.path.relpath(unix_path, drive_c())
    return "C:\\" + rel.replace("/", "\\")


def to_unix_path(windows_path):
    """Maps C:\\... to the prefix's drive_c, matching each existing part without regard to
    case as Wine does."""
    if not re.match(r"^[cC]:\\", windows_path):
        raise ValueError("not a C: path: %r" % windows_path)
    path = drive_c()
    for part in [p for p in windows_path[3:].split("\\") if p]:
        match = part
        if os.path.isdir(path):
            for entry in os.listdir(path):
                if entry.lower() == part.lower():
                    match = entry
                    break
        path = os.path.join(path, match)
    return path


ProbeError = harness.ProbeError


def Probe(env):
    """probe.exe in serve mode (tools/horvane_harness.py), its errors logged in the build."""
    os.makedirs(os.path.join(CONFIG.build, "e2e-logs"), exist_ok=True)
    return harness.Probe(CONFIG.probe, env,
                         os.path.join(CONFIG.build, "e2e-logs", "probe-stderr.txt"),
                         cwd=drive_c())


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20,
                   stdout=subprocess.DEVNULL)


def mouse_move(x, y):
    xdotool("mousemove", x, y)


def park_mouse():
    """Puts the pointer in the screen's corner, away from every window of the tests."""
    mouse_move(2, 2)


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class ScreenGrabber:
    """Reads the screen's pixels straight from the X server (libX11's XGetImage): fast
    enough to catch a window that lives for one second."""

    def __init__(self):
        self.lock = threading.Lock()
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the display %s" % os.environ.get("DISPLAY"))
        self.root = self.x11.XDefaultRootWindow(self.display)

    def grab(self, x, y, w, h):
        """RGB bytes of the screen rectangle, row by row."""
        all_planes, z_pixmap = 0xFFFFFFFF, 2
        with self.lock:
            image_ptr = self.x11.XGetImage(self.display, self.root, x, y, w, h, all_planes,
                                           z_pixmap)
            if not image_ptr:
                raise RuntimeError("XGetImage failed")
            try:
                image = image_ptr.contents
                if image.bits_per_pixel != 32:
                    raise RuntimeError("%d bits per pixel" % image.bits_per_pixel)
                raw = ctypes.string_at(image.data, image.bytes_per_line * h)
                stride = image.bytes_per_line
                masks = (image.red_mask, image.green_mask, image.blue_mask)
                lsb_first = image.byte_order == 0
            finally:
                self.x11.XDestroyImage(image_ptr)
        if stride != w * 4:
            raw = b"".join(raw[row * stride:row * stride + w * 4] for row in range(h))
        rgb = bytearray(w * h * 3)
        for channel, mask in enumerate(masks):
            byte = (mask.bit_length() - 8) // 8
            if not lsb_first:
                byte = 3 - byte
            rgb[channel::3] = raw[byte::4]
        return bytes(rgb)


GRABBER = None


def write_png(path, width, height, rgb):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 1)))
        f.write(chunk(b"IEND", b""))


class Shot:
    """A screenshot of the screen (or a part of it), saved as PNG and read as RGB pixels."""

    def __init__(self, name, crop=None, save=True):
        """crop: (x, y, w, h) on the screen to keep only that part; px() still takes
        screen positions. Without `save` the picture is written only by save()."""
        folder = os.path.join(CONFIG.build, "e2e-screenshots")
        os.makedirs(folder, exist_ok=True)
        self.path = os.path.join(folder, re.sub(r"[^\w.-]+", "_", name) + ".png")
        x, y, self.width, self.height = crop or (0, 0) + SCREEN
        self.origin = (x, y)
        self.pixels = GRABBER.grab(x, y, self.width, self.height)
        if save:
            self.save()

    def save(self):
        write_png(self.path, self.width, self.height, self.pixels)

    def px(self, x, y):
        x, y = x - self.origin[0], y - self.origin[1]
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def mean(self, x0, y0, x1, y1):
        """Average colour of the rectangle [x0, x1) x [y0, y1)."""
        total = [0, 0, 0]
        count = 0
        for y in range(y0, y1):
            for x in range(x0, x1):
                for c, v in enumerate(self.px(x, y)):
                    total[c] += v
                count += 1
        return tuple(t / count for t in total)

    def find(self, colour):
        """Screen positions of pixels of exactly this colour (at most 50)."""
        found = []
        needle = bytes(colour)
        start = 0
        while len(found) < 50:
            i = self.pixels.find(needle, start)
            if i < 0:
                break
            if i % 3 == 0:
                found.append(((i // 3) % self.width, (i // 3) // self.width))
            start = i + 1
        return found


def describe(colour):
    return "#%02X%02X%02X" % tuple(int(round(c)) for c in colour)


def is_red_dominant(c, margin=60):
    r, g, b = c
    return r >= 150 and r - g >= margin and r - b >= margin


def is_pale_blue_grey(c):
    r, g, b = c
    return min(c) >= 150 and b >= r - 4


def is_neutral_grey(c):
    return max(c) - min(c) <= 10 and 190 <= min(c) <= 245


def is_bluish(c):
    r, g, b = c
    return b - r >= 10


# ---- Daytime servers -----------------------------------------------------------------------

class Servers(harness.Servers):
    """Loopback Daytime servers of tools/daytime_server.py, one per mode, in a folder of
    their own under the build folder; stopping them twice is harmless."""

    def __init__(self, name, modes, offset=0.0):
        folder = os.path.join(CONFIG.build, "e2e-servers", name)
        # A set left over from an interrupted run, found by its pid file.
        subprocess.run([sys.executable, os.path.join(CONFIG.tools, "daytime_server.py"), "stop",
                        "--dir", folder], timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        super().__init__(folder, modes, offset, lifetime=300)
        self.running = True

    def stop(self):
        if self.running:
            self.running = False
            super().stop()


# ---- One Horvane process -------------------------------------------------------------------

class Horvane:
    """Horvane.exe copied into drive_c/<folder>, with a Horvane.ini for the given servers."""

    def __init__(self, folder, servers=None):
        self.dir = os.path.join(drive_c(), folder)
        harness.place_program(CONFIG.build, folder, CONFIG.exe, servers)
        self.exe = os.path.join(self.dir, os.path.basename(CONFIG.exe))
        self.pid = None
        self.handles = {}

    # -- process --

    def start(self, tail=""):
        self.pid = PROBE.call("run", to_windows_path(self.exe), tail, "")["pid"]
        return self.pid

    def exit_code(self, timeout=0.0):
        """The exit code once the process has ended within `timeout` seconds, else None."""
        result = PROBE.call("wait", self.pid, int(timeout * 1000), timeout=timeout + 30)
        return result["code"] if result["exited"] else None

    def alive(self):
        return self.exit_code(0) is None

    def end(self):
        """Ends the process if it still runs (by its pid)."""
        if self.pid is not None and self.alive():
            PROBE.call("kill", self.pid)

    # -- windows --

    def tree(self):
        result = PROBE.call("tree", self.pid)
        return result["window"] if result["found"] else None

    def dialogs(self):
        return PROBE.call("msgbox", self.pid)["dialogs"]

    def visible_dialogs(self):
        return [d for d in self.dialogs() if d["visible"]]

    def wait_shown(self, test):
        """Waits for the main window to be shown and start-up to have run; returns the tree."""
        def shown():
            if not self.alive():
                return "ended"
            tree = self.tree()
            return tree if tree and tree["visible"] and len(tree["children"]) >= 1 else None
        tree = poll(shown, FIRST_WINDOW_TIMEOUT, 0.3)
        if tree == "ended":
            test.fail("Horvane ended (exit code %s) before its window was shown"
                      % self.exit_code())
        if not tree:
            test.fail("Horvane's window was not shown within %.0f s; top-level windows: %s"
                      % (FIRST_WINDOW_TIMEOUT, self.window_summary()))
        # Start-up ends by showing the title bar and writing its text; give it a moment.
        # (Should it never get there, the layout tests say what is missing.)
        poll(self._started_up, 5.0, 0.2)
        tree = self.tree()
        if len(tree["children"]) == len(NAMES):
            self.handles = {name: child["hwnd"] for name, child in zip(NAMES, tree["children"])}
        return tree

    def _started_up(self):
        tree = self.tree()
        if tree is None or len(tree["children"]) != len(NAMES):
            return None
        title = tree["children"][-1]
        return tree if title["visible"] and title["text_hex"] == gbk(TITLE_AT_REST) else None

    def window_summary(self):
        try:
            return [(w["class"], w["text"], w["visible"]) for w in
                    PROBE.call("windows", self.pid)["windows"]]
        except ProbeError as error:
            return str(error)

    def control(self, name):
        """The child window of a control, read now."""
        if name not in self.handles:
            raise AssertionError("the window does not have the %d controls in their order"
                                 % len(NAMES))
        result = PROBE.call("window", self.handles[name])
        if not result["found"]:
            raise AssertionError("the control %s no longer exists" % name)
        return result["window"]

    def text(self, name):
        return bytes.fromhex(self.control(name)["text_hex"]).decode("gbk", "replace")

    def rect(self):
        tree = self.tree()
        r = tree["rect"]
        return (r["x"], r["y"], r["w"], r["h"])

    def screen_point(self, x, y):
        """Screen position of a point in the window's client coordinates."""
        r = self.tree()["rect"]
        return r["x"] + x, r["y"] + y

    def centre_of(self, name):
        x, y, w, h = PLACES[name]
        return self.screen_point(x + w // 2, y + h // 2)

    def wait_reply_shown(self, test, timeout=REPLY_TIMEOUT):
        """Waits until the network line no longer reads the waiting text; returns it."""
        text = poll(lambda: (lambda t: t if t != NETWORK_WAITING else None)(
            self.text("网络时间")), timeout, 0.2)
        if not text:
            test.fail("no reply was shown within %.0f s: 网络时间 still reads %r"
                      % (timeout, self.text("网络时间")))
        return text


# ---- Base of the test classes --------------------------------------------------------------

class WindowCase(unittest.TestCase):
    """Starts and ends Horvane processes and servers, one set per test."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        # Screenshots of an earlier run of this area go; other areas keep theirs.
        folder = os.path.join(CONFIG.build, "e2e-screenshots")
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                if name.startswith(cls.__name__ + "."):
                    os.remove(os.path.join(folder, name))

    def setUp(self):
        self.programs = []
        self.servers = []
        park_mouse()

    def tearDown(self):
        for program in self.programs:
            try:
                program.end()
            except ProbeError as error:
                print("could not end Horvane pid %s: %s" % (program.pid, error), file=sys.stderr)
        for servers in self.servers:
            servers.stop()
        try:
            xdotool("mouseup", 1)
        except subprocess.SubprocessError:
            pass
        park_mouse()

    def case_name(self):
        return self.id().split(".")[-2] + "." + self.id().split(".")[-1]

    def folder(self, *parts):
        return os.path.join("e2e", self.id().split(".")[-1], *parts)

    def serve(self, modes, offset=0.0, name="servers"):
        # A folder of their own for each set: the folder holds the set's pid.
        servers = Servers("%s-%s-%d" % (self.id().split(".")[-1], name, len(self.servers)),
                          modes, offset)
        self.servers.append(servers)
        return servers

    def refused_servers(self):
        """A Daytime server list in which no server accepts."""
        return self.serve(["refused"], name="refused").addresses()

    def launch(self, servers, tail="", folder=None, wait=True):
        program = Horvane(folder or self.folder("app"), servers)
        self.programs.append(program)
        program.start(tail)
        if wait:
            program.wait_shown(self)
        return program

    def shot(self, label):
        return Shot("%s-%s" % (self.case_name(), label))

    def assertText(self, program, name, expected):
        actual = program.control(name)
        self.assertEqual(actual["text_hex"], gbk(expected),
                         "%s reads %r (GBK %s), expected %r (GBK %s)"
                         % (name, actual["text"], actual["text_hex"], expected, gbk(expected)))

    def assertAlive(self, program, what):
        code = program.exit_code(0)
        self.assertIsNone(code, "Horvane ended (exit code %s) %s" % (code, what))

    def assertNoDialog(self, program, what):
        dialogs = program.visible_dialogs()
        self.assertEqual(dialogs, [], "a message box appeared %s: %s"
                         % (what, [(d["text"], [c["text"] for c in d["children"]])
                                   for d in dialogs]))

    def wait_dialog(self, program, timeout=15.0):
        dialogs = poll(program.visible_dialogs, timeout, 0.25)
        self.assertTrue(dialogs, "no message box appeared within %.0f s" % timeout)
        return dialogs[0]

    def assertInfoMessage(self, dialog, message):
        self.assertEqual(dialog["text_hex"], gbk("提示"),
                         "message box title is %r, expected 提示" % dialog["text"])
        texts = [c["text_hex"] for c in dialog["children"]]
        self.assertIn(gbk(message), texts, "message box texts are %r, expected %r among them"
                      % ([c["text"] for c in dialog["children"]], message))

    def close_dialog(self, program):
        PROBE.call("msgbox-ok", program.pid)
        gone = poll(lambda: not program.visible_dialogs() or not program.alive(), 10.0, 0.25)
        self.assertTrue(gone, "the message box did not close after OK")

    def times_shown(self, program, name, prefix, timeout):
        """The distinct times that a time line shows within `timeout` seconds; returns
        as soon as two have been seen."""
        seen = []

        def two_seen():
            value = parse_time(program.text(name), prefix)
            if value and value not in seen:
                seen.append(value)
            return len(seen) >= 2
        poll(two_seen, timeout, 0.2)
        return seen

    def click(self, x, y):
        mouse_move(x, y)
        time.sleep(0.15)
        xdotool("click", 1)

    def press(self, x, y):
        mouse_move(x, y)
        time.sleep(0.15)
        xdotool("mousedown", 1)

    def release(self):
        xdotool("mouseup", 1)

    def drag(self, start, delta, steps=5):
        """Presses at `start`, moves by `delta` in steps and releases."""
        self.press(*start)
        time.sleep(0.4)
        for i in range(1, steps + 1):
            mouse_move(start[0] + delta[0] * i // steps, start[1] + delta[1] * i // steps)
            time.sleep(0.1)
        time.sleep(0.3)
        self.release()


# ---- Layout: window and controls as start-up leaves them -----------------------------------

class LayoutTest(WindowCase):

    def test_window_place_style_and_caption(self):
        program = self.launch(self.refused_servers())
        tree = program.tree()
        rect = tree["rect"]
        expected_x = (SCREEN[0] - WINDOW_SIZE[0]) // 2
        expected_y = (SCREEN[1] - WINDOW_SIZE[1]) // 2
        self.assertEqual((rect["x"], rect["y"], rect["w"], rect["h"]),
                         (expected_x, expected_y) + WINDOW_SIZE, "window rectangle on screen")
        self.assertEqual((tree["client"]["w"], tree["client"]["h"]), WINDOW_SIZE,
                         "the client area is the whole window (no border)")
        style = tree["style"]
        for flag, name in ((WS_CAPTION, "WS_CAPTION"), (WS_THICKFRAME, "WS_THICKFRAME"),
                           (WS_SYSMENU, "WS_SYSMENU")):
            self.assertFalse(style & flag, "window style 0x%08X has %s" % (style, name))
        for flag, name in ((WS_MINIMIZEBOX, "WS_MINIMIZEBOX"), (WS_MAXIMIZEBOX, "WS_MAXIMIZEBOX"),
                           (WS_CLIPCHILDREN, "WS_CLIPCHILDREN")):
            self.assertTrue(style & flag, "window style 0x%08X lacks %s" % (style, name))
        self.assertFalse(tree["exstyle"] & WS_EX_TOPMOST, "the window is topmost")
        self.assertTrue(tree["visible"], "the window is not visible")
        self.assertFalse(tree["iconic"] or tree["zoomed"], "the window is minimised or maximised")
        self.assertEqual(tree["text_hex"], gbk("Horvane"),
                         "window caption is %r, expected 'Horvane'" % tree["text"])

    def test_controls_in_place_and_in_stacking_order(self):
        program = self.launch(self.refused_servers())
        children = program.tree()["children"]
        self.assertEqual(len(children), len(NAMES),
                         "child windows in z-order: %r" % [(c["class"], c["text"])
                                                           for c in children])
        for name, child in zip(NAMES, children):
            with self.subTest(control=name):
                r = child["rect"]
                self.assertEqual((r["x"], r["y"], r["w"], r["h"]), PLACES[name],
                                 "%s (class %s, text %r) is at %r" % (name, child["class"],
                                                                       child["text"], r))
                self.assertTrue(child["visible"], "%s is hidden" % name)
                self.assertEqual(child["tabstop"], name in ("开机", "桌面"),
                                 "%s tab stop" % name)
                self.assertEqual(child["enabled"], name != "同步",
                                 "%s enabled before any reply" % name)
                if name in FIXED_TEXTS:
                    self.assertText(program, name, FIXED_TEXTS[name])
                if name in ("开机", "桌面"):
                    self.assertEqual(child["class"].lower(), "button")
                    self.assertEqual(child["style"] & BS_TYPEMASK, BS_AUTOCHECKBOX,
                                     "%s is not an automatic check box" % name)
                    self.assertEqual(child.get("check"), 0, "%s is ticked" % name)
        self.assertText(program, "标题栏", TITLE_AT_REST)

    def test_start_up_captions_and_local_clock(self):
        program = self.launch(self.refused_servers())
        self.assertText(program, "网络时间", NETWORK_WAITING)
        local = program.text("本地时间")
        self.assertTrue(local == LOCAL_WAITING or parse_time(local, LOCAL_PREFIX),
                        "本地时间 reads %r" % local)

        def ticked():
            shown = parse_time(program.text("本地时间"), LOCAL_PREFIX)
            return (shown, local_now()) if shown else None
        first = poll(ticked, 5.0, 0.2)
        self.assertTrue(first, "本地时间 never showed a time: %r" % program.text("本地时间"))
        self.assertLessEqual(seconds_apart(*first), TIME_TOLERANCE,
                             "本地时间 shows %s, the clock reads %s" % first)
        later = poll(lambda: (lambda t: t if t and t[0] > first[0] else None)(ticked()),
                     5.0, 0.2)
        self.assertTrue(later, "本地时间 did not advance from %s" % first[0])
        self.assertLessEqual(seconds_apart(*later), TIME_TOLERANCE,
                             "本地时间 shows %s, the clock reads %s" % later)


# ---- Skin: shape, pictures ----------------------------------------------------------------

def corner_cut(width, height):
    """The 24 pixels that the window's shape leaves out: at each corner 3, 2 and 1 pixels on
    the outermost three rows."""
    cut = set()
    for row, count in ((0, 3), (1, 2), (2, 1)):
        for col in range(count):
            cut.add((col, row))
            cut.add((width - 1 - col, row))
            cut.add((col, height - 1 - row))
            cut.add((width - 1 - col, height - 1 - row))
    return cut


def in_region(rects, x, y):
    return any(l <= x < r and t <= y < b for (l, t, r, b) in rects)


class SkinTest(WindowCase):

    def test_shape_leaves_out_the_corner_pixels(self):
        program = self.launch(self.refused_servers())
        tree = program.tree()
        rects = tree["region"]
        self.assertIsNotNone(rects, "the window has no shape (GetWindowRgn gives none)")
        w, h = WINDOW_SIZE
        cut = corner_cut(w, h)
        self.assertEqual(len(cut), 24)
        inside = [p for p in cut if in_region(rects, *p)]
        self.assertEqual(inside, [], "corner pixels inside the window's shape")
        area = sum((r - l) * (b - t) for (l, t, r, b) in rects)
        self.assertEqual(area, w * h - 24, "area of the shape (rectangles %r)" % rects)
        for x, y in [(3, 0), (2, 1), (1, 2), (0, 3), (w - 4, h - 1), (w - 1, h - 4),
                     (w // 2, 0), (0, h // 2)]:
            self.assertTrue(in_region(rects, x, y), "pixel %r is outside the shape" % ((x, y),))
        # A point of a cut corner belongs to whatever lies behind the window.
        left, top = tree["rect"]["x"], tree["rect"]["y"]
        hit = PROBE.call("hit", left, top)
        self.assertNotEqual(hit.get("pid"), program.pid,
                            "the top-left corner pixel still hits the window (%s)" % hit)
        hit = PROBE.call("hit", left + 3, top + 3)
        self.assertEqual(hit.get("pid"), program.pid, "a point inside the corner misses it")

    def test_no_magenta_on_screen_and_background_drawn(self):
        program = self.launch(self.refused_servers())
        shot = self.shot("start")
        magenta = shot.find((255, 0, 255))
        self.assertEqual(magenta, [], "magenta pixels on screen (%s)" % shot.path)
        left, top = program.screen_point(0, 0)
        frame = shot.px(left + 190, top)
        self.assertTrue(frame[2] - frame[0] >= 40 and max(frame) < 200,
                        "top frame line is %s, expected dark slate blue (%s)"
                        % (describe(frame), shot.path))
        # The title strip shows the picture's light gradient through the title bar's snapshot.
        upper, lower = shot.px(left + 200, top + 3), shot.px(left + 200, top + 28)
        for c, name in ((upper, "row 3"), (lower, "row 28")):
            self.assertGreaterEqual(min(c), 215, "title strip %s is %s (%s)"
                                    % (name, describe(c), shot.path))
        self.assertGreaterEqual(sum(upper), sum(lower),
                                "title strip is not lighter at the top (%s)" % shot.path)
        # 标签 shows the panel behind it: left of its text it matches the panel beside it.
        for y in (45, 53, 61):
            behind, label = shot.px(left + 12, top + y), shot.px(left + 30, top + y)
            self.assertLessEqual(max(abs(a - b) for a, b in zip(behind, label)), 6,
                                 "标签 at row %d is %s, the panel beside it %s (%s)"
                                 % (y, describe(label), describe(behind), shot.path))

    def test_sync_button_shows_its_disabled_picture(self):
        program = self.launch(self.refused_servers())
        x, y, w, h = PLACES["同步"]
        left, top = program.screen_point(x, y)
        shot = self.shot("disabled")
        upper, lower = shot.px(left + 5, top + 8), shot.px(left + 5, top + 24)
        for c, name in ((upper, "upper half"), (lower, "lower half")):
            self.assertTrue(is_neutral_grey(c), "同步 %s is %s, expected flat grey (%s)"
                            % (name, describe(c), shot.path))
        self.assertGreater(sum(upper), sum(lower), "同步's grey body is not lighter on top")

    def test_close_button_hot_and_pressed_pictures(self):
        program = self.launch(self.refused_servers())
        x, y, w, h = PLACES["关闭按钮"]
        left, top = program.screen_point(x, y)
        # Strips of the tile left of its X glyph: near the top and in the lower half.
        upper = (left + 2, top + 1, left + 7, top + 5)
        lower = (left + 2, top + 9, left + 7, top + 15)
        normal = self.shot("normal").mean(*lower)
        self.assertTrue(is_pale_blue_grey(normal), "关闭按钮 normal is %s" % describe(normal))
        mouse_move(left + w // 2, top + h // 2)
        hot = poll(lambda: (lambda c: c if is_red_dominant(c) else None)(
            self.shot("hot").mean(*lower)), 5.0, 0.3)
        self.assertTrue(hot, "关闭按钮 under the pointer is %s, expected orange-red"
                        % describe(self.shot("hot-last").mean(*lower)))

        def pressed_look():
            shot = self.shot("pressed")
            top_colour, bottom_colour = shot.mean(*upper), shot.mean(*lower)
            # Deep red at the top, fading to pink: the lower part has far more blue than
            # the flat orange-red of the hot tile.
            if is_red_dominant(top_colour) and bottom_colour[2] - hot[2] >= 40:
                return top_colour, bottom_colour
            return None
        xdotool("mousedown", 1)
        pressed = poll(pressed_look, 5.0, 0.3)
        shot = self.shot("pressed-last")
        self.assertTrue(pressed, "关闭按钮 pressed is %s at the top and %s below (hot: %s); "
                        "expected deep red fading to pink"
                        % (describe(shot.mean(*upper)), describe(shot.mean(*lower)),
                           describe(hot)))
        # Moving off with the button held: normal picture; releasing outside: no click.
        mouse_move(left + w // 2, top + 120)
        off = poll(lambda: (lambda c: c if is_pale_blue_grey(c) else None)(
            self.shot("held-off").mean(*lower)), 5.0, 0.3)
        self.assertTrue(off, "关闭按钮 with the pointer off and the button down is %s"
                        % describe(self.shot("held-off-last").mean(*lower)))
        # Coming back with the button still down shows the pressed picture again.
        mouse_move(left + w // 2, top + h // 2)
        again = poll(pressed_look, 5.0, 0.3)
        self.assertTrue(again, "关闭按钮 does not look pressed when the pointer comes back")
        mouse_move(10, 700)
        self.release()
        time.sleep(1.5)
        self.assertAlive(program, "after a press on 关闭按钮 released outside it")
        self.assertTrue(program.tree()["visible"], "the window is hidden after the release")


# ---- Chrome: title bar, title buttons, keyboard ---------------------------------------------

class ChromeTest(WindowCase):

    def test_holding_contact_buttons_shows_contact_line(self):
        program = self.launch(self.refused_servers())
        for name in ("程序图标", "设置按钮"):
            with self.subTest(button=name):
                self.press(*program.centre_of(name))
                shown = poll(lambda: (lambda t: t if t != TITLE_AT_REST else None)(
                    program.text("标题栏")), 5.0, 0.2)
                self.shot("held-" + name)
                # Released far outside the window: the button holds the capture.
                mouse_move(900, 700)
                time.sleep(0.2)
                self.release()
                self.assertTrue(shown, "标题栏 kept %r while %s was held"
                                % (TITLE_AT_REST, name))
                self.assertTrue(shown.startswith("     ") and shown[5:].strip() and
                                "\n" not in shown and shown[5] != " ",
                                "标题栏 reads %r while %s is held" % (shown, name))
                back = poll(lambda: program.text("标题栏") == TITLE_AT_REST, 5.0, 0.2)
                self.assertTrue(back, "标题栏 reads %r after releasing %s"
                                % (program.text("标题栏"), name))
                self.assertEqual(program.rect()[:2], (321, 259), "the window moved")
                self.assertAlive(program, "after holding %s" % name)

    def test_dragging_the_title_bar_moves_the_window(self):
        program = self.launch(self.refused_servers())
        x0, y0, _, _ = program.rect()
        # A title-bar point beside the buttons, and the white corner of the icon's square.
        for point, delta in (((150, 15), (50, 40)), ((7, 4), (-30, -20))):
            with self.subTest(press_at=point):
                before = program.rect()
                self.drag(program.screen_point(*point), delta)
                expected = (before[0] + delta[0], before[1] + delta[1]) + before[2:]
                moved = poll(lambda: program.rect() == expected, 5.0, 0.2)
                self.assertTrue(moved, "after a drag by %r from %r the window is at %r, "
                                "expected %r" % (delta, point, program.rect(), expected))
                self.assertText(program, "标题栏", TITLE_AT_REST)
        self.assertEqual(program.rect()[:2], (x0 + 20, y0 + 20))

    def test_double_click_and_maximise_button_change_nothing(self):
        program = self.launch(self.refused_servers())
        before = program.rect()
        x, y = program.screen_point(200, 15)
        mouse_move(x, y)
        time.sleep(0.2)
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        time.sleep(1.0)
        self.click(*program.centre_of("最大化按钮"))
        time.sleep(1.0)
        tree = program.tree()
        self.assertFalse(tree["zoomed"], "the window got maximised")
        r = tree["rect"]
        self.assertEqual((r["x"], r["y"], r["w"], r["h"]), before, "the window moved or resized")
        self.assertAlive(program, "after the double-click and the maximise button")

    def test_minimise_and_restore(self):
        program = self.launch(self.refused_servers())
        before = program.tree()
        left, top = before["rect"]["x"], before["rect"]["y"]
        shot_before = self.shot("before")
        self.click(*program.centre_of("最小化按钮"))
        park_mouse()
        iconic = poll(lambda: program.tree()["iconic"], 5.0, 0.2)
        self.assertTrue(iconic, "the window is not minimised after 最小化按钮")
        self.assertAlive(program, "after minimising")
        PROBE.call("show", before["hwnd"], SW_RESTORE)
        restored = poll(lambda: (lambda t: t if not t["iconic"] and t["visible"] and
                                 t["rect"] == before["rect"] else None)(program.tree()),
                        5.0, 0.2)
        if not restored:
            restored = program.tree()
            self.fail("after SW_RESTORE the window is iconic=%s visible=%s at %r (was %r)"
                      % (restored["iconic"], restored["visible"], restored["rect"],
                         before["rect"]))
        self.assertEqual(restored["rect"], before["rect"], "restored window rectangle")
        self.assertEqual(restored["region"], before["region"], "restored window shape")
        for name in ("标题栏", "标签", "标签1", "标签2", "网络时间"):
            self.assertEqual(restored["children"][NAMES.index(name)]["text_hex"],
                             before["children"][NAMES.index(name)]["text_hex"],
                             "%s changed across minimise and restore" % name)
        time.sleep(0.5)
        shot_after = self.shot("restored")
        # The title strip and 标签 (rows 0 to 71) look as before; the time lines may tick.
        differ = [(x, y) for y in range(0, 72) for x in range(0, WINDOW_SIZE[0])
                  if shot_before.px(left + x, top + y) != shot_after.px(left + x, top + y)]
        self.assertLessEqual(len(differ), 50, "%d pixels of rows 0-71 differ after restoring, "
                             "first %r (%s, %s)" % (len(differ), differ[:5], shot_before.path,
                                                    shot_after.path))

    def test_escape_leaves_the_window_open(self):
        program = self.launch(self.refused_servers())
        self.click(*program.screen_point(200, 160))  # plain window background
        xdotool("key", "Escape")
        time.sleep(1.5)
        self.assertAlive(program, "after Esc")
        self.assertTrue(program.tree()["visible"], "the window is hidden after Esc")
        # The keys do reach the window: Tab then Space ticks one of the two boxes.
        xdotool("key", "Tab")
        time.sleep(0.3)
        xdotool("key", "space")
        ticked = poll(lambda: [n for n in ("开机", "桌面") if program.control(n).get("check")],
                      5.0, 0.2)
        self.assertEqual(len(ticked), 1, "Tab and Space ticked %r" % ticked)
        xdotool("key", "space")
        unticked = poll(lambda: not program.control(ticked[0]).get("check"), 5.0, 0.2)
        self.assertTrue(unticked, "a second Space did not untick %s" % ticked[0])

    def test_close_button_ends_with_exit_code_0(self):
        program = self.launch(self.refused_servers())
        self.click(*program.centre_of("关闭按钮"))
        code = program.exit_code(15.0)
        self.assertEqual(code, 0, "exit code after the close button (None: still running)")


# ---- Clock: the two time lines --------------------------------------------------------------

class ClockTest(WindowCase):

    def test_network_line_shows_reply_then_local_time_plus_offset(self):
        offset = 3600
        servers = self.serve(["correct"], offset=offset)
        program = self.launch(servers.addresses())
        text = program.wait_reply_shown(self)
        # One reply is enough: later values must come from the local clock plus the offset.
        servers.stop()
        shown = parse_time(text, NETWORK_PREFIX)
        expected = utc_now() + datetime.timedelta(hours=8, seconds=offset)
        self.assertTrue(shown, "网络时间 reads %r" % text)
        self.assertLessEqual(seconds_apart(shown, expected), TIME_TOLERANCE,
                             "网络时间 shows %s, expected about %s (UTC + 8 h + %d s)"
                             % (shown, expected, offset))
        enabled = poll(lambda: program.control("同步")["enabled"], 3.0, 0.2)
        self.assertTrue(enabled, "同步 is still disabled after a reply")
        readings = []
        for _ in range(2):
            time.sleep(2.0)
            value = parse_time(program.text("网络时间"), NETWORK_PREFIX)
            expected = utc_now() + datetime.timedelta(hours=8, seconds=offset)
            self.assertTrue(value, "网络时间 reads %r" % program.text("网络时间"))
            self.assertLessEqual(seconds_apart(value, expected), TIME_TOLERANCE,
                                 "网络时间 shows %s, expected about %s" % (value, expected))
            readings.append(value)
        self.assertGreater(readings[1], readings[0], "网络时间 does not advance between ticks")
        local = parse_time(program.text("本地时间"), LOCAL_PREFIX)
        self.assertTrue(local, "本地时间 reads %r" % program.text("本地时间"))
        self.assertLessEqual(seconds_apart(local, local_now()), TIME_TOLERANCE,
                             "本地时间 shows %s, the clock reads %s" % (local, local_now()))

    def test_no_reply_keeps_waiting_and_fetches_every_five_seconds(self):
        servers = self.serve(["close"], name="close")
        program = self.launch(servers.addresses())
        fetched = poll(lambda: servers.accepted() >= 3, 25.0, 0.5)
        self.assertTrue(fetched, "only %d connections in 25 s (one fetch every 5 s expected)"
                        % servers.accepted())
        self.assertText(program, "网络时间", NETWORK_WAITING)
        self.assertFalse(program.control("同步")["enabled"], "同步 enabled without a reply")
        self.assertAlive(program, "while no server replies")


# ---- Start-up: the temporary-folder rule and the way out ------------------------------------

# A GBK character whose second byte is a backslash: "<char>Temp\" holds the bytes "\Temp\"
# but no character-wise match.
TRAIL_BACKSLASH_CHAR = next(ch for ch in (chr(c) for c in range(0x4E00, 0x9FA5))
                            if len(ch.encode("gbk", "ignore")) == 2 and
                            ch.encode("gbk")[1] == 0x5C)


class StartupTest(WindowCase):

    def test_refuses_to_run_from_a_temp_folder(self):
        folders = [
            os.path.join("e2e", "refuse", "TEMP"),
            os.path.join("e2e", "refuse", "a", "temp", "b"),
            os.path.join("e2e", "refuse", "Temp"),
            os.path.join("users", wine_user(), "Temp", "horvane-e2e"),
        ]
        for folder in folders:
            with self.subTest(folder=folder):
                servers = self.serve(["correct"], offset=3600)
                program = self.launch(servers.addresses(), folder=folder, wait=False)
                dialog = self.wait_dialog(program, FIRST_WINDOW_TIMEOUT)
                self.shot("refusal-%d" % folders.index(folder))
                self.assertInfoMessage(dialog, REFUSAL)
                tree = program.tree()
                self.assertFalse(tree and tree["visible"], "the main window is shown")
                self.close_dialog(program)
                code = program.exit_code(15.0)
                self.assertEqual(code, 0, "exit code after the refusal (None: still running)")

    def test_runs_from_folders_that_only_look_like_temp(self):
        folders = [
            os.path.join("e2e", "run", "Temperature"),
            os.path.join("e2e", "run", "MyTemp", "bin"),
            os.path.join("e2e", "run", TRAIL_BACKSLASH_CHAR + "Temp"),
        ]
        for folder in folders:
            with self.subTest(folder=folder):
                program = self.launch(self.refused_servers(), folder=folder)
                self.assertNoDialog(program, "on start from %s" % folder)
                self.assertTrue(program.tree()["visible"])
                self.click(*program.centre_of("关闭按钮"))
                code = program.exit_code(15.0)
                self.assertEqual(code, 0, "exit code after the close button")


# ---- Sync: the 同步 button ------------------------------------------------------------------

class SyncTest(WindowCase):

    def test_sync_button_is_deaf_before_a_reply(self):
        program = self.launch(self.refused_servers())
        self.assertFalse(program.control("同步")["enabled"], "同步 is enabled before a reply")
        x, y, w, h = PLACES["同步"]
        left, top = program.screen_point(x, y)
        mouse_move(left + w // 2, top + h // 2)
        time.sleep(0.5)
        hovered = self.shot("hover").px(left + 5, top + 24)
        self.assertTrue(is_neutral_grey(hovered), "同步 under the pointer is %s, expected grey"
                        % describe(hovered))
        xdotool("click", 1)
        time.sleep(2.0)
        self.assertNoDialog(program, "after clicking the disabled 同步")
        self.assertAlive(program, "after clicking the disabled 同步")

    def test_sync_failure_message_while_lines_keep_ticking(self):
        # Wine sets no clock that is more than half a second away, so this sync fails.
        servers = self.serve(["correct"], offset=3600)
        program = self.launch(servers.addresses())
        program.wait_reply_shown(self)
        self.assertTrue(poll(lambda: program.control("同步")["enabled"], 3.0, 0.2),
                        "同步 is still disabled after a reply")
        x, y, w, h = PLACES["同步"]
        left, top = program.screen_point(x, y)
        park_mouse()
        time.sleep(0.3)
        body = self.shot("enabled").px(left + 5, top + 24)
        self.assertTrue(is_bluish(body), "同步 enabled shows %s, expected its blue-grey body"
                        % describe(body))
        self.click(left + w // 2, top + h // 2)
        dialog = self.wait_dialog(program)
        self.shot("failed")
        self.assertInfoMessage(dialog, SYNC_FAILED)
        self.assertFalse(program.tree()["enabled"],
                         "the main window accepts input while the message box is open")
        for name, prefix in (("本地时间", LOCAL_PREFIX), ("网络时间", NETWORK_PREFIX)):
            times = self.times_shown(program, name, prefix, 6.0)
            self.assertGreaterEqual(len(times), 2, "%s shows %r while the message box is open"
                                    % (name, program.text(name)))
        self.assertTrue(program.visible_dialogs(), "the message box closed by itself")
        self.close_dialog(program)
        self.assertAlive(program, "after closing the message box")
        self.assertTrue(poll(lambda: program.tree()["enabled"], 5.0, 0.2),
                        "the main window stays disabled after the message box")

    def test_sync_success_message_shows_the_target_time(self):
        # An offset of zero: the network time equals the local clock, which Wine accepts
        # (within half a second) without touching the host clock.
        gmtoff = time.localtime().tm_gmtoff
        servers = self.serve(["correct"], offset=gmtoff - 8 * 3600)
        program = self.launch(servers.addresses())
        program.wait_reply_shown(self)
        self.assertTrue(poll(lambda: program.control("同步")["enabled"], 3.0, 0.2))
        # A reply read just across a second boundary gives an offset of one second, which
        # Wine refuses; one more try after the next recalibration settles that.
        for attempt in range(2):
            self.click(*program.centre_of("同步"))
            dialog = self.wait_dialog(program)
            texts = [bytes.fromhex(c["text_hex"]).decode("gbk", "replace")
                     for c in dialog["children"]]
            message = next((t for t in texts if t.startswith(SYNC_DONE_PREFIX)
                            or t == SYNC_FAILED), None)
            self.shot("message-%d" % attempt)
            self.close_dialog(program)
            park_mouse()
            if message != SYNC_FAILED:
                break
            time.sleep(5.5)
        self.assertTrue(message and message.startswith(SYNC_DONE_PREFIX),
                        "message box texts %r" % texts)
        target = parse_time(message, SYNC_DONE_PREFIX)
        self.assertTrue(target, "success message %r" % message)
        self.assertLessEqual(seconds_apart(target, local_now()), TIME_TOLERANCE + 2,
                             "success message shows %s, the clock reads %s"
                             % (target, local_now()))


# ---- Automatic mode (arrives with the shell and sync work) ----------------------------------

class AutoModeTest(WindowCase):

    def test_auto_shows_note_and_exits_with_0(self):
        servers = self.serve(["correct"], offset=3600)
        program = self.launch(servers.addresses(), tail="auto", wait=False)
        window = ((SCREEN[0] - WINDOW_SIZE[0]) // 2, (SCREEN[1] - WINDOW_SIZE[1]) // 2) + WINDOW_SIZE
        shots = []
        stop = threading.Event()

        def take_shots():
            for i in range(2000):
                if stop.is_set():
                    break
                try:
                    shots.append(Shot("%s-run-%04d" % (self.case_name(), i), crop=window,
                                      save=False))
                except RuntimeError:
                    pass
                time.sleep(0.05)
        shooter = threading.Thread(target=take_shots, daemon=True)
        shooter.start()
        try:
            def note_or_end():
                if not program.alive():
                    return "ended"
                tree = program.tree()
                if tree and len(tree["children"]) == len(NAMES):
                    label = tree["children"][NAMES.index("标签")]
                    if label["text_hex"] == gbk(AUTO_NOTE):
                        return "note"
                return None
            seen = poll(note_or_end, FIRST_WINDOW_TIMEOUT + REPLY_TIMEOUT, 0.05)
            code = program.exit_code(20.0)
        finally:
            stop.set()
            shooter.join(timeout=60)
        self.assertEqual(seen, "note", "标签 never read %r before the end" % AUTO_NOTE)
        self.assertEqual(code, 0, "exit code in automatic mode (None: still running)")
        x, y, w, h = PLACES["标签"]
        left, top = (SCREEN[0] - WINDOW_SIZE[0]) // 2 + x, (SCREEN[1] - WINDOW_SIZE[1]) // 2 + y

        def red_pixels(shot):
            return sum(1 for yy in range(top, top + h) for xx in range(left, left + w)
                       if is_red_dominant(shot.px(xx, yy), margin=80))
        counts = [red_pixels(s) for s in shots]
        best = max(range(len(shots)), key=counts.__getitem__, default=None)
        if best is not None:
            shots[best].save()
        self.assertTrue(best is not None and counts[best] >= 20,
                        "no screenshot of %d shows red text in 标签 (most red pixels: %s)"
                        % (len(shots), max(counts, default=None)))

    def test_only_exact_auto_selects_automatic_mode(self):
        cases = [("AUTO", False), ("/auto", False), ("x auto", False), ('"auto"', True)]
        for tail, automatic in cases:
            with self.subTest(arguments=tail):
                servers = self.serve(["correct"], offset=3600)
                program = self.launch(servers.addresses(), tail=tail, wait=not automatic)
                if automatic:
                    code = program.exit_code(FIRST_WINDOW_TIMEOUT + REPLY_TIMEOUT)
                    self.assertEqual(code, 0, "arguments %s: exit code (None: still running)"
                                     % tail)
                    continue
                program.wait_reply_shown(self)
                time.sleep(3.0)
                self.assertAlive(program, "with arguments %s after a reply" % tail)
                self.assertText(program, "标签", FIXED_TEXTS["标签"])
                program.end()

    def test_auto_without_server_stays_open(self):
        program = self.launch(self.refused_servers(), tail="auto")
        time.sleep(6.5)  # past the first recalibration
        self.assertAlive(program, "in automatic mode without any server")
        self.assertText(program, "网络时间", NETWORK_WAITING)
        self.assertTrue(program.tree()["visible"])


# ---- Shortcuts: the two check boxes ---------------------------------------------------------

SHELL_FOLDERS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"


def shell_folder(value_name):
    """The Unix path of a folder named under Shell Folders, read with Wine's reg."""
    out = subprocess.run(["wine", "reg", "query", SHELL_FOLDERS_KEY, "/v", value_name],
                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, env=WINE_ENV, timeout=120).stdout
    for line in out.decode("utf-8", "replace").splitlines():
        parts = re.split(r"\s{4}", line.strip())
        if len(parts) == 3 and parts[0].lower() == value_name.lower():
            return to_unix_path(parts[2])
    raise AssertionError("no %s value under %s" % (value_name, SHELL_FOLDERS_KEY))


class ShortcutsTest(WindowCase):

    folders = {}

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for value in ("Startup", "Desktop"):
            path = shell_folder(value)
            os.makedirs(path, exist_ok=True)
            cls.folders[value] = path

    def setUp(self):
        super().setUp()
        for path in self.folders.values():
            self.remove_shortcut(path)

    def tearDown(self):
        super().tearDown()
        for path in self.folders.values():
            self.remove_shortcut(path)

    @staticmethod
    def remove_shortcut(folder):
        path = os.path.join(folder, SHORTCUT_NAME)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        elif os.path.lexists(path):
            os.unlink(path)

    def shortcut(self, value):
        return os.path.join(self.folders[value], SHORTCUT_NAME)

    def test_ticking_creates_and_unticking_deletes(self):
        program = self.launch(self.refused_servers())
        for box, value in (("开机", "Startup"), ("桌面", "Desktop")):
            with self.subTest(box=box):
                self.assertEqual(program.control(box).get("check"), 0, "%s ticked" % box)
                self.click(*program.centre_of(box))
                self.assertTrue(poll(lambda: program.control(box).get("check") == 1, 5.0, 0.2),
                                "%s not ticked by a click" % box)
                self.assertTrue(poll(lambda: os.path.isfile(self.shortcut(value)), 5.0, 0.2),
                                "ticking %s wrote no %s" % (box, self.shortcut(value)))
                with open(self.shortcut(value), "rb") as f:
                    data = f.read()
                self.assertTrue(data.startswith(b"\x4c\x00\x00\x00"),
                                "%s is not a shell link" % self.shortcut(value))
                for piece in ("auto", "Horvane.exe"):
                    self.assertTrue(piece.encode("utf-16-le") in data or piece.encode() in data,
                                    "%s lacks %r" % (self.shortcut(value), piece))
        self.assertNoDialog(program, "after ticking the boxes")
        for box, value in (("开机", "Startup"), ("桌面", "Desktop")):
            with self.subTest(box=box, untick=True):
                self.click(*program.centre_of(box))
                self.assertTrue(poll(lambda: program.control(box).get("check") == 0, 5.0, 0.2),
                                "%s not unticked by a second click" % box)
                self.assertTrue(poll(lambda: not os.path.exists(self.shortcut(value)), 5.0, 0.2),
                                "unticking %s left %s" % (box, self.shortcut(value)))

    def test_start_shows_the_shortcuts_present(self):
        for present in (("Startup",), ("Desktop",), ("Startup", "Desktop")):
            with self.subTest(present=present):
                for value in present:
                    with open(self.shortcut(value), "wb") as f:
                        f.write(b"placeholder")
                program = self.launch(self.refused_servers(), folder=self.folder(*present))
                for box, value in (("开机", "Startup"), ("桌面", "Desktop")):
                    self.assertEqual(program.control(box).get("check"),
                                     1 if value in present else 0,
                                     "%s with shortcut files in %r" % (box, present))
                    # Start-up only reads: the files are as they were.
                    self.assertEqual(os.path.exists(self.shortcut(value)), value in present)
                # Unticking deletes a file the program did not write.
                for value in present:
                    box = "开机" if value == "Startup" else "桌面"
                    self.click(*program.centre_of(box))
                    self.assertTrue(poll(lambda: not os.path.exists(self.shortcut(value)),
                                         5.0, 0.2), "unticking %s left its file" % box)
                program.end()

    def test_label_text_and_keyboard(self):
        program = self.launch(self.refused_servers())
        self.click(*program.centre_of("标签1"))
        time.sleep(1.0)
        self.assertEqual(program.control("开机").get("check"), 0,
                         "clicking the text beside 开机 toggled it")
        self.assertFalse(os.path.exists(self.shortcut("Startup")))
        # Tab moves between the two boxes only, Space toggles the focused one.
        self.click(*program.screen_point(200, 160))
        order = []
        for _ in range(3):
            xdotool("key", "Tab")
            time.sleep(0.3)
            xdotool("key", "space")
            ticked = poll(lambda: [n for n in ("开机", "桌面") if program.control(n).get("check")],
                          5.0, 0.2)
            self.assertEqual(len(ticked), 1, "Tab and Space ticked %r" % ticked)
            order.append(ticked[0])
            value = "Startup" if ticked[0] == "开机" else "Desktop"
            self.assertTrue(poll(lambda: os.path.isfile(self.shortcut(value)), 5.0, 0.2),
                            "Space on %s wrote no shortcut" % ticked[0])
            xdotool("key", "space")
            self.assertTrue(poll(lambda: not program.control(ticked[0]).get("check"), 5.0, 0.2))
        self.assertEqual(len(set(order[:2])), 2, "Tab did not move to the other box: %r" % order)
        self.assertEqual(order[2], order[0], "Tab left the two boxes: %r" % order)


# ---- Module set-up ---------------------------------------------------------------------------

WINE_ENV = None


def setUpModule():
    global PROBE, WINE_ENV, GRABBER
    if not os.environ.get("DISPLAY"):
        raise RuntimeError("no DISPLAY: run through tools/test-windows.sh")
    WINE_ENV = wine_environment()
    for tool in ("xdotool", "wine"):
        if shutil.which(tool) is None:
            raise RuntimeError("%s is not installed" % tool)
    GRABBER = ScreenGrabber()
    keep_user_folders_in_prefix()
    PROBE = Probe(WINE_ENV)
    park_mouse()


def tearDownModule():
    if PROBE is not None:
        PROBE.close()


def main():
    global CONFIG
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    CONFIG, rest = parser.parse_known_args()
    CONFIG.build = os.path.abspath(CONFIG.build)
    for path in (CONFIG.exe, CONFIG.probe, os.path.join(CONFIG.tools, "daytime_server.py")):
        if not os.path.exists(path):
            print("missing: %s" % path, file=sys.stderr)
            return 1
    sys.stdout.reconfigure(line_buffering=True)
    program = unittest.main(module=__name__, argv=[sys.argv[0]] + rest, exit=False,
                            verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
