"""A TLS proxy on 127.0.0.1 between quernel and Dovecot that injects what
Dovecot does not do. It reads the server's side response by response
(literals included) and can:
  - rewrite capabilities: drop LITERAL+ (synchronizing literals only), or
    put LITERAL- in its place, or offer UTF8=ACCEPT (which Dovecot then does
    not enable);
  - at the Nth successful APPEND, instead of its OK: cut the connection
    ("cut"), send BYE and close ("bye"), or answer with Microsoft 365's
    throttling refusal ("throttle"). In each case the message is on the
    server already: a correct client reconciles and uploads it once.
"""

import re
import socket
import ssl
import threading


class FaultProxy:
    def __init__(self, server, capabilities=None, fault=None, at_append=5):
        self.server = server
        self.capabilities = capabilities  # None, "no-literal-plus", "literal-minus", "utf8"
        self.fault = fault                # None, "cut", "bye", "throttle"
        self.at_append = at_append
        self.appends = 0
        self.faults = 0
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

    def session(self, raw):
        try:
            client = self.context.wrap_socket(raw, server_side=True)
            upstream = self.client_context.wrap_socket(
                socket.create_connection(("127.0.0.1", self.server.tls_port)), server_hostname="127.0.0.1")
        except (OSError, ssl.SSLError):
            raw.close()
            return
        threading.Thread(target=self.pump, args=(client, upstream), daemon=True).start()
        try:
            self.relay_responses(upstream, client)
        except (OSError, ssl.SSLError, ValueError):
            pass
        self.hang_up(client, upstream)

    @staticmethod
    def hang_up(*ends):
        # shutdown() first: a close() alone waits for the other thread's
        # recv() and sends nothing meanwhile.
        for end in ends:
            try:
                end.shutdown(socket.SHUT_RDWR)
            except (OSError, ValueError):
                pass
            try:
                end.close()
            except OSError:
                pass

    @staticmethod
    def pump(source, target):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                target.sendall(data)
        except (OSError, ssl.SSLError, ValueError):
            pass
        FaultProxy.hang_up(source, target)

    def relay_responses(self, upstream, client):
        reader = upstream.makefile("rb")
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
            response = self.rewrite(response)
            if response is None:
                return
            client.sendall(response)

    def rewrite(self, response):
        if b"CAPABILITY" in response.upper() and self.capabilities:
            if self.capabilities in ("no-literal-plus", "literal-minus"):
                response = response.replace(b" LITERAL+", b" LITERAL-" if self.capabilities == "literal-minus" else b"")
            elif self.capabilities == "utf8":
                response = response.replace(b"\r\n", b" UTF8=ACCEPT\r\n", 1)
        if self.fault and re.match(rb"\S+ OK \[APPENDUID", response):
            self.appends += 1
            if self.appends % self.at_append == 0 and self.faults < 3:
                self.faults += 1
                tag = response.split(b" ", 1)[0]
                if self.fault == "cut":
                    return None
                if self.fault == "bye":
                    return b"* BYE Server shutting down\r\n"
                if self.fault == "throttle":
                    return tag + b" NO Request is throttled. Suggested Backoff Time: 1200 milliseconds\r\n"
        return response
