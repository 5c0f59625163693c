#!/usr/bin/env python3
"""Reads quernel's mbox files back with Python's standard mailbox module.

Usage: mbox_roundtrip.py FIXTURE

FIXTURE writes a mailbox, its mbox files and each message's stored text into
a folder. Every mbox file must hold as many messages as the mailbox; for
mboxrd, each message with its quoting undone and the line ends the writer
adds removed must equal the stored text.
"""

import glob
import mailbox
import os
import re
import shutil
import subprocess
import sys
import tempfile

QUOTED_FROM = re.compile(rb"^>(>*From )", re.MULTILINE)


def unquote_mboxrd(data):
    return QUOTED_FROM.sub(rb"\1", data)


def check(folder):
    texts = []
    for index in range(len(glob.glob(os.path.join(folder, "text-*.txt")))):
        with open(os.path.join(folder, f"text-{index}.txt"), "rb") as f:
            texts.append(f.read())
    assert texts, "the fixture wrote no texts"

    failures = []
    for name, added_line_ends in (("roundtrip.mboxo", None),
                                  ("roundtrip.mboxrd", 1),
                                  ("roundtrip-dn.mboxrd", 2)):
        box = mailbox.mbox(os.path.join(folder, name), create=False)
        keys = box.keys()
        if len(keys) != len(texts):
            failures.append(f"{name}: {len(keys)} messages, expected {len(texts)}")
            continue
        if added_line_ends is None:
            continue
        suffix = b"\r\n" * added_line_ends
        for index, (key, text) in enumerate(zip(keys, texts)):
            data = box.get_bytes(key)
            if not data.endswith(suffix):
                failures.append(f"{name} #{index}: does not end in {suffix!r}")
                continue
            restored = unquote_mboxrd(data[: len(data) - len(suffix)])
            if restored != text:
                failures.append(f"{name} #{index}: {restored[:80]!r} != {text[:80]!r}")
        box.close()
    return failures


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    folder = tempfile.mkdtemp(prefix="quernel-mbox-roundtrip-", dir=base)
    try:
        subprocess.run([sys.argv[1], folder], check=True)
        failures = check(folder)
    finally:
        shutil.rmtree(folder)
    for failure in failures:
        print("FAIL", failure)
    if failures:
        sys.exit(1)
    print("mbox round trip: ok")


if __name__ == "__main__":
    main()
