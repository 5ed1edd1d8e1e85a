"""Shared pieces of the soak run and the benchmarks (tools/soak.py, tools/bench.py): Horvane or
another Windows program in a build folder's Wine prefix, started through the e2e window probe
(tests/e2e/probe.cpp), its window texts read through the probe, and its Wine process measured
from /proc (memory, threads, sockets, CPU time). Loopback Daytime servers come from
tools/daytime_server.py. Python standard library only; runs under a display (with-display.sh)
with the prefix booted (wine-prefix.sh boot).
"""

import datetime
import json
import os
import queue
import re
import shutil
import subprocess
import sys
import threading
import time

TOOLS = os.path.dirname(os.path.abspath(__file__))
NETWORK_PREFIX = "当前网络时间: "
NETWORK_WAITING = "当前网络时间: 获取中..."
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
PAGE_KIB = os.sysconf("SC_PAGE_SIZE") // 1024


def wine_environment(build):
    """The environment of tools/wine-env.sh for a build folder, with this process's display."""
    out = subprocess.run(["bash", "-c", '. "$1/wine-env.sh" "$2" && env -0', "_", TOOLS, build],
                         check=True, stdout=subprocess.PIPE).stdout
    env = {}
    for item in out.split(b"\0"):
        if b"=" in item:
            key, value = item.split(b"=", 1)
            env[key.decode()] = value.decode()
    return env


def drive_c(build):
    return os.path.join(os.path.abspath(build), "wineprefix", "drive_c")


def parse_network_time(text):
    """The date-time of a network line, or None (still waiting, or not a time)."""
    if not text.startswith(NETWORK_PREFIX):
        return None
    match = re.fullmatch(r"(\d{3,4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})",
                         text[len(NETWORK_PREFIX):])
    return datetime.datetime(*map(int, match.groups())) if match else None


def expected_network_time(offset):
    """What the network line should show when the servers answer `offset` seconds ahead:
    UTC now plus the offset plus eight hours (whole seconds, as the program shows them)."""
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
    return now + datetime.timedelta(seconds=offset, hours=8)


class ProbeError(Exception):
    pass


class Probe:
    """probe.exe in serve mode: one command line in, one JSON line out. Calls from several
    threads are taken one at a time. A failed "post" or "send" (the window may be gone) is
    returned, not raised."""

    def __init__(self, probe_exe, env, log_path, cwd=None):
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(["wine", probe_exe, "serve"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=self.log, env=env,
                                        cwd=cwd)
        self.lines = queue.Queue()
        # Wine's services may inherit the pipe: read lines, never wait for the end.
        threading.Thread(target=self._read, daemon=True).start()
        self.lock = threading.Lock()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line)

    def call(self, *args, timeout=30.0):
        line = "\t".join(str(a) for a in args) + "\n"
        with self.lock:
            self.process.stdin.write(line.encode("gbk"))  # the probe reads code page 936
            self.process.stdin.flush()
            try:
                answer = self.lines.get(timeout=timeout)
            except queue.Empty:
                raise ProbeError("no answer to %r within %.0f s" % (args, timeout))
        result = json.loads(answer.decode("utf-8"))
        if not result.get("ok", False) and args[0] not in ("post", "send"):
            raise ProbeError("%r failed: %s" % (args, result.get("error")))
        return result

    def close(self):
        try:
            self.call("quit", timeout=10)
            self.process.wait(timeout=10)
        except (ProbeError, OSError, subprocess.TimeoutExpired):
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait(timeout=10)
        self.log.close()


def window_text(window):
    return bytes.fromhex(window["text_hex"]).decode("gbk", "replace")


class Servers:
    """Loopback Daytime servers of tools/daytime_server.py in a folder of their own."""

    def __init__(self, folder, modes, offset, lifetime):
        self.dir = os.path.abspath(folder)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self._tool("start", "--lifetime", str(lifetime), "--offset", str(offset), *modes)
        with open(os.path.join(self.dir, "ports.txt")) as f:
            self.ports = [int(line.split()[1]) for line in f if line.strip()]
        self.offset = offset

    def _tool(self, *args):
        subprocess.run([sys.executable, os.path.join(TOOLS, "daytime_server.py"), args[0],
                        "--dir", self.dir] + list(args[1:]),
                       check=True, timeout=30, stdout=subprocess.DEVNULL)

    def addresses(self):
        return ["127.0.0.1:%d" % port for port in self.ports]

    def accepted(self):
        """Connections accepted so far."""
        try:
            with open(os.path.join(self.dir, "accepts.log")) as f:
                return sum(1 for line in f if line.strip())
        except OSError:
            return 0

    def set(self, modes, offset=None):
        extra = [] if offset is None else ["--offset", str(offset)]
        self._tool("set", *extra, *modes)
        if offset is not None:
            self.offset = offset

    def stop(self):
        self._tool("stop")


def place_program(build, folder, exe, servers=None):
    """Copies exe into drive_c/<folder> with a Horvane.ini naming `servers` (addresses);
    returns the Windows path of the copy."""
    target = os.path.join(drive_c(build), folder)
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    name = os.path.basename(exe)
    shutil.copy2(exe, os.path.join(target, name))
    if servers is not None:
        lines = ["[Servers]"] + ["Server%d=%s" % (i + 1, s) for i, s in enumerate(servers)]
        with open(os.path.join(target, "Horvane.ini"), "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
    return "C:\\%s\\%s" % (folder.replace("/", "\\"), name)


def unix_pid_of(windows_path, prefix, timeout=10.0):
    """The Linux pid of the Wine process running `windows_path` in the Wine prefix `prefix`:
    Wine shows the Windows command line as the process's command line."""
    wanted_cmd = windows_path.lower().encode()
    wanted_env = b"WINEPREFIX=" + os.path.abspath(prefix).encode()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    argv0 = f.read().split(b"\0")[0].lower()
                if argv0 != wanted_cmd:
                    continue
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if wanted_env in f.read().split(b"\0"):
                        return int(entry)
            except OSError:
                continue
        time.sleep(0.2)
    return None


def wineserver_pid(prefix):
    """The Linux pid of the prefix's wineserver (found by its WINEPREFIX), or None."""
    wanted_env = b"WINEPREFIX=" + os.path.abspath(prefix).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if not f.read().strip().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if wanted_env in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def tcp_inodes():
    """Socket inodes of TCP sockets (IPv4 and IPv6) of this network namespace."""
    inodes = set()
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as f:
                next(f)
                for line in f:
                    fields = line.split()
                    if len(fields) > 9:
                        inodes.add(fields[9])
        except OSError:
            continue
    return inodes


def socket_inodes(pid):
    """Inodes of the socket descriptors of a Linux process (empty if it has ended)."""
    inodes = []
    try:
        fds = os.listdir("/proc/%d/fd" % pid)
    except OSError:
        return inodes
    for fd in fds:
        try:
            link = os.readlink("/proc/%d/fd/%s" % (pid, fd))
        except OSError:
            continue
        if link.startswith("socket:["):
            inodes.append(link[8:-1])
    return inodes


def sample(pid, server_pid=None):
    """Memory (KiB), threads, sockets and CPU seconds of a Wine process, or None if it has
    ended. private_kib: RssAnon (its private anonymous pages: heaps, stacks); sockets: its
    socket descriptors (Wine's own Unix sockets included); tcp: the TCP sockets open for it.
    Wine keeps the Unix descriptor of a Windows socket in the wineserver (`server_pid`), so
    those are counted there: the wineserver of a prefix in which only this program uses
    sockets."""
    try:
        with open("/proc/%d/status" % pid) as f:
            status = dict(line.split(":", 1) for line in f if ":" in line)
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    if "RssAnon" not in status:
        return None  # ending: its memory is gone already
    own = socket_inodes(pid)
    held = set(own) | (set(socket_inodes(server_pid)) if server_pid else set())
    return {
        "private_kib": int(status["RssAnon"].split()[0]),
        "rss_kib": int(status["VmRSS"].split()[0]),
        "threads": int(status["Threads"]),
        "sockets": len(own),
        "tcp": len(held & tcp_inodes()),
        "cpu_s": (int(stat[11]) + int(stat[12])) / CLOCK_TICKS,  # utime + stime
    }


def private_memory_kib(pid):
    """Private_Clean + Private_Dirty of smaps_rollup (all private pages, file-backed ones
    included), or None."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            fields = dict(line.split(":", 1) for line in f if ":" in line)
        return sum(int(fields[k].split()[0]) for k in ("Private_Clean", "Private_Dirty"))
    except (OSError, KeyError):
        return None


class Program:
    """One program started through the probe, with its Windows and Linux pids."""

    def __init__(self, probe, build, windows_path, tail=""):
        self.probe = probe
        self.windows_path = windows_path
        self.started = time.monotonic()
        self.pid = probe.call("run", windows_path, tail, "")["pid"]
        self.unix_pid = unix_pid_of(windows_path, os.path.join(build, "wineprefix"))
        self.network_hwnd = None

    def alive(self):
        return not self.probe.call("wait", self.pid, 0)["exited"]

    def end(self):
        if self.alive():
            self.probe.call("kill", self.pid)

    def main_window(self):
        result = self.probe.call("tree", self.pid)
        return result["window"] if result["found"] else None

    def network_line(self):
        """The text of the network-time line (网络时间), or None while it is not there."""
        if self.network_hwnd is not None:
            result = self.probe.call("window", self.network_hwnd)
            if result["found"]:
                return window_text(result["window"])
            self.network_hwnd = None
        window = self.main_window()
        for child in (window or {}).get("children", []):
            text = window_text(child)
            if text.startswith(NETWORK_PREFIX):
                self.network_hwnd = child["hwnd"]
                return text
        return None


def median(values):
    values = sorted(values)
    if not values:
        return None
    middle = len(values) // 2
    return values[middle] if len(values) % 2 else (values[middle - 1] + values[middle]) / 2
