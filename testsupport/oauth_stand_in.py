#!/usr/bin/env python3
"""An OAuth2 authorization server for tests, on 127.0.0.1 and a free port.

Endpoints:
  GET  /authorize   the authorization code flow with PKCE (S256 only); the one test user
                    approves at once and is sent back to the loopback redirect with the code
  POST /token       grant_type=authorization_code (checks the verifier) or refresh_token
  POST /introspect  RFC 7662: {"active": true, "username": ..., ...} or {"active": false}
  GET  /tokeninfo   the same for ?access_token=TOKEN
  POST /revoke      RFC 7009: ends an access token, or a refresh token with its access tokens
  POST /expire      test control: every access token issued so far expires now
  GET  /counts      test control: how often each endpoint was asked

The port goes to --port-file once the socket listens. Nothing is logged: the requests carry
tokens, codes and verifiers.
"""

import argparse
import base64
import hashlib
import json
import os
import secrets
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LARGEST_BODY = 64 * 1024
CODE_LIFETIME = 60


class Grants:
    """Codes, access and refresh tokens, behind one lock."""

    def __init__(self, client_id, user, lifetime):
        self.client_id = client_id
        self.user = user
        self.lifetime = lifetime
        self.lock = threading.Lock()
        self.codes = {}  # code -> (challenge, redirect_uri, scope, expiry)
        self.access = {}  # token -> {"refresh":, "scope":, "exp":, "revoked":}
        self.refresh = {}  # token -> {"scope":, "revoked":}
        self.counts = {}

    def count(self, name):
        with self.lock:
            self.counts[name] = self.counts.get(name, 0) + 1

    def new_code(self, challenge, redirect_uri, scope):
        code = secrets.token_urlsafe(24)
        with self.lock:
            self.codes[code] = (challenge, redirect_uri, scope, time.time() + CODE_LIFETIME)
        return code

    def issue(self, refresh_token, scope):
        token = "at-" + secrets.token_urlsafe(24)
        with self.lock:
            self.access[token] = {"refresh": refresh_token, "scope": scope,
                                  "exp": time.time() + self.lifetime, "revoked": False}
        return {"access_token": token, "token_type": "Bearer", "expires_in": self.lifetime,
                "refresh_token": refresh_token, "scope": scope}

    def redeem_code(self, code, verifier, redirect_uri):
        with self.lock:
            grant = self.codes.pop(code, None)  # a code is good once
        if grant is None:
            return None, "unknown or used code"
        challenge, expected_uri, scope, expiry = grant
        if time.time() > expiry:
            return None, "code expired"
        if redirect_uri != expected_uri:
            return None, "redirect_uri differs from the authorization request"
        digest = hashlib.sha256(verifier.encode("ascii", "replace")).digest()
        if base64.urlsafe_b64encode(digest).rstrip(b"=").decode() != challenge:
            return None, "code_verifier does not match the code_challenge"
        refresh_token = "rt-" + secrets.token_urlsafe(24)
        with self.lock:
            self.refresh[refresh_token] = {"scope": scope, "revoked": False}
        return self.issue(refresh_token, scope), None

    def refreshed(self, refresh_token):
        with self.lock:
            entry = self.refresh.get(refresh_token)
        if entry is None or entry["revoked"]:
            return None
        return self.issue(refresh_token, entry["scope"])

    def introspect(self, token):
        with self.lock:
            entry = self.access.get(token)
            if entry is None or entry["revoked"] or time.time() >= entry["exp"]:
                return {"active": False}
            if self.refresh.get(entry["refresh"], {}).get("revoked"):
                return {"active": False}
            return {"active": True, "username": self.user, "scope": entry["scope"],
                    "client_id": self.client_id, "token_type": "Bearer",
                    "exp": int(entry["exp"])}

    def revoke(self, token):
        with self.lock:
            if token in self.access:
                self.access[token]["revoked"] = True
            if token in self.refresh:
                self.refresh[token]["revoked"] = True

    def expire_all(self):
        with self.lock:
            for entry in self.access.values():
                entry["exp"] = 0


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    grants = None

    def log_message(self, *args):
        pass

    def reply(self, status, body=b"", content_type="application/json", headers=()):
        if isinstance(body, (dict, list)):
            body = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def error(self, status, code, description):
        self.reply(status, {"error": code, "error_description": description})

    def form(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length > LARGEST_BODY:
            return None
        if "application/x-www-form-urlencoded" not in (self.headers.get("Content-Type") or ""):
            return None
        fields = urllib.parse.parse_qs(self.rfile.read(length).decode("utf-8", "replace"),
                                       keep_blank_values=True)
        return {name: values[0] for name, values in fields.items()}

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query).items()}
        if url.path == "/authorize":
            self.grants.count("authorize")
            return self.authorize(query)
        if url.path == "/tokeninfo":
            self.grants.count("tokeninfo")
            return self.reply(200, self.grants.introspect(query.get("access_token", "")))
        if url.path == "/counts":
            with self.grants.lock:
                return self.reply(200, dict(self.grants.counts))
        self.error(404, "not_found", "no such endpoint")

    def do_POST(self):
        path = urllib.parse.urlsplit(self.path).path
        fields = self.form()
        if fields is None:
            return self.error(400, "invalid_request", "expected a form of at most 64 KiB")
        self.grants.count(path.lstrip("/"))
        if path == "/token":
            return self.token(fields)
        if path == "/introspect":
            return self.reply(200, self.grants.introspect(fields.get("token", "")))
        if path == "/revoke":
            self.grants.revoke(fields.get("token", ""))
            return self.reply(200, {})
        if path == "/expire":
            self.grants.expire_all()
            return self.reply(200, {})
        self.error(404, "not_found", "no such endpoint")

    def authorize(self, query):
        redirect_uri = query.get("redirect_uri", "")
        target = urllib.parse.urlsplit(redirect_uri)
        # RFC 8252: a loopback redirect on any port.
        if target.scheme != "http" or target.hostname not in ("127.0.0.1", "::1", "localhost"):
            return self.error(400, "invalid_request", "redirect_uri must be a loopback address")
        if query.get("client_id") != self.grants.client_id:
            return self.error(400, "unauthorized_client", "unknown client_id")
        back = {"state": query.get("state", "")}
        if query.get("response_type") != "code":
            back["error"] = "unsupported_response_type"
        elif query.get("code_challenge_method") != "S256" or not query.get("code_challenge"):
            back["error"] = "invalid_request"
        else:
            back["code"] = self.grants.new_code(query["code_challenge"], redirect_uri,
                                                query.get("scope", ""))
        separator = "&" if target.query else "?"
        location = redirect_uri + separator + urllib.parse.urlencode(back)
        self.reply(302, b"", "text/plain", [("Location", location)])

    def token(self, fields):
        if fields.get("client_id") != self.grants.client_id:
            return self.error(401, "invalid_client", "unknown client_id")
        grant = fields.get("grant_type")
        if grant == "authorization_code":
            tokens, why = self.grants.redeem_code(fields.get("code", ""),
                                                  fields.get("code_verifier", ""),
                                                  fields.get("redirect_uri", ""))
            if tokens is None:
                return self.error(400, "invalid_grant", why)
            return self.reply(200, tokens)
        if grant == "refresh_token":
            tokens = self.grants.refreshed(fields.get("refresh_token", ""))
            if tokens is None:
                return self.error(400, "invalid_grant", "unknown or revoked refresh token")
            return self.reply(200, tokens)
        self.error(400, "unsupported_grant_type", "only authorization_code and refresh_token")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--client-id", default="kelvane-test")
    parser.add_argument("--user", default="ann")
    parser.add_argument("--lifetime", type=int, default=3600)
    options = parser.parse_args()
    Handler.grants = Grants(options.client_id, options.user, options.lifetime)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    partial = options.port_file + ".part"
    with open(partial, "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(partial, options.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
