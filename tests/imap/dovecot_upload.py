#!/usr/bin/env python3
"""Uploads with "-imap" into a Dovecot started for the test and reads back.

Starts Dovecot on 127.0.0.1 with a throw-away configuration (passwd-file
users, Maildir, a certificate from a CA made here with openssl, a TLS port
and a STARTTLS port, a largest message of 100 KiB, and one user with a tiny
quota), runs the real quernel against it, and reads the folders back with
Python's imaplib: exact bytes, flags, INTERNALDATE instants, folder names
beyond ASCII. Then: a second run uploads nothing, runs killed part-way and
run again leave one copy of each message, a session kicked in the middle
is taken up again, a full quota, a refused log-in and an unknown CA stop.

Usage: dovecot_upload.py QUERNEL MAILBOX_MAKER SAMPLE_STORE
With QUERNEL_WINE_LOADER set, QUERNEL is a quernel.exe run by that Wine
loader (paths as Z:\..., trusting the test CA only through -cafile).
Exits with 77 (skipped) where Dovecot is not installed or Wine cannot run.
"""

import imaplib
import json
import os
import pwd
import re
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fault_proxy  # noqa: E402
from fault_proxy import decode_mutf7, encode_mutf7  # noqa: E402

SKIPPED = 77
PASSWORD = "s3cret pass"


def fail(message):
    # Output bytes that are not UTF-8 (a Windows code page) are kept as
    # surrogates: shown escaped.
    print(("FAIL: " + message).encode("utf-8", "backslashreplace").decode())
    sys.exit(1)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Dovecot:
    def __init__(self, folder):
        self.folder = folder
        self.tls_port, self.plain_port = free_port(), free_port()
        user = pwd.getpwnam("nobody") if os.geteuid() == 0 else pwd.getpwuid(os.geteuid())
        me = pwd.getpwuid(os.geteuid()).pw_name
        self.make_certificates()
        home = os.path.join(folder, "home")
        os.makedirs(home)
        os.chmod(home, 0o777)
        with open(os.path.join(folder, "passwd"), "w") as users:
            for name, quota in (("quernel", "1G"), ("small", "20k")):
                users.write("%s:{PLAIN}%s:%d:%d::%s/%s::userdb_quota_rule=*:storage=%s\n"
                            % (name, PASSWORD, user.pw_uid, user.pw_gid, home, name, quota))
        self.config = os.path.join(folder, "dovecot.conf")
        login_user = "dovenull" if os.geteuid() == 0 else me
        internal_user = "dovecot" if os.geteuid() == 0 else me
        with open(self.config, "w") as config:
            config.write("""protocols = imap
listen = 127.0.0.1
base_dir = {f}/run
state_dir = {f}/state
log_path = {f}/dovecot.log
ssl = yes
ssl_cert = <{f}/server.pem
ssl_key = <{f}/server.key
ssl_min_protocol = TLSv1.2
auth_mechanisms = plain login
default_login_user = {login}
default_internal_user = {internal}
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {f}/passwd
}}
userdb {{
  driver = passwd-file
  args = username_format=%u {f}/passwd
}}
mail_location = maildir:~/Maildir
namespace inbox {{
  inbox = yes
  separator = .
}}
mail_plugins = quota
plugin {{
  quota = maildir:User quota
  quota_max_mail_size = 100k
}}
service imap-login {{
  chroot =
  inet_listener imap {{
    port = {plain}
  }}
  inet_listener imaps {{
    port = {tls}
    ssl = yes
  }}
}}
""".format(f=folder, login=login_user, internal=internal_user, plain=self.plain_port, tls=self.tls_port))
        self.process = subprocess.Popen(["dovecot", "-F", "-c", self.config],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.time() + 20
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.tls_port), timeout=1).close()
                return
            except OSError:
                if self.process.poll() is not None:
                    fail("Dovecot did not start: %r" % self.process.stderr.read())
                time.sleep(0.1)
        fail("Dovecot did not open its port")

    def make_certificates(self):
        def openssl(*arguments):
            subprocess.run(["openssl", *arguments], cwd=self.folder, check=True, capture_output=True)
        key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        openssl("req", "-x509", *key, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
                "-subj", "/CN=quernel test CA")
        openssl("req", *key, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1")
        with open(os.path.join(self.folder, "san.cnf"), "w") as extensions:
            extensions.write("subjectAltName=IP:127.0.0.1\n")
        openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "san.cnf")
        self.ca = os.path.join(self.folder, "ca.pem")

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()

    def kick(self, user):
        subprocess.run(["doveadm", "-c", self.config, "kick", user], capture_output=True)

    def client(self, user="quernel"):
        context = ssl.create_default_context(cafile=self.ca)
        client = imaplib.IMAP4_SSL("127.0.0.1", self.tls_port, ssl_context=context)
        client.login(user, PASSWORD)
        return client


def messages_in(client, folder):
    """(instant, flags, bytes) of every message in `folder`, sorted."""
    status, _ = client.select('"%s"' % encode_mutf7(folder), readonly=True)
    if status != "OK":
        fail("cannot open folder %r" % folder)
    status, data = client.uid("FETCH", "1:*", "(INTERNALDATE FLAGS BODY.PEEK[])")
    found = []
    for item in data:
        if not isinstance(item, tuple):
            continue
        head, body = item
        date = imaplib.Internaldate2tuple(head)
        instant = int(time.mktime(date)) if date else None
        flags = set(f.decode() for f in imaplib.ParseFlags(head)) - {"\\Recent"}
        found.append((instant, sorted(flags), body))
    return sorted(found)


def expected_in(expected):
    rows = []
    for m in expected:
        if m["too_large"]:
            continue
        flags = [flag for flag, on in (("\\Seen", m["read"]), ("\\Answered", m["answered"]),
                                       ("\\Flagged", m["flagged"]), ("$Forwarded", m["forwarded"])) if on]
        rows.append((m["date"], sorted(flags), m["wire"].encode("latin-1")))
    return sorted(rows)


def folders(client):
    status, data = client.list()
    return {decode_mutf7(re.match(rb'\(.*?\) "." (.*)$', line).group(1).decode().strip('"')) for line in data}


class Runner:
    def __init__(self, quernel, server, folder):
        self.quernel, self.server, self.folder = quernel, server, folder
        self.env = dict(os.environ, QUERNEL_IMAP_PASSWORD=PASSWORD, TZ="Europe/Berlin")
        self.wine = os.environ.get("QUERNEL_WINE_LOADER")
        # Wine takes about a second to start a program: waits before a kill
        # or a kick allow for it, and more messages keep a run going past them.
        self.startup = 1.0 if self.wine else 0.0
        self.many = 6000 if self.wine else 3000

    def argv(self, arguments):
        """The command line that runs quernel with `arguments`."""
        if not self.wine:
            return [self.quernel] + arguments
        return [self.wine, self.quernel] + [self.windows_path(a) if os.path.isabs(a) else a for a in arguments]

    @staticmethod
    def windows_path(path):
        return "Z:" + path.replace("/", "\\")

    def password_command(self, secret):
        """A -passcmd that prints the file `secret`, for the system's shell."""
        return 'type "%s"' % self.windows_path(secret) if self.wine else "cat '%s'" % secret

    def command(self, mailboxes, url=None, extra=("-cafile",)):
        url = url or "imaps://quernel@127.0.0.1:%d" % self.server.tls_port
        arguments = ["-imap", url] + [m for m in mailboxes if m in ("-tree", "-recover")]
        mailboxes = [m for m in mailboxes if m not in ("-tree", "-recover")]
        if extra == ("-cafile",):
            arguments += ["-cafile", self.server.ca]
        else:
            arguments += list(extra)
        return self.argv(arguments + mailboxes)

    def run(self, mailboxes, expect_status, **keywords):
        result = subprocess.run(self.command(mailboxes, **keywords), capture_output=True, env=self.env,
                                timeout=240)
        output = result.stdout.decode("utf-8", "surrogateescape")
        if self.wine:
            output = output.replace("\r\n", "\n")  # Windows line ends; a lone CR is still caught
        if result.returncode != expect_status:
            fail("quernel exited with %d, expected %d:\n%s%s"
                 % (result.returncode, expect_status, output, result.stderr.decode()))
        if PASSWORD in output:
            fail("the password appears in the output")
        if "\r" in output or "\x1b" in output:
            fail("a progress line went to a pipe:\n" + output)
        return output


def expect_line(output, line):
    if line not in output.splitlines():
        fail("no line %r in:\n%s" % (line, output))


def check_upload_and_rerun(runner, server, maker, folder):
    inbox = os.path.join(folder, "Inbox.dbx")
    expected = json.loads(subprocess.run([maker, "small", inbox], capture_output=True, check=True).stdout)
    odd = os.path.join(folder, "Gelöschte & Objekte.alt.dbx")
    shutil.copy(inbox, odd)
    total, large = len(expected), sum(m["too_large"] for m in expected)
    output = runner.run([inbox, odd], 1)  # the too-large message is not on the server
    expect_line(output, '"Inbox.dbx": %d messages, %d uploaded, 0 already on the server, %d too large'
                % (total, total - large, large))
    expect_line(output, "0 of 2 mailboxes uploaded to 127.0.0.1!")
    if "Too large" not in output and "message %d" % total not in output:
        fail("no line names the too-large message:\n" + output)
    client = server.client()
    names = folders(client)
    for name in ("Outlook Express.Inbox", "Outlook Express.Gelöschte & Objekte_alt"):
        if name not in names:
            fail("no folder %r among %r" % (name, sorted(names)))
        if messages_in(client, name) != expected_in(expected):
            got = messages_in(client, name)
            fail("folder %r holds %r, expected %r" % (name, got, expected_in(expected)))
    client.logout()
    output = runner.run([inbox], 1)
    expect_line(output, '"Inbox.dbx": %d messages, 0 uploaded, %d already on the server, %d too large'
                % (total, total - large, large))
    client = server.client()
    if len(messages_in(client, "Outlook Express.Inbox")) != total - large:
        fail("the second run changed the folder")
    client.logout()
    print("ok: exact bytes, flags, dates and folder names; a second run uploads nothing")


def check_starttls_and_refusals(runner, server, maker, folder):
    mailbox = os.path.join(folder, "Few.dbx")
    subprocess.run([maker, "many", mailbox, "5"], capture_output=True, check=True)
    url = "imap://quernel@127.0.0.1:%d/Rescued/Old%%20mail" % server.plain_port
    output = runner.run([mailbox], 0, url=url)
    expect_line(output, '"Few.dbx": 5 messages, 5 uploaded, 0 already on the server, 0 too large')
    client = server.client()
    if len(messages_in(client, "Rescued.Old mail.Few")) != 5:
        fail("STARTTLS upload missing")
    client.logout()
    # An unknown CA and a wrong password stop at once, without a retry.
    output = runner.run([mailbox], 1, extra=())
    if "certificate" not in output:
        fail("no line about the certificate:\n" + output)
    runner.env["QUERNEL_IMAP_PASSWORD"] = "wrong"
    output = runner.run([mailbox], 1)
    runner.env["QUERNEL_IMAP_PASSWORD"] = PASSWORD
    if "refused the log-in" not in output or "trying again" in output:
        fail("a refused log-in was not a stop:\n" + output)
    # The password from a command (which reads it from a file: never a
    # secret on a command line).
    secret = os.path.join(folder, "secret")
    with open(secret, "w") as out:
        out.write(PASSWORD + "\nsecond line\n")
    del runner.env["QUERNEL_IMAP_PASSWORD"]
    output = runner.run([mailbox], 0, url=url, extra=("-cafile", server.ca, "-passcmd", runner.password_command(secret)))
    runner.env["QUERNEL_IMAP_PASSWORD"] = PASSWORD
    expect_line(output, '"Few.dbx": 5 messages, 0 uploaded, 5 already on the server, 0 too large')
    print("ok: STARTTLS, -passcmd; an unknown CA and a refused log-in stop")


def check_interruptions(runner, server, maker, folder):
    count = runner.many
    mailbox = os.path.join(folder, "Many.dbx")
    subprocess.run([maker, "many", mailbox, str(count)], capture_output=True, check=True)
    held = []
    for delay in (0.4, 0.3, 0.5):
        process = subprocess.Popen(runner.command([mailbox]), env=runner.env, stdout=subprocess.DEVNULL)
        time.sleep(runner.startup + delay)
        process.kill()
        process.wait()
        client = server.client()
        held.append(len(messages_in(client, "Outlook Express.Many")) if "Outlook Express.Many" in folders(client)
                    else 0)
        client.logout()
    # A kick in the middle of a run: it connects again and goes on.
    process = subprocess.Popen(runner.command([mailbox]), env=runner.env, stdout=subprocess.PIPE)
    time.sleep(runner.startup + 0.4)
    server.kick("quernel")
    output = process.communicate(timeout=200)[0].decode()
    if process.returncode != 0:
        fail("the run after the kills failed:\n" + output)
    client = server.client()
    found = messages_in(client, "Outlook Express.Many")
    client.logout()
    ids = sorted(re.search(rb"Message-ID: (<[^>]*>)", body).group(1) for _, _, body in found)
    if len(found) != count or len(set(ids)) != count:
        fail("after the killed runs the folder holds %d messages, %d distinct; expected %d"
             % (len(found), len(set(ids)), count))
    if not held[-1] < count:
        fail("the killed runs were not cut part-way: %r" % held)
    if "trying again" not in output:
        # On a quiet machine the rerun, with most messages already there, can
        # end before the kick: kick a whole upload into a new folder early.
        url = "imaps://quernel@127.0.0.1:%d/Kicked" % server.tls_port
        process = subprocess.Popen(runner.command([mailbox], url=url), env=runner.env, stdout=subprocess.PIPE)
        time.sleep(runner.startup + 0.1)
        server.kick("quernel")
        output = process.communicate(timeout=200)[0].decode()
        client = server.client()
        kicked = messages_in(client, "Kicked.Many")
        client.logout()
        if process.returncode != 0 or len(kicked) != count:
            fail("the kicked upload did not end with every message once:\n" + output)
    if "trying again" not in output:
        fail("the kick did not reach the run:\n" + output)
    print("ok: runs killed part-way (after %s of %d messages), then run again, leave exactly one copy of "
          "each; a kicked session is taken up again" % (held, count))


def check_tree(runner, server, store, folder):
    """-tree: the folders are those "-tree -eml" makes, below PARENT, each
    holding as many messages as its eml folder holds files."""
    copy = os.path.join(folder, "store")
    shutil.copytree(store, copy)
    tree = os.path.join(folder, "eml-tree")
    subprocess.run(runner.argv(["-tree", "-eml", copy, tree]), capture_output=True, check=True, env=runner.env)
    expected = {}
    for root, directories, files in os.walk(tree):
        relative = os.path.relpath(root, tree)
        if relative == "." or not files:
            continue
        levels = [level.replace(".", "_") for level in relative.split(os.sep)]
        expected[".".join(["Tree"] + levels)] = len(files)
    url = "imaps://quernel@127.0.0.1:%d/Tree" % server.tls_port
    output = subprocess.run(runner.command(["-tree", copy], url=url), capture_output=True, env=runner.env,
                            timeout=120)
    text = output.stdout.decode()
    if output.returncode != 0:
        fail("-imap -tree exited with %d:\n%s" % (output.returncode, text))
    client = server.client()
    names = folders(client)
    for name, count in expected.items():
        if name not in names:
            fail("-tree folder %r is missing among %r" % (name, sorted(names)))
        held = len(messages_in(client, name))
        if held != count:
            fail("-tree folder %r holds %d messages, the eml tree %d" % (name, held, count))
    client.logout()
    if not any("ü" in name for name in expected):
        fail("the sample store has no folder name beyond ASCII: %r" % expected)
    print("ok: -tree uploads the folders -tree -eml makes (%s)" % ", ".join(sorted(expected)))


def check_recover(runner, server, maker, folder):
    """-recover: the indexed messages into the folder, the deleted ones
    found by the scan into its subfolder "deleted"."""
    mailbox = os.path.join(folder, "Salvage.dbx")
    expected = json.loads(subprocess.run([maker, "deleted", mailbox], capture_output=True, check=True).stdout)
    output = runner.run(["-recover", mailbox], 0)
    client = server.client()
    for name, deleted in (("Outlook Express.Salvage", False), ("Outlook Express.Salvage.deleted", True)):
        ids = sorted(re.search(rb"Message-ID: (<[^>]*>)", body).group(1).decode()
                     for _, _, body in messages_in(client, name))
        want = sorted(re.search(r"Message-ID: (<[^>]*>)", m["wire"]).group(1) for m in expected
                      if m["deleted"] == deleted)
        if ids != want:
            fail("-recover folder %r holds %r, expected %r:\n%s" % (name, ids, want, output))
    client.logout()
    # A damaged mailbox: each set into its subfolder, the damaged message's
    # readable part included.
    mailbox = os.path.join(folder, "Damaged.dbx")
    expected = json.loads(subprocess.run([maker, "damaged", mailbox], capture_output=True, check=True).stdout)
    # Without -recover it is defective, as in a file conversion, and the run
    # goes on with the next mailbox.
    output = runner.run([mailbox, os.path.join(folder, "Few.dbx")], 1)
    expect_line(output, 'File "Damaged.dbx" seems to be defective!')
    expect_line(output, '"Few.dbx": 5 messages, 5 uploaded, 0 already on the server, 0 too large')
    expect_line(output, "1 of 2 mailboxes uploaded to 127.0.0.1!")
    output = runner.run(["-recover", mailbox], 0)
    client = server.client()
    for m in expected:
        name = "Outlook Express.Damaged" + ("." + m["set"] if m["set"] else "")
        found = messages_in(client, name)
        if len(found) != 1:
            fail("-recover folder %r holds %d messages:\n%s" % (name, len(found), output))
        body = found[0][2]
        wire = m["wire"].encode("latin-1")
        if m["set"] == "damaged":
            if len(body) < 100 or not wire.startswith(body.rstrip(b"\r\n")):
                fail("the damaged message on the server is not a part of its text: %r" % body)
        elif m["set"] == "deleted":
            if b"Message-ID: <r-gone@example.com>" not in body:
                fail("the deleted message on the server is %r" % body)
        elif body != wire:
            fail("folder %r holds %r, expected %r" % (name, body, wire))
    client.logout()
    expect_line(output, '"Damaged.dbx" damaged: 1 messages, 1 uploaded, 0 already on the server, 0 too large')
    print("ok: -recover puts the indexed messages in the folder and each found set in its subfolder; without it "
          "a damaged mailbox is defective and the run goes on")


def check_faults(runner, server, maker, folder):
    """Through the fault-injecting proxy: what Dovecot does not do."""
    mailbox = os.path.join(folder, "Faults.dbx")
    count = 30
    subprocess.run([maker, "many", mailbox, str(count)], capture_output=True, check=True)
    cases = (
        ("no-literal-plus", None), ("literal-minus", None), ("utf8", None),
        (None, "cut"), (None, "bye"), (None, "throttle"), (None, "throttle-select"),
    )
    for capabilities, fault in cases:
        what = capabilities or fault
        proxy = fault_proxy.FaultProxy(server, capabilities, fault)
        try:
            url = "imaps://quernel@127.0.0.1:%d/Faults/%s" % (proxy.port, what)
            output = runner.run([mailbox], 0, url=url)
        finally:
            proxy.close()
        # Each throttling refusal quernel read came after the server had
        # stored the message: the reconnected run finds it there.
        already = output.count("asked to wait") if fault == "throttle" else 0
        expect_line(output, '"Faults.dbx": %d messages, %d uploaded, %d already on the server, 0 too large'
                    % (count, count - already, already))
        if fault and (proxy.faults == 0 or "trying again" not in output):
            fail("%s: no fault came or no reconnect followed:\n%s" % (what, output))
        if fault in ("throttle", "throttle-select") and "trying again in 2 s" not in output:
            fail("the suggested back-off was not honoured:\n" + output)
        client = server.client()
        found = messages_in(client, "Faults.%s.Faults" % what)
        client.logout()
        ids = set(re.search(rb"Message-ID: (<[^>]*>)", body).group(1) for _, _, body in found)
        if len(found) != count or len(ids) != count:
            fail("%s: the folder holds %d messages, %d distinct; expected %d" % (what, len(found), len(ids), count))
    print("ok: through a proxy: no LITERAL+, LITERAL- only, UTF8=ACCEPT offered; a cut after a complete "
          "APPEND, BYE instead of its OK, a throttling refusal of an APPEND or a SELECT: one copy of each message "
          "every time")


def message_ids(client, folder):
    """The Message-IDs in `folder`, sorted ("" for a message without one)."""
    ids = []
    for _, _, body in messages_in(client, folder):
        found = re.search(rb"Message-ID: (<[^>]*>)", body)
        ids.append(found.group(1).decode() if found else "")
    return sorted(ids)


def check_one_copy_servers(runner, server, maker, folder):
    """A server that keeps one copy of a Message-ID (Gmail): the copies it
    swallows count as on the server, the first run and every rerun exit 0,
    and the server holds one copy of each Message-ID. One that keeps every
    copy, told only by its message count (no UIDPLUS): every copy counts
    as uploaded."""
    mailbox = os.path.join(folder, "Copies.dbx")
    expected = json.loads(subprocess.run([maker, "duplicates", mailbox], capture_output=True, check=True).stdout)
    total = len(expected)
    ids = [m.group(1) if m else "" for m in (re.search(r"Message-ID: (<[^>]*>)", m["wire"]) for m in expected)]
    repeated = len(set(i for i in ids if i and ids.count(i) > 1))
    for capabilities, gmail in ((None, True), ("no-uidplus", True), ("no-uidplus", False)):
        what = (capabilities or "uidplus") + ("-gmail" if gmail else "")
        held = sorted(set(i for i in ids if i) if gmail else ids) + ([i for i in ids if not i] if gmail else [])
        proxy = fault_proxy.FaultProxy(server, capabilities, gmail=gmail)
        url = "imaps://quernel@127.0.0.1:%d/Copies/%s" % (proxy.port, what)
        try:
            first = runner.run([mailbox], 0, url=url)
            swallowed_first = proxy.swallowed
            rerun = runner.run([mailbox], 0, url=url)
        finally:
            proxy.close()
        expect_line(first, '"Copies.dbx": %d messages, %d uploaded, %d already on the server, 0 too large'
                    % (total, len(held), total - len(held)))
        expect_line(rerun, '"Copies.dbx": %d messages, 0 uploaded, %d already on the server, 0 too large'
                    % (total, total))
        # One swallowed APPEND per repeated Message-ID tells quernel; the
        # rest of its copies are not sent.
        swallowed = (swallowed_first, proxy.swallowed - swallowed_first)
        if swallowed != ((repeated, repeated) if gmail else (0, 0)):
            fail("%s: the proxy swallowed %d copies in the first run and %d in the rerun" % ((what,) + swallowed))
        client = server.client()
        found = message_ids(client, "Copies.%s.Copies" % what)
        client.logout()
        if found != sorted(held):
            fail("%s: the server holds %r, expected %r" % (what, found, sorted(held)))
    print("ok: a server that keeps one copy of a Message-ID (with APPENDUID and without): counted as there, "
          "exit 0 at once and on a rerun, one copy each on the server; a server without UIDPLUS that keeps every "
          "copy: each counts as uploaded")


def check_refused_names(runner, server, maker, folder):
    """[CANNOT]: one fallback with the punctuation replaced, and a line;
    a second refusal, or a folder the server will not open, leaves that
    mailbox out and the run goes on."""
    source = os.path.join(folder, "Few.dbx")
    mailboxes = []
    for name in ("Mäil #1", "Refused #2", "Locked", "Plain", "Full"):
        mailboxes.append(os.path.join(folder, name + ".dbx"))
        shutil.copy(source, mailboxes[-1])
    proxy = fault_proxy.FaultProxy(server, refuse_in_name="#")
    url = "imaps://quernel@127.0.0.1:%d/Cannot" % proxy.port
    try:
        output = runner.run(mailboxes[:4], 1, url=url)
        rerun = runner.run(mailboxes[:1], 0, url=url)
        # A folder refused for a full account is no name problem: a stop.
        full = runner.run(mailboxes[4:], 1, url=url)
    finally:
        proxy.close()
    if not re.search(r"^Upload to 127.0.0.1 stopped: the account is over its quota \(Quota exceeded", full, re.M):
        fail("a CREATE refused as over quota did not stop the run:\n" + full)
    # The folder's name as the console shows the mailbox's (Windows: its
    # OEM code page).
    for run, counts in ((output, "5 uploaded, 0 already"), (rerun, "0 uploaded, 5 already")):
        shown = re.search(r'^"(M.il) #1\.dbx": 5 messages, %s on the server, 0 too large$' % counts, run, re.M)
        if not shown:
            fail("no counts line with %s in:\n%s" % (counts, run))
        expect_line(run, 'The server refused folder "Cannot/%s #1"; using "Cannot/%s _1" instead.'
                    % (shown.group(1), shown.group(1)))
    expect_line(output, '"Refused #2.dbx": not uploaded, the server refused folder "Cannot/Refused #2" and then '
                '"Cannot/Refused _2": Character not allowed in mailbox name!')
    expect_line(output, '"Locked.dbx": not uploaded, the server refused to open folder "Cannot/Locked": '
                'Permission denied!')
    expect_line(output, '"Plain.dbx": 5 messages, 5 uploaded, 0 already on the server, 0 too large')
    expect_line(output, "2 of 4 mailboxes uploaded to 127.0.0.1!")
    client = server.client()
    names = sorted(name for name in folders(client) if name.startswith("Cannot."))
    client.logout()
    if names != ["Cannot.Locked", "Cannot.Mäil _1", "Cannot.Plain"]:
        fail("the server holds folders %r" % names)
    print("ok: a refused folder name gets one fallback and a line; a second refusal, or a folder that will "
          "not open, leaves the mailbox out")


def check_utf8_names(runner, server, maker, folder):
    """After ENABLE UTF8=ACCEPT names go in UTF-8 (the proxy enables it and
    passes them on to Dovecot in modified UTF-7): the folder Dovecot holds
    has the intended name, and a rerun finds it."""
    mailbox = os.path.join(folder, "Grüße & Co.dbx")
    shutil.copy(os.path.join(folder, "Few.dbx"), mailbox)
    proxy = fault_proxy.FaultProxy(server, "utf8-enabled")
    url = "imaps://quernel@127.0.0.1:%d/Utf8/Ärger" % proxy.port
    try:
        first = runner.run([mailbox], 0, url=url)
        rerun = runner.run([mailbox], 0, url=url)
    finally:
        proxy.close()
    # The name as the console shows it (Windows: its ANSI code page).
    for output, counts in ((first, "5 uploaded, 0 already"), (rerun, "0 uploaded, 5 already")):
        if not re.search(r'^"Gr.+e & Co\.dbx": 5 messages, %s on the server, 0 too large$' % counts, output, re.M):
            fail("no counts line with %s in:\n%s" % (counts, output))
    client = server.client()
    names = sorted(name for name in folders(client) if name.startswith("Utf8"))
    count = len(messages_in(client, "Utf8.Ärger.Grüße & Co")) if "Utf8.Ärger.Grüße & Co" in names else 0
    client.logout()
    if names != ["Utf8", "Utf8.Ärger", "Utf8.Ärger.Grüße & Co"] or count != 5:
        fail("after UTF8=ACCEPT the server holds %r (%d messages)" % (names, count))
    print("ok: folder names in UTF-8 after ENABLE UTF8=ACCEPT end up as intended on the server")


def check_append_limits(runner, server, maker, folder):
    """APPENDLIMIT: a bare capability means each folder's own limit, asked
    with STATUS; APPENDLIMIT=N holds for every folder."""
    tight, loose = os.path.join(folder, "Tight.dbx"), os.path.join(folder, "Loose.dbx")
    expected = json.loads(subprocess.run([maker, "many", tight, "5"], capture_output=True, check=True).stdout)
    shutil.copy(tight, loose)
    size = len(expected[0]["wire"])
    if any(len(m["wire"]) != size for m in expected):
        fail("the messages of the APPENDLIMIT check differ in size")
    # A limit is the largest size taken: one byte less leaves the messages out.
    cases = (("appendlimit", {"Tight": size - 1, "Loose": size}, (5, 0)), ("appendlimit=%d" % (size - 1), {}, (5, 5)))
    for capabilities, limits, (tight_skipped, loose_skipped) in cases:
        proxy = fault_proxy.FaultProxy(server, capabilities, append_limits=limits)
        what = capabilities.split("=")[0] + ("-all" if "=" in capabilities else "")
        url = "imaps://quernel@127.0.0.1:%d/Limits/%s" % (proxy.port, what)
        try:
            output = runner.run([tight, loose], 1, url=url)
        finally:
            proxy.close()
        for name, skipped in (("Tight", tight_skipped), ("Loose", loose_skipped)):
            expect_line(output, '"%s.dbx": 5 messages, %d uploaded, 0 already on the server, %d too large'
                        % (name, 5 - skipped, skipped))
        client = server.client()
        held = len(messages_in(client, "Limits.%s.Loose" % what))
        client.logout()
        if held != 5 - loose_skipped:
            fail("%s: the server holds %d messages of Loose.dbx" % (capabilities, held))
    print("ok: APPENDLIMIT per folder from STATUS, and one for every folder from the capability")


def check_empty_message(runner, server, maker, folder):
    mailbox = os.path.join(folder, "Empty.dbx")
    subprocess.run([maker, "empty", mailbox], capture_output=True, check=True)
    output = runner.run([mailbox], 1)
    expect_line(output, '"Empty.dbx": 3 messages, 2 uploaded, 0 already on the server, 0 too large')
    if not re.search(r'^"Empty.dbx": message 2 \("s"\) is empty and the server does not take it \(.+\); skipped\.$',
                     output, re.M):
        fail("no line for the empty message:\n" + output)
    client = server.client()
    ids = message_ids(client, "Outlook Express.Empty")
    client.logout()
    if ids != ["<after@example.com>", "<before@example.com>"]:
        fail("the server holds %r" % ids)
    print("ok: an empty message the server refuses is skipped with a line, the others uploaded")


def check_quota(runner, server, folder):
    mailbox = os.path.join(folder, "Many.dbx")
    url = "imaps://small@127.0.0.1:%d" % server.tls_port
    output = runner.run([mailbox], 1, url=url)
    if "quota" not in output or "stopped" not in output:
        fail("no stop line for the full quota:\n" + output)
    print("ok: a full quota stops the run with a line")


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    if shutil.which("dovecot") is None or shutil.which("doveadm") is None:
        print("SKIPPED: dovecot not found (Debian package dovecot-imapd)")
        sys.exit(SKIPPED)
    quernel, maker, store = sys.argv[1], sys.argv[2], sys.argv[3]
    wine = os.environ.get("QUERNEL_WINE_LOADER")
    if wine:
        probe = subprocess.run([wine, "--version"], capture_output=True)
        if probe.returncode != 0:
            print("SKIPPED: the Wine loader %s cannot run here: %s"
                  % (wine, (probe.stdout + probe.stderr).decode(errors="replace").strip()))
            sys.exit(SKIPPED)
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    folder = tempfile.mkdtemp(prefix="quernel-imap-", dir=base)
    os.chmod(folder, 0o755)
    server = None
    try:
        server = Dovecot(folder)
        runner = Runner(quernel, server, folder)
        check_upload_and_rerun(runner, server, maker, folder)
        check_starttls_and_refusals(runner, server, maker, folder)
        check_tree(runner, server, store, folder)
        check_recover(runner, server, maker, folder)
        check_faults(runner, server, maker, folder)
        check_one_copy_servers(runner, server, maker, folder)
        check_refused_names(runner, server, maker, folder)
        check_utf8_names(runner, server, maker, folder)
        check_append_limits(runner, server, maker, folder)
        check_empty_message(runner, server, maker, folder)
        check_interruptions(runner, server, maker, folder)
        check_quota(runner, server, folder)
    finally:
        if server:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
