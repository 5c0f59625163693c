#!/usr/bin/env python3
"""The -imap upload beside mbsync, into one Dovecot on this machine.

Starts the tests' throw-away Dovecot (tests/imap/dovecot_upload.py) on
127.0.0.1, makes a mailbox of N messages with the tests' generator and a
Maildir of the same messages (quernel -maildir), and times, interleaved
round by round, each pushing every message into a fresh server folder:
  quernel -imap imaps://... Mailbox.dbx        (its conversion included)
  mbsync (isync, CopyArrivalDate yes) from the Maildir
Prints the median wall time of each and their ratio.

  bench/imap_vs_mbsync.py QUERNEL MAILBOX_MAKER [MESSAGES] [ROUNDS]
  (default 5000 messages, 5 rounds)
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "imap"))
import dovecot_upload  # noqa: E402

MBSYNC_CONFIG = """IMAPAccount bench
Host 127.0.0.1
Port {port}
User quernel
PassCmd "cat {secret}"
SSLType IMAPS
CertificateFile {ca}

IMAPStore remote
Account bench

MaildirStore local
Path {maildir}/
Inbox {maildir}/Inbox

Channel push
Far :remote:"Mbsync{round}"
Near :local:INBOX
Create Far
Sync Push New
Expunge None
CopyArrivalDate yes
SyncState {state}/
"""


def timed(command, env):
    start = time.monotonic()
    result = subprocess.run(command, env=env, capture_output=True)
    elapsed = time.monotonic() - start
    if result.returncode != 0:
        sys.exit("%s failed:\n%s%s" % (command[0], result.stdout.decode(), result.stderr.decode()))
    return elapsed


def main():
    quernel, maker = sys.argv[1], sys.argv[2]
    messages = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    if shutil.which("mbsync") is None or shutil.which("dovecot") is None:
        sys.exit("needs mbsync (isync) and dovecot (dovecot-imapd)")
    folder = tempfile.mkdtemp(prefix="quernel-imap-bench-", dir="/dev/shm")
    os.chmod(folder, 0o755)
    server = dovecot_upload.Dovecot(folder)
    try:
        mailbox = os.path.join(folder, "Mailbox.dbx")
        subprocess.run([maker, "many", mailbox, str(messages)], check=True, capture_output=True)
        env = dict(os.environ, QUERNEL_IMAP_PASSWORD=dovecot_upload.PASSWORD, TZ="UTC")
        subprocess.run([quernel, "-maildir", mailbox], check=True, capture_output=True, env=env)
        maildir = os.path.join(folder, "maildir")
        os.makedirs(maildir)
        os.rename(os.path.join(folder, "Mailbox"), os.path.join(maildir, "Inbox"))
        secret = os.path.join(folder, "secret")
        with open(secret, "w") as out:
            out.write(dovecot_upload.PASSWORD + "\n")
        size = sum(os.path.getsize(os.path.join(root, name))
                   for root, _, names in os.walk(maildir) for name in names)
        quernel_times, mbsync_times = [], []
        for round_number in range(rounds):
            url = "imaps://quernel@127.0.0.1:%d/Quernel%d" % (server.tls_port, round_number)
            quernel_times.append(timed([quernel, "-imap", url, "-cafile", server.ca, mailbox], env))
            state = os.path.join(folder, "state%d" % round_number)
            os.makedirs(state)
            config = os.path.join(folder, "mbsyncrc%d" % round_number)
            with open(config, "w") as out:
                out.write(MBSYNC_CONFIG.format(port=server.tls_port, secret=secret, ca=server.ca,
                                               maildir=maildir, round=round_number, state=state))
            mbsync_times.append(timed(["mbsync", "-q", "-c", config, "push"], env))
        client = server.client()
        for round_number in range(rounds):
            for name in ("Quernel%d.Mailbox" % round_number, "Mbsync%d" % round_number):
                held = len(dovecot_upload.messages_in(client, name))
                if held != messages:
                    sys.exit("folder %s holds %d messages, not %d" % (name, held, messages))
        client.logout()
        q, m = statistics.median(quernel_times), statistics.median(mbsync_times)
        print("%d messages (%.1f MiB), %d rounds, median wall time:" % (messages, size / 2**20, rounds))
        print("  quernel -imap  %.2f s   (%s)" % (q, " ".join("%.2f" % t for t in quernel_times)))
        print("  mbsync         %.2f s   (%s)" % (m, " ".join("%.2f" % t for t in mbsync_times)))
        print("  quernel / mbsync = %.2f" % (q / m))
    finally:
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
