#!/usr/bin/env python3
"""Runs a program and checks that it succeeds and prints each text given.

    expect.py [--contains TEXT]... -- PROGRAM [ARGS...]
"""
import argparse
import subprocess
import sys


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--contains", action="append", default=[])
    p.add_argument("command", nargs=argparse.REMAINDER)
    a = p.parse_args()
    command = a.command[1:] if a.command[:1] == ["--"] else a.command
    done = subprocess.run(command, capture_output=True, text=True, timeout=300)
    out = done.stdout.replace("\r\n", "\n")
    problems = [] if done.returncode == 0 else [f"exit status {done.returncode}: {done.stderr.strip()}"]
    problems += [f"output lacks {t!r}" for t in a.contains if t not in out]
    print(out, end="")
    for problem in problems:
        print("FAIL", problem)
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
