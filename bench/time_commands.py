#!/usr/bin/env python3
"""Times whole commands from start to exit: each run starts every command once, in turn, so that
a busy moment of a shared machine falls on all of them alike. Prints one line per command: its
name, the median wall-clock time and the median processor time (user and system) in ms.

    time_commands.py --runs N -- NAME COMMAND [ARG...] [-- NAME COMMAND [ARG...]]...

A command's standard output is thrown away; one that fails stops everything, with its error text.
"""
import argparse
import os
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


def run_once(argv):
    """Wall-clock and processor time of one run, in ms."""
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    error = child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.stderr.write(f"failed with exit status {child.returncode}: {' '.join(argv)}\n")
        sys.stderr.write(error.decode(errors="replace"))
        raise SystemExit(1)
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("commands", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    commands = split_commands(args.commands)
    if args.runs < 1 or not commands:
        parser.error("needs --runs of 1 or more and at least one command")
    times = {name: [] for name, *_ in commands}
    for _ in range(args.runs):
        for name, *argv in commands:
            times[name].append(run_once(argv))
    for name, runs in times.items():
        wall = statistics.median(run[0] for run in runs)
        cpu = statistics.median(run[1] for run in runs)
        print(f"{name} {wall:.1f} {cpu:.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
