#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The random-input soak for the real program on a real display: moon.exe
under Wine (or the Linux moon, without --runner) on a virtual X server with
openbox, driven for minutes with random input as a user would give it:

  keys (palettes, render modes, detail, the lights), drags with the left, the
  right or both buttons, moves and resizes through the window manager, either
  view minimised and restored, and storms of Space (a new landscape each).

Every 10 s it samples the program's resident memory (VmRSS of its process,
which under Wine is the Windows program's own). It watches the frames: a
picture of each shown view is taken every half second, and the circling light
changes every frame, so a changed picture is a new frame (in flat and smooth
shading; wireframe is not lit, and its frames go unseen). The input keeps the
camera over the terrain and the lights within a few steps of where they
started, so that the pictures can show the frames. The longest wait for one
is the worst frame gap.

It fails when the program ends (a crash) before it is closed, when a frame
takes more than 2 s (a hang), when its memory grows from the second minute
on (the last samples above the largest of the second minute by more than
the allowance), or when closing the perspective view does not end it with
status 0. A benchmark, not a test: run it by hand, e.g.

  bench/soak_windows.py --moon build/windows/src/viewer/moon.exe \\
      --runner build/windows/wine/moon-wine --seconds 300
  bench/soak_windows.py --moon build/default/src/viewer/moon --seconds 300

Needs Xvfb, openbox, xdotool, wmctrl and ImageMagick (bash scripts/deps.sh test).
"""

import argparse
import hashlib
import os
import random
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "e2e"))
import moon_e2e  # noqa: E402  (the display, the window manager and the windows)

SAMPLE_EVERY = 10.0  # seconds between memory samples
FRAME_LIMIT = 2.0  # seconds a frame may take
PICTURE_EVERY = 0.5  # seconds between pictures of a view
# Growth allowed from the second minute on, MiB: allocators keep a little
# slack, and a resize may leave a larger buffer behind for a while.
GROWTH_ALLOWANCE_MIB = 8.0

KEYS = ["1", "2", "3", "4", "5", "6", "w", "f", "s", "l", "bracketleft", "bracketright",
        "shift+bracketleft", "shift+bracketright"]
# The lights' keys are kept within these steps of where the lights started:
# a circling light dimmed to nothing, or fixed lights bright enough to wash
# every pixel out, would leave pictures that stand still while frames come.
FIXED_LIGHT_STEPS = (-2, 2)
CIRCLING_LIGHT_STEPS = (0, 3)
# How far, in pixels, the drags of each button set may take the pointer from
# where they started, summed (two pixels a degree or a world unit).
DRAG_BOUND = 120
OPPOSITE_KEYS = {"bracketleft": "bracketright", "bracketright": "bracketleft",
                 "shift+bracketleft": "shift+bracketright",
                 "shift+bracketright": "shift+bracketleft"}


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


class Watcher(threading.Thread):
    """Samples memory and frames beside the input."""

    def __init__(self, session, pid, windows):
        super().__init__(daemon=True)
        self.session = session
        self.pid = pid
        self.windows = windows  # title -> id
        self.minimised = set()  # titles now minimised (set by the driver)
        # In wireframe the lines are not lit: the pictures stand still but for
        # the sun, so frames cannot be seen (set by the driver).
        self.wireframe = False
        self.lock = threading.Lock()
        self.samples = []  # (seconds since start, MiB)
        self.worst_gap = 0.0
        self.gaps_over_limit = 0
        self.pictures = 0
        self.failed_pictures = 0  # pictures that took too long
        self.long_gaps = []  # (seconds since start when it ended, gap)
        self.stop_event = threading.Event()
        self.start_time = time.monotonic()

    def shown_views(self):
        with self.lock:
            if self.wireframe:
                return []
            return [title for title in (moon_e2e.PERSPECTIVE_TITLE, moon_e2e.PLAN_TITLE)
                    if title not in self.minimised]

    def picture(self, title):
        try:
            result = subprocess.run(["import", "-silent", "-window", self.windows[title],
                                     "-depth", "8", "rgb:-"], env=self.session.env,
                                    capture_output=True, timeout=10)
        except subprocess.TimeoutExpired:
            # (Seen once in five minutes, while a view was being minimised.)
            self.failed_pictures += 1
            return None
        if result.returncode != 0 or not result.stdout:
            return None
        return hashlib.sha1(result.stdout).digest()

    def run(self):
        next_sample = self.start_time
        digests = {}  # title -> its last picture
        seen = None  # when a frame was last seen; None: not watching
        while not self.stop_event.is_set():
            now = time.monotonic()
            if now >= next_sample:
                mib = resident_mib(self.pid)
                if mib is not None:
                    self.samples.append((now - self.start_time, mib))
                next_sample += SAMPLE_EVERY
            titles = self.shown_views()
            if not titles:
                # Nothing to see frames in: the wait starts afresh after.
                digests.clear()
                seen = None
            changed = False
            for title in titles:
                digest = self.picture(title)
                if digest is None:
                    continue
                self.pictures += 1
                if title in digests and digests[title] != digest:
                    changed = True
                digests[title] = digest
            now = time.monotonic()
            if titles:
                if seen is None:
                    seen = now
                elif changed:
                    gap = now - seen
                    self.worst_gap = max(self.worst_gap, gap)
                    if gap > FRAME_LIMIT:
                        self.gaps_over_limit += 1
                        self.long_gaps.append((now - self.start_time, gap))
                    seen = now
                elif now - seen > FRAME_LIMIT:
                    self.worst_gap = max(self.worst_gap, now - seen)
            with self.lock:
                for hidden in self.minimised:
                    digests.pop(hidden, None)
            self.stop_event.wait(PICTURE_EVERY)


def drive(session, watcher, windows, rng, seconds):
    """Random input until the time is up. Returns what was done, by kind."""
    counts = {}
    actions = []  # (seconds since the watcher started, kind)
    perspective = windows[moon_e2e.PERSPECTIVE_TITLE]
    deadline = time.monotonic() + seconds
    restore_at = {}  # title -> when to restore it
    lights = {False: 0, True: 0}  # steps from the start: fixed lights, circling light
    drags = {}  # buttons -> the pointer's travel with them held, pixels (x, y)
    while time.monotonic() < deadline:
        session.assert_running()
        now = time.monotonic()
        for title, when in list(restore_at.items()):
            if now >= when:
                session.run(["xdotool", "windowmap", windows[title]], check=False)
                session.run(["wmctrl", "-i", "-a", windows[title]], check=False)
                with watcher.lock:
                    watcher.minimised.discard(title)
                del restore_at[title]
        kind = rng.choices(["key", "drag", "move", "resize", "minimise", "space"],
                           weights=[30, 30, 12, 12, 6, 4])[0]
        counts[kind] = counts.get(kind, 0) + 1
        actions.append((time.monotonic() - watcher.start_time, kind))
        if kind == "key":
            key = rng.choice(KEYS)
            if key.endswith("bracketleft") or key.endswith("bracketright"):
                circling = key.startswith("shift+")
                step = 1 if key.endswith("bracketright") else -1
                low, high = CIRCLING_LIGHT_STEPS if circling else FIXED_LIGHT_STEPS
                level = lights[circling] + step
                if not low <= level <= high:
                    step = -step
                    key = OPPOSITE_KEYS[key]
                lights[circling] += step
            session.run(["xdotool", "windowactivate", perspective], check=False)
            session.run(["xdotool", "key", "--window", perspective, key], check=False)
            if key in ("w", "f", "s"):
                with watcher.lock:
                    watcher.wireframe = key == "w"
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
                    # Back towards the start beyond the bound: the camera stays
                    # over the terrain and looks at it, where frames can be seen.
                    if abs(net[axis] + step[axis]) > DRAG_BOUND:
                        step[axis] = -step[axis]
                    net[axis] += step[axis]
                argv += ["mousemove_relative", "--", str(step[0]), str(step[1]), "sleep",
                         "0.03"]
            for button in reversed(buttons):
                argv += ["mouseup", str(button)]
            session.run(argv, check=False)
        elif kind == "move":
            title = rng.choice(list(windows))
            session.run(["xdotool", "windowmove", windows[title], str(rng.randint(0, 600)),
                         str(rng.randint(0, 500))], check=False)
        elif kind == "resize":
            title = rng.choice(list(windows))
            session.run(["xdotool", "windowsize", windows[title], str(rng.randint(40, 660)),
                         str(rng.randint(30, 500))], check=False)
        elif kind == "minimise":
            # One view at a time, so there is always one whose frames can be seen.
            title = rng.choice(list(windows))
            if not restore_at:
                with watcher.lock:
                    watcher.minimised.add(title)
                session.run(["xdotool", "windowminimize", windows[title]], check=False)
                restore_at[title] = time.monotonic() + rng.uniform(1.0, 5.0)
        else:
            session.run(["xdotool", "windowactivate", perspective], check=False)
            session.run(["xdotool", "key", "--window", perspective, "--delay", "20"]
                        + ["space"] * rng.randint(10, 40), check=False)
        time.sleep(rng.uniform(0.0, 0.2))
    for title in restore_at:
        session.run(["xdotool", "windowmap", windows[title]], check=False)
        with watcher.lock:
            watcher.minimised.discard(title)
    return counts, actions


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
    failures = []
    try:
        session.start_display()
        session.start_moon()
        windows = {title: session.wait_window(title, 120)
                   for title in (moon_e2e.PERSPECTIVE_TITLE, moon_e2e.PLAN_TITLE)}
        pid = program_pid(session, os.path.basename(args.moon))
        watcher = Watcher(session, pid, windows)
        watcher.start()
        counts, actions = drive(session, watcher, windows, random.Random(args.seed), args.seconds)
        time.sleep(2.0)  # a last frame gap and sample after the input
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
    except moon_e2e.CheckFailed as failure:
        print(f"FAIL: {failure}")
        return 1
    finally:
        session.stop()

    print(f"program: {' '.join(session.moon_command())}")
    print(f"input ({args.seconds:.0f} s, seed {args.seed}): "
          + ", ".join(f"{kind} {count}" for kind, count in sorted(counts.items())))
    print("resident memory, MiB, every 10 s: "
          + " ".join(f"{mib:.1f}" for _, mib in watcher.samples))
    print(f"pictures taken: {watcher.pictures} ({watcher.failed_pictures} given up after "
          f"10 s); worst frame gap: {watcher.worst_gap:.2f} s "
          f"(limit {FRAME_LIMIT:.0f} s)")
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
    for ended, gap in watcher.long_gaps:
        before = [kind for when, kind in actions if ended - gap - 1.0 <= when <= ended]
        print(f"frame gap of {gap:.2f} s ending at {ended:.1f} s, after: {' '.join(before)}")
    if watcher.worst_gap > FRAME_LIMIT:
        failures.append(f"a frame took {watcher.worst_gap:.2f} s "
                        f"({watcher.gaps_over_limit} over {FRAME_LIMIT:.0f} s)")
    for failure in failures:
        print(f"FAIL: {failure}")
    if not failures:
        print("PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
