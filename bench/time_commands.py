#!/usr/bin/env python3
"""Times whole commands from start to exit: each run starts every command once, in turn, so that
a busy moment of a shared machine falls on all of them alike. Prints one line per command: its
name, the median wall-clock time and the median processor time (user and system) in ms.

    time_commands.py --runs N [--before NAME=COMMAND]... [--output NAME=FILE]...
        -- NAME COMMAND [ARG...] [-- NAME COMMAND [ARG...]]...

--before runs COMMAND (split into words as a shell would, but run without one) before each run
of NAME, untimed: to remove a cache that every run must start without, for example. A command's
standard output is thrown away, or with --output added to FILE run after run, so that the caller
can check every run's. One that fails stops everything, with its error text.
"""
import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time


def split_commands(words):
    """[NAME, COMMAND, ARG...] lists from words separated by "--"."""
    commands, current = [], []
    for word in words + ["--"]:
        if word != "--":
            current.append(word)
            continue
        if current:
            if len(current) < 2:
                raise SystemExit(f"time_commands.py: '{current[0]}' has no command")
            commands.append(current)
        current = []
    return commands


def fail(argv, status, error):
    sys.stderr.write(f"failed with exit status {status}: {' '.join(argv)}\n")
    sys.stderr.write(error.decode(errors="replace"))
    raise SystemExit(1)


def run_once(argv, output=subprocess.DEVNULL):
    """Wall-clock and processor time of one run, in ms."""
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=output, stderr=subprocess.PIPE)
    error = child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        fail(argv, child.returncode, error)
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def run_untimed(argv):
    done = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if done.returncode != 0:
        fail(argv, done.returncode, done.stderr)


def per_command(parser, option, pairs, names):
    """{NAME: VALUE} from the NAME=VALUE words of `option`, each naming one of `names`."""
    values = {}
    for pair in pairs:
        name, equals, value = pair.partition("=")
        if not equals or not value or name not in names:
            parser.error(f"{option} needs NAME=VALUE with the NAME of a command, not '{pair}'")
        values[name] = value
    return values


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--before", action="append", default=[], metavar="NAME=COMMAND",
                        help="run COMMAND, untimed, before each run of NAME")
    parser.add_argument("--output", action="append", default=[], metavar="NAME=FILE",
                        help="add the standard output of each run of NAME to FILE")
    parser.add_argument("commands", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    commands = split_commands(args.commands)
    if args.runs < 1 or not commands:
        parser.error("needs --runs of 1 or more and at least one command")
    names = {name for name, *_ in commands}
    before = {name: shlex.split(command)
              for name, command in per_command(parser, "--before", args.before, names).items()}
    outputs = {name: open(path, "ab")
               for name, path in per_command(parser, "--output", args.output, names).items()}
    times = {name: [] for name, *_ in commands}
    for _ in range(args.runs):
        for name, *argv in commands:
            if name in before:
                run_untimed(before[name])
            times[name].append(run_once(argv, outputs.get(name, subprocess.DEVNULL)))
    for name, runs in times.items():
        wall = statistics.median(run[0] for run in runs)
        cpu = statistics.median(run[1] for run in runs)
        print(f"{name} {wall:.1f} {cpu:.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
