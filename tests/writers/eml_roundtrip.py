#!/usr/bin/env python3
"""Reads quernel's .eml files, Maildir and mbox with state lines back with
Python's standard email parser and mailbox module.

Writes a test mailbox with the helper program, converts it with the real
quernel binary, and checks that every .eml file holds one message's text
byte for byte, that the parser finds its Subject and From headers as stored,
and that the file's modification time is the message's send time. A second
run with -overwrite must write the same names again.

The Maildir (-maildir) must hold every message in cur/ exactly as stored,
with its state as the Maildir flags and its receive time as delivery date,
and a rerun must add nothing. The mboxrd file written with -flags must give
each message's state through its Status and X-Status lines and hold the
stored text apart from the state lines, which stand there once each.

Usage: eml_roundtrip.py QUERNEL MAILBOX_MAKER
"""

import email
import json
import mailbox
import os
import re
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


def maildir_flags(message):
    """The Maildir flag letters of a message's state, in ASCII order."""
    letters = (("F", "flagged"), ("P", "forwarded"), ("R", "answered"), ("S", "read"))
    return "".join(letter for letter, state in letters if message[state])


def match_text(data, unmatched, where):
    match = next((m for m in unmatched if m["text"].encode("latin-1") == data), None)
    if match is None:
        fail("%s does not hold any message's text exactly: %r" % (where, data[:80]))
    unmatched.remove(match)
    return match


def check_maildir(folder, expected):
    box = mailbox.Maildir(folder, factory=None, create=False)
    keys = box.keys()
    if len(keys) != len(expected):
        fail("the Maildir holds %d messages, expected %d" % (len(keys), len(expected)))
    unmatched = list(expected)
    for key in keys:
        message = box.get_message(key)
        match = match_text(box.get_bytes(key), unmatched, "Maildir message " + key)
        if message.get_subdir() != "cur":
            fail("%s is in %s/, not cur/" % (key, message.get_subdir()))
        if message.get_flags() != maildir_flags(match):
            fail("%s: flags %r, expected %r" % (key, message.get_flags(), maildir_flags(match)))
        if int(message.get_date()) != match["received"]:
            fail("%s: delivery date %d, receive time %d" % (key, message.get_date(), match["received"]))
    if os.listdir(os.path.join(folder, "tmp")):
        fail("files left in tmp/: %r" % os.listdir(os.path.join(folder, "tmp")))
    return sorted(os.listdir(os.path.join(folder, "cur")))


STATE_FIELD = re.compile(rb"^(Status|X-Status|X-Mozilla-Status|X-Mozilla-Status2)[ \t]*:",
                         re.IGNORECASE)
QUOTED_FROM = re.compile(rb"^>(>*From )", re.MULTILINE)


def without_state_lines(data):
    """The text with the state fields of its header block taken out."""
    lines = data.splitlines(keepends=True)
    kept, in_header = [], True
    for line in lines:
        if in_header and line in (b"\r\n", b"\n"):
            in_header = False
        if not (in_header and STATE_FIELD.match(line)):
            kept.append(line)
    return b"".join(kept)


def check_flags_mbox(path, expected):
    box = mailbox.mbox(path, create=False)
    keys = box.keys()
    if len(keys) != len(expected):
        fail("-flags mbox holds %d messages, expected %d" % (len(keys), len(expected)))
    for key, match in zip(keys, expected):
        flags = set("O")
        flags |= set("R" if match["read"] else "")
        flags |= set("A" if match["answered"] else "") | set("F" if match["flagged"] else "")
        message = box.get_message(key)
        if set(message.get_flags()) != flags:
            fail("%s: mbox flags %r, expected %r" % (match["subject"], message.get_flags(), flags))
        mozilla = ((1 if match["read"] else 0) | (2 if match["answered"] else 0)
                   | (4 if match["flagged"] else 0) | (0x1000 if match["forwarded"] else 0))
        for name, value in (("Status", None), ("X-Status", None),
                            ("X-Mozilla-Status", "%04X" % mozilla),
                            ("X-Mozilla-Status2", "00000000")):
            found = message.get_all(name) or []
            if len(found) != 1 or (value is not None and found[0] != value):
                fail("%s: %s is %r" % (match["subject"], name, found))
        data = QUOTED_FROM.sub(rb"\1", box.get_bytes(key))
        if not data.endswith(b"\r\n"):
            fail("%s: no line end after the message" % match["subject"])
        stored = match["text"].encode("latin-1")
        if without_state_lines(data[:-2]) != without_state_lines(stored):
            fail("%s: text apart from the state lines differs" % match["subject"])
    box.close()


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

        maildir_out = os.path.join(folder, "maildir")
        os.mkdir(maildir_out)
        output = run_quernel(quernel, "-maildir", mailbox, maildir_out)
        if "1 of 1 mailboxes converted to Maildir-format!" not in output:
            fail("no converted summary in %r" % output)
        maildir_names = check_maildir(os.path.join(maildir_out, "Inbox"), expected)
        run_quernel(quernel, "-maildir", mailbox, maildir_out)
        if check_maildir(os.path.join(maildir_out, "Inbox"), expected) != maildir_names:
            fail("a rerun changed the Maildir")

        run_quernel(quernel, "-mbxrd", "-flags", mailbox)
        check_flags_mbox(os.path.join(folder, "Inbox.mbx"), expected)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("ok: %d messages read back from eml, Maildir and mbox" % len(expected))


if __name__ == "__main__":
    main()
