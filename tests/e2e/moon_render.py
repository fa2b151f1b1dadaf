#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The moon program's command line, end to end, without a display.

Cases:
  options   --help, --version and bad command lines: status, output, and no
            attempt at a window (no display is given, so one would be reported)
  render    moon --render for a few seeds and frame counts, compared with the
            pictures committed in references/ within a tolerance (Mesa's
            software renderer may round differently from one release to the
            next). A failed comparison keeps the actual picture and a map of
            the differing pixels in the work folder and names them.

Usage: moon_render.py --moon PATH [--runner PATH] --references DIR --work DIR CASE
       moon_render.py --moon PATH --references DIR --update   (rewrite references)
--runner runs the program through another (Wine for a Windows build).
Exit status: 0 pass, 1 fail, 77 skipped (ImageMagick's convert is missing).
"""

import argparse
import os
import shutil
import subprocess
import sys

# The pictures: (seed, frames). Frames turn the circling light, and with it
# the sun and the lit sides of the hills.
RENDERS = [(42, 1), (1709294400, 90), (4294967295, 300)]

# A pixel differs when a channel is off by more than this (0-255); the
# picture differs when more than this share of its pixels do.
CHANNEL_TOLERANCE = 24
PIXEL_SHARE_TOLERANCE = 0.005


class CheckFailed(Exception):
    pass


def headless_env():
    """The environment without any display: the render needs none, and any
    attempt at an on-screen window would show as "no display"."""
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    return env


def run(args, timeout=120):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout,
                          env=headless_env())


def read_rgb(path):
    size = subprocess.run(["convert", path, "-format", "%w %h", "info:"],
                          check=True, capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"],
                         check=True, capture_output=True).stdout
    return width, height, raw


def reference_name(seed, frames):
    return f"render-seed{seed}-frames{frames}.png"


def render(moon, seed, frames, path, extra=()):
    result = run(moon + ["--render", path, "--seed", str(seed), "--frames", str(frames)]
                 + list(extra))
    if result.returncode != 0 or result.stdout or result.stderr:
        raise CheckFailed(f"moon --render (seed {seed}, frames {frames} {' '.join(extra)}): "
                          f"status {result.returncode}, out {result.stdout!r}, "
                          f"err {result.stderr!r}")


def compare(actual, expected, work):
    aw, ah, a = read_rgb(actual)
    ew, eh, e = read_rgb(expected)
    if (aw, ah) != (ew, eh):
        raise CheckFailed(f"{actual} is {aw}x{ah}, {expected} is {ew}x{eh}")
    differing = []
    for i in range(0, len(a), 3):
        if (abs(a[i] - e[i]) > CHANNEL_TOLERANCE or abs(a[i + 1] - e[i + 1]) > CHANNEL_TOLERANCE
                or abs(a[i + 2] - e[i + 2]) > CHANNEL_TOLERANCE):
            differing.append(i // 3)
    share = len(differing) / (aw * ah)
    if share > PIXEL_SHARE_TOLERANCE:
        # White where the pictures differ, for a person to look at.
        diff = bytearray(aw * ah)
        for pixel in differing:
            diff[pixel] = 255
        diff_path = os.path.join(work, os.path.basename(actual).replace(".png", "-diff.png"))
        subprocess.run(["convert", "-size", f"{aw}x{ah}", "-depth", "8", "gray:-", diff_path],
                       input=bytes(diff), check=True)
        raise CheckFailed(f"{actual} differs from {expected} in {share:.2%} of its pixels "
                          f"(more than {PIXEL_SHARE_TOLERANCE:.1%}); see {diff_path}")
    return share


def case_render(moon, references, work):
    for seed, frames in RENDERS:
        name = reference_name(seed, frames)
        actual = os.path.join(work, name)
        render(moon, seed, frames, actual)
        share = compare(actual, os.path.join(references, name), work)
        print(f"{name}: {share:.3%} of the pixels differ", flush=True)
        os.remove(actual)
    # A different seed is a different landscape: the comparison can fail.
    other = os.path.join(work, "other.png")
    render(moon, 43, 1, other)
    try:
        compare(other, os.path.join(references, reference_name(42, 1)), work)
    except CheckFailed:
        pass
    else:
        raise CheckFailed("seeds 42 and 43 rendered the same picture")
    # --refine changes nothing before the first move; --craters lays its
    # craters on the cells at once.
    expected = os.path.join(references, reference_name(42, 1))
    refined = os.path.join(work, "refined.png")
    render(moon, 42, 1, refined, ["--refine"])
    compare(refined, expected, work)
    cratered = os.path.join(work, "cratered.png")
    render(moon, 42, 1, cratered, ["--craters"])
    try:
        compare(cratered, expected, work)
    except CheckFailed:
        pass
    else:
        raise CheckFailed("--craters rendered the plain landscape")
    for leftover in os.listdir(work):
        os.remove(os.path.join(work, leftover))


def expect_usage_error(moon, args, named):
    result = run(moon + args, timeout=30)
    shown = " ".join(["moon"] + args)
    if result.returncode != 2:
        raise CheckFailed(f"{shown}: status {result.returncode}, expected 2")
    if result.stdout:
        raise CheckFailed(f"{shown}: printed {result.stdout!r} on standard output "
                          "(a window was attempted?)")
    lines = result.stderr.splitlines()
    if len(lines) != 1 or not lines[0].startswith("moon: ") or named not in lines[0]:
        raise CheckFailed(f"{shown}: standard error {result.stderr!r}, expected one line "
                          f"naming {named!r}")


def case_options(moon, references, work):
    result = run(moon + ["--help"], timeout=30)
    if result.returncode != 0 or not result.stdout.startswith("Usage: moon") or result.stderr:
        raise CheckFailed(f"moon --help: status {result.returncode}, {result.stdout!r}, "
                          f"{result.stderr!r}")
    result = run(moon + ["--version"], timeout=30)
    if result.returncode != 0 or not result.stdout.startswith("moon ") or \
            result.stdout.count("\n") != 1 or result.stderr:
        raise CheckFailed(f"moon --version: status {result.returncode}, {result.stdout!r}, "
                          f"{result.stderr!r}")
    expect_usage_error(moon, ["--fullscreen"], '"--fullscreen"')
    expect_usage_error(moon, ["--seed", "4294967296"], "--seed")
    expect_usage_error(moon, ["--seed", "12", "--seed", "13"], "--seed")
    expect_usage_error(moon, ["--render", "x.png", "--frames", "0"], "--frames")
    expect_usage_error(moon, ["--frames", "5"], "--frames")
    expect_usage_error(moon, ["landscape"], '"landscape"')

    # A picture that cannot be written: status 1, one line naming the file.
    missing = os.path.join(work, "no", "such", "folder", "x.png")
    result = run(moon + ["--render", missing, "--seed", "1"])
    if result.returncode != 1 or missing not in result.stderr or \
            result.stderr.count("\n") != 1:
        raise CheckFailed(f"unwritable render: status {result.returncode}, {result.stderr!r}")


CASES = {"options": case_options, "render": case_render}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--moon", required=True)
    parser.add_argument("--runner")
    parser.add_argument("--references", required=True)
    parser.add_argument("--work")
    parser.add_argument("--update", action="store_true")
    parser.add_argument("case", nargs="?", choices=sorted(CASES))
    args = parser.parse_args()
    moon = [args.runner, args.moon] if args.runner else [args.moon]
    if shutil.which("convert") is None:
        print("SKIP: ImageMagick's convert is missing (bash scripts/deps.sh test)")
        return 77
    if args.update:
        for seed, frames in RENDERS:
            path = os.path.join(args.references, reference_name(seed, frames))
            render(moon, seed, frames, path)
            print(f"wrote {path}")
        return 0
    if not args.case or not args.work:
        parser.error("CASE and --work are needed unless --update")
    os.makedirs(args.work, exist_ok=True)
    try:
        CASES[args.case](moon, args.references, args.work)
    except (CheckFailed, subprocess.TimeoutExpired) as failure:
        print(f"FAIL: {failure}", flush=True)
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
