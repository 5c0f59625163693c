#!/usr/bin/env python3
"""Reads quernel's .eml files back with Python's standard email parser.

Writes a test mailbox with the helper program, converts it with the real
quernel binary, and checks that every .eml file holds one message's text
byte for byte, that the parser finds its Subject and From headers as stored,
and that the file's modification time is the message's send time. A second
run with -overwrite must write the same names again.

Usage: eml_roundtrip.py QUERNEL MAILBOX_MAKER
"""

import email
import json
import os
import shutil
import subprocess
import sys
import tempfile


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def work_folder():
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    return tempfile.mkdtemp(prefix="quernel-eml-", dir=base)


def run_quernel(quernel, *arguments):
    result = subprocess.run([quernel, *arguments], capture_output=True, check=False)
    if result.returncode != 0:
        fail("quernel exited with %d: %r" % (result.returncode, result.stdout))
    return result.stdout.decode("utf-8", "replace")


def check_files(eml_dir, expected):
    names = sorted(os.listdir(eml_dir))
    if len(names) != len(expected):
        fail("expected %d .eml files, found %d: %r" % (len(expected), len(names), names))
    unmatched = list(expected)
    for name in names:
        path = os.path.join(eml_dir, name)
        with open(path, "rb") as handle:
            data = handle.read()
        match = next((m for m in unmatched if m["text"].encode("latin-1") == data), None)
        if match is None:
            fail("%s does not hold any message's text exactly" % name)
        unmatched.remove(match)
        parsed = email.message_from_bytes(data)
        for header in ("subject", "from"):
            if parsed[header] != match[header]:
                fail("%s: %s is %r, stored %r" % (name, header, parsed[header], match[header]))
        if int(os.stat(path).st_mtime) != match["time"]:
            fail("%s: modification time %d, send time %d"
                 % (name, os.stat(path).st_mtime, match["time"]))
    return names


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    quernel, maker = sys.argv[1], sys.argv[2]
    folder = work_folder()
    try:
        mailbox = os.path.join(folder, "Inbox.dbx")
        made = subprocess.run([maker, mailbox], capture_output=True, check=True)
        expected = json.loads(made.stdout)

        output = run_quernel(quernel, "-eml", mailbox)
        if "1 of 1 mailboxes converted to EML-format!" not in output:
            fail("no converted summary in %r" % output)
        eml_dir = os.path.join(folder, "Inbox")
        first_names = check_files(eml_dir, expected)

        run_quernel(quernel, "-eml", "-overwrite", mailbox)
        if check_files(eml_dir, expected) != first_names:
            fail("a second run with -overwrite wrote other names")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("ok: %d messages read back" % len(expected))


if __name__ == "__main__":
    main()
