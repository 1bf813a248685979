#!/usr/bin/python3
"""Plain FTP or explicit FTPS server for the integration tests.

Serves one user with full rights on --root. With --tls-cert and --tls-key
(PEM files) it requires TLS on the control and the data channel. With
--no-overwrite it refuses to store over an existing file. With --sessions
it appends "login" to that file for every login and "closed" for every
logged-in control connection that ends; with --idle-timeout it closes a
control connection idle for that many seconds. With --hold-store TEXT it
hangs on a store of a file whose name holds TEXT: the STOR is never
answered, and its file name goes as a line into --held. Runs until killed.
"""
import argparse
import os
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def make_tls_handler(cert, key):
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    class SteadyTlsDtpHandler(TLS_DTPHandler):
        # pyftpdlib 1.5.7 leaves a data channel that is still in its TLS
        # handshake out of the read set when it has nothing to receive, so
        # a download's handshake can stall. Keep it readable meanwhile.
        def readable(self):
            if self._ssl_accepting:
                return True
            return super().readable()

    class Handler(TLS_FTPHandler):
        dtp_handler = SteadyTlsDtpHandler

    Handler.certfile = cert
    Handler.keyfile = key
    Handler.tls_control_required = True
    Handler.tls_data_required = True
    return Handler


def refusing_overwrite(base):
    class Handler(base):
        # Like servers set never to store over an existing file (ProFTPD's
        # "AllowOverwrite off"): an old file must be removed first.
        def ftp_STOR(self, file, mode="w"):
            if mode == "w" and os.path.isfile(file):
                self.respond("550 Overwrite permission denied.")
                return None
            return super().ftp_STOR(file, mode)

    return Handler


def recording_sessions(base, path):
    class Handler(base):
        def _note(self, word):
            with open(path, "a") as f:
                f.write(word + "\n")

        def on_login(self, username):
            self._note("login")
            return super().on_login(username)

        def on_disconnect(self):
            # Not for connections that never logged in (a probe of the port).
            if self.authenticated:
                self._note("closed")
            return super().on_disconnect()

    return Handler


def holding_stores(base, text, path):
    class Handler(base):
        # A server that stops answering in the middle of an upload.
        def ftp_STOR(self, file, mode="w"):
            if text in os.path.basename(file):
                with open(path, "a") as f:
                    f.write(os.path.basename(file) + "\n")
                return None
            return super().ftp_STOR(file, mode)

    return Handler


def add_server_arguments(ap):
    """The arguments every test FTP server takes."""
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--tls-cert")
    ap.add_argument("--tls-key")


def base_handler(args):
    """FTPS when a certificate was given, else plain FTP."""
    return make_tls_handler(args.tls_cert, args.tls_key) if args.tls_cert else FTPHandler


def serve(args, handler, perm, banner, host="127.0.0.1", max_cons=64):
    """Serves args.user with args.password on args.root until killed."""
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=perm)
    handler.authorizer = authorizer
    handler.banner = banner
    handler.passive_ports = None
    # Tests try wrong passwords on purpose: answer them at once.
    handler.auth_failed_timeout = 0
    logging.basicConfig(stream=sys.stderr, level=logging.WARNING)
    server = FTPServer((host, args.port), handler)
    server.max_cons = max_cons
    server.serve_forever(handle_exit=True)


def main():
    ap = argparse.ArgumentParser()
    add_server_arguments(ap)
    # Or, kept off the command line (which ps shows), from the environment
    # variable that --password-env names.
    ap.add_argument("--password")
    ap.add_argument("--password-env")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--no-overwrite", action="store_true")
    ap.add_argument("--sessions")
    ap.add_argument("--idle-timeout", type=int)
    ap.add_argument("--hold-store")
    ap.add_argument("--held")
    args = ap.parse_args()
    if args.password is None:
        if not args.password_env or args.password_env not in os.environ:
            ap.error("--password or --password-env is required")
        args.password = os.environ[args.password_env]

    handler = base_handler(args)
    if args.no_overwrite:
        handler = refusing_overwrite(handler)
    if args.sessions:
        handler = recording_sessions(handler, args.sessions)
    if args.idle_timeout:
        handler.timeout = args.idle_timeout
    if args.hold_store:
        handler = holding_stores(handler, args.hold_store, args.held)
    serve(args, handler, "elradfmwMT", "test server ready", host=args.host)


if __name__ == "__main__":
    main()
