#!/usr/bin/python3
"""Loopback OAuth 2.0 provider for the sign-in and XOAUTH2 tests.

usage: oauth_provider.py TOKENS_FILE [EXPIRES_IN] [INTERVAL]
Prints "PORT <n>" once listening on 127.0.0.1. The access tokens the provider currently
accepts are written to TOKENS_FILE, one a line, for the SMTP and IMAP test servers.
EXPIRES_IN (seconds, default 3600) is the lifetime announced with each access token;
INTERVAL (seconds, default 1) the device flow's polling interval.

GET  /authorize   no login page: redirects at once to redirect_uri with a code (PKCE S256
                  required) or, for client id "refuse", with error=access_denied
POST /token       authorization_code (checks the verifier and the redirect_uri),
                  refresh_token (the refresh token is replaced by a new one each time),
                  device_code (authorization_pending until approved, slow_down when polled
                  faster than the interval)
POST /devicecode  starts a device authorization
A client id ending in "-with-secret" is an installed application with the secret
"installed-app-secret", which each token request must then carry.
Test controls (POST, form): /control/approve (user_code), /control/deny (user_code),
/control/revoke (every refresh token and access token stops working),
/control/expire (the current access tokens stop working; refresh tokens stay);
GET /control/stats answers a JSON object of counters.
"""
import base64
import hashlib
import json
import os
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
state = {
    "codes": {},  # code -> (client_id, redirect_uri, challenge, scope)
    "refresh": {},  # refresh token -> (client_id, scope)
    "access": set(),
    "devices": {},  # device_code -> dict
    "stats": {"authorize": 0, "code": 0, "refresh": 0, "device_polls": 0, "refused": 0},
}
config = {"tokens_file": None, "expires_in": 3600, "interval": 1}


def b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


def write_tokens():
    path = config["tokens_file"]
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        for token in sorted(state["access"]):
            f.write(token + "\n")
    os.replace(tmp, path)


def issue(client_id, scope):
    access = "at-" + secrets.token_urlsafe(24)
    refresh = "rt-" + secrets.token_urlsafe(24)
    state["access"].add(access)
    state["refresh"][refresh] = (client_id, scope)
    write_tokens()
    return {"token_type": "Bearer", "access_token": access, "refresh_token": refresh,
            "expires_in": config["expires_in"], "scope": scope}


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=()):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def refuse(self, error, description, status=400):
        state["stats"]["refused"] += 1
        self.answer(status, {"error": error, "error_description": description})

    def form(self):
        length = int(self.headers.get("Content-Length", "0"))
        raw = self.rfile.read(length).decode()
        return {k: v[-1] for k, v in urllib.parse.parse_qs(raw, keep_blank_values=True).items()}

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query).items()}
        with lock:
            if url.path == "/authorize":
                return self.authorize(query)
            if url.path == "/control/stats":
                return self.answer(200, state["stats"])
        self.answer(404, {"error": "not_found"})

    def authorize(self, q):
        state["stats"]["authorize"] += 1
        redirect = q.get("redirect_uri", "")
        if not redirect.startswith("http://127.0.0.1:"):
            return self.refuse("invalid_request", "redirect_uri must be a loopback address")
        params = {"state": q.get("state", "")}
        if q.get("client_id") == "refuse":
            params["error"] = "access_denied"
            params["error_description"] = "The user declined."
        elif q.get("response_type") != "code" or not q.get("client_id"):
            params["error"] = "invalid_request"
        elif q.get("code_challenge_method") != "S256" or len(q.get("code_challenge", "")) < 43:
            params["error"] = "invalid_request"
            params["error_description"] = "PKCE S256 required"
        else:
            # Codes hold characters that must be encoded in a query, as real ones do.
            code = "c/" + secrets.token_urlsafe(18) + "+x"
            state["codes"][code] = (q["client_id"], redirect, q["code_challenge"],
                                    q.get("scope", ""))
            params["code"] = code
        separator = "&" if "?" in redirect else "?"
        location = redirect + separator + urllib.parse.urlencode(params)
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        form = self.form()
        with lock:
            if url.path == "/token":
                return self.token(form)
            if url.path == "/devicecode":
                return self.devicecode(form)
            if url.path.startswith("/control/"):
                return self.control(url.path[len("/control/"):], form)
        self.answer(404, {"error": "not_found"})

    def token(self, f):
        grant = f.get("grant_type")
        client = f.get("client_id", "")
        if client.endswith("-with-secret") and f.get("client_secret") != "installed-app-secret":
            return self.refuse("invalid_client", "client_secret is missing or wrong", 401)
        if grant == "authorization_code":
            entry = state["codes"].pop(f.get("code", ""), None)
            if entry is None:
                return self.refuse("invalid_grant", "unknown or used authorization code")
            client_id, redirect, challenge, scope = entry
            if client != client_id or f.get("redirect_uri") != redirect:
                return self.refuse("invalid_grant", "client or redirect_uri differs")
            verifier = f.get("code_verifier", "")
            if b64url(hashlib.sha256(verifier.encode()).digest()) != challenge:
                return self.refuse("invalid_grant", "PKCE verification failed")
            state["stats"]["code"] += 1
            return self.answer(200, issue(client_id, scope))
        if grant == "refresh_token":
            entry = state["refresh"].pop(f.get("refresh_token", ""), None)
            if entry is None or entry[0] != client:
                return self.refuse("invalid_grant",
                                   "AADSTS70008: The refresh token has expired or was revoked.")
            state["stats"]["refresh"] += 1
            return self.answer(200, issue(client, entry[1]))
        if grant == "urn:ietf:params:oauth:grant-type:device_code":
            state["stats"]["device_polls"] += 1
            device = state["devices"].get(f.get("device_code", ""))
            if device is None or device["client_id"] != client:
                return self.refuse("invalid_grant", "unknown device code")
            now = time.monotonic()
            early = now - device["polled"] < device["interval"] - 0.05
            device["polled"] = now
            if device["status"] == "denied":
                return self.refuse("access_denied", "The user declined.")
            if early:
                return self.refuse("slow_down", "polled faster than the interval")
            if device["status"] == "pending":
                return self.refuse("authorization_pending", "waiting for the user")
            del state["devices"][f["device_code"]]
            return self.answer(200, issue(client, device["scope"]))
        return self.refuse("unsupported_grant_type", "grant type %r" % grant)

    def devicecode(self, f):
        if not f.get("client_id"):
            return self.refuse("invalid_request", "client_id missing")
        device_code = secrets.token_urlsafe(24)
        user_code = "%04d-%04d" % (secrets.randbelow(10000), secrets.randbelow(10000))
        port = self.server.server_address[1]
        uri = "http://127.0.0.1:%d/device" % port
        state["devices"][device_code] = {
            "client_id": f["client_id"], "scope": f.get("scope", ""), "user_code": user_code,
            "status": "pending", "polled": 0.0, "interval": config["interval"]}
        self.answer(200, {
            "device_code": device_code, "user_code": user_code, "verification_uri": uri,
            "expires_in": 900, "interval": config["interval"],
            "message": "To sign in, open %s and enter the code %s." % (uri, user_code)})

    def control(self, what, f):
        if what in ("approve", "deny"):
            for device in state["devices"].values():
                if device["user_code"] == f.get("user_code"):
                    device["status"] = "approved" if what == "approve" else "denied"
                    return self.answer(200, {})
            return self.answer(404, {"error": "unknown user code"})
        if what == "revoke":
            state["refresh"].clear()
            state["access"].clear()
            write_tokens()
            return self.answer(200, {})
        if what == "expire":
            state["access"].clear()
            write_tokens()
            return self.answer(200, {})
        self.answer(404, {"error": "unknown control"})


def main():
    config["tokens_file"] = sys.argv[1]
    if len(sys.argv) > 2:
        config["expires_in"] = int(sys.argv[2])
    if len(sys.argv) > 3:
        config["interval"] = max(1, int(sys.argv[3]))
    write_tokens()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
