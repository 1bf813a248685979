#!/usr/bin/python3
"""Small web server for the integration tests.

GET and HEAD serve the files under --root. A few paths under /_test/ give
replies that real servers give now and then:
  /_test/nolength?size=N        N bytes without a Content-Length
  /_test/slow?size=N&delay=MS   N bytes in 1 KiB pieces, MS ms apart
  /_test/late?delay=MS&name=T   after MS ms, a small page whose body is T
A file whose name ends in ".short" is announced with twice its length and
then sent as it is, so the reply ends early. Anything below a folder named
"_status500" is answered with status 500 (a server in trouble).
POST to any path ending in /cgi-bin/upload/exchange.cgi records the path,
the content type and the form fields (each value as the hexadecimal form
of its bytes) as one JSON line in --posts, and answers by the "club" field:
  status<code>   that status (the reply page is still sent)
  bigreply       a 2 MiB page
  reply<n>       a reply of exactly n bytes
  nolength       a page without Content-Length
  anything else  200 with a small page that has a <head>
With --user the server runs as that account once it listens, as a host's
web server runs as an account of its own: a page others may not read, or a
folder they may not enter, is not served (404).
"""
import argparse
import html
import json
import os
import pwd
import time
import urllib.parse
from functools import partial
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

POST_SUFFIX = "/cgi-bin/upload/exchange.cgi"


def slow_pieces(size, delay):
    for at in range(0, size, 1024):
        yield b"w" * min(1024, size - at)
        time.sleep(delay)


class Handler(SimpleHTTPRequestHandler):
    # Kept connections, as the web servers of clubs keep them.
    protocol_version = "HTTP/1.1"
    posts_file = None

    def log_message(self, format, *args):
        pass

    def _query(self):
        parts = urllib.parse.urlsplit(self.path)
        return parts.path, dict(urllib.parse.parse_qsl(parts.query))

    def _send_body(self, status, body, length=True, ctype="text/html"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
            self.wfile.flush()

    def _send_chunks(self, length, chunks):
        self.send_response(200)
        self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            for chunk in chunks if self.command != "HEAD" else ():
                self.wfile.write(chunk)
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _special(self):
        path, q = self._query()
        if path.endswith(".short"):
            try:
                with open(self.translate_path(path), "rb") as f:
                    data = f.read()
            except OSError:
                self._send_body(404, b"missing")
                return True
            self._send_chunks(2 * len(data) + 1, [data])
        elif "/_status500/" in path:
            self._send_body(500, b"server in trouble")
        elif path == "/_test/nolength":
            self._send_body(200, b"n" * int(q.get("size", "1000")), length=False)
        elif path == "/_test/late":
            time.sleep(int(q.get("delay", "1000")) / 1000.0)
            name = html.escape(q.get("name", "late")).encode("utf-8", "replace")
            self._send_body(200, b"<html><body>" + name + b"</body></html>")
        elif path == "/_test/slow":
            size, delay = int(q.get("size", "100000")), int(q.get("delay", "50"))
            self._send_chunks(size, slow_pieces(size, delay / 1000.0))
        else:
            return False
        return True

    def do_GET(self):
        if not self._special():
            super().do_GET()

    def do_HEAD(self):
        if not self._special():
            super().do_HEAD()

    def do_POST(self):
        path, _ = self._query()
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length else b""
        if not path.endswith(POST_SUFFIX):
            self._send_body(404, b"<html><body>no upload here</body></html>")
            return
        fields = urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True,
                                        encoding="latin-1")
        record = {"path": path, "content_type": self.headers.get("Content-Type", ""),
                  "length": len(body),
                  "fields": [[k, v.encode("latin-1").hex()] for k, v in fields]}
        with open(self.posts_file, "a", encoding="utf-8") as f:
            f.write(json.dumps(record) + "\n")
        club = dict(fields).get("club", "")
        page = (b"<html><head><title>Upload</title></head><body>Received %d bytes</body></html>"
                % len(body))
        if club.startswith("status"):
            self._send_body(int(club[6:]), page)
        elif club == "bigreply":
            self._send_body(200, b"<html><head></head><body>" + b"x" * (2 << 20) + b"</body></html>")
        elif club.startswith("reply") and club[5:].isdigit():
            self._send_body(200, b"r" * int(club[5:]))
        elif club == "nolength":
            self._send_body(200, page, length=False)
        else:
            self._send_body(200, page)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--root", required=True)
    ap.add_argument("--posts", required=True)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--user")
    args = ap.parse_args()
    Handler.posts_file = args.posts
    server = ThreadingHTTPServer((args.host, args.port), partial(Handler, directory=args.root))
    if args.user:
        account = pwd.getpwnam(args.user)
        with open(args.posts, "a", encoding="utf-8"):
            pass
        os.chown(args.posts, account.pw_uid, account.pw_gid)
        os.setgroups([])
        os.setgid(account.pw_gid)
        os.setuid(account.pw_uid)
    server.daemon_threads = True
    server.serve_forever()


if __name__ == "__main__":
    main()
