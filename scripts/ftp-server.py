#!/usr/bin/python3
"""A download server for the demo and the end-to-end tests: Debian's pyftpdlib
serving one folder to one account on a loopback port.

    ftp-server.py --root DIR --port N [--user U] [--password P]
                  [--no-size] [--ready-file F]

Prints "ready <port>" on standard output (and writes it to --ready-file) once
it listens; stops on SIGTERM or SIGINT. --no-size makes the server refuse
"SIZE", as some servers do, to test the client's fall-back.
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
    parser.add_argument("--no-size", action="store_true")
    parser.add_argument("--ready-file")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elr")

    class Handler(FTPHandler):
        pass

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
