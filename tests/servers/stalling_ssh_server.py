#!/usr/bin/python3
"""A host that greets and then stalls, as an SSH server out of memory or
with a hung login does: every connection gets an SSH greeting, then
whatever the client sends is read and dropped and nothing more is ever
sent. A connection ends only when the client closes it. Runs until killed.
"""
import argparse
import socket
import threading

GREETING = b"SSH-2.0-OpenSSH_8.4p1 Debian-5+deb11u3\r\n"


def stall(conn):
    try:
        conn.sendall(GREETING)
        while conn.recv(65536):
            pass
    except OSError:
        pass
    conn.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    args = ap.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(64)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=stall, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
