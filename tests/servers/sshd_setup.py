#!/usr/bin/python3
"""Prepares a private sshd for the integration tests in --dir: a host key,
a user key whose public half is the only authorized key, a second user key
that is not authorized, and a configuration for key authentication only
with the internal sftp server, listening on 127.0.0.1:--port.

Servers like those clubs have: --sftp-filter-drop runs the sftp server
behind sftp_server_filter.py, which leaves that extension out of the
server's first reply (as older releases do); --refuse-setstat refuses mode
and time changes; --umask makes the sftp server create files and folders
with that umask (a new account on some hosts: 077); --banner-file shows
that text before the login."""
import argparse
import os
import subprocess


def keygen(path):
    if not os.path.exists(path):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", path], check=True)


def subsystem(args):
    refused = ["-P", "setstat,fsetstat,lsetstat"] if args.refuse_setstat else []
    if args.umask:
        refused = ["-u", args.umask] + refused
    if not args.sftp_filter_drop:
        return " ".join(["internal-sftp"] + refused)
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sftp_server_filter.py")
    words = ["/usr/bin/python3", script]
    for extension in args.sftp_filter_drop:
        words += ["--drop", extension]
    if refused:
        words += ["--"] + refused
    return " ".join(words)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--sftp-filter-drop", action="append", default=[], metavar="EXTENSION")
    ap.add_argument("--refuse-setstat", action="store_true")
    ap.add_argument("--umask")
    ap.add_argument("--banner-file")
    args = ap.parse_args()
    d = os.path.abspath(args.dir)
    os.makedirs(d, exist_ok=True)
    for name in ("hostkey", "userkey", "otherkey"):
        keygen(os.path.join(d, name))
    with open(os.path.join(d, "userkey.pub")) as f:
        public = f.read()
    with open(os.path.join(d, "authorized_keys"), "w") as f:
        f.write(public)
    config = f"""Port {args.port}
ListenAddress 127.0.0.1
HostKey {d}/hostkey
PidFile {d}/sshd.pid
AuthorizedKeysFile {d}/authorized_keys
StrictModes no
UsePAM no
PermitRootLogin prohibit-password
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PrintMotd no
Subsystem sftp {subsystem(args)}
"""
    if args.banner_file:
        config += f"Banner {os.path.abspath(args.banner_file)}\n"
    with open(os.path.join(d, "sshd_config"), "w") as f:
        f.write(config)
    os.makedirs("/run/sshd", exist_ok=True)


if __name__ == "__main__":
    main()
