#!/usr/bin/python3
"""Loopback SMTP server for the mail tests and benchmark.

usage: smtp_server.py FOLDER MODE [DELAY]
MODE: accept | discard | refuse-rcpt | auth | refuse-data | silent | size
Prints "PORT <n>" once listening. Each accepted message is stored byte for byte as
FOLDER/msg-<n>.eml, its envelope as FOLDER/msg-<n>.json. In auth mode the only login is
user / right. Recipients at the domain refused.invalid are refused in every mode.
DELAY (seconds) is waited before answering each RCPT and DATA command.
In size mode the server announces SIZE 100000 and refuses larger messages. Every DATA
command the server is sent is noted as a line in FOLDER/data-commands.log.
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


def main():
    folder, mode = sys.argv[1], sys.argv[2]
    delay = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0
    port = free_port()
    if mode == "silent":
        silent(port)
        return
    Controller = logging_controller(folder)
    options = {}
    if mode == "auth":
        options = dict(authenticator=authenticate, auth_required=True, auth_require_tls=False)
    limit = 100000 if mode == "size" else 0
    controller = Controller(Handler(folder, mode, delay), hostname="127.0.0.1", port=port,
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
