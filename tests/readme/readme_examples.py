#!/usr/bin/env python3
"""Runs the README's examples and compares what they print with the README.

An example is a fenced block whose lines start with "$ ": each such line is a
command, the lines below it up to the next command or the block's end are
what it prints (stdout and stderr together, as a terminal shows them). The
commands run in order, each with bash, in one scratch folder that stands for
quernel's source folder (it holds a copy of samples/); a `cd` carries over to
the next command. HOME is a folder of the scratch folder, the built quernel
comes first on PATH, TZ=Europe/Berlin and LC_ALL=C.UTF-8 (so listings sort
bytewise). Trailing CRs are not compared: a terminal does not show them.

A comment line right above a block marks it for this test:
  <!-- readme-test: skip REASON -->      the block is not run
  <!-- readme-test: no-compare REASON --> its commands run, their output is
                                          not compared (it depends on the
                                          machine or the time of the run)
Both are reported as skipped, with the reason.

Usage: readme_examples.py README BINARY_DIR SAMPLES_DIR
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

MARKER = re.compile(r"^<!--\s*readme-test:\s*(skip|no-compare)\b\s*(.*?)\s*-->\s*$")
FENCE = re.compile(r"^(```|~~~)")


class Example:
    def __init__(self, line, command, mode, reason):
        self.line = line  # README line of the command
        self.command = command
        self.expected = []
        self.mode = mode  # "compare", "skip" or "no-compare"
        self.reason = reason


def read_examples(readme_path):
    """The commands of the README's example blocks, in order, and the number
    of fenced blocks that hold no command (shown for the record)."""
    with open(readme_path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    examples, plain_blocks = [], 0
    marker = None
    i = 0
    while i < len(lines):
        line = lines[i]
        m = MARKER.match(line)
        if m:
            marker = (m.group(1), m.group(2) or "marked in the README")
            i += 1
            continue
        if not FENCE.match(line):
            if line.strip():
                marker = None  # a marker belongs to the block right below it
            i += 1
            continue
        fence = FENCE.match(line).group(1)
        end = i + 1
        while end < len(lines) and not lines[end].startswith(fence):
            end += 1
        body = lines[i + 1:end]
        mode, reason = marker if marker else ("compare", "")
        current = None
        for offset, text in enumerate(body):
            if text.startswith("$ "):
                current = Example(i + 2 + offset, text[2:], mode, reason)
                examples.append(current)
            elif current is not None:
                current.expected.append(text)
        if not any(text.startswith("$ ") for text in body):
            plain_blocks += 1
        marker = None
        i = end + 1
    return examples, plain_blocks


def run(example, cwd, env, pwd_file):
    script = example.command + '\n__status=$?\npwd > "$README_TEST_PWD"\nexit $__status\n'
    result = subprocess.run(["bash", "-c", script], cwd=cwd, env=dict(env, README_TEST_PWD=pwd_file),
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    with open(pwd_file, encoding="utf-8") as f:
        new_cwd = f.read().strip() or cwd
    output = result.stdout.decode("utf-8", errors="replace").split("\n")
    if output and output[-1] == "":
        output.pop()
    return [line.rstrip("\r") for line in output], result.returncode, new_cwd


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    readme, binary_dir, samples = (os.path.abspath(a) for a in sys.argv[1:])
    examples, plain_blocks = read_examples(readme)
    if not examples:
        print("no example commands found in " + readme)
        return 1

    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    scratch = tempfile.mkdtemp(prefix="quernel-readme-", dir=base)
    source = os.path.join(scratch, "quernel")
    home = os.path.join(scratch, "home")
    os.makedirs(home)
    shutil.copytree(samples, os.path.join(source, "samples"))
    env = dict(os.environ, HOME=home, TZ="Europe/Berlin", LC_ALL="C.UTF-8",
               PATH=binary_dir + os.pathsep + os.environ.get("PATH", ""))
    env.pop("LANGUAGE", None)
    pwd_file = os.path.join(scratch, "pwd")

    failures, skipped, compared = 0, 0, 0
    cwd = source
    for example in examples:
        where = "%s:%d: $ %s" % (os.path.basename(readme), example.line, example.command)
        if example.mode == "skip":
            skipped += 1
            print("SKIPPED  %s  (%s)" % (where, example.reason))
            continue
        output, status, cwd = run(example, cwd, env, pwd_file)
        if example.mode == "no-compare":
            skipped += 1
            print("RAN      %s  (output not compared: %s)" % (where, example.reason))
            continue
        compared += 1
        if output == example.expected:
            print("OK       " + where)
            continue
        failures += 1
        print("FAILED   %s  (exit status %d)" % (where, status))
        print("  README shows:")
        print("".join("    | %s\n" % line for line in example.expected), end="")
        print("  the command printed:")
        print("".join("    | %s\n" % line for line in output), end="")

    print("%d commands compared, %d failed, %d skipped or not compared; "
          "%d blocks without a \"$ \" prompt are not run." % (compared, failures, skipped, plain_blocks))
    if failures:
        print("scratch folder kept: " + scratch)
        return 1
    shutil.rmtree(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
