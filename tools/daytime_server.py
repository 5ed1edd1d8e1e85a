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
  daytime_server.py set   --dir DIR [--offset S] MODE...
      switches the running servers of DIR to other modes, one MODE per listener in the order
      they were started ("-" keeps a listener as it is), and to another offset if given;
      returns once the servers have switched. Each listener keeps its port.

DIR receives ports.txt ("MODE PORT" per listener, in argument order, as started), accepts.log
(one line "PORT MODE" per accepted connection, written when it is accepted), pid, server.log,
and modes.txt: the modes in force ("generation N", "offset S", then "MODE PORT" per listener),
rewritten at start and after every switch. `set` writes DIR/control for the servers to read.
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


def bound_socket(port):
    """A TCP socket bound to 127.0.0.1:port (0: a free port), not yet listening. Address reuse
    lets a listener that switches modes bind its port again while old connections linger."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", port))
    return sock


class Listener:
    """One port of the server in one mode. Accepting modes listen and are watched by the
    selector (its data is the mode); `blackhole` listens with a full accept queue; `refused`
    is bound and not listening. Switching between these kinds closes the socket and binds the
    same port again."""

    def __init__(self, mode, selector):
        self.selector = selector
        self.sock = bound_socket(0)
        self.port = self.sock.getsockname()[1]
        self.mode = None
        self.fillers = []
        self.enter(mode)

    @staticmethod
    def kind(mode):
        return mode if mode in ("blackhole", "refused") else "accepting"

    def enter(self, mode):
        """Puts the bound, idle socket into `mode`."""
        if mode == "blackhole":
            self.sock.listen(0)
            for _ in range(3):
                filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                filler.setblocking(False)
                filler.connect_ex(("127.0.0.1", self.port))
                self.fillers.append(filler)
        elif mode != "refused":
            self.sock.listen(16)
            self.sock.setblocking(False)
            self.selector.register(self.sock, selectors.EVENT_READ, mode)
        self.mode = mode

    def revive(self):
        """A black hole starts answering like `correct` (the queued fillers are accepted too)."""
        for filler in self.fillers:
            filler.close()
        self.fillers = []
        self.sock.setblocking(False)
        self.selector.register(self.sock, selectors.EVENT_READ, "correct")
        self.mode = "correct"

    def switch(self, mode):
        """True once the listener is in `mode`; False if its port could not be bound again
        (the caller tries later)."""
        if mode == self.mode:
            return True
        if self.mode is not None and self.kind(mode) == self.kind(self.mode) == "accepting":
            self.selector.modify(self.sock, selectors.EVENT_READ, mode)
            self.mode = mode
            return True
        if self.mode is not None:
            if self.kind(self.mode) == "accepting":
                self.selector.unregister(self.sock)
            for filler in self.fillers:
                filler.close()
            self.fillers = []
            self.sock.close()
            self.mode = None
        try:
            self.sock = bound_socket(self.port)
        except OSError:
            return False
        self.enter(mode)
        return True


def read_control(path, count):
    """The switch request in DIR/control: (generation, offset or None, modes) or None."""
    try:
        with open(path) as f:
            lines = [line.strip() for line in f if line.strip()]
        generation = int(lines[0].split()[1])
        offset = None
        if len(lines) > 1 and lines[1].startswith("offset "):
            offset = float(lines[1].split()[1])
            lines = lines[1:]
        modes = lines[1:]
    except (OSError, IndexError, ValueError):
        return None
    if len(modes) != count or any(m != "-" and m not in MODES for m in modes):
        return None
    return generation, offset, modes


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
    control_path = os.path.join(args.dir, "control")
    modes_path = os.path.join(args.dir, "modes.txt")
    for path in (revive_path, control_path, modes_path):
        if os.path.exists(path):
            os.remove(path)
    log = open(os.path.join(args.dir, "accepts.log"), "w", buffering=1)
    log_lock = threading.Lock()

    # A refused listener is bound, so no one else takes its port, and never listens.
    selector = selectors.DefaultSelector()
    listeners = [Listener(mode, selector) for mode in args.modes]

    def write_modes(generation):
        write_atomically(modes_path, "generation %d\noffset %s\n" % (generation, args.offset) +
                         "".join("%s %d\n" % (l.mode, l.port) for l in listeners))

    with open(os.path.join(args.dir, "pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    write_modes(0)
    write_atomically(ports_path, "".join("%s %d\n" % (m, l.port)
                                         for m, l in zip(args.modes, listeners)))

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    end = time.monotonic() + args.lifetime
    revived = False
    applied = 0  # generation of the last switch carried out
    pending = None  # a switch whose ports could not all be bound yet
    while not stop.is_set() and time.monotonic() < end:
        if not revived and os.path.exists(revive_path):
            revived = True
            for listener in listeners:
                if listener.mode == "blackhole":
                    listener.revive()
            write_modes(applied)
        request = pending or read_control(control_path, len(listeners))
        if request and request[0] > applied:
            generation, offset, modes = request
            if offset is not None:
                args.offset = offset
            done = [m == "-" or l.switch(m) for l, m in zip(listeners, modes)]
            pending = None if all(done) else request
            if pending is None:
                applied = generation
                write_modes(generation)
                print("generation %d: offset %s, %s" % (
                    generation, args.offset, " ".join(l.mode for l in listeners)), flush=True)
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


def set_modes(args):
    """Asks the running servers of DIR to switch, and waits until they have."""
    if pid_of(args.dir) is None:
        print("no daytime servers running for %s" % args.dir, file=sys.stderr)
        return 1
    modes_path = os.path.join(args.dir, "modes.txt")

    def generation_in_force():
        try:
            with open(modes_path) as f:
                return int(f.readline().split()[1])
        except (OSError, IndexError, ValueError):
            return 0

    with open(modes_path) as f:
        count = len([line for line in f if line.strip()]) - 2
    if len(args.modes) != count:
        print("the servers of %s have %d listeners, not %d" % (args.dir, count, len(args.modes)),
              file=sys.stderr)
        return 2
    generation = generation_in_force() + 1
    text = "generation %d\n" % generation
    if args.offset is not None:
        text += "offset %s\n" % args.offset
    text += "".join(m + "\n" for m in args.modes)
    write_atomically(os.path.join(args.dir, "control"), text)
    for _ in range(100):
        if generation_in_force() >= generation:
            return 0
        time.sleep(0.1)
    print("daytime servers of %s did not switch within 10 s" % args.dir, file=sys.stderr)
    return 1


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
    parser.add_argument("command", choices=("start", "run", "stop", "set"))
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=600.0)
    parser.add_argument("--offset", type=float, default=None)
    parser.add_argument("--pause", type=float, default=0.3)
    parser.add_argument("modes", nargs="*", metavar="MODE")
    args = parser.parse_intermixed_args(argv)
    for mode in args.modes:
        if mode not in MODES and not (args.command == "set" and mode == "-"):
            parser.error("unknown MODE %r (one of %s)" % (mode, ", ".join(MODES)))
    args.dir = os.path.abspath(args.dir)
    if args.command == "stop":
        return stop(args)
    if not args.modes:
        parser.error("no MODE given")
    if args.command == "set":
        return set_modes(args)
    if args.offset is None:
        args.offset = 0.0
    if args.command == "start":
        return start(args)
    return run(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
