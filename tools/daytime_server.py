#!/usr/bin/env python3
"""Loopback Daytime servers (RFC 867) for testing and benchmarking Horvane's fetch.

Each MODE argument opens one listener on a free port of 127.0.0.1 (a mode may be repeated):

  correct    sends one NIST line for now (UTC) plus --offset seconds, then closes
  split      the same line in two writes with --pause seconds between them
  garbage    a line of junk (with a zero byte and GBK-looking bytes), then closes
  flood      sends 'x' without end (no line feed) until the client goes
  silent     accepts and never sends; closes when the client does
  close      accepts and closes at once
  truncated  the first part of a NIST line, then closes
  blank      line feeds only, then closes
  unhealthy  a NIST line whose health digit is 2, then closes
  blackhole  a listener with backlog 0 whose accept queue this server fills itself and never
             accepts: connects to it hang until the client gives up. Once the file
             DIR/revive exists it accepts and answers like `correct` ("the servers return").
  refused    a port that is bound but not listening: connects are refused

Usage:
  daytime_server.py start --dir DIR [--lifetime S] [--offset S] [--pause S] MODE...
      starts the servers in the background and returns once they listen
  daytime_server.py run   --dir DIR ...   the same in the foreground
  daytime_server.py stop  --dir DIR       ends the servers started for DIR (by their pid)

DIR receives ports.txt ("MODE PORT" per listener, in argument order), accepts.log (one line
"PORT MODE" per accepted connection, written when it is accepted), pid, and server.log.
The servers end by themselves after --lifetime seconds (600 by default).
"""

import argparse
import datetime
import os
import selectors
import signal
import socket
import subprocess
import sys
import threading
import time

MODES = (
    "correct", "split", "garbage", "flood", "silent", "close", "truncated", "blank",
    "unhealthy", "blackhole", "refused",
)
HOLD_LIMIT = 60.0  # longest a silent or flooding connection is kept, in seconds
FLOOD_LIMIT = 64 * 1024 * 1024  # most bytes a flood sends


def nist_line(offset, health=0):
    now = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(seconds=offset)
    mjd = (now.date() - datetime.date(1858, 11, 17)).days
    return ("\n%05d %s %02d 0 %d %5.1f UTC(NIST) *\n" % (
        mjd, now.strftime("%y-%m-%d %H:%M:%S"), 0, health, 45.0)).encode("ascii")


def hold_until_peer_closes(conn, deadline):
    conn.settimeout(0.2)
    while time.monotonic() < deadline:
        try:
            if not conn.recv(1024):
                return
        except socket.timeout:
            continue
        except OSError:
            return


def serve(conn, mode, args):
    try:
        if mode == "correct":
            conn.sendall(nist_line(args.offset))
        elif mode == "split":
            line = nist_line(args.offset)
            half = len(line) // 2
            conn.sendall(line[:half])
            time.sleep(args.pause)
            conn.sendall(line[half:])
        elif mode == "garbage":
            conn.sendall(b"\nHELLO \x00 world \xb5\xc8 12-34-56 77:88:99 not a time\r\n")
        elif mode == "flood":
            deadline = time.monotonic() + HOLD_LIMIT
            chunk = b"x" * 4096
            sent = 0
            conn.settimeout(1.0)
            while sent < FLOOD_LIMIT and time.monotonic() < deadline:
                try:
                    sent += conn.send(chunk)
                except socket.timeout:
                    continue
        elif mode == "silent":
            hold_until_peer_closes(conn, time.monotonic() + HOLD_LIMIT)
        elif mode == "close":
            pass
        elif mode == "truncated":
            conn.sendall(nist_line(args.offset)[:20])
        elif mode == "blank":
            conn.sendall(b"\n\n")
        elif mode == "unhealthy":
            conn.sendall(nist_line(args.offset, health=2))
    except OSError:
        pass  # the client went away
    finally:
        conn.close()


class BlackHole:
    """A listener whose accept queue is full: further connects hang."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(0)
        self.port = self.listener.getsockname()[1]
        self.fillers = []
        for _ in range(3):
            filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            filler.setblocking(False)
            filler.connect_ex(("127.0.0.1", self.port))
            self.fillers.append(filler)

    def revive(self):
        for filler in self.fillers:
            filler.close()
        self.fillers = []
        self.listener.setblocking(False)


def write_atomically(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def run(args):
    os.makedirs(args.dir, exist_ok=True)
    ports_path = os.path.join(args.dir, "ports.txt")
    if os.path.exists(ports_path):
        os.remove(ports_path)
    revive_path = os.path.join(args.dir, "revive")
    if os.path.exists(revive_path):
        os.remove(revive_path)
    log = open(os.path.join(args.dir, "accepts.log"), "w", buffering=1)
    log_lock = threading.Lock()

    selector = selectors.DefaultSelector()
    holes = []
    keep = []
    lines = []
    for mode in args.modes:
        if mode == "blackhole":
            hole = BlackHole()
            holes.append(hole)
            port = hole.port
        else:
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.bind(("127.0.0.1", 0))
            port = sock.getsockname()[1]
            if mode == "refused":
                keep.append(sock)  # bound, so no one else takes the port; never listening
            else:
                sock.listen(16)
                sock.setblocking(False)
                selector.register(sock, selectors.EVENT_READ, mode)
        lines.append("%s %d\n" % (mode, port))

    with open(os.path.join(args.dir, "pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    write_atomically(ports_path, "".join(lines))

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    end = time.monotonic() + args.lifetime
    revived = False
    while not stop.is_set() and time.monotonic() < end:
        if not revived and holes and os.path.exists(revive_path):
            revived = True
            for hole in holes:
                hole.revive()
                selector.register(hole.listener, selectors.EVENT_READ, "correct")
        for key, _ in selector.select(timeout=0.1):
            try:
                conn, _ = key.fileobj.accept()
            except OSError:
                continue
            conn.setblocking(True)
            with log_lock:
                log.write("%d %s\n" % (key.fileobj.getsockname()[1], key.data))
            threading.Thread(target=serve, args=(conn, key.data, args), daemon=True).start()
    return 0


def pid_of(directory):
    try:
        with open(os.path.join(directory, "pid")) as f:
            pid = int(f.read().strip())
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            cmdline = f.read().split(b"\0")
    except (OSError, ValueError):
        return None
    # Only a server started for this very folder: a reused pid is left alone.
    if any(arg.endswith(b"daytime_server.py") for arg in cmdline) and \
            os.path.abspath(directory).encode() in cmdline:
        return pid
    return None


def start(args):
    os.makedirs(args.dir, exist_ok=True)
    stop(args)
    ports_path = os.path.join(args.dir, "ports.txt")
    if os.path.exists(ports_path):
        os.remove(ports_path)
    run_argv = [sys.executable, os.path.abspath(__file__), "run", "--dir", args.dir,
                "--lifetime", str(args.lifetime), "--offset", str(args.offset),
                "--pause", str(args.pause)] + list(args.modes)
    with open(os.path.join(args.dir, "server.log"), "w") as err:
        proc = subprocess.Popen(run_argv, stdin=subprocess.DEVNULL, stdout=err, stderr=err,
                                start_new_session=True, close_fds=True)
    for _ in range(100):
        if os.path.exists(ports_path):
            print("daytime servers (pid %d) listening: %s" % (proc.pid, ports_path))
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    print("daytime servers did not start; see %s/server.log" % args.dir, file=sys.stderr)
    if proc.poll() is None:
        proc.terminate()
    return 1


def stop(args):
    pid = pid_of(args.dir)
    if pid is None:
        return 0
    os.kill(pid, signal.SIGTERM)
    for _ in range(50):
        if pid_of(args.dir) is None:
            break
        time.sleep(0.1)
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", choices=("start", "run", "stop"))
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=600.0)
    parser.add_argument("--offset", type=float, default=0.0)
    parser.add_argument("--pause", type=float, default=0.3)
    parser.add_argument("modes", nargs="*", metavar="MODE")
    args = parser.parse_intermixed_args(argv)
    for mode in args.modes:
        if mode not in MODES:
            parser.error("unknown MODE %r (one of %s)" % (mode, ", ".join(MODES)))
    args.dir = os.path.abspath(args.dir)
    if args.command == "stop":
        return stop(args)
    if not args.modes:
        parser.error("no MODE given")
    if args.command == "start":
        return start(args)
    return run(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
