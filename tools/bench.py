#!/usr/bin/env python3
"""Benchmarks of Horvane under Wine, one table:

  startup     time from starting Horvane.exe (through the window probe) to the first network
              time in its window, one loopback server answering: the first start in the
              prefix, and the median of --runs starts after it
  idle CPU    CPU seconds per minute of the Horvane process while it idles with a reply every
              5 s, from /proc/PID/stat (utime + stime) over --idle-seconds; the prefix's
              wineserver's CPU over the same time is given separately
  memory      private memory (RssAnon; smaps_rollup Private_* in brackets) of Horvane, and of
              a minimal Win32 program (tests/release/minimal_win32.cpp) started the same way,
              each measured --settle seconds after its window is shown; median of --runs
  auto wait   CPU of automatic mode's one-second wait (tests/app/bench_wait.exe)

  failover    the medians of tools/bench-fetch.sh's output (--fetch-output), run before
  size        the release exe and zip (--release)

Run by tools/bench.sh (display, Wine prefix); prints the table and writes it to --out.
"""

import argparse
import os
import re
import subprocess
import sys
import time

import horvane_harness as hh


def wait_for(check, timeout, interval):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = check()
        if result:
            return result
        time.sleep(interval)
    return None


def startup_times(probe, args, servers):
    """Seconds from `run` to the first network time shown, one per run (None: not shown); the
    first run is the program's first start in the prefix."""
    path = hh.place_program(args.build, "bench", args.exe, servers.addresses())
    times = []
    for run in range(args.runs + 1):
        program = hh.Program(probe, args.build, path)
        try:
            shown = wait_for(lambda: hh.parse_network_time(program.network_line() or ""),
                             30.0, 0.02)
            elapsed = time.monotonic() - program.started
            times.append(elapsed if shown else None)
            print("bench: startup run %d: %s" % (
                run + 1, "%.2f s" % elapsed if shown else "no network time within 30 s"),
                flush=True)
        finally:
            program.end()
        time.sleep(1.0)
    return times


def idle_cpu(probe, args, servers):
    """(Horvane CPU s per minute, wineserver CPU s per minute, connections the server
    accepted per minute), or None."""
    path = hh.place_program(args.build, "bench", args.exe, servers.addresses())
    program = hh.Program(probe, args.build, path)
    try:
        if not wait_for(lambda: hh.parse_network_time(program.network_line() or ""), 30.0, 0.2):
            return None
        server = hh.wineserver_pid(os.path.join(args.build, "wineprefix"))
        time.sleep(5.0)  # past start-up; no probe calls from here on
        start = time.monotonic()
        a, s0, c0 = hh.sample(program.unix_pid), hh.sample(server), servers.accepted()
        time.sleep(args.idle_seconds)
        b, s1, c1 = hh.sample(program.unix_pid), hh.sample(server), servers.accepted()
        per_minute = 60.0 / (time.monotonic() - start)
        if None in (a, b, s0, s1):
            return None
        return ((b["cpu_s"] - a["cpu_s"]) * per_minute, (s1["cpu_s"] - s0["cpu_s"]) * per_minute,
                (c1 - c0) * per_minute)
    finally:
        program.end()


def memory(probe, args, exe, folder, servers=None):
    """(RssAnon KiB, smaps private KiB) medians over the runs, for one program."""
    path = hh.place_program(args.build, folder, exe,
                            servers.addresses() if servers is not None else None)
    anon, private = [], []
    for _ in range(args.runs):
        program = hh.Program(probe, args.build, path)
        try:
            shown = wait_for(lambda: (lambda w: w and w["visible"])(program.main_window()),
                             30.0, 0.2)
            if not shown or program.unix_pid is None:
                continue
            time.sleep(args.settle)
            record = hh.sample(program.unix_pid)
            if record:
                anon.append(record["private_kib"])
                private.append(hh.private_memory_kib(program.unix_pid))
        finally:
            program.end()
        time.sleep(1.0)
    return hh.median(anon), hh.median([p for p in private if p is not None])


def auto_wait(args):
    """bench_wait.exe's own mean and worst CPU share of the one-second wait (GetProcessTimes),
    and the share /proc gives for its process from the end of its first round to the end of
    its last, in percent; None if it failed."""
    process = subprocess.Popen(["wine", args.bench_wait, "10"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                               universal_newlines=True)
    rounds = []  # (monotonic time, CPU seconds) as each round's line arrives
    own = None
    for line in process.stdout:
        if line.startswith("round "):
            record = hh.sample(process.pid)
            if record:
                rounds.append((time.monotonic(), record["cpu_s"]))
        match = re.search(r"mean ([\d.]+) %, worst ([\d.]+) %", line)
        if match:
            own = (float(match.group(1)), float(match.group(2)))
    process.wait(timeout=60)
    if own is None or len(rounds) < 2:
        return None
    (t0, cpu0), (t1, cpu1) = rounds[0], rounds[-1]
    return own + (100.0 * (cpu1 - cpu0) / (t1 - t0),)


def failover_rows(path):
    """Table rows from the output of tools/bench-fetch.sh."""
    rows = []
    try:
        with open(path) as f:
            text = f.read()
    except OSError:
        return [("failover (tools/bench-fetch.sh)", "failed: no output")]
    for k, med, low, high in re.findall(
            r"^  k=(\d)  median +([\d.]+)  min +([\d.]+)  max +([\d.]+)$", text, re.M):
        rows.append(("failover, %s black-holed ahead: StartFetch to reply (median, min-max)" % k,
                     "%s ms (%s-%s)" % (med, low, high)))
    for when in ("before fetching", "after 60 s every 5 s, all five black-holed",
                 "after 30 s more, servers back", "when the last fetch has ended"):
        match = re.search(r"^%s +threads +(\d+) \(peak +(\d+)\)  sockets +(\d+) \(peak +(\d+)\)"
                          % re.escape(when), text, re.M)
        if match:
            rows.append(("failover benchmark, %s" % when,
                         "threads %s (peak %s), sockets %s (peak %s)" % match.groups()))
    match = re.search(r"^valid replies after the servers returned +(\d+) of (\d+)", text, re.M)
    if match:
        rows.append(("failover benchmark, valid replies after the servers returned",
                     "%s of %s fetches" % match.groups()))
    if len(rows) < 5:
        rows.append(("failover (tools/bench-fetch.sh)", "failed: see %s" % path))
    return rows


def size_rows(release):
    rows = []
    for name in ("Horvane.exe", "Horvane.zip"):
        path = os.path.join(release, name)
        if os.path.exists(path):
            size = os.path.getsize(path)
            rows.append(("size of release/%s" % name, "%d bytes (%.1f KiB)" % (size, size / 1024)))
        else:
            rows.append(("size of release/%s" % name, "failed: not built"))
    return rows


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--minimal", required=True, help="minimal_win32.exe")
    parser.add_argument("--probe", required=True)
    parser.add_argument("--bench-wait", required=True)
    parser.add_argument("--build", required=True, help="folder of the Wine prefix")
    parser.add_argument("--fetch-output", required=True, help="output of tools/bench-fetch.sh")
    parser.add_argument("--release", required=True, help="the release build folder")
    parser.add_argument("--out", required=True, help="file for the table (Markdown)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=60.0)
    parser.add_argument("--settle", type=float, default=10.0)
    args = parser.parse_args(argv)
    args.build = os.path.abspath(args.build)

    env = hh.wine_environment(args.build)
    os.environ.update(env)
    servers = hh.Servers(os.path.join(args.build, "bench-servers"), ["correct"], 0, lifetime=1800)
    probe = hh.Probe(args.probe, env, os.path.join(args.build, "bench-probe.log"))
    rows = failover_rows(args.fetch_output)
    try:
        first, *later = startup_times(probe, args, servers)
        times = [t for t in later if t is not None]
        rows.append(("start to first network time, first start in the prefix",
                     "%.2f s" % first if first is not None else "not shown"))
        rows.append(("start to first network time, next starts (median of %d, min-max)"
                     % len(times), "%.2f s (%.2f-%.2f)" % (hh.median(times), min(times),
                                                           max(times)) if times else "not shown"))
        cpu = idle_cpu(probe, args, servers)
        rows.append(("idle CPU, reply every 5 s: Horvane",
                     "%.3f s per minute (%.3f %% of one core; %.0f replies per minute)" % (
                         cpu[0], cpu[0] / 0.6, cpu[2]) if cpu else "failed"))
        rows.append(("idle CPU, reply every 5 s: wineserver, same minute",
                     "%.3f s per minute (%.3f %% of one core)" % (cpu[1], cpu[1] / 0.6)
                     if cpu else "failed"))
        horvane = memory(probe, args, args.exe, "bench", servers)
        minimal = memory(probe, args, args.minimal, "bench-minimal")
        rows.append(("private memory: Horvane, RssAnon [smaps Private]",
                     "%d KiB [%d KiB]" % horvane if None not in horvane else "failed"))
        rows.append(("private memory: minimal Win32 window, RssAnon [smaps Private]",
                     "%d KiB [%d KiB]" % minimal if None not in minimal else "failed"))
        if None not in horvane and None not in minimal:
            rows.append(("private memory: Horvane / minimal window",
                         "%.2f [%.2f]" % (horvane[0] / minimal[0], horvane[1] / minimal[1])))
    finally:
        probe.close()
        servers.stop()
    wait = auto_wait(args)
    rows.append(("automatic mode's one-second wait: CPU, mean and worst of 10 (by /proc)",
                 "%.2f %%, %.2f %% of one core (%.2f %%)" % wait if wait else "failed"))
    rows += size_rows(args.release)
    table = "| measure | result |\n|---|---|\n" + "".join("| %s | %s |\n" % row for row in rows)
    with open(args.out, "w") as f:
        f.write(table)
    print("\n" + table)
    return 0 if all("failed" not in v and "not shown" not in v for _, v in rows) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
