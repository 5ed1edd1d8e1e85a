#!/usr/bin/env python3
"""Soak run of Horvane: the program runs for --minutes under Wine while its five loopback
Daytime servers cycle through answering, black-holed, refusing, silent, garbage, flooding and
split-line phases. Every --interval seconds the Wine process of Horvane.exe is sampled (private
memory RssAnon, threads, its socket descriptors, and the TCP sockets open for it, which Wine
keeps in the prefix's wineserver) and the network-time line is read through the window probe.

Checks at the end (exit 1 if one fails):
  memory     private memory at the end (median of the last 15 s, all servers answering) is
             less than 2 MiB above that of the end of the first minute
  threads    in the last 10 s of every answering phase the thread count comes back to the
  sockets    baseline of the first minute, and so does the number of TCP sockets
  bounded    during outages threads and TCP sockets stay within a bound
  known      after every outage the line shows the servers' new time within 15 s of a good
             server returning (each answering phase serves a new offset, so a fresh reply
             is told from the display running on from the last one)
  accurate   every time the line shows is within 3 s of now + 8 h + an offset the servers have
             served, never an older offset once a newer one was shown
  alive      the program runs and its window answers throughout

Run by tools/soak.sh (display, Wine prefix); results in WORK/soak-samples.csv and the table.
"""

import argparse
import csv
import os
import subprocess
import sys
import time

import horvane_harness as hh

BASE_OFFSET = 3000  # seconds the servers run ahead of UTC in the first answering phase
OFFSET_STEP = 45  # each later answering phase runs this much further ahead
TOLERANCE = 3  # seconds between the shown time and the expected one
KNOWN_WITHIN = 15.0  # one recalibration period (5 s) plus a margin for fetching and scheduling
MEMORY_GROWTH_KIB = 2048
# Outages may hold this many threads and TCP sockets above the baseline: a fetch starts every
# 5 s and gives up within about 5 s (attempts of at most 3 s, 2 s of silence per connected
# server), so at most two or three fetch workers overlap, each with up to five sockets.
THREAD_MARGIN = 4
SOCKET_MARGIN = 12
STEADY = ["correct"] * 5

# (answering?, what it exercises, the five servers' modes in list order)
CYCLE = [
    (False, "all black-holed", ["blackhole"] * 5),
    (True, "good behind hole, refusal, silence, garbage",
     ["blackhole", "refused", "silent", "garbage", "correct"]),
    (False, "refusing, silent, garbage, flooding, hole",
     ["refused", "silent", "garbage", "flood", "blackhole"]),
    (True, "split line behind flood and silence",
     ["flood", "silent", "split", "garbage", "refused"]),
    (False, "silent and flooding", ["silent", "flood", "silent", "flood", "garbage"]),
    (True, "good first, bad behind", ["correct", "blackhole", "flood", "silent", "garbage"]),
    (False, "all flooding", ["flood"] * 5),
    (True, "all answering", STEADY),
]


def schedule(total, phase):
    """Phases as (start, end, answering, name, modes): a first minute of answering servers,
    the cycle, and a last minute of answering servers."""
    phases = [(0.0, 60.0, True, "first minute, all answering", STEADY)]
    start, i = 60.0, 0
    while start + phase <= total - 60.0:
        answering, name, modes = CYCLE[i % len(CYCLE)]
        phases.append((start, start + phase, answering, name, modes))
        start += phase
        i += 1
    phases.append((start, float(total), True, "last minute, all answering", STEADY))
    return phases


class Soak:
    def __init__(self, args):
        self.args = args
        self.samples = []  # dicts: t, phase, private_kib, ..., line, shown_offset
        self.failures = []
        self.served = []  # offsets served so far, in order
        self.wineserver = None

    def fail(self, text):
        self.failures.append(text)
        print("soak: FAIL %s" % text, flush=True)

    def run(self):
        a = self.args
        total = a.minutes * 60.0
        phases = schedule(total, a.phase)
        env = hh.wine_environment(a.build)
        os.environ.update(env)
        servers = hh.Servers(os.path.join(a.build, "soak-servers"), STEADY, BASE_OFFSET,
                             lifetime=total + 300)
        self.served.append(BASE_OFFSET)
        path = hh.place_program(a.build, "soak", a.exe, servers.addresses())
        probe = hh.Probe(a.probe, env, os.path.join(a.build, "soak-probe.log"))
        program = None
        results = []
        try:
            program = hh.Program(probe, a.build, path)
            if program.unix_pid is None:
                self.fail("no Wine process found for %s" % path)
                return self.report(phases, [])
            self.wineserver = hh.wineserver_pid(os.path.join(a.build, "wineprefix"))
            print("soak: %s runs as Windows pid %d, Linux pid %d (wineserver %s), for %.0f s; "
                  "servers %s" % (path, program.pid, program.unix_pid, self.wineserver, total,
                                  " ".join(servers.addresses())), flush=True)
            self.loop(program, servers, phases, results)
        except (hh.ProbeError, subprocess.SubprocessError) as error:
            self.fail("the run stopped: %s" % error)
        finally:
            if program is not None:
                try:
                    program.end()
                except hh.ProbeError:
                    pass
            probe.close()
            servers.stop()
        return self.report(phases, results)

    def loop(self, program, servers, phases, results):
        """Runs the phases, appending one dict of observations per phase to `results`."""
        a = self.args
        t0 = program.started
        for index, (start, end, answering, name, modes) in enumerate(phases):
            while time.monotonic() - t0 < start:
                time.sleep(0.05)
            offset = None
            if index > 0:
                if answering:
                    offset = BASE_OFFSET + OFFSET_STEP * len(self.served)
                    self.served.append(offset)
                servers.set(modes, offset)
            switched = time.monotonic() - t0
            phase = {"index": index, "start": start, "end": end, "answering": answering,
                     "name": name, "modes": modes, "offset": servers.offset if answering else None,
                     "switched": switched, "known_after": None}
            if index == 0:
                phase["switched"] = 0.0  # the servers answer from the program's start
            print("soak: %5.0f s  phase %2d %-9s %s (%s)" % (
                switched, index, "answering" if answering else "outage", " ".join(modes), name),
                flush=True)
            while time.monotonic() - t0 < end:
                tick = time.monotonic()
                record = self.take_sample(program, index, tick - t0)
                if record is None:
                    results.append(phase)
                    return
                if answering and phase["known_after"] is None and \
                        record["shown_offset"] == phase["offset"]:
                    phase["known_after"] = record["t"] - phase["switched"]
                time.sleep(max(0.0, a.interval - (time.monotonic() - tick)))
            results.append(phase)

    def take_sample(self, program, index, t):
        record = hh.sample(program.unix_pid, self.wineserver)
        if record is None:
            self.fail("the Horvane process ended at %.0f s" % t)
            return None
        record.update(t=round(t, 2), phase=index, line="", shown_offset=None, deviation=None)
        try:
            line = program.network_line()
        except hh.ProbeError as error:
            self.fail("reading the window at %.0f s: %s" % (t, error))
            line = None
        record["line"] = line or ""
        shown = hh.parse_network_time(line or "")
        if shown is not None:
            # The served offset the shown time is nearest to, and how far from it.
            best = min(self.served, key=lambda o: abs(
                (shown - hh.expected_network_time(o)).total_seconds()))
            record["shown_offset"] = best
            record["deviation"] = round(
                (shown - hh.expected_network_time(best)).total_seconds(), 1)
        self.samples.append(record)
        return record

    def report(self, phases, results):
        a = self.args
        with open(os.path.join(a.build, "soak-samples.csv"), "w", newline="") as f:
            fields = ["t", "phase", "private_kib", "rss_kib", "threads", "sockets", "tcp",
                      "cpu_s", "shown_offset", "deviation", "line"]
            writer = csv.DictWriter(f, fieldnames=fields, extrasaction="ignore")
            writer.writeheader()
            writer.writerows(self.samples)

        def window(lo, hi):
            return [s for s in self.samples if lo <= s["t"] < hi]

        # Baselines from the end of the first minute, all servers answering.
        first = window(45.0, 60.0)
        base_private = hh.median([s["private_kib"] for s in first]) if first else None
        base_threads = min((s["threads"] for s in window(40.0, 60.0)), default=None)
        base_tcp = min((s["tcp"] for s in window(40.0, 60.0)), default=None)

        print()
        print("phase  start  kind       servers (list order)                      offset  "
              "known   threads    tcp      private KiB")
        print("                                                                           "
              "after   min/max    min/max  max")
        for p in results:
            rows = [s for s in self.samples if s["phase"] == p["index"]]
            if not rows:
                continue
            tail = [s for s in rows if s["t"] >= p["end"] - 10.0] or rows[-3:]
            p["tail_threads"] = min(s["threads"] for s in tail)
            p["tail_tcp"] = min(s["tcp"] for s in tail)
            p["max_threads"] = max(s["threads"] for s in rows)
            p["max_tcp"] = max(s["tcp"] for s in rows)
            known = "-" if not p["answering"] else (
                "never" if p["known_after"] is None else "%.1f s" % p["known_after"])
            print("%5d  %5.0f  %-9s  %-40s  %6s  %-6s  %3d/%-3d    %2d/%-2d    %d" % (
                p["index"], p["start"], "answering" if p["answering"] else "outage",
                " ".join(p["modes"]), p["offset"] if p["offset"] is not None else "-", known,
                min(s["threads"] for s in rows), p["max_threads"],
                min(s["tcp"] for s in rows), p["max_tcp"],
                max(s["private_kib"] for s in rows)))
        print()

        checks = []

        def check(name, ok, text):
            checks.append((name, ok, text))

        if base_private is None or not results:
            check("alive", False, "no samples of the first minute")
        else:
            last = window(a.minutes * 60.0 - 15.0, a.minutes * 60.0 + 5.0)
            end_private = hh.median([s["private_kib"] for s in last]) if last else None
            if end_private is None:
                check("memory", False, "no samples of the last 15 s")
            else:
                growth = end_private - base_private
                peak = max(s["private_kib"] for s in self.samples if s["t"] >= 60.0)
                check("memory", growth < MEMORY_GROWTH_KIB,
                      "private %d KiB after the first minute, %d KiB at the end: %+d KiB "
                      "(limit %+d); peak %d KiB" % (base_private, end_private, growth,
                                                     MEMORY_GROWTH_KIB, peak))
            answering = [p for p in results if p["answering"] and p["index"] > 0
                         and "tail_threads" in p]
            bad = [p["index"] for p in answering if p["tail_threads"] > base_threads]
            check("threads", not bad,
                  "baseline %d; back to it at the end of %d of %d answering phases%s" % (
                      base_threads, len(answering) - len(bad), len(answering),
                      "" if not bad else " (not in phases %s)" % bad))
            bad = [p["index"] for p in answering if p["tail_tcp"] > base_tcp]
            check("sockets", not bad,
                  "TCP baseline %d; back to it at the end of %d of %d answering phases%s" % (
                      base_tcp, len(answering) - len(bad), len(answering),
                      "" if not bad else " (not in phases %s)" % bad))
            peak_threads = max(p.get("max_threads", 0) for p in results)
            peak_tcp = max(p.get("max_tcp", 0) for p in results)
            check("bounded", peak_threads <= base_threads + a.thread_margin and
                  peak_tcp <= base_tcp + a.socket_margin,
                  "peaks: %d threads (limit %d), %d TCP sockets (limit %d)" % (
                      peak_threads, base_threads + a.thread_margin, peak_tcp,
                      base_tcp + a.socket_margin))
            returns = [p for p in results if p["answering"]]
            late = [(p["index"], p["known_after"]) for p in returns
                    if p["known_after"] is None or p["known_after"] > KNOWN_WITHIN]
            times = [p["known_after"] for p in returns if p["known_after"] is not None]
            check("known", not late,
                  "new time shown %d of %d times within %.0f s of the servers' return; "
                  "median %.1f s, worst %.1f s%s" % (
                      len(returns) - len(late), len(returns), KNOWN_WITHIN,
                      hh.median(times) or 0.0, max(times, default=0.0),
                      "" if not late else "; late: %s" % late))
            shown = [s for s in self.samples if s["shown_offset"] is not None]
            far = [s for s in shown if abs(s["deviation"]) > TOLERANCE]
            reverted = []
            newest = None
            for s in shown:
                if newest is not None and s["shown_offset"] < newest:
                    reverted.append(s)
                newest = max(newest or s["shown_offset"], s["shown_offset"])
            unreadable = [s for s in self.samples if s["t"] > KNOWN_WITHIN and not s["line"]]
            check("accurate", not far and not reverted,
                  "%d lines with a time, all within %d s of a served time: %s; older time "
                  "after a newer one: %d; worst deviation %.1f s" % (
                      len(shown), TOLERANCE, "yes" if not far else "no (%d, first at %.0f s: "
                      "%r)" % (len(far), far[0]["t"], far[0]["line"]), len(reverted),
                      max((abs(s["deviation"]) for s in shown), default=0.0)))
            ended = results[-1]["index"] < len(phases) - 1 or \
                self.samples[-1]["t"] < a.minutes * 60.0 - 2 * a.interval - 1
            check("alive", not ended and not unreadable and not self.failures,
                  "%d samples over %.0f s; %d unreadable lines; %d errors" % (
                      len(self.samples), self.samples[-1]["t"], len(unreadable),
                      len(self.failures)))
        for name, ok, text in checks:
            print("%s %-9s %s" % ("PASS" if ok else "FAIL", name, text))
        print("soak: samples in %s" % os.path.join(a.build, "soak-samples.csv"))
        return 0 if checks and all(ok for _, ok, _ in checks) else 1


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exe", required=True, help="Horvane.exe to run (a copy goes to C:\\soak)")
    parser.add_argument("--probe", required=True, help="the window probe, probe.exe")
    parser.add_argument("--build", required=True, help="folder of the Wine prefix and results")
    parser.add_argument("--minutes", type=float, default=10.0)
    parser.add_argument("--phase", type=float, default=30.0, help="seconds per phase")
    parser.add_argument("--interval", type=float, default=1.0, help="seconds between samples")
    parser.add_argument("--thread-margin", type=int, default=THREAD_MARGIN)
    parser.add_argument("--socket-margin", type=int, default=SOCKET_MARGIN)
    args = parser.parse_args(argv)
    if args.minutes < 2:
        parser.error("--minutes must be at least 2 (a first and a last minute of answers)")
    args.build = os.path.abspath(args.build)
    return Soak(args).run()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
