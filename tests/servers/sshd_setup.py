#!/usr/bin/python3
"""Prepares a private sshd for the integration tests in --dir: a host key,
a user key whose public half is the only authorized key, a second user key
that is not authorized, and a configuration for key authentication only
with the internal sftp server, listening on 127.0.0.1:--port."""
import argparse
import os
import subprocess


def keygen(path):
    if not os.path.exists(path):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", path], check=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--port", type=int, required=True)
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
Subsystem sftp internal-sftp
"""
    with open(os.path.join(d, "sshd_config"), "w") as f:
        f.write(config)
    os.makedirs("/run/sshd", exist_ok=True)


if __name__ == "__main__":
    main()
