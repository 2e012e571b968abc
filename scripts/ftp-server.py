#!/usr/bin/python3
"""A download server for the demo and the end-to-end tests: Debian's pyftpdlib
serving one folder to one account on a loopback port.

    ftp-server.py --root DIR --port N [--user U] [--password P]
                  [--no-size | --no-ascii-size] [--ready-file F]

Prints "ready <port>" on standard output (and writes it to --ready-file) once
it listens; stops on SIGTERM or SIGINT. "SIZE" is answered with the file's
size in either transfer type, as most servers do. --no-ascii-size refuses it
in ASCII mode ("550 SIZE not allowed in ASCII mode.", pyftpdlib's own
answer); --no-size refuses it always. Both test the client's fall-backs.
"""
import argparse
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=21)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--user", default="zavupdate")
    parser.add_argument("--password", default="tovari")
    sizes = parser.add_mutually_exclusive_group()
    sizes.add_argument("--no-size", action="store_true")
    sizes.add_argument("--no-ascii-size", action="store_true")
    parser.add_argument("--ready-file")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elr")

    class Handler(FTPHandler):
        def ftp_SIZE(self, path):
            # The size of the file as stored, whatever the transfer type.
            if args.no_ascii_size or self._current_type != "a":
                return FTPHandler.ftp_SIZE(self, path)
            self._current_type = "i"
            try:
                return FTPHandler.ftp_SIZE(self, path)
            finally:
                self._current_type = "a"

    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    Handler.permit_privileged_ports = True
    if args.no_size:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "SIZE"}

    server = FTPServer((args.host, args.port), Handler)
    port = server.socket.getsockname()[1]

    def stop(*_):
        server.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    line = f"ready {port}"
    if args.ready_file:
        with open(args.ready_file + ".tmp", "w") as f:
            f.write(line + "\n")
        os.replace(args.ready_file + ".tmp", args.ready_file)
    print(line, flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
