#!/usr/bin/python3
"""Loopback SMTP server for the mail tests and benchmark.

usage: smtp_server.py FOLDER MODE [DELAY]
MODE: accept | discard | refuse-rcpt | auth | xoauth2 | refuse-data | silent
Prints "PORT <n>" once listening. Each accepted message is stored byte for byte as
FOLDER/msg-<n>.eml, its envelope as FOLDER/msg-<n>.json. In auth mode the only login is
user / right. In xoauth2 mode XOAUTH2 accepts the access tokens listed, one a line, in
the file named by the environment variable XOAUTH2_TOKENS, and each attempt is appended to
FOLDER/auth.log as "ok" or "refused"; OAUTHBEARER is announced too and always refused, as
a client must not pick it. Recipients at the domain refused.invalid are refused in every
mode.
DELAY (seconds) is waited before answering each RCPT and DATA command.
In silent mode the server prints "ACCEPTED" for each connection it takes and never
answers. In size mode the server announces SIZE 100000, refuses larger messages, and notes
every DATA command it is sent as a line in FOLDER/data-commands.log.
"""
import asyncio
import json
import os
import socket
import sys
import threading
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Handler:
    def __init__(self, folder, mode, delay):
        self.folder, self.mode, self.delay = folder, mode, delay
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.delay:
            await asyncio.sleep(self.delay)
        if self.mode == "refuse-rcpt" or address.endswith("@refused.invalid"):
            return "550 5.1.1 mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.delay:
            await asyncio.sleep(self.delay)
        if self.mode == "refuse-data":
            return "554 5.6.0 message refused"
        with self.lock:
            self.count += 1
            n = self.count
        if self.mode == "discard":
            return "250 OK"
        base = os.path.join(self.folder, "msg-%d" % n)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".json", "w") as f:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos}, f)
        return "250 OK stored"


def current_tokens():
    try:
        with open(os.environ["XOAUTH2_TOKENS"]) as f:
            return set(line.strip() for line in f if line.strip())
    except OSError:
        return set()


def parse_xoauth2(blob):
    """user=<user>^Aauth=Bearer <token>^A^A -> (user, token), or None."""
    fields = dict(part.split("=", 1) for part in blob.decode().split("\x01") if "=" in part)
    auth = fields.get("auth", "")
    if "user" not in fields or not auth.startswith("Bearer "):
        return None
    return fields["user"], auth[len("Bearer "):]


class OAuthHandler(Handler):
    async def auth_XOAUTH2(self, server, args):
        from base64 import b64decode
        from aiosmtpd.smtp import AuthResult, MISSING
        if len(args) == 1:
            blob = await server.challenge_auth("")
            if blob is MISSING:
                return AuthResult(success=False, handled=True)
        else:
            try:
                blob = b64decode(args[1].encode(), validate=True)
            except Exception:
                return AuthResult(success=False, message="501 5.5.2 Can't decode base64")
        parsed = parse_xoauth2(blob)
        ok = parsed is not None and parsed[1] in current_tokens()
        with open(os.path.join(self.folder, "auth.log"), "a") as f:
            f.write("ok\n" if ok else "refused\n")
        if ok:
            return AuthResult(success=True, auth_data=parsed[0])
        # As the large providers do: a JSON status as a challenge, then the refusal.
        answer = await server.challenge_auth('{"status":"401","schemes":"bearer"}')
        if answer is MISSING:
            return AuthResult(success=False, handled=True)
        return AuthResult(success=False, message="535 5.7.8 Username and Password not accepted")

    async def auth_OAUTHBEARER(self, server, args):
        from aiosmtpd.smtp import AuthResult
        with open(os.path.join(self.folder, "auth.log"), "a") as f:
            f.write("oauthbearer\n")
        return AuthResult(success=False, message="535 5.7.8 OAUTHBEARER is not accepted here")


def authenticate(server, session, envelope, mechanism, auth_data):
    from aiosmtpd.smtp import AuthResult, LoginPassword
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == b"user" \
        and auth_data.password == b"right"
    return AuthResult(success=ok, handled=False)


def logging_controller(folder):
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import SMTP

    class DataLoggingSMTP(SMTP):
        async def smtp_DATA(self, arg):
            with open(os.path.join(folder, "data-commands.log"), "a") as f:
                f.write("DATA\n")
            await super().smtp_DATA(arg)

    class LoggingController(Controller):
        def factory(self):
            return DataLoggingSMTP(self.handler, **self.SMTP_kwargs)

    return LoggingController


def silent(port):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(16)
    print("PORT %d" % port, flush=True)
    held = []
    while True:
        conn, _ = server.accept()
        held.append(conn)  # never answers
        print("ACCEPTED", flush=True)


def main():
    folder, mode = sys.argv[1], sys.argv[2]
    delay = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0
    port = free_port()
    if mode == "silent":
        silent(port)
        return
    if mode == "size":
        Controller = logging_controller(folder)
    else:
        from aiosmtpd.controller import Controller
    options = {}
    handler = Handler(folder, mode, delay)
    if mode == "xoauth2":
        handler = OAuthHandler(folder, mode, delay)
        options = dict(auth_required=True, auth_require_tls=False,
                       auth_exclude_mechanism=["PLAIN", "LOGIN"])
    elif mode == "auth":
        options = dict(authenticator=authenticate, auth_required=True, auth_require_tls=False)
    limit = 100000 if mode == "size" else 0
    controller = Controller(handler, hostname="127.0.0.1", port=port,
                            data_size_limit=limit, **options)
    controller.start()
    print("PORT %d" % port, flush=True)
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
