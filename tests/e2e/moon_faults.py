#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How both programs end when something goes wrong, end to end, with no display.

Cases:
  memory     moon --render and moon-terrain export --depth 8 under address-space
             limits (ulimit -v), from where the program cannot start at all to
             where it runs: each run ends with status 0, or status 1 and one
             line on standard error, never by a signal; a refused run leaves an
             existing file as it was and no temporary file beside it.
  interrupt  SIGTERM and SIGINT during a long render: it stops within half a
             second with status 1 and one line, writes nothing and keeps an
             existing picture.
  output     output that cannot be written: every help and version text into
             a full device; a target in a missing folder refused before the
             tree is built; moon --render - writing the picture to standard
             output.

Usage: moon_faults.py --moon PATH --terrain PATH [--runner PATH] --work DIR CASE
--runner runs the programs through another (Wine for a Windows build); the
cases that need POSIX limits or signals are then skipped.
Exit status: 0 pass, 1 fail, 77 skipped.
"""

import argparse
import os
import resource
import shutil
import signal
import subprocess
import sys
import time

MIB = 1 << 20

# Address-space limits tried, MiB: below the lowest the dynamic loader cannot
# even map the program's libraries; at the highest both programs run.
RENDER_LIMITS = range(16, 801, 16)
EXPORT_LIMITS = range(8, 401, 8)

# How long a render may go on after a close request, seconds.
INTERRUPT_LIMIT = 0.5

OLD_CONTENT = b"the picture from before\n"


class CheckFailed(Exception):
    pass


class Skipped(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def headless_env():
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    return env


def run(command, timeout=120, limit_mib=None, stdout=subprocess.PIPE):
    def limit():
        size = limit_mib * MIB
        resource.setrlimit(resource.RLIMIT_AS, (size, size))

    return subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, timeout=timeout,
                          env=headless_env(), preexec_fn=limit if limit_mib else None)


def fresh_folder(work, name):
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def expect_one_line(result, shown, wanted=None):
    lines = result.stderr.decode(errors="replace").splitlines()
    expect(len(lines) == 1, f"{shown}: standard error {lines}, expected one line")
    if wanted:
        expect(wanted in lines[0], f"{shown}: {lines[0]!r} does not say {wanted!r}")
    return lines[0]


def sweep(command, limits, target, program):
    """Runs command under each limit with an old file at target. Returns the
    lowest limit that ran and what the refusals said."""
    folder = os.path.dirname(target)
    lowest_run = None
    refusals = {}
    for limit in limits:
        with open(target, "wb") as old:
            old.write(OLD_CONTENT)
        shown = f"{' '.join(command)} under ulimit -v {limit} MiB"
        result = run(command, limit_mib=limit)
        status = result.returncode
        expect(status >= 0, f"{shown}: ended by signal {-status}; standard error "
               f"{result.stderr.decode(errors='replace')!r}")
        left = sorted(os.listdir(folder))
        expect(left == [os.path.basename(target)], f"{shown}: the folder holds {left}")
        if status == 127 and lowest_run is None:
            # The loader could not map the libraries: the program never started.
            expect(b"error while loading shared libraries" in result.stderr,
                   f"{shown}: status 127 without the loader's message")
            continue
        if status == 0:
            lowest_run = limit if lowest_run is None else lowest_run
            with open(target, "rb") as new:
                expect(new.read() != OLD_CONTENT, f"{shown}: status 0 but nothing written")
            continue
        expect(status == 1, f"{shown}: status {status}, expected 0 or 1")
        line = expect_one_line(result, shown, program + ": ")
        refusals[line] = refusals.get(line, []) + [limit]
        with open(target, "rb") as old:
            expect(old.read() == OLD_CONTENT, f"{shown}: the old file was changed")
    expect(lowest_run is not None, f"{' '.join(command)} never ran, up to {limits[-1]} MiB")
    return lowest_run, refusals


def case_memory(moon, terrain, work, runner):
    if runner:
        raise Skipped("address-space limits are a POSIX matter")
    folder = fresh_folder(work, "render")
    target = os.path.join(folder, "moon.png")
    lowest, refusals = sweep(moon + ["--render", target, "--seed", "7"], RENDER_LIMITS, target,
                             "moon")
    print(f"moon --render runs from {lowest} MiB; refusals: {refusals}", flush=True)
    expect(any("out of memory" in line for line in refusals),
           "no limit made moon --render run out of memory")

    folder = fresh_folder(work, "export")
    target = os.path.join(folder, "terrain.ply")
    lowest, refusals = sweep(terrain + ["export", "--seed", "7", "--depth", "8", "-o", target],
                             EXPORT_LIMITS, target, "moon-terrain")
    print(f"moon-terrain export --depth 8 runs from {lowest} MiB; refusals: {refusals}",
          flush=True)
    expect(any("out of memory" in line for line in refusals),
           "no limit made moon-terrain run out of memory")
    shutil.rmtree(os.path.join(work, "render"))
    shutil.rmtree(os.path.join(work, "export"))


def case_interrupt(moon, terrain, work, runner):
    if runner:
        raise Skipped("Wine delivers no console events to a program without a console")
    folder = fresh_folder(work, "interrupt")
    target = os.path.join(folder, "moon.png")
    for number in (signal.SIGTERM, signal.SIGINT):
        name = signal.Signals(number).name
        with open(target, "wb") as old:
            old.write(OLD_CONTENT)
        # A full turn of the light: seconds of drawing, far longer than the wait.
        process = subprocess.Popen(moon + ["--render", target, "--frames", "360"],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   env=headless_env())
        time.sleep(1.0)
        expect(process.poll() is None, f"the render ended before {name} could be sent")
        process.send_signal(number)
        sent = time.monotonic()
        try:
            out, err = process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.communicate()
            raise CheckFailed(f"moon --render still runs 10 s after {name}")
        took = time.monotonic() - sent
        shown = f"moon --render after {name}"
        expect(took <= INTERRUPT_LIMIT, f"{shown}: ended {took:.2f} s after it")
        expect(process.returncode == 1, f"{shown}: status {process.returncode}, expected 1")
        line = expect_one_line(subprocess.CompletedProcess([], 1, out, err), shown,
                               "interrupted")
        with open(target, "rb") as old:
            expect(old.read() == OLD_CONTENT, f"{shown}: the old picture was changed")
        expect(os.listdir(folder) == ["moon.png"], f"{shown}: left {os.listdir(folder)}")
        print(f"{name}: ended in {took:.2f} s, status 1, {line!r}", flush=True)
    shutil.rmtree(folder)


def case_output(moon, terrain, work, runner):
    if runner:
        # Windows has no full device; its standard output is binary, checked
        # below with the picture.
        print("help texts into a full device: not on Windows", flush=True)
    else:
        check_help_into_full_device(moon, terrain)

    # The target's folder is checked before the tree is built: in 64 MiB a
    # depth-10 tree could not be built at all, so a refusal that names the
    # folder's absence (not the memory) shows the order. Under Wine, which
    # cannot start under such a limit, only the refusal is checked.
    missing = os.path.join(work, "no", "such", "folder", "x.ply")
    command = terrain + ["export", "--seed", "1", "--depth", "10", "-o", missing]
    limit = None if runner else 64
    result = run(command, limit_mib=limit)
    shown = " ".join(command) + (f" under ulimit -v {limit} MiB" if limit else "")
    expect(result.returncode == 1, f"{shown}: status {result.returncode}, expected 1")
    line = expect_one_line(result, shown, missing)
    expect("out of memory" not in line, f"{shown}: built the tree first: {line!r}")

    # "-" is standard output, byte for byte the file's picture.
    folder = fresh_folder(work, "output")
    path = os.path.join(folder, "moon.png")
    to_file = run(moon + ["--render", path, "--seed", "5"])
    expect(to_file.returncode == 0, f"moon --render FILE: status {to_file.returncode}")
    to_stdout = run(moon + ["--render", "-", "--seed", "5"])
    expect(to_stdout.returncode == 0 and not to_stdout.stderr,
           f"moon --render -: status {to_stdout.returncode}, {to_stdout.stderr!r}")
    with open(path, "rb") as picture:
        expect(to_stdout.stdout == picture.read(),
               "moon --render - wrote other bytes than moon --render FILE")
    expect(os.listdir(folder) == ["moon.png"], f"moon --render - left {os.listdir(folder)}")
    print(f"moon --render - wrote the same {len(to_stdout.stdout)} bytes", flush=True)
    shutil.rmtree(folder)


def check_help_into_full_device(moon, terrain):
    full = "/dev/full"
    if not os.path.exists(full):
        raise Skipped("needs /dev/full")
    texts = [moon + ["--help"], moon + ["--version"]]
    for args in (["--help"], ["-h"], ["help"], ["--version"], ["help", "dump"],
                 ["help", "export"], ["dump", "--help"], ["export", "--help"]):
        texts.append(terrain + args)
    for command in texts:
        shown = " ".join(command) + " > " + full
        with open(full, "wb") as device:
            result = run(command, timeout=30, stdout=device)
        expect(result.returncode == 1, f"{shown}: status {result.returncode}, expected 1")
        expect_one_line(result, shown, "cannot write to standard output")
    print(f"{len(texts)} help and version texts fail into {full}", flush=True)


CASES = {"memory": case_memory, "interrupt": case_interrupt, "output": case_output}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--moon", required=True)
    parser.add_argument("--terrain", required=True)
    parser.add_argument("--runner")
    parser.add_argument("--work", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    prefix = [args.runner] if args.runner else []
    os.makedirs(args.work, exist_ok=True)
    try:
        CASES[args.case](prefix + [args.moon], prefix + [args.terrain], args.work, args.runner)
    except Skipped as reason:
        print(f"SKIP: {reason}")
        return 77
    except (CheckFailed, subprocess.TimeoutExpired) as failure:
        print(f"FAIL: {failure}", flush=True)
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
