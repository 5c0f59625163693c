"""A TLS proxy on 127.0.0.1 between quernel and Dovecot that injects what
Dovecot does not do. It reads both sides command by command and response by
response (literals included; it answers a synchronizing literal's "+" itself
and hands Dovecot the command whole) and can:
  - rewrite capabilities: drop LITERAL+ (synchronizing literals only), or
    put LITERAL- in its place, or drop UIDPLUS (and every APPENDUID), or
    offer UTF8=ACCEPT, which Dovecot then does not enable ("utf8"), or
    which the proxy enables itself ("utf8-enabled": names travel in UTF-8
    between quernel and the proxy, in modified UTF-7 on to Dovecot), or
    offer APPENDLIMIT=N, or a bare APPENDLIMIT with each folder's limit
    answered to STATUS from `append_limits` (a part of the folder's name:
    its limit, None for none);
  - at the Nth successful APPEND, instead of its OK: cut the connection
    ("cut"), send BYE and close ("bye"), or answer with Microsoft 365's
    throttling refusal ("throttle"). In each case the message is on the
    server already: a correct client reconciles and uploads it once. Or
    refuse the first SELECT as throttled ("throttle-select");
  - keep one copy of each Message-ID as Gmail does ("gmail"): an APPEND of
    a message whose Message-ID the folder holds is not passed on but
    answered OK, with the held message's UID in its APPENDUID;
  - refuse to CREATE a folder whose name holds `refuse_in_name` with
    "NO [CANNOT]", and any whose name holds "Refused"; one whose name holds
    "Full" with "NO [OVERQUOTA]"; refuse to SELECT one whose name holds
    "Locked" with "NO [NOPERM]".
"""

import base64
import imaplib
import re
import socket
import ssl
import threading


def decode_mutf7(name):
    def piece(match):
        text = match.group(1)
        if not text:
            return "&"
        raw = (text.replace(",", "/") + "===")[: (len(text) + 3) // 4 * 4]
        return base64.b64decode(raw).decode("utf-16-be")
    return re.sub(r"&([^-]*)-", piece, name)


def encode_mutf7(name):
    def piece(match):
        text = match.group(0)
        if text == "&":
            return "&-"
        return "&" + base64.b64encode(text.encode("utf-16-be")).decode().rstrip("=").replace("/", ",") + "-"
    return re.sub(r"&|[^\x20-\x7e]+", piece, name)


QUOTED = rb'"((?:[^"\\]|\\.)*)"'


def unquote(text):
    return re.sub(rb"\\(.)", rb"\1", text)


def quote(text):
    return b'"' + text.replace(b"\\", b"\\\\").replace(b'"', b'\\"') + b'"'


class FaultProxy:
    def __init__(self, server, capabilities=None, fault=None, at_append=5, gmail=False, refuse_in_name=None,
                 append_limits=None):
        self.server = server
        self.capabilities = capabilities
        self.fault = fault                # None, "cut", "bye", "throttle", "throttle-select"
        self.at_append = at_append
        self.gmail = gmail
        self.refuse_in_name = refuse_in_name
        self.append_limits = append_limits or {}
        self.appends = 0
        self.faults = 0
        self.swallowed = 0
        self.lock = threading.Lock()
        self.side = None  # the proxy's own connection to Dovecot, to look for held Message-IDs
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(server.folder + "/server.pem", server.folder + "/server.key")
        self.client_context = ssl.create_default_context(cafile=server.ca)
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                raw, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.session, args=(raw,), daemon=True).start()

    def close(self):
        self.listener.close()
        if self.side:
            self.side.logout()

    def session(self, raw):
        try:
            client = self.context.wrap_socket(raw, server_side=True)
            upstream = self.client_context.wrap_socket(
                socket.create_connection(("127.0.0.1", self.server.tls_port)), server_hostname="127.0.0.1")
        except (OSError, ssl.SSLError):
            raw.close()
            return
        Session(self, client, upstream).run()

    def held_uid(self, folder, message_id):
        """(UIDVALIDITY, UID) of a message in `folder` (modified UTF-7) with
        `message_id`, or None."""
        with self.lock:
            if self.side is None:
                self.side = self.server.client()
            status, _ = self.side.select(quote(folder).decode(), readonly=True)
            if status != "OK":
                return None
            validity = self.side.response("UIDVALIDITY")[1][0].decode()
            _, data = self.side.uid("SEARCH", "HEADER", "Message-ID", quote(message_id).decode())
            uids = data[0].split()
            return (validity, uids[0].decode()) if uids else None


class Session:
    """One client connection and its connection to Dovecot."""

    def __init__(self, proxy, client, upstream):
        self.proxy, self.client, self.upstream = proxy, client, upstream
        self.send_lock = threading.Lock()
        self.answered = threading.Condition()
        self.outstanding = 0   # commands passed on, not answered yet
        self.append_tags = set()
        self.utf8 = False

    def run(self):
        threading.Thread(target=self.pump_commands, daemon=True).start()
        try:
            self.relay_responses()
        except (OSError, ssl.SSLError, ValueError):
            pass
        self.hang_up()

    def hang_up(self):
        # shutdown() first: a close() alone waits for the other thread's
        # recv() and sends nothing meanwhile.
        for end in (self.client, self.upstream):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except (OSError, ValueError):
                pass
            try:
                end.close()
            except OSError:
                pass

    def to_client(self, data):
        with self.send_lock:
            self.client.sendall(data)

    # The client's side.

    def pump_commands(self):
        reader = self.client.makefile("rb")
        try:
            while True:
                lines, literals = self.read_command(reader)
                if not lines[0]:
                    break
                self.command(lines, literals)
        except (OSError, ssl.SSLError, ValueError):
            pass
        self.hang_up()

    def read_command(self, reader):
        """The lines of one command and the literal after each but the last."""
        lines, literals = [reader.readline()], []
        while True:
            header = re.search(rb"\{(\d+)(\+?)\}\r\n$", lines[-1])
            if not header:
                return lines, literals
            if not header.group(2):
                self.to_client(b"+ Ready for literal data\r\n")
            literals.append(reader.read(int(header.group(1))))
            lines.append(reader.readline())

    def command(self, lines, literals):
        first = lines[0]
        words = first.split(b" ", 2)
        tag, name = words[0], (words[1].strip().upper() if len(words) > 1 else b"")
        rest = words[2] if len(words) > 2 else b""
        proxy = self.proxy
        if self.utf8 and name in (b"LIST", b"CREATE", b"SELECT", b"EXAMINE", b"STATUS", b"APPEND"):
            lines[0] = first = re.sub(QUOTED, lambda m: quote(encode_mutf7(unquote(m.group(1)).decode()).encode()),
                                      first)
            rest = first.split(b" ", 2)[2]
        if name == b"ENABLE" and proxy.capabilities == "utf8-enabled" and b"UTF8=ACCEPT" in rest.upper():
            self.utf8 = True
            return self.answer(b"* ENABLED UTF8=ACCEPT\r\n" + tag + b" OK Enabled\r\n")
        if name == b"CREATE":
            folder = self.folder_in(rest)
            if b"Refused" in folder or (proxy.refuse_in_name and proxy.refuse_in_name.encode() in folder):
                return self.answer(tag + b" NO [CANNOT] Character not allowed in mailbox name\r\n")
            if b"Full" in folder:
                return self.answer(tag + b" NO [OVERQUOTA] Quota exceeded (mailbox count)\r\n")
        if name == b"STATUS" and b"APPENDLIMIT" in rest.upper() and proxy.capabilities == "appendlimit":
            folder = self.folder_in(rest)
            limit = next((limit for part, limit in proxy.append_limits.items() if part.encode() in folder), None)
            return self.answer(b"* STATUS " + quote(folder) + b" (APPENDLIMIT %s)\r\n"
                               % (b"NIL" if limit is None else str(limit).encode())
                               + tag + b" OK Status completed\r\n")
        if name == b"SELECT" and b"Locked" in self.folder_in(rest):
            return self.answer(tag + b" NO [NOPERM] Permission denied\r\n")
        if name == b"SELECT" and proxy.fault == "throttle-select" and proxy.faults == 0:
            proxy.faults += 1
            return self.answer(tag + b" NO Request is throttled. Suggested Backoff Time: 1200 milliseconds\r\n")
        if name == b"APPEND":
            self.append_tags.add(tag)
            if proxy.gmail:
                held = self.held_copy(rest, literals[-1])
                if held:
                    proxy.swallowed += 1
                    code = b"" if proxy.capabilities == "no-uidplus" else b"[APPENDUID %s %s] " % held
                    return self.answer(tag + b" OK " + code + b"APPEND completed\r\n")
        # Dovecot takes LITERAL+: the proxy gave the "+" already.
        data = b""
        for i, line in enumerate(lines):
            data += re.sub(rb"\{(\d+)\}\r\n$", rb"{\1+}\r\n", line)
            if i < len(literals):
                data += literals[i]
        with self.answered:
            self.outstanding += 1
        self.upstream.sendall(data)

    @staticmethod
    def folder_in(arguments):
        quoted = re.match(QUOTED, arguments)
        return unquote(quoted.group(1)) if quoted else arguments.split(b" ")[0].strip()

    def answer(self, response):
        """Answers a command here, once everything before it has been
        answered, so that answers keep the order of the commands."""
        with self.answered:
            self.answered.wait_for(lambda: self.outstanding == 0, timeout=60)
        self.to_client(response)

    def held_copy(self, arguments, message):
        header = message.split(b"\r\n\r\n", 1)[0]
        message_id = re.search(rb"(?im)^Message-ID:[ \t]*(\S+)", header)
        if not message_id:
            return None
        with self.answered:
            self.answered.wait_for(lambda: self.outstanding == 0, timeout=60)
        held = self.proxy.held_uid(self.folder_in(arguments), message_id.group(1))
        return (held[0].encode(), held[1].encode()) if held else None

    # Dovecot's side.

    def relay_responses(self):
        reader = self.upstream.makefile("rb")
        while True:
            response = reader.readline()
            if not response:
                return
            # A line ending in a literal header: the literal and the rest
            # of the response belong to it.
            while True:
                literal = re.search(rb"\{(\d+)\}\r\n$", response)
                if not literal:
                    break
                response += reader.read(int(literal.group(1)))
                response += reader.readline()
            tagged = not response.startswith((b"* ", b"+"))
            response = self.rewrite(response)
            if response is None:
                return
            self.to_client(response)
            if tagged:
                with self.answered:
                    self.outstanding -= 1
                    self.answered.notify_all()

    def rewrite(self, response):
        proxy = self.proxy
        capabilities = proxy.capabilities
        if b"CAPABILITY" in response.upper() and capabilities:
            if capabilities in ("no-literal-plus", "literal-minus"):
                response = response.replace(b" LITERAL+", b" LITERAL-" if capabilities == "literal-minus" else b"")
            elif capabilities in ("utf8", "utf8-enabled"):
                response = response.replace(b"\r\n", b" UTF8=ACCEPT\r\n", 1)
            elif capabilities == "no-uidplus":
                response = response.replace(b" UIDPLUS", b"")
            elif capabilities.startswith("appendlimit"):
                limit = capabilities[len("appendlimit"):].upper().encode()
                response = re.sub(rb" APPENDLIMIT(=\d+)?", b"", response).replace(b"\r\n", b" APPENDLIMIT" + limit
                                                                                     + b"\r\n", 1)
        if self.utf8:
            listed = re.match(rb"(\* LIST \([^)]*\) \S+ )(?:" + QUOTED + rb"|([^\s\"]+))\r\n$", response)
            if listed:
                sent = unquote(listed.group(2)) if listed.group(2) is not None else listed.group(3)
                name = decode_mutf7(sent.decode()).encode()
                response = listed.group(1) + quote(name) + b"\r\n"
        tag = response.split(b" ", 1)[0]
        if tag in self.append_tags and re.match(rb"\S+ OK ", response):
            if capabilities == "no-uidplus":
                response = re.sub(rb" OK \[APPENDUID [^\]]*\] ", b" OK ", response)
            if proxy.fault:
                proxy.appends += 1
                if proxy.appends % proxy.at_append == 0 and proxy.faults < 3:
                    proxy.faults += 1
                    if proxy.fault == "cut":
                        return None
                    if proxy.fault == "bye":
                        return b"* BYE Server shutting down\r\n"
                    if proxy.fault == "throttle":
                        return tag + b" NO Request is throttled. Suggested Backoff Time: 1200 milliseconds\r\n"
        return response
