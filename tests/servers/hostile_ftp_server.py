#!/usr/bin/python3
"""An FTP or FTPS server whose folder tree is made up, for the tests that
walk a broken or hostile website.

Logs in one user like ftp_server.py; every folder exists (any CWD works)
and a LIST answers by --tree:
  endless  every folder holds a subfolder "sub" and a file "page.htm",
           so the tree never ends;
  wide     every folder holds 40 subfolders "f00" to "f39";
  refuse   every listing is refused (550);
  aliases  a file "page.htm" and one subfolder "sub" under four spellings
           ("sub", "./sub", "sub/.", "sub//"); "sub" itself is empty;
  flood    every listing is endless (file lines for ever), and so is every
           file read (RETR).
Each LIST is counted in --count-file (one line per listing) so that a test
can see how far a walk went. Runs until killed.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_server import add_server_arguments, base_handler, serve  # noqa: E402

FOLDER = "drwxr-xr-x   2 club     club         4096 Mar 05 12:00 %s\r\n"
FILE = "-rw-r--r--   1 club     club          120 Mar 05 12:00 %s\r\n"


def listing(tree, path):
    if tree == "aliases":
        if os.path.basename(os.path.normpath(path)) == "sub":
            return ""
        names = ("sub", "./sub", "sub/.", "sub//")
        return FILE % "page.htm" + "".join(FOLDER % name for name in names)
    if tree == "endless":
        return FOLDER % "sub" + FILE % "page.htm"
    return "".join(FOLDER % ("f%02d" % i) for i in range(40))


class Endless:
    """A producer for pyftpdlib's data channel that never runs out."""

    def __init__(self, piece):
        self.piece = piece

    def more(self):
        return self.piece


def made_up_tree(base, tree, count_file):
    class Handler(base):
        def ftp_CWD(self, path):
            # Any folder below the root exists.
            self.fs._cwd = self.fs.fs2ftp(path)
            self.respond('250 "%s" is the current directory.' % self.fs.cwd)
            return path

        def ftp_LIST(self, path):
            with open(count_file, "a") as f:
                f.write(self.fs.fs2ftp(path) + "\n")
            if tree == "refuse":
                self.respond("550 Listing refused.")
                return None
            if tree == "flood":
                self.push_dtp_data(Endless((FILE % "page.htm").encode() * 512), isproducer=True, cmd="LIST")
                return path
            self.push_dtp_data(listing(tree, path).encode("utf-8"), isproducer=False, cmd="LIST")
            return path

        def ftp_RETR(self, file):
            if tree != "flood":
                return super().ftp_RETR(file)
            self.push_dtp_data(Endless(b"r" * 65536), isproducer=True, cmd="RETR")
            return file

    return Handler


def main():
    ap = argparse.ArgumentParser()
    add_server_arguments(ap)
    ap.add_argument("--password", required=True)
    ap.add_argument("--tree", choices=("endless", "wide", "refuse", "aliases", "flood"), required=True)
    ap.add_argument("--count-file", required=True)
    args = ap.parse_args()
    handler = made_up_tree(base_handler(args), args.tree, args.count_file)
    serve(args, handler, "elr", "made-up tree ready", max_cons=16)


if __name__ == "__main__":
    main()
