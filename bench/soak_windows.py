#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The random-input soak for the real program on a real display: moon.exe
under Wine (or the Linux moon, without --runner) on a virtual X server with
openbox, driven for minutes with random input as a user would give it:

  keys (palettes, render modes, detail, the lights), drags with the left, the
  right or both buttons, moves and resizes through the window manager, either
  view minimised and restored (in the first 5 s of every 30), and storms of
  Space (a new landscape each).

The program runs with --verbose and counts its own frames: every 10 s it
prints, for each shown view, the frames of the period and the longest wait
between two of them, marked "(hidden or minimised meanwhile)" when the view's
window was hidden or minimised at some moment of the period. The soak reads
these lines from the program's output as they come, and reports each view's
frames a second over the run, the least and the most of a period, and the
worst gap. The input starts once the first count has come: that period holds
the windows' opening, and is shown but not judged.

Every 10 s it samples the program's resident memory (VmRSS of its process,
which under Wine is the Windows program's own); every 2 s the machine's
load, and the processor time of every process, so that a long gap can be set
beside what the machine was doing. Every action of the input is logged with
its time: a period with a gap over 2 s is shown with its cause, the window
hidden or minimised, else what the input did and what ran meanwhile.

It fails when the program ends (a crash) before it is closed, when a frame
takes more than 2 s (a hang) in a period in which neither view's window was
minimised or hidden (said by the program's line for either view, or by the
soak's own log of its minimises: a minimised window draws nothing, by the
window system's choice), when no count comes for 30 s after the input, when
its memory grows from the second minute on (the last samples above the
largest of the second minute by more than the allowance), or when closing
the perspective view does not end it with status 0. A benchmark, not a test:
run it by hand, e.g.

  bench/soak_windows.py --moon build/windows/src/viewer/moon.exe \\
      --runner build/windows/wine/moon-wine --seconds 300
  bench/soak_windows.py --moon build/default/src/viewer/moon --seconds 300

Needs Xvfb, openbox, xdotool and wmctrl (bash scripts/deps.sh test).
"""

import argparse
import collections
import os
import random
import re
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "e2e"))
import moon_e2e  # noqa: E402  (the display, the window manager and the windows)

SAMPLE_EVERY = 10.0  # seconds between memory samples
CPU_EVERY = 2.0  # seconds between samples of the processes' time
FRAME_LIMIT = 2.0  # seconds a frame may take
COUNT_PERIOD = 10.0  # seconds between the program's counts
COUNT_LIMIT = 30.0  # seconds the soak waits for a count after the input
# Minimises come only in the first MINIMISE_WINDOW seconds of every
# MINIMISE_CYCLE of input (restored within 5 s): a count whose period saw a
# view minimised is not judged, and the rest of the cycle holds at least one
# whole period with both views shown.
MINIMISE_CYCLE = 30.0
MINIMISE_WINDOW = 5.0
# Growth allowed from the second minute on, MiB: allocators keep a little
# slack, and a resize may leave a larger buffer behind for a while.
GROWTH_ALLOWANCE_MIB = 8.0

KEYS = ["1", "2", "3", "4", "5", "6", "w", "f", "s", "l", "bracketleft", "bracketright",
        "shift+bracketleft", "shift+bracketright"]
# How far, in pixels, the drags of each button set may take the pointer from
# where they started, summed (two pixels a degree or a world unit): the camera
# stays over the terrain, where a frame costs the most.
DRAG_BOUND = 120

VIEWS = {"perspective view": moon_e2e.PERSPECTIVE_TITLE, "plan view": moon_e2e.PLAN_TITLE}
COUNT_LINE = re.compile(r"moon: (perspective view|plan view): (\d+) frames in ([0-9.]+) s, "
                        r"longest gap ([0-9.]+) s( \(hidden or minimised meanwhile\))?\s*$")
LANDSCAPE_LINE = re.compile(r"moon: landscape (\d+) of seed")
TICKS = os.sysconf("SC_CLK_TCK")


class Period:
    """One view's count: when it ended on the soak's clock (when its line was
    read) and what it says."""

    def __init__(self, end, view, frames, length, gap, hidden):
        self.end = end
        self.view = view
        self.frames = frames
        self.length = length
        self.gap = gap
        self.hidden = hidden
        self.start = end - length
        self.excused = None  # why its gaps are not judged, if they are not

    def rate(self):
        return self.frames / self.length if self.length > 0 else 0.0


class Output(threading.Thread):
    """Reads the program's output file as it grows: the counts, and the new
    landscapes (Space) with the time their lines came."""

    def __init__(self, path, start_time):
        super().__init__(daemon=True)
        self.path = path
        self.start_time = start_time
        self.lock = threading.Lock()
        self.periods = []
        self.landscapes = []  # (seconds since start, the landscape's count)
        self.stop_event = threading.Event()

    def counted_since(self, when):
        """Whether a count came after when (seconds since start)."""
        with self.lock:
            return any(period.end > when for period in self.periods)

    def run(self):
        pending = b""
        with open(self.path, "rb") as output:
            while True:
                chunk = output.read()
                now = time.monotonic() - self.start_time
                pending += chunk
                *lines, pending = pending.split(b"\n")
                for raw in lines:
                    line = raw.decode(errors="replace").rstrip("\r")
                    found = COUNT_LINE.search(line)
                    with self.lock:
                        if found:
                            self.periods.append(Period(now, found.group(1), int(found.group(2)),
                                                       float(found.group(3)),
                                                       float(found.group(4)),
                                                       bool(found.group(5))))
                        elif LANDSCAPE_LINE.search(line):
                            self.landscapes.append(
                                (now, int(LANDSCAPE_LINE.search(line).group(1))))
                if not chunk and self.stop_event.is_set():
                    return
                if not chunk:
                    self.stop_event.wait(0.1)


def resident_mib(pid):
    """VmRSS of the process in MiB, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024.0
    except (FileNotFoundError, ProcessLookupError):
        return None
    return None


def program_pid(session, name):
    """The process that runs the program: the runner execs Wine, which runs
    the Windows program in the same process (and names it after it)."""
    pid = session.moon.pid
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            if name.encode() in cmdline.read():
                return pid
    except FileNotFoundError:
        pass
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                    if name.encode() in cmdline.read().split(b"\0")[0]:
                        return int(entry)
            except (FileNotFoundError, ProcessLookupError, PermissionError):
                continue
    return pid


def load_average():
    with open("/proc/loadavg") as loadavg:
        return " ".join(loadavg.read().split()[:3])


def busy_ticks():
    """The machine's busy and total processor ticks since boot, all cores."""
    with open("/proc/stat") as stat:
        values = [int(value) for value in stat.readline().split()[1:]]
    idle = values[3] + values[4]
    return sum(values[:8]) - idle, sum(values[:8])


def process_ticks():
    """pid -> (command name, user and system ticks) of every process."""
    ticks = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                text = stat.read()
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text[text.rindex(")") + 2:].split()
        ticks[int(entry)] = (name, int(fields[11]) + int(fields[12]))
    return ticks


class Watcher(threading.Thread):
    """Samples memory, load and processor time beside the input."""

    def __init__(self, pid, roles, start_time):
        super().__init__(daemon=True)
        self.pid = pid
        self.roles = roles  # pid -> what it is in the soak (the program, the X server...)
        self.samples = []  # (seconds since start, MiB)
        # (from, to, load average, machine's busy cores, {name: cores})
        self.cpu = []
        self.stop_event = threading.Event()
        self.start_time = start_time

    def run(self):
        next_sample = time.monotonic()
        last = (time.monotonic(), busy_ticks(), process_ticks())
        while not self.stop_event.wait(CPU_EVERY):
            now = time.monotonic()
            if now >= next_sample:
                mib = resident_mib(self.pid)
                if mib is not None:
                    self.samples.append((now - self.start_time, mib))
                next_sample += SAMPLE_EVERY
            busy, ticks = busy_ticks(), process_ticks()
            seconds = (now - last[0]) * TICKS
            machine = (busy[0] - last[1][0]) / max(1, busy[1] - last[1][1]) * os.cpu_count()
            used = collections.Counter()
            for pid, (name, spent) in ticks.items():
                before = last[2].get(pid)
                if before is not None and before[0] == name and spent > before[1]:
                    used[self.roles.get(pid, name)] += (spent - before[1]) / seconds
            self.cpu.append((last[0] - self.start_time, now - self.start_time, load_average(),
                             machine, used))
            last = (now, busy, ticks)

    def during(self, begin, end):
        """What ran from begin to end: the machine's busy cores and each
        process's, averaged over the samples that overlap."""
        spans = [sample for sample in self.cpu if sample[1] > begin and sample[0] < end]
        if not spans:
            return "no samples"
        used = collections.Counter()
        for sample in spans:
            used.update(sample[4])
        machine = sum(sample[3] for sample in spans) / len(spans)
        top = ", ".join(f"{name} {cores / len(spans):.2f}"
                        for name, cores in used.most_common(5) if cores / len(spans) >= 0.05)
        return (f"load {spans[-1][2]}, machine busy {machine:.2f} of {os.cpu_count()} cores "
                f"({top})")


def drive(session, windows, rng, seconds, start_time, log, hidden):
    """Random input until the time is up. Returns what was done, by kind; log
    gets each action as (from, to, what) and hidden each minimise as [title,
    from, to], in seconds since start_time."""
    counts = {}
    perspective = windows[moon_e2e.PERSPECTIVE_TITLE]
    begun = time.monotonic()
    deadline = begun + seconds
    restore_at = {}  # title -> when to restore it
    drags = {}  # buttons -> the pointer's travel with them held, pixels (x, y)

    def clock():
        return time.monotonic() - start_time

    def restore(title):
        began = clock()
        session.run(["xdotool", "windowmap", windows[title]], check=False)
        session.run(["wmctrl", "-i", "-a", windows[title]], check=False)
        hidden[-1][2] = clock()
        log.append((began, clock(), f"restore {short(title)}"))

    while time.monotonic() < deadline:
        session.assert_running()
        now = time.monotonic()
        for title, when in list(restore_at.items()):
            if now >= when:
                restore(title)
                del restore_at[title]
        minimising = not restore_at and (now - begun) % MINIMISE_CYCLE < MINIMISE_WINDOW
        kind = rng.choices(["key", "drag", "move", "resize", "minimise", "space"],
                           weights=[30, 30, 12, 12, 24 if minimising else 0, 4])[0]
        counts[kind] = counts.get(kind, 0) + 1
        began = clock()
        what = kind
        if kind == "key":
            key = rng.choice(KEYS)
            session.run(["xdotool", "windowactivate", perspective], check=False)
            session.run(["xdotool", "key", "--window", perspective, key], check=False)
            what = f"key {key}"
        elif kind == "drag":
            buttons = rng.choice([[1], [3], [1, 3]])
            argv = ["xdotool", "mousemove", "--window", perspective,
                    str(rng.randint(10, 600)), str(rng.randint(10, 440))]
            for button in buttons:
                argv += ["mousedown", str(button)]
            net = drags.setdefault(tuple(buttons), [0, 0])
            for _ in range(rng.randint(2, 10)):
                step = [rng.randint(-40, 40), rng.randint(-40, 40)]
                for axis in (0, 1):
                    if abs(net[axis] + step[axis]) > DRAG_BOUND:
                        step[axis] = -step[axis]
                    net[axis] += step[axis]
                argv += ["mousemove_relative", "--", str(step[0]), str(step[1]), "sleep",
                         "0.03"]
            for button in reversed(buttons):
                argv += ["mouseup", str(button)]
            session.run(argv, check=False)
            what = "drag " + "+".join(str(button) for button in buttons)
        elif kind == "move":
            title = rng.choice(list(windows))
            x, y = rng.randint(0, 600), rng.randint(0, 500)
            session.run(["xdotool", "windowmove", windows[title], str(x), str(y)], check=False)
            what = f"move {short(title)} to {x},{y}"
        elif kind == "resize":
            title = rng.choice(list(windows))
            width, height = rng.randint(40, 660), rng.randint(30, 500)
            session.run(["xdotool", "windowsize", windows[title], str(width), str(height)],
                        check=False)
            what = f"resize {short(title)} to {width}x{height}"
        elif kind == "minimise":
            # One view at a time.
            title = rng.choice(list(windows))
            hidden.append([title, began, None])
            session.run(["xdotool", "windowminimize", windows[title]], check=False)
            restore_at[title] = time.monotonic() + rng.uniform(1.0, 5.0)
            what = f"minimise {short(title)}"
        else:
            presses = rng.randint(10, 40)
            session.run(["xdotool", "windowactivate", perspective], check=False)
            session.run(["xdotool", "key", "--window", perspective, "--delay", "20"]
                        + ["space"] * presses, check=False)
            what = f"space x{presses}"
        log.append((began, clock(), what))
        time.sleep(rng.uniform(0.0, 0.2))
    for title in restore_at:
        restore(title)
    return counts


def short(title):
    return "perspective" if title == moon_e2e.PERSPECTIVE_TITLE else "plan"


def judge(periods, hidden, input_start):
    """Marks the periods whose gaps are not judged: the one before the input
    (the windows' opening), and those of a round of counts in which either
    view's window was hidden or minimised."""
    rounds = []
    for period in periods:
        # Both views' lines of a count are printed together.
        if (rounds and period.view not in [other.view for other in rounds[-1]]
                and period.end - rounds[-1][0].end < 1.0):
            rounds[-1].append(period)
        else:
            rounds.append([period])
    for counted in rounds:
        for period in counted:
            minimised = [(title, began, ended) for title, began, ended in hidden
                         if began < period.end and (ended is None
                                                    or ended > period.start - period.gap)]
            if period.end <= input_start + 1.0:
                period.excused = "the windows' opening, before the input"
            elif any(other.hidden for other in counted):
                names = " and ".join(other.view for other in counted if other.hidden)
                period.excused = f"hidden or minimised meanwhile (the {names})"
            elif minimised:
                period.excused = "minimised meanwhile by the soak (" + ", ".join(
                    f"{short(title)} {began:.1f}-{ended if ended is None else round(ended, 1)} s"
                    for title, began, ended in minimised) + ")"


def describe_input(log, landscapes, begin, end):
    """What the input did from begin to end, and the landscapes that came."""
    done = [what for began, ended, what in log if ended >= begin and began <= end]
    kinds = collections.Counter(what.split()[0] for what in done)
    notable = [what for what in done if what.split()[0] in ("space", "resize", "move",
                                                            "minimise", "restore")]
    text = ", ".join(f"{kind} {count}" for kind, count in sorted(kinds.items()))
    if notable:
        text += "; " + ", ".join(notable)
    came = [count for when, count in landscapes if begin <= when <= end]
    if came:
        text += f"; landscapes {came[0]} to {came[-1]} came"
    return text or "no input"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--moon", required=True)
    parser.add_argument("--runner")
    parser.add_argument("--seconds", type=float, default=300.0)
    parser.add_argument("--seed", type=int, default=1, help="of the input, not the landscape")
    parser.add_argument("--work")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="moon-soak-")
    os.makedirs(work, exist_ok=True)
    session = moon_e2e.Session(os.path.abspath(args.moon), work,
                               os.path.abspath(args.runner) if args.runner else None)
    session.moon_args = ["--verbose"]
    failures = []
    log = []  # (from, to, what the input did)
    hidden = []  # [title, from, to]: the soak's minimises
    load_before = load_average()
    start_time = time.monotonic()
    try:
        session.start_display()
        session.start_moon()
        output = Output(session.moon_out, start_time)
        output.start()
        windows = {title: session.wait_window(title, 120)
                   for title in (moon_e2e.PERSPECTIVE_TITLE, moon_e2e.PLAN_TITLE)}
        pid = program_pid(session, os.path.basename(args.moon))
        roles = {pid: "the program", session.xvfb.pid: "the X server",
                 session.wm.pid: "the window manager", os.getpid(): "the soak"}
        watcher = Watcher(pid, roles, start_time)
        watcher.start()
        moon_e2e.wait_until(lambda: session.assert_running() or output.counted_since(0.0),
                            COUNT_PERIOD + COUNT_LIMIT, "the first count of frames")
        input_start = time.monotonic() - start_time
        counts = drive(session, windows, random.Random(args.seed), args.seconds, start_time,
                       log, hidden)
        input_end = time.monotonic() - start_time
        # The count of the period the input ended in.
        try:
            moon_e2e.wait_until(lambda: session.assert_running()
                                or output.counted_since(input_end), COUNT_LIMIT,
                                "a count of frames after the input")
        except moon_e2e.CheckFailed as failure:
            failures.append(f"{failure} (a hang)")
        watcher.stop_event.set()
        watcher.join(60)
        session.assert_running()
        session.run(["wmctrl", "-F", "-c", moon_e2e.PERSPECTIVE_TITLE], check=False)
        try:
            status = session.moon.wait(timeout=30)
        except subprocess.TimeoutExpired:
            status = None
            failures.append("still running 30 s after the perspective view was closed")
        if status not in (0, None):
            failures.append(f"ended with status {status} when closed")
        output.stop_event.set()
        output.join(10)
    except moon_e2e.CheckFailed as failure:
        print(f"FAIL: {failure}")
        return 1
    finally:
        session.stop()

    print(f"program: {' '.join(session.moon_command())} (output in {session.moon_out})")
    print(f"input ({args.seconds:.0f} s from {input_start:.1f} s, seed {args.seed}): "
          + ", ".join(f"{kind} {count}" for kind, count in sorted(counts.items())))
    print(f"load average: {load_before} before, {load_average()} after")
    print("resident memory, MiB, every 10 s: "
          + " ".join(f"{mib:.1f}" for _, mib in watcher.samples))
    second_minute = [mib for when, mib in watcher.samples if 60.0 <= when < 120.0]
    later = [mib for when, mib in watcher.samples if when >= 120.0]
    if second_minute and later:
        growth = max(later) - max(second_minute)
        print(f"growth after the second minute: {growth:+.1f} MiB "
              f"(allowed {GROWTH_ALLOWANCE_MIB:.0f})")
        if growth > GROWTH_ALLOWANCE_MIB:
            failures.append(f"memory grew by {growth:.1f} MiB after the second minute")
    else:
        print("growth: not measured (a run of at least 130 s is needed)")

    periods = list(output.periods)
    judge(periods, hidden, input_start)
    driven = [period for period in periods if period.end > input_start + 1.0]
    for view in VIEWS:
        mine = [period for period in driven if period.view == view]
        if not mine:
            print(f"{view}: no counts")
            continue
        seen = [period for period in mine if period.excused is None]
        frames = sum(period.frames for period in mine)
        length = sum(period.length for period in mine)
        rates = [period.rate() for period in mine]
        print(f"{view}: {frames} frames in {length:.0f} s, {frames / length:.1f} a second "
              f"(periods: {min(rates):.1f} to {max(rates):.1f}; "
              f"{len(mine) - len(seen)} of {len(mine)} hidden or minimised meanwhile); "
              f"worst gap {max(period.gap for period in mine):.3f} s, "
              f"{max((period.gap for period in seen), default=0.0):.3f} s while shown")
    late = [period for period in driven if period.length > COUNT_PERIOD + 1.0]
    if late:
        print("counts that came late (the program's loop held up): " + ", ".join(
            f"{period.view} {period.length:.1f} s to {period.end:.1f} s" for period in late))
    long_gaps = [period for period in driven if period.gap > FRAME_LIMIT]
    print(f"periods with a gap over {FRAME_LIMIT:.0f} s: {len(long_gaps)}")
    for period in long_gaps:
        # The gap ended in the period and may have begun before it.
        begin = period.start - period.gap
        cause = period.excused or "input: " + describe_input(log, output.landscapes, begin,
                                                             period.end)
        print(f"  {period.start:.1f}-{period.end:.1f} s, {period.view}: longest gap "
              f"{period.gap:.2f} s, {period.frames} frames; {cause}; "
              f"{watcher.during(begin, period.end)}")
    judged = [period for period in long_gaps if period.excused is None]
    if judged:
        failures.append(f"a frame took {max(period.gap for period in judged):.2f} s "
                        f"({len(judged)} periods with a gap over {FRAME_LIMIT:.0f} s while "
                        f"both views were shown)")
    for failure in failures:
        print(f"FAIL: {failure}")
    if not failures:
        print("PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
