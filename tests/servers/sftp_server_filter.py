#!/usr/bin/python3
"""Runs /usr/lib/openssh/sftp-server as sshd's sftp subsystem, the way an
older or more limited server would answer: every extension named by --drop
is left out of the server's first reply (SSH_FXP_VERSION). Everything else
passes unchanged both ways; the server's stderr is ours.

Usage: sftp_server_filter.py [--drop EXTENSION]... [-- SFTP-SERVER-ARGS...]"""
import os
import struct
import subprocess
import sys
import threading

SFTP_SERVER = "/usr/lib/openssh/sftp-server"
SSH_FXP_VERSION = 2


def parse_args(argv):
    drop, rest = set(), []
    i = 0
    while i < len(argv):
        if argv[i] == "--":
            rest = argv[i + 1:]
            break
        if argv[i] == "--drop" and i + 1 < len(argv):
            drop.add(argv[i + 1].encode())
            i += 2
            continue
        sys.exit(f"sftp_server_filter.py: unexpected argument {argv[i]!r}")
    return drop, rest


def read_exactly(fd, n):
    """n bytes, or fewer when the input ends first."""
    data = b""
    while len(data) < n:
        chunk = os.read(fd, n - len(data))
        if not chunk:
            break
        data += chunk
    return data


def write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def without_extensions(body, drop):
    """body: the packet after its length. Unparsable packets stay as they are."""
    if not drop or len(body) < 5 or body[0] != SSH_FXP_VERSION:
        return body
    kept, at = [body[:5]], 5
    try:
        while at < len(body):
            pair_start = at
            strings = []
            for _ in range(2):
                (n,) = struct.unpack_from(">I", body, at)
                if at + 4 + n > len(body):
                    return body
                strings.append(body[at + 4:at + 4 + n])
                at += 4 + n
            if strings[0] not in drop:
                kept.append(body[pair_start:at])
    except struct.error:
        return body
    return b"".join(kept)


def relay(src, dst, on_end):
    try:
        while True:
            data = os.read(src, 65536)
            if not data:
                break
            write_all(dst, data)
    except OSError:
        pass
    on_end()


def main():
    drop, server_args = parse_args(sys.argv[1:])
    server = subprocess.Popen([SFTP_SERVER] + server_args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              bufsize=0)
    to_server, from_server = server.stdin.fileno(), server.stdout.fileno()

    # The client's bytes: when the client goes, the server sees its end of input.
    threading.Thread(target=relay, args=(0, to_server, server.stdin.close), daemon=True).start()

    try:
        header = read_exactly(from_server, 4)
        length = struct.unpack(">I", header)[0] if len(header) == 4 else -1
        body = read_exactly(from_server, length) if length >= 0 else b""
        if len(body) == length:
            body = without_extensions(body, drop)
            header = struct.pack(">I", len(body))
        write_all(1, header + body)  # a reply cut short goes on as it came
        relay(from_server, 1, lambda: None)
    except OSError:
        pass
    # The server ended, or the client stopped reading: so do we.
    if server.poll() is None:
        server.terminate()
    status = server.wait()
    os._exit(status if status >= 0 else 1)


if __name__ == "__main__":
    main()
