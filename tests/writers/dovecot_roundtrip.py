#!/usr/bin/env python3
"""Opens quernel's Maildir and its mbox with state lines in Dovecot.

Writes a test mailbox with the helper program, converts it with the real
quernel binary (-maildir; -mbxrd -flags -rcvdate), and lets Dovecot's doveadm
read copies of both outputs, with a throw-away configuration and no daemon:
each must hold every message, with its state as Dovecot's \\Seen, \\Answered
and \\Flagged (Dovecot has none for forwarded) and its receive time as the
date Dovecot received it.

Usage: dovecot_roundtrip.py QUERNEL MAILBOX_MAKER
Exits with 77 (skipped) where doveadm is not installed.
"""

import json
import os
import pwd
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
SHOWN_FLAGS = ("\\Seen", "\\Answered", "\\Flagged")


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def run(command, env):
    result = subprocess.run(command, capture_output=True, env=env, check=False)
    if result.returncode != 0:
        fail("%s exited with %d: %r %r" % (command[0], result.returncode, result.stdout, result.stderr))
    return result.stdout.decode("utf-8", "replace")


def expected_flags(message):
    states = (("\\Seen", "read"), ("\\Answered", "answered"), ("\\Flagged", "flagged"))
    return {flag for flag, state in states if message[state]}


class Dovecot:
    """doveadm on a copy of one output in `folder`, with a configuration of
    its own; `location` is the mail_location without INDEX and CONTROL."""

    def __init__(self, folder, location):
        # As root Dovecot works as nobody; otherwise as the user running it.
        user = pwd.getpwnam("nobody") if os.geteuid() == 0 else pwd.getpwuid(os.geteuid())
        for part in ("index", "control"):
            os.makedirs(os.path.join(folder, part))
        self.config = os.path.join(folder, "dovecot.conf")
        with open(self.config, "w") as config:
            config.write("mail_location = %s:INDEX=%s/index:CONTROL=%s/control\n"
                         % (location, folder, folder))
            config.write("mail_uid = %d\nmail_gid = %d\n" % (user.pw_uid, user.pw_gid))
            config.write("mail_home = %s\nlog_path = /dev/stderr\nssl = no\n" % folder)
            config.write("base_dir = %s/run\nstate_dir = %s/state\n" % (folder, folder))
        os.chmod(folder, 0o777)
        for root, directories, files in os.walk(folder):
            for name in directories:
                os.chmod(os.path.join(root, name), 0o777)
            for name in files:
                os.chmod(os.path.join(root, name), 0o666)
        self.env = dict(os.environ, HOME=folder, USER="quernel-test", TZ="UTC")

    def doveadm(self, *arguments):
        rows = run(["doveadm", "-c", self.config, "-f", "tab", *arguments], self.env).splitlines()
        header = rows[0].split("\t")
        return [dict(zip(header, row.split("\t"))) for row in rows[1:]]

    def check(self, expected, what):
        status = self.doveadm("mailbox", "status", "messages", "INBOX")
        if int(status[0]["messages"]) != len(expected):
            fail("%s: Dovecot counts %s messages, expected %d"
                 % (what, status[0]["messages"], len(expected)))
        by_received = {m["received"]: m for m in expected}
        seen = set()
        for row in self.doveadm("fetch", "flags date.received.unixtime", "mailbox", "INBOX", "all"):
            received = int(row["date.received.unixtime"])
            message = by_received.get(received)
            if message is None or received in seen:
                fail("%s: Dovecot received a message at %d, which no message was" % (what, received))
            seen.add(received)
            flags = {flag for flag in row["flags"].split() if flag in SHOWN_FLAGS}
            if flags != expected_flags(message):
                fail("%s: %r has flags %r, expected %r"
                     % (what, message["subject"], sorted(flags), sorted(expected_flags(message))))


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    if shutil.which("doveadm") is None:
        print("SKIPPED: doveadm not found (Debian package dovecot-core)")
        sys.exit(SKIPPED)
    quernel, maker = sys.argv[1], sys.argv[2]
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    folder = tempfile.mkdtemp(prefix="quernel-dovecot-", dir=base)
    os.chmod(folder, 0o755)  # for Dovecot working as nobody
    try:
        mailbox = os.path.join(folder, "Inbox.dbx")
        made = subprocess.run([maker, mailbox], capture_output=True, check=True)
        expected = json.loads(made.stdout)
        # The mbox separator lines carry the receive time, in local time.
        run([quernel, "-maildir", "-mbxrd", "-flags", "-rcvdate", mailbox],
            dict(os.environ, TZ="UTC"))

        # Dovecot adds its own files, and rewrites an mbox: it reads copies.
        copy = os.path.join(folder, "maildir-copy")
        shutil.copytree(os.path.join(folder, "Inbox"), os.path.join(copy, "Mail"))
        Dovecot(copy, "maildir:%s/Mail:UTF-8" % copy).check(expected, "Maildir")

        copy = os.path.join(folder, "mbox-copy")
        os.makedirs(os.path.join(copy, "mail"))
        shutil.copy(os.path.join(folder, "Inbox.mbx"), os.path.join(copy, "Inbox.mbx"))
        Dovecot(copy, "mbox:%s/mail:INBOX=%s/Inbox.mbx" % (copy, copy)).check(expected, "mbox")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("ok: Dovecot reads %d messages from the Maildir and the mbox, with their state and dates"
          % len(expected))


if __name__ == "__main__":
    main()
