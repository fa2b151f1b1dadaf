#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end checks of the moon viewer, as a person would see it.

Each case starts its own virtual X server (Xvfb, display number chosen by the
server through -displayfd, so cases never collide), the openbox window manager
(so windows close the way a user closes them), and the real `moon` program with
Mesa's software OpenGL. The program runs under libfaketime in start-at mode, so
its clock seed, and with it the landscape, is the same on every run; SDL's
timers keep the real monotonic clock.

Input goes through xdotool (keys reach the focused window, so the perspective
view is activated first), pictures come from ImageMagick's `import`, and the
checks compare pixels with tolerances. A failed case keeps its screenshots and
the program's output in its work folder and names them in the failure message.

Usage: moon_e2e.py --moon PATH [--runner PATH] --work DIR CASE   (CASE: windows, keys, mouse,
desktop, no-display, headless-recipe, server-killed, window-killed,
window-destroyed; `shot FILE` writes a picture of both windows for the README).
Exit status: 0 pass, 1 fail, 77 skipped (a tool is missing).
"""

import argparse
import glob
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time

PLAN_TITLE = "Moon : Plan view - Corvath"
PERSPECTIVE_TITLE = "Moon : Perspective view - Corvath"
PLAN_SIZE = (580, 435)
PERSPECTIVE_SIZE = (640, 480)

# The clock the program sees at start: a fixed seed, hence a fixed landscape.
FAKE_START = "@2024-03-01 12:00:00"
FAKE_START_SECONDS = 1709294400  # the same moment, in seconds since 1970 (UTC)

# The plan view sits at (600, 25) and the perspective view at (10, 10) with a
# client 640 wide, so the two overlap by some 60 pixels plus the frame. Pixels
# of an obscured part of a window are not its own: leave those strips out.
OVERLAP_MARGIN = 100

TOOLS = ["Xvfb", "openbox", "xdotool", "wmctrl", "xwininfo", "xprop", "import", "convert"]

# What a desktop matches the windows with: the desktop entry, and the icon
# the windows carry (the 64-pixel one from the icon theme).
SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
APP_ID = "io.github.moonviewer.Moon"
DESKTOP_ENTRY = os.path.join(SOURCE_DIR, "data", APP_ID + ".desktop")
ICON_64 = os.path.join(SOURCE_DIR, "data", "icons", "64x64", APP_ID + ".png")
README = os.path.join(SOURCE_DIR, "README.md")

# How long a key's effect may take to show. A settle ends as soon as it is seen:
# the wait is long only for a machine busy enough to draw a frame in seconds.
KEY_WAIT = 30

# A pixel counts as lit when its brightest channel exceeds this (0-255).
LIT_LEVEL = 24
# Two pixels differ when some channel differs by more than this (0-255).
DIFF_LEVEL = 20


class CheckFailed(Exception):
    pass


def log(text):
    print(text, flush=True)


# --- pictures --------------------------------------------------------------


class Picture:
    """An RGB picture: width, height and 3 bytes per pixel, rows from the top."""

    def __init__(self, path, width, height, data):
        self.path = path
        self.width = width
        self.height = height
        self.data = data

    def region(self, left=0, right=None):
        """Channel planes of the columns [left, right), every pixel."""
        right = self.width if right is None else right
        rows = []
        stride = self.width * 3
        for y in range(self.height):
            rows.append(self.data[y * stride + left * 3 : y * stride + right * 3])
        flat = b"".join(rows)
        return flat[0::3], flat[1::3], flat[2::3]


def read_picture(path):
    """Decodes a picture file with ImageMagick into raw RGB."""
    size = subprocess.run(
        ["convert", path, "-format", "%w %h", "info:"],
        check=True, capture_output=True, text=True,
    ).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(
        ["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True
    ).stdout
    if len(raw) != width * height * 3:
        raise CheckFailed(f"{path}: expected {width}x{height} RGB, got {len(raw)} bytes")
    return Picture(path, width, height, raw)


def lit_fraction(planes):
    r, g, b = planes
    lit = sum(1 for pr, pg, pb in zip(r, g, b) if max(pr, pg, pb) > LIT_LEVEL)
    return lit / max(1, len(r))


def mean_level(planes):
    """Mean of all three channels over the region, 0-255."""
    r, g, b = planes
    return (sum(r) + sum(g) + sum(b)) / (3 * max(1, len(r)))


def diff_fraction(planes_a, planes_b):
    """Share of pixels whose colour changed by more than DIFF_LEVEL."""
    ra, ga, ba = planes_a
    rb, gb, bb = planes_b
    changed = 0
    for i in range(len(ra)):
        if (
            abs(ra[i] - rb[i]) > DIFF_LEVEL
            or abs(ga[i] - gb[i]) > DIFF_LEVEL
            or abs(ba[i] - bb[i]) > DIFF_LEVEL
        ):
            changed += 1
    return changed / max(1, len(ra))


def changed_share(planes_a, planes_b, level=3):
    """Share of the lit pixels (lit in either picture) whose colour changed by
    more than level. For pictures of a still scene, which repeat exactly."""
    ra, ga, ba = planes_a
    rb, gb, bb = planes_b
    lit = changed = 0
    for i in range(len(ra)):
        if max(ra[i], ga[i], ba[i], rb[i], gb[i], bb[i]) > LIT_LEVEL:
            lit += 1
            if (abs(ra[i] - rb[i]) > level or abs(ga[i] - gb[i]) > level
                    or abs(ba[i] - bb[i]) > level):
                changed += 1
    return changed / max(1, lit)


def blue_share(planes):
    """Blue's share of the lit pixels' light: a hue measure that ignores brightness."""
    r, g, b = planes
    total = blue = 0
    for pr, pg, pb in zip(r, g, b):
        if max(pr, pg, pb) > LIT_LEVEL:
            total += pr + pg + pb
            blue += pb
    return blue / max(1, total)


# --- processes -------------------------------------------------------------


class Session:
    """A virtual X server with a window manager, and at most one moon on it."""

    def __init__(self, moon, work, runner=None, terrain=None):
        self.moon_path = moon
        self.terrain_path = terrain
        self.moon_args = []
        self.runner = runner
        self.work = work
        self.xvfb = None
        self.wm = None
        self.moon = None
        self.moon_out = None
        self.display = None
        self.shots = 0

    # Xvfb writes its display number to the descriptor given with -displayfd
    # once it accepts connections.
    def start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset", "+extension", "GLX"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.work, "xvfb.log"), "w"),
            start_new_session=True,
        )
        os.close(write_end)
        # Waited for with select: a server that neither writes nor ends must
        # not hold the case past the deadline.
        number = b""
        deadline = time.monotonic() + 30
        try:
            while not number.endswith(b"\n"):
                remaining = deadline - time.monotonic()
                if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                    break
                chunk = os.read(read_end, 64)
                if not chunk:
                    break
                number += chunk
        finally:
            os.close(read_end)
        if not number.strip():
            raise CheckFailed("Xvfb did not report a display (see xvfb.log)")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ)
        self.env["DISPLAY"] = self.display
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("SDL_VIDEODRIVER", None)
        self.env["LIBGL_ALWAYS_SOFTWARE"] = "1"
        # A window manager that could not reach the new server (seen under
        # load) is started once more.
        for attempt in range(3):
            self.wm = subprocess.Popen(
                ["openbox", "--sm-disable"], env=self.env, stdout=subprocess.DEVNULL,
                stderr=open(os.path.join(self.work, "openbox.log"), "a"),
                start_new_session=True,
            )
            try:
                wait_until(lambda: self.wm_ready(), 30, "the window manager to start")
                break
            except CheckFailed:
                if attempt == 2 or self.wm.poll() is None:
                    raise
                time.sleep(0.5)

    def wm_ready(self):
        if self.wm.poll() is not None:
            raise CheckFailed("the window manager ended (see openbox.log)")
        return self.run(["wmctrl", "-m"], check=False).returncode == 0

    def moon_command(self):
        """The program, through the runner if there is one (Wine)."""
        return [self.runner, self.moon_path] if self.runner else [self.moon_path]

    def run(self, argv, check=True):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              check=check, timeout=30)

    def start_moon(self):
        env = dict(self.env)
        command = self.moon_command() + self.moon_args
        if self.runner:
            # Under Wine the clock is not faked: the seed it would give is
            # passed instead. The runner keeps this case's display.
            env["MOON_KEEP_DISPLAY"] = "1"
            command += ["--seed", str(FAKE_START_SECONDS)]
        else:
            env["LD_PRELOAD"] = find_faketime()
            env["FAKETIME"] = FAKE_START
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        self.moon_out = os.path.join(self.work, "moon-output.txt")
        self.moon = subprocess.Popen(
            command, env=env, stdin=subprocess.DEVNULL,
            stdout=open(self.moon_out, "w"), stderr=subprocess.STDOUT,
        )

    def output(self):
        with open(self.moon_out, errors="replace") as output:
            return output.read()

    def wait_line(self, pattern, timeout=30, what=None):
        """The first match of pattern in the program's output, waited for."""
        found = []

        def matched():
            self.assert_running()
            found[:] = re.findall(pattern, self.output(), re.MULTILINE)
            return bool(found)

        wait_until(matched, timeout, what or f"a line matching {pattern!r}")
        return found[0]

    def window(self, title, visible=True):
        """Id of the client window with this exact title, or None."""
        argv = ["xdotool", "search"]
        if visible:
            argv.append("--onlyvisible")
        argv += ["--name", "^" + title.replace("(", r"\(").replace(")", r"\)") + "$"]
        result = self.run(argv, check=False)
        ids = result.stdout.split()
        return ids[0] if ids else None

    def wait_window(self, title, timeout=60):
        found = []

        def appeared():
            self.assert_running()
            wid = self.window(title)
            if wid:
                found.append(wid)
            return bool(wid)

        wait_until(appeared, timeout, f'the window "{title}"')
        return found[0]

    def window_info(self, wid):
        """Client size and map state from xwininfo."""
        info = {}
        for line in self.run(["xwininfo", "-id", wid]).stdout.splitlines():
            key, _, value = line.strip().partition(":")
            info[key.strip()] = value.strip()
        return int(info["Width"]), int(info["Height"]), info.get("Map State", "")

    def assert_running(self):
        if self.moon is not None and self.moon.poll() is not None:
            raise CheckFailed(f"moon ended early with status {self.moon.returncode}"
                              f" (output in {self.moon_out})")

    def shoot(self, wid, label):
        """Screenshot of one window's client area, kept in the work folder."""
        self.shots += 1
        path = os.path.join(self.work, f"{self.shots:02d}-{label}.png")
        self.run(["import", "-silent", "-window", wid, path])
        return read_picture(path)

    def focus(self, wid):
        self.run(["xdotool", "windowactivate", "--sync", wid], check=False)
        # getwindowfocus fails while the focus is on no window (the root):
        # keep polling through that.
        wait_until(lambda: self.run(["xdotool", "getwindowfocus"], check=False).stdout.strip()
                   == wid, 10, "the keyboard focus")

    def keys(self, *names):
        self.run(["xdotool", "key", "--delay", "60"] + list(names))

    def stop(self):
        for proc in (self.moon, self.wm, self.xvfb):
            if proc is not None and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()


def find_faketime():
    found = sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1"))
    found += sorted(glob.glob("/usr/lib/faketime/libfaketime.so.1"))
    if not found:
        raise SkipCase("libfaketime is not installed")
    return found[0]


class SkipCase(Exception):
    pass


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        if predicate():
            return
        if time.monotonic() > deadline:
            raise CheckFailed(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.2)


def settle(session, wid, label, region, accept, timeout=15, what="the picture"):
    """Screenshots the window until accept(planes) holds; returns the last planes.

    Frames take a while in software GL on a busy machine, so a change shows some
    frames after the input that caused it: poll rather than sleep a fixed time.
    """
    deadline = time.monotonic() + timeout
    while True:
        session.assert_running()
        picture = session.shoot(wid, label)
        planes = picture.region(*region)
        if accept(planes):
            return planes
        if time.monotonic() > deadline:
            raise CheckFailed(f"{what}: not seen within {timeout} s; last picture {picture.path}")
        time.sleep(0.3)


def expect(condition, message, *pictures):
    if not condition:
        names = ", ".join(p for p in pictures if p)
        raise CheckFailed(message + (f" (pictures: {names})" if names else ""))


# --- cases -----------------------------------------------------------------

# Analysed columns of each window: the part no other window can cover.
PLAN_REGION = (OVERLAP_MARGIN, PLAN_SIZE[0])
PERSPECTIVE_REGION = (0, PERSPECTIVE_SIZE[0] - OVERLAP_MARGIN)


def open_both(session):
    session.start_display()
    session.start_moon()
    plan = session.wait_window(PLAN_TITLE)
    perspective = session.wait_window(PERSPECTIVE_TITLE)
    session.focus(perspective)
    # Wait for real frames: the first paint of a window is black.
    settle(session, plan, "plan-first", PLAN_REGION, lambda p: lit_fraction(p) > 0.05,
           30, "a drawn plan view")
    settle(session, perspective, "perspective-first", PERSPECTIVE_REGION,
           lambda p: lit_fraction(p) > 0.05, 30, "a drawn perspective view")
    return plan, perspective


def steady(session, wid, region, label, measure, limit, timeout=20):
    """Pairs of pictures 0.7 s apart until measure(first, second) < limit;
    returns the second. A change of input shows some frames later, and frames
    are slow on a busy machine, so the first pairs may still differ."""
    deadline = time.monotonic() + timeout
    while True:
        session.assert_running()
        first = session.shoot(wid, label + "-a")
        time.sleep(0.7)
        second = session.shoot(wid, label + "-b")
        change = measure(first.region(*region), second.region(*region))
        if change < limit:
            return second
        if time.monotonic() > deadline:
            raise CheckFailed(f"{label}: the picture keeps changing ({change:.3f}); "
                              f"pictures {first.path}, {second.path}")


def steady_plan(session, plan, label):
    """A plan picture that holds still: the scene in it has stopped moving."""
    return steady(session, plan, PLAN_REGION, label, changed_share, 0.01)


def dim_circling_light(session, plan):
    """Four Shift+[ presses put out the circling light: the terrain stays lit by the
    four fixed lights, and with nothing moving in the plan view its picture holds
    still, which the later checks rely on."""
    before = session.shoot(plan, "lights-before").region(*PLAN_REGION)
    session.keys(*(["shift+bracketleft"] * 4))
    picture = steady_plan(session, plan, "circling-light-off")
    planes = picture.region(*PLAN_REGION)
    expect(lit_fraction(planes) > 0.5 * lit_fraction(before) and lit_fraction(planes) > 0.1,
           "Shift+[ left the terrain unlit", picture.path)
    return picture


def case_windows(session):
    plan, perspective = open_both(session)
    for wid, title, size in ((plan, PLAN_TITLE, PLAN_SIZE),
                             (perspective, PERSPECTIVE_TITLE, PERSPECTIVE_SIZE)):
        width, height, state = session.window_info(wid)
        expect((width, height) == size,
               f'"{title}" has client size {width}x{height}, expected {size[0]}x{size[1]}')
        expect(state == "IsViewable", f'"{title}" is not shown ({state})')
    plan_picture = session.shoot(plan, "plan")
    perspective_picture = session.shoot(perspective, "perspective")
    for picture, region, name in ((plan_picture, PLAN_REGION, "plan"),
                                  (perspective_picture, PERSPECTIVE_REGION, "perspective")):
        planes = picture.region(*region)
        expect(lit_fraction(planes) > 0.1, f"the {name} view is blank", picture.path)
    log("ok: both windows shown with their titles and client sizes, neither blank")

    # Closing the plan view only hides it.
    session.run(["wmctrl", "-F", "-c", PLAN_TITLE])
    wait_until(lambda: session.window(PLAN_TITLE) is None, 10, "the plan view to hide")
    time.sleep(1.0)
    session.assert_running()
    expect(session.window(PERSPECTIVE_TITLE) == perspective,
           "the perspective view went away with the plan view")
    settle(session, perspective, "perspective-alone", PERSPECTIVE_REGION,
           lambda p: lit_fraction(p) > 0.1, 10, "the perspective view still drawing")
    log("ok: closing the plan view hides it and the program runs on")

    # Closing the perspective view ends the program.
    closed_at = time.monotonic()
    close_and_expect_success(session, 5)
    log(f"ok: closing the perspective view ended moon with status 0 in "
        f"{time.monotonic() - closed_at:.2f} s")


def case_keys(session):
    # Verbose: Space names each new landscape, so the check knows when it was taken.
    session.moon_args = ["--verbose"]
    plan, perspective = open_both(session)
    lit = dim_circling_light(session, plan)
    log("ok: Shift+[ puts out the circling light and leaves the terrain lit")

    # [ dims the four fixed lights, ] brightens them again.
    base = lit.region(*PLAN_REGION)
    base_level = mean_level(base)
    session.keys("bracketleft")
    darker = settle(session, plan, "darker", PLAN_REGION,
                    lambda p: mean_level(p) < 0.9 * base_level, KEY_WAIT, "a darker terrain after [")
    session.keys("bracketright", "bracketright")
    settle(session, plan, "brighter", PLAN_REGION,
           lambda p: mean_level(p) > 1.05 * base_level, KEY_WAIT, "a brighter terrain after ] ]")
    session.keys("bracketleft")
    settle(session, plan, "restored", PLAN_REGION,
           lambda p: changed_share(p, base) < 0.01, KEY_WAIT, "the first brightness again")
    log(f"ok: [ and ] darken and brighten (mean level {base_level:.1f} -> "
        f"{mean_level(darker):.1f})")

    # Palettes: every key gives colours of its own, 1 brings back the first.
    seen = [base]
    for key in "23456":
        session.keys(key)
        planes = settle(
            session, plan, f"palette-{key}", PLAN_REGION,
            lambda p: all(changed_share(p, s) > 0.5 for s in seen), KEY_WAIT,
            f"new terrain colours after key {key}")
        expect(lit_fraction(planes) > 0.1, f"key {key} made the terrain dark")
        seen.append(planes)
    session.keys("1")
    settle(session, plan, "palette-1", PLAN_REGION, lambda p: changed_share(p, base) < 0.01, KEY_WAIT,
           "the first palette again after key 1")
    # Palette 2 (key 3) is the blue one: a sign the keys pick the right palettes.
    expect(blue_share(seen[2]) > blue_share(base) + 0.05,
           "key 3 did not give the bluish palette")
    log("ok: keys 2 to 6 each recolour the terrain, 1 restores the first colours")

    # W: lines on black, in both views. F and S: filled again.
    filled_plan = lit_fraction(base)
    filled_perspective = lit_fraction(
        session.shoot(perspective, "perspective-filled").region(*PERSPECTIVE_REGION))
    session.keys("w")
    settle(session, plan, "wire-plan", PLAN_REGION,
           lambda p: lit_fraction(p) < 0.6 * filled_plan, KEY_WAIT, "lines on black in the plan view")
    settle(session, perspective, "wire-perspective", PERSPECTIVE_REGION,
           lambda p: lit_fraction(p) < 0.75 * filled_perspective, KEY_WAIT,
           "lines on black in the perspective view")
    for key, name in (("f", "flat"), ("w", "wire-again"), ("s", "smooth")):
        session.keys(key)
        if key == "w":
            settle(session, plan, name, PLAN_REGION,
                   lambda p: lit_fraction(p) < 0.6 * filled_plan, KEY_WAIT, "lines again")
            continue
        settle(session, plan, name + "-plan", PLAN_REGION,
               lambda p: lit_fraction(p) > 0.9 * filled_plan, KEY_WAIT,
               f"filled terrain after {key.upper()} in the plan view")
        settle(session, perspective, name + "-perspective", PERSPECTIVE_REGION,
               lambda p: lit_fraction(p) > 0.9 * filled_perspective, KEY_WAIT,
               f"filled terrain after {key.upper()} in the perspective view")
    log("ok: W gives lines on black, F and S give filled terrain")

    # Space: a different landscape under the same camera and lights.
    session.keys("f")
    settle(session, plan, "before-space", PLAN_REGION,
           lambda p: lit_fraction(p) > 0.9 * filled_plan, KEY_WAIT, "filled terrain")
    before = steady_plan(session, plan, "before-space").region(*PLAN_REGION)
    session.keys("space")
    # Taken once the program says so; then a frame or two shows it, however
    # slowly a loaded machine draws.
    session.wait_line(r"^moon: landscape 1 of seed ", 60, "the line of the new landscape")
    settle(session, plan, "after-space", PLAN_REGION, lambda p: changed_share(p, before) > 0.5,
           KEY_WAIT, "a different landscape after Space")
    log("ok: Space gives a different landscape")


def host_path(path):
    """A path the program printed, as this system names it (Wine prints Z:\\...)."""
    if re.match(r"^[Zz]:[\\/]", path):
        return path[2:].replace("\\", "/")
    return path


def close_and_expect_success(session, timeout=10):
    """Closes the perspective view, which ends moon with status 0."""
    session.run(["wmctrl", "-F", "-c", PERSPECTIVE_TITLE])
    try:
        status = session.moon.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise CheckFailed(f"moon still runs {timeout} s after its perspective view was closed")
    expect(status == 0, f"moon ended with status {status} after the perspective view closed")


def case_keep(session):
    """Space twice, then E: the file is moon-terrain's export of that landscape,
    byte for byte; P: a picture of both views at the render's size; and every
    10 s a line of frames for each view."""
    if not session.terrain_path:
        raise SkipCase("needs --terrain")
    saved = os.path.join(session.work, "saved")
    session.moon_args = ["--verbose", "--save-dir", saved]
    plan, perspective = open_both(session)
    seed = session.wait_line(r"^moon: seed (\d+)$")
    session.keys("space")
    session.wait_line(rf"^moon: landscape 1 of seed {seed}; ", 30, "the line of the first Space")
    session.keys("space")
    session.wait_line(rf"^moon: landscape 2 of seed {seed}; to keep it: moon-terrain export "
                      rf"--seed {seed} --regenerations 2 ", 30, "the line of the second Space")
    log("ok: each Space names its landscape and the command that exports it")

    session.keys("e")
    path, command = session.wait_line(r"^moon: saved the landscape (.+), as (moon-terrain export "
                                      r".+) writes it$", 60, "the landscape saved")
    path = host_path(path)
    expect(os.path.basename(path) == f"moon-{seed}-2-1.glb", f"E saved {path}")
    reference = os.path.join(session.work, "reference.glb")
    argv = [reference if word == "FILE.glb" else word for word in command.split()[1:]]
    terrain = [session.runner, session.terrain_path] if session.runner else [session.terrain_path]
    subprocess.run(terrain + argv, check=True, capture_output=True, timeout=120)
    with open(path, "rb") as kept, open(reference, "rb") as exported:
        expect(kept.read() == exported.read(),
               f"E's file {path} differs from {command} ({reference})")
    log(f"ok: E after two Spaces writes the bytes of {command}")

    session.keys("p")
    path = host_path(session.wait_line(r"^moon: saved the picture (.+)$", 60, "the picture saved"))
    expect(os.path.basename(path) == f"moon-{seed}-2-1.png", f"P saved {path}")
    picture = read_picture(path)
    size = (PERSPECTIVE_SIZE[0] + PLAN_SIZE[0], max(PERSPECTIVE_SIZE[1], PLAN_SIZE[1]))
    expect((picture.width, picture.height) == size,
           f"P's picture is {picture.width}x{picture.height}, not {size[0]}x{size[1]}", path)
    expect(lit_fraction(picture.region(*PERSPECTIVE_REGION)) > 0.05, "P's picture is dark", path)
    session.keys("p")
    second = host_path(session.wait_line(r"^moon: saved the picture (.+-2\.png)$", 60,
                                         "a second picture beside the first"))
    log(f"ok: P saves both views, {size[0]}x{size[1]}, and a second press a second file "
        f"({os.path.basename(second)})")

    frames = session.wait_line(r"^moon: perspective view: (\d+) frames in ([\d.]+) s, "
                               r"longest gap ([\d.]+) s", 40, "a line of frames")
    expect(int(frames[0]) > 0, f"no frames counted: {frames}")
    log(f"ok: frames counted: {frames[0]} in {frames[1]} s, longest gap {frames[2]} s")
    close_and_expect_success(session)


def case_keep_refused(session):
    """A save folder that cannot be made: one line, and the viewer goes on."""
    blocker = os.path.join(session.work, "a-file")
    with open(blocker, "w") as file:
        file.write("not a folder\n")
    session.moon_args = ["--save-dir", os.path.join(blocker, "pictures")]
    plan, perspective = open_both(session)
    session.keys("p")
    session.wait_line(r"^moon: picture not saved: .*a-file", 60, "the refusal")
    time.sleep(1.0)
    session.assert_running()
    lines = [line for line in session.output().splitlines() if "not saved" in line]
    expect(len(lines) == 1, f"expected one line for the refused picture, got {lines}")
    settle(session, perspective, "after-refusal", PERSPECTIVE_REGION,
           lambda p: lit_fraction(p) > 0.05, 10, "the perspective view still drawing")
    log(f"ok: an unwritable save folder gives one line ({lines[0]}) and moon runs on")
    close_and_expect_success(session)


def drag(session, wid, buttons, dy, steps=12):
    """Presses the buttons at the window's centre, moves dy pixels (X's y, downward
    positive) in small steps, and lets go."""
    argv = ["xdotool", "mousemove", "--window", wid, "320", "240", "sleep", "0.2"]
    for button in buttons:
        argv += ["mousedown", str(button), "sleep", "0.1"]
    for _ in range(steps):
        argv += ["mousemove_relative", "--", "0", str(dy // steps), "sleep", "0.08"]
    for button in reversed(buttons):
        argv += ["mouseup", str(button), "sleep", "0.1"]
    session.run(argv)


def case_mouse(session):
    plan, perspective = open_both(session)
    dim_circling_light(session, plan)
    before_plan = session.shoot(plan, "plan-before-zoom").region(*PLAN_REGION)

    # Both buttons, dragging up: the camera goes down, the map zooms in. The
    # camera starts near the terrain's corner, so zooming in fills more of the
    # window with terrain.
    drag(session, perspective, (1, 3), -120)
    settle(session, plan, "plan-zoomed", PLAN_REGION,
           lambda p: lit_fraction(p) > lit_fraction(before_plan) + 0.1, 10,
           "the plan view zoomed in after a two-button drag")
    log("ok: a two-button drag changes the plan view's zoom")

    # The perspective view is still but for the sun; a left drag moves the camera.
    second = steady(session, perspective, PERSPECTIVE_REGION, "perspective-still",
                    diff_fraction, 0.05).region(*PERSPECTIVE_REGION)
    drag(session, perspective, (1,), 200)
    settle(session, perspective, "perspective-moved", PERSPECTIVE_REGION,
           lambda p: diff_fraction(p, second) > 0.2, 10,
           "a changed perspective picture after a left drag")
    log("ok: a left drag changes the perspective picture")

    # SIGTERM: the program ends by itself (no death by the signal) and takes its
    # windows with it. Windows has no SIGTERM: under Wine the signal kills the
    # process, and Ctrl+C is the console's own (checked apart), so the case
    # ends here there.
    if session.runner:
        return
    session.moon.send_signal(signal.SIGTERM)
    try:
        status = session.moon.wait(timeout=5)
    except subprocess.TimeoutExpired:
        raise CheckFailed("moon still runs 5 s after SIGTERM")
    expect(status >= 0, f"moon was killed by signal {-status} instead of ending on SIGTERM")
    for title in (PLAN_TITLE, PERSPECTIVE_TITLE):
        expect(session.window(title, visible=False) is None, f'"{title}" is left after SIGTERM')
    log(f"ok: SIGTERM ends moon (status {status}) with every window closed")


def window_property(session, wid, name, form):
    """A window property's values as text, comma-separated; form as xprop takes it
    (8s: strings, 32c: numbers)."""
    out = session.run(["xprop", "-id", wid, "-notype", "-f", name, form, "=$0+", name]).stdout
    _, found, values = out.strip().partition("=")
    return values.strip() if found else None


def case_desktop(session):
    plan, perspective = open_both(session)
    entry = {}
    with open(DESKTOP_ENTRY) as lines:
        for line in lines:
            key, found, value = line.strip().partition("=")
            if found:
                entry[key] = value
    # The icon as X carries it: width, height, then one ARGB number a pixel.
    raw = subprocess.run(["convert", ICON_64, "-depth", "8", "rgba:-"], check=True,
                         capture_output=True).stdout
    expected_icon = [64, 64] + [
        (raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
        for i in range(0, len(raw), 4)
    ]
    for wid, name in ((plan, "plan"), (perspective, "perspective")):
        wm_class = window_property(session, wid, "WM_CLASS", "8s")
        expect(wm_class == f'"{APP_ID}", "{APP_ID}"',
               f"the {name} view's WM_CLASS is {wm_class}, expected {APP_ID} twice")
        expect(entry.get("StartupWMClass") == APP_ID,
               f"the desktop entry's StartupWMClass is {entry.get('StartupWMClass')}, "
               f"not the windows' class {APP_ID}")
        icon = window_property(session, wid, "_NET_WM_ICON", "32c")
        expect(icon is not None, f"the {name} view carries no _NET_WM_ICON")
        values = [int(value) for value in icon.split(",")]
        expect(values[:2] == [64, 64], f"the {name} view's icon is {values[:2]}, not 64 x 64")
        expect(values == expected_icon,
               f"the {name} view's icon is not the picture in {ICON_64}")
    log(f"ok: both windows have the class {APP_ID} (the desktop entry's StartupWMClass) "
        f"and carry the 64-pixel icon")


# The README's recipe for a machine without a screen: these commands, in this
# order, with the authority file in the work folder (the test waits where a
# person looks).
RECIPE_COMMANDS = [
    'xvfb-run -a -f /tmp/moon.xauth -s "-screen 0 1280x1024x24" moon &',
    "xauth -f /tmp/moon.xauth list",
    'XAUTHORITY=/tmp/moon.xauth import -display "$display" -window root shot.png',
]


def case_headless_recipe(session):
    for tool in ("xvfb-run", "xauth", "import", "xdotool"):
        if shutil.which(tool) is None:
            raise SkipCase(f"{tool} is missing")
    with open(README) as readme:
        text = readme.read()
    for command in RECIPE_COMMANDS:
        expect(command in text, f"the README's recipe no longer says: {command}")

    auth = os.path.join(session.work, "moon.xauth")
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XAUTHORITY"):
        env.pop(name, None)
    env["LIBGL_ALWAYS_SOFTWARE"] = "1"
    session.moon_out = os.path.join(session.work, "moon-output.txt")
    # Its own process group, so nothing it started can outlive the case.
    runner = subprocess.Popen(
        ["xvfb-run", "-a", "-f", auth, "-s", "-screen 0 1280x1024x24", session.moon_path],
        env=env, stdin=subprocess.DEVNULL, stdout=open(session.moon_out, "w"),
        stderr=subprocess.STDOUT, start_new_session=True)
    try:
        display = []

        def display_named():
            if runner.poll() is not None:
                raise CheckFailed(f"xvfb-run ended with status {runner.returncode} "
                                  f"(output in {session.moon_out})")
            listed = subprocess.run(["xauth", "-f", auth, "list"], env=env,
                                    capture_output=True, text=True).stdout
            found = re.search(r"(:\d+)\s", listed)
            if found:
                display.append(found.group(1))
            return bool(found)

        wait_until(display_named, 30, "xvfb-run to write its authority file")
        shot_env = dict(env)
        shot_env["XAUTHORITY"] = auth
        shot = os.path.join(session.work, "shot.png")
        lit = [0.0]

        def picture_drawn():
            if runner.poll() is not None:
                raise CheckFailed(f"moon ended with status {runner.returncode} "
                                  f"(output in {session.moon_out})")
            taken = subprocess.run(["import", "-display", display[0], "-window", "root", shot],
                                   env=shot_env, capture_output=True, text=True, timeout=30)
            expect(taken.returncode == 0, f"import failed: {taken.stderr.strip()}")
            lit[0] = lit_fraction(read_picture(shot).region())
            return lit[0] > 0.05

        wait_until(picture_drawn, 60, f"moon's windows in a picture of the screen ({shot})")
        log(f"ok: the README's recipe gives a picture of the screen, {lit[0]:.0%} of it lit")

        # Closed as a user's SIGTERM closes it: xvfb-run then ends with its status.
        pid = subprocess.run(["xdotool", "search", "--name", "^" + PERSPECTIVE_TITLE + "$",
                              "getwindowpid"], env=dict(shot_env, DISPLAY=display[0]),
                             capture_output=True, text=True).stdout.split()
        expect(pid, "no process owns the perspective view")
        os.kill(int(pid[0]), signal.SIGTERM)
        status = runner.wait(timeout=10)
        expect(status == 0, f"xvfb-run moon ended with status {status} after SIGTERM")
    finally:
        if runner.poll() is None:
            os.killpg(runner.pid, signal.SIGKILL)
            runner.wait()


def case_no_display(session):
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    try:
        result = subprocess.run(session.moon_command(), env=env, capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=20)
    except subprocess.TimeoutExpired:
        raise CheckFailed("moon without a display still runs after 20 s")
    with open(os.path.join(session.work, "moon-output.txt"), "w") as out:
        out.write(result.stdout + result.stderr)
    lines = result.stdout.splitlines()
    expect(result.returncode == 1, f"moon without a display ended with status "
           f"{result.returncode}, expected 1; output: {lines}")
    failures = [line for line in lines if line.startswith("Failed to")]
    expect(failures, f"no failure line on standard output: {lines}")
    # The window system's reason follows the framework's own words.
    expect(any(len(line) > len("Failed to create window") + 3 for line in failures)
           or len(lines) > len(failures),
           f"the failure lines give no reason: {lines}")
    # Then one line of our own on standard error, which a launcher or a
    # redirected standard output still shows: the cause and what to do. No
    # driver's probe (libwayland's XDG_RUNTIME_DIR complaint) reaches the user.
    explained = result.stderr.splitlines()
    expect(len(explained) == 1 and explained[0].startswith("moon: no window could be opened: "
                                                          "no display")
           and "--render" in explained[0],
           f"standard error does not explain the failure in one line: {result.stderr!r}")
    log(f"ok: without a display moon prints {lines}, then {explained[0]!r}, and ends with "
        "status 1")

    # A display that is named but cannot be opened is named in the reason.
    env["DISPLAY"] = ":987"
    env.pop("XDG_RUNTIME_DIR", None)
    result = subprocess.run(session.moon_command(), env=env, capture_output=True, text=True,
                            stdin=subprocess.DEVNULL, timeout=20)
    expect(result.returncode == 1, f"moon with DISPLAY=:987 ended with status {result.returncode}")
    expect("cannot open display :987" in result.stdout.splitlines(),
           f"the display is not named: {result.stdout!r}")
    explained = result.stderr.splitlines()
    expect(len(explained) == 1 and "cannot open display :987" in explained[0],
           f"standard error does not name the display in one line: {result.stderr!r}")
    log("ok: an unreachable display is named: cannot open display :987")


# How long the program may take to end once its display is gone, seconds.
DISPLAY_LOSS_LIMIT = 2.0


def expect_display_lost(session, what):
    """The program ends by itself with status 1 and one line naming the display."""
    started = time.monotonic()
    try:
        status = session.moon.wait(timeout=DISPLAY_LOSS_LIMIT)
    except subprocess.TimeoutExpired:
        raise CheckFailed(f"moon still runs {DISPLAY_LOSS_LIMIT} s after {what}")
    elapsed = time.monotonic() - started
    with open(session.moon_out) as out:
        lines = out.read().splitlines()
    expect(status == 1, f"moon ended with status {status} after {what}; output: {lines}")
    pattern = re.compile(r"^moon: lost the display " + re.escape(session.display) + r" \(.+\)$")
    expect(len(lines) == 1 and pattern.match(lines[0]),
           f"expected one line naming the display {session.display}, got {lines}")
    log(f"ok: after {what} moon ended with status 1 in {elapsed:.2f} s: {lines[0]}")


def case_server_killed(session):
    open_both(session)
    session.xvfb.kill()
    session.xvfb.wait()
    expect_display_lost(session, "the X server was killed")


def case_window_killed(session):
    _, perspective = open_both(session)
    session.run(["xdotool", "windowkill", perspective])  # closes our connection (XKillClient)
    expect_display_lost(session, "its window was killed")


def case_window_destroyed(session):
    _, perspective = open_both(session)
    session.run(["xdotool", "windowclose", perspective])  # XDestroyWindow from outside
    expect_display_lost(session, "its perspective view was destroyed from outside")


def case_shot(session, target):
    """Both windows as they sit on the screen, cropped to them (for the README)."""
    plan, perspective = open_both(session)
    time.sleep(2.0)
    right = bottom = 0
    for wid in (plan, perspective):
        info = {}
        for line in session.run(["xwininfo", "-id", wid]).stdout.splitlines():
            key, _, value = line.strip().partition(":")
            info[key.strip()] = value.strip()
        right = max(right, int(info["Absolute upper-left X"]) + int(info["Width"]))
        bottom = max(bottom, int(info["Absolute upper-left Y"]) + int(info["Height"]))
    raw = os.path.join(session.work, "screen.png")
    session.run(["import", "-silent", "-window", "root", raw])
    # A few pixels more for the window manager's borders.
    session.run(["convert", raw, "-crop", f"{right + 4}x{bottom + 4}+0+0", "+repage", target])
    log(f"wrote {target}")


CASES = {
    "windows": case_windows,
    "keys": case_keys,
    "keep": case_keep,
    "keep-refused": case_keep_refused,
    "mouse": case_mouse,
    "desktop": case_desktop,
    "no-display": case_no_display,
    "headless-recipe": case_headless_recipe,
    "server-killed": case_server_killed,
    "window-killed": case_window_killed,
    "window-destroyed": case_window_destroyed,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--moon", required=True)
    parser.add_argument("--runner", help="runs the program (Wine for a Windows build)")
    parser.add_argument("--terrain", help="moon-terrain, for the keep case")
    parser.add_argument("--work", required=True)
    parser.add_argument("case", choices=sorted(CASES) + ["shot"])
    parser.add_argument("target", nargs="?")
    parser.add_argument("--keep", action="store_true", help="keep the pictures on success too")
    args = parser.parse_args()

    # ctest ends a case that runs too long with SIGTERM: clean up on the way out.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    session = Session(os.path.abspath(args.moon), args.work, args.runner,
                      os.path.abspath(args.terrain) if args.terrain else None)
    try:
        if args.case not in ("no-display", "headless-recipe"):
            missing = [tool for tool in TOOLS if shutil.which(tool) is None]
            if missing:
                raise SkipCase("missing tools: " + " ".join(missing))
        if args.case == "shot":
            case_shot(session, os.path.abspath(args.target))
        else:
            CASES[args.case](session)
    except SkipCase as skip:
        log(f"skipped: {skip}")
        return 77
    except (CheckFailed, subprocess.CalledProcessError, subprocess.TimeoutExpired) as failure:
        log(f"FAIL ({args.case}): {failure}")
        log(f"screenshots and program output kept in {args.work}:")
        for name in sorted(os.listdir(args.work)):
            log("  " + os.path.join(args.work, name))
        return 1
    finally:
        session.stop()
    if not args.keep:
        shutil.rmtree(args.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
