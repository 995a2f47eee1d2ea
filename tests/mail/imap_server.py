#!/usr/bin/python3
"""Loopback IMAP4rev1 server for the mail tests.

usage: imap_server.py FOLDER MODE
MODE: accept | refuse-login | refuse-append | no-special-use | xoauth2 | silent
Prints "PORT <n>" once listening. The only login is user / right. In xoauth2 mode LOGIN is
disabled and AUTHENTICATE XOAUTH2 accepts the access tokens listed, one a line, in the file
named by the environment variable XOAUTH2_TOKENS (each attempt is appended to
FOLDER/auth.log as "ok" or "refused"); OAUTHBEARER is announced and always refused. The mailboxes are INBOX,
Archive, "Sent Items" (flagged \\Sent) and Drafts (flagged \\Drafts); in no-special-use
mode no folder carries a special-use flag. Each appended message is stored byte for byte
as FOLDER/append-<n>.eml, its mailbox and flags as FOLDER/append-<n>.json.
"""
import asyncio
import json
import os
import re
import socket
import sys

MAILBOXES = [("INBOX", []), ("Archive", []), ("Sent Items", ["\\Sent"]),
             ("Drafts", ["\\Drafts"])]
CAPABILITIES = "IMAP4rev1 LITERAL+ SPECIAL-USE LIST-EXTENDED"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def tokens(text):
    """Splits a command's arguments: quoted strings, parenthesised lists, atoms."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == " ":
            i += 1
        elif c == '"':
            j, value = i + 1, ""
            while j < len(text) and text[j] != '"':
                if text[j] == "\\":
                    j += 1
                value += text[j]
                j += 1
            out.append(value)
            i = j + 1
        elif c == "(":
            j = text.index(")", i)
            out.append(text[i + 1:j].split())
            i = j + 1
        else:
            j = text.find(" ", i)
            j = len(text) if j < 0 else j
            out.append(text[i:j])
            i = j
    return out


def quoted(name):
    return '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Session:
    """One client connection. Authentication is a table of mechanisms so that SASL ones
    (AUTHENTICATE) can join LOGIN."""

    def __init__(self, server, reader, writer):
        self.server, self.reader, self.writer = server, reader, writer
        self.user = None

    async def send(self, line):
        self.writer.write(line.encode() + b"\r\n")
        await self.writer.drain()

    def capabilities(self):
        if self.server.mode == "xoauth2":
            return CAPABILITIES + " SASL-IR AUTH=XOAUTH2 AUTH=OAUTHBEARER LOGINDISABLED"
        return CAPABILITIES

    async def run(self):
        await self.send("* OK [CAPABILITY %s] test server ready" % self.capabilities())
        while True:
            line = await self.reader.readline()
            if not line:
                return
            text = line.decode("utf-8", "replace").rstrip("\r\n")
            tag, _, rest = text.partition(" ")
            command, _, args = rest.partition(" ")
            handler = getattr(self, "do_" + command.upper(), None)
            if handler is None:
                await self.send("%s BAD unknown command" % tag)
                continue
            if command.upper() not in ("CAPABILITY", "LOGIN", "AUTHENTICATE", "NOOP", "LOGOUT") \
                    and self.user is None:
                await self.send("%s NO not authenticated" % tag)
                continue
            if await handler(tag, args) is False:
                return

    async def do_CAPABILITY(self, tag, args):
        await self.send("* CAPABILITY " + self.capabilities())
        await self.send("%s OK CAPABILITY completed" % tag)

    def check_password(self, user, password):
        return self.server.mode not in ("refuse-login", "xoauth2") and user == "user" \
            and password == "right"

    async def do_AUTHENTICATE(self, tag, args):
        import base64
        parts = args.split()
        mechanism = parts[0].upper() if parts else ""
        if self.server.mode != "xoauth2" or mechanism not in ("XOAUTH2", "OAUTHBEARER"):
            await self.send("%s NO unsupported mechanism" % tag)
            return
        if len(parts) > 1:
            blob = parts[1]
        else:
            await self.send("+ ")
            blob = (await self.reader.readline()).decode().strip()
        try:
            fields = dict(p.split("=", 1) for p in base64.b64decode(blob).decode().split("\x01")
                          if "=" in p)
        except Exception:
            fields = {}
        token = fields.get("auth", "")[len("Bearer "):]
        try:
            with open(os.environ["XOAUTH2_TOKENS"]) as f:
                accepted = set(line.strip() for line in f if line.strip())
        except OSError:
            accepted = set()
        ok = mechanism == "XOAUTH2" and "user" in fields and token in accepted
        with open(os.path.join(self.server.folder, "auth.log"), "a") as f:
            f.write(("ok" if ok else "refused") + "\n")
        if ok:
            self.user = fields["user"]
            await self.send("%s OK AUTHENTICATE completed" % tag)
            return
        # As the large providers do: a JSON status as a challenge, then the refusal.
        await self.send("+ " + base64.b64encode(b'{"status":"401","schemes":"bearer"}').decode())
        await self.reader.readline()
        await self.send("%s NO [AUTHENTICATIONFAILED] Invalid credentials" % tag)

    async def do_LOGIN(self, tag, args):
        parts = tokens(args)
        if len(parts) == 2 and self.check_password(parts[0], parts[1]):
            self.user = parts[0]
            await self.send("%s OK LOGIN completed" % tag)
        else:
            await self.send("%s NO [AUTHENTICATIONFAILED] Invalid credentials" % tag)

    async def do_LIST(self, tag, args):
        parts = tokens(args)
        for name, flags in MAILBOXES:
            if self.server.mode == "no-special-use":
                flags = []
            shown = ["\\HasNoChildren"] + flags
            await self.send("* LIST (%s) \"/\" %s" % (" ".join(shown), quoted(name)))
        await self.send("%s OK LIST completed" % tag)

    async def do_SELECT(self, tag, args):
        await self.send("* 0 EXISTS")
        await self.send("%s OK [READ-WRITE] SELECT completed" % tag)

    do_EXAMINE = do_SELECT

    async def do_APPEND(self, tag, args):
        match = re.match(r'^(".*?(?<!\\)"|\S+)(?: \(([^)]*)\))?(?: "[^"]*")? \{(\d+)(\+?)\}$', args)
        if not match:
            await self.send("%s BAD APPEND arguments" % tag)
            return
        mailbox = tokens(match.group(1))[0]
        flags = (match.group(2) or "").split()
        size, non_sync = int(match.group(3)), match.group(4) == "+"
        known = [m for m, _ in MAILBOXES]
        refuse = self.server.mode == "refuse-append"
        if not non_sync:
            if refuse:
                await self.send("%s NO [OVERQUOTA] mailbox full" % tag)
                return
            if mailbox not in known:
                await self.send("%s NO [TRYCREATE] no such mailbox" % tag)
                return
            await self.send("+ Ready for literal data")
        data = await self.reader.readexactly(size)
        await self.reader.readline()  # the command's line end after the literal
        if refuse or mailbox not in known:
            await self.send("%s NO append refused" % tag)
            return
        self.server.count += 1
        base = os.path.join(self.server.folder, "append-%d" % self.server.count)
        with open(base + ".eml", "wb") as f:
            f.write(data)
        with open(base + ".json", "w") as f:
            json.dump({"mailbox": mailbox, "flags": flags}, f)
        await self.send("%s OK APPEND completed" % tag)

    async def do_NOOP(self, tag, args):
        await self.send("%s OK NOOP completed" % tag)

    async def do_LOGOUT(self, tag, args):
        await self.send("* BYE logging out")
        await self.send("%s OK LOGOUT completed" % tag)
        return False


class Server:
    def __init__(self, folder, mode):
        self.folder, self.mode, self.count = folder, mode, 0

    async def serve(self, reader, writer):
        if self.mode == "silent":
            await reader.read()  # never answers
            return
        try:
            await Session(self, reader, writer).run()
        except (ConnectionError, asyncio.IncompleteReadError):
            pass
        finally:
            writer.close()


async def main():
    folder, mode = sys.argv[1], sys.argv[2]
    port = free_port()
    server = await asyncio.start_server(Server(folder, mode).serve, "127.0.0.1", port)
    print("PORT %d" % port, flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
