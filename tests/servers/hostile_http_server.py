#!/usr/bin/python3
"""A web server that misbehaves, for the tests that bound what the program
reads back over HTTP. A path answers by the first of its segments that is one of these (so that
a whole website can misbehave below such a folder):
  endless               200 and a body that never ends (no Content-Length)
  huge                  200 announcing 1 TiB, then a body that never ends
  endless404, huge404   the same with status 404 (an error page that never ends)
  drip                  200 and one byte every half second, for ever
  redirect?to=URL       302 to URL (any scheme)
Other paths get 404. A POST reads the whole body first, then answers the
same way. With --cert-dir (cert.pem and key.pem) it speaks HTTPS.
Runs until killed.
"""
import argparse
import os
import socketserver
import ssl
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PIECE = b"<p>" + b"x" * 65530 + b"\n"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def _start(self, status=200, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()

    def _answer(self):
        parts = urllib.parse.urlsplit(self.path)
        segments = parts.path.strip("/").split("/")
        known = ("redirect", "endless", "huge", "drip", "endless404", "huge404")
        first = next((s for s in segments if s in known), "")
        try:
            if first == "redirect":
                to = dict(urllib.parse.parse_qsl(parts.query)).get("to", "/")
                self._start(302, 0, [("Location", to)])
            elif first in ("endless", "huge", "endless404", "huge404"):
                status = 404 if first.endswith("404") else 200
                self._start(status, 1 << 40 if first.startswith("huge") else None)
                while True:
                    self.wfile.write(PIECE)
            elif first == "drip":
                self._start(200, 1 << 20)
                while True:
                    self.wfile.write(b"d")
                    self.wfile.flush()
                    time.sleep(0.5)
            else:
                self._start(404, 0)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_GET(self):
        self._answer()

    def do_HEAD(self):
        self._start(200, 0)

    def do_POST(self):
        left = int(self.headers.get("Content-Length", "0"))
        while left > 0:
            chunk = self.rfile.read(min(left, 65536))
            if not chunk:
                return
            left -= len(chunk)
        self._answer()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--cert-dir")
    args = ap.parse_args()
    socketserver.TCPServer.allow_reuse_address = True
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    if args.cert_dir:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(args.cert_dir, "cert.pem"), os.path.join(args.cert_dir, "key.pem"))
        # The handshake runs in the request's own thread, so a client that
        # never finishes it holds up no other.
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    server.daemon_threads = True
    server.serve_forever()


if __name__ == "__main__":
    main()
