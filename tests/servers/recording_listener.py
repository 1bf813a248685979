#!/usr/bin/python3
"""Listens on a port and appends every byte that reaches it, and a line
"connect" for every connection, to --record. Stands in for whatever else
listens on a club's network (a cache, a mail server, a printer): the tests
check that nothing of the program ever arrives here. Runs until killed.
"""
import argparse
import socket
import threading


def serve(conn, record, lock):
    with conn:
        conn.settimeout(30)
        try:
            while True:
                data = conn.recv(65536)
                if not data:
                    return
                with lock, open(record, "ab") as f:
                    f.write(data)
        except OSError:
            return


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--record", required=True)
    args = ap.parse_args()
    lock = threading.Lock()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    while True:
        conn, _ = listener.accept()
        with lock, open(args.record, "ab") as f:
            f.write(b"connect\n")
        threading.Thread(target=serve, args=(conn, args.record, lock), daemon=True).start()


if __name__ == "__main__":
    main()
