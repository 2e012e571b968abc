#!/usr/bin/python3
"""A download server for the demo and the end-to-end tests: Debian's pyftpdlib
serving one folder to one account on a loopback port.

    ftp-server.py --root DIR --port N [--user U] [--password P]
                  [--no-size | --no-ascii-size] [--active refuse|unreachable]
                  [--ready-file F] [--verbose]

Prints "ready <port>" on standard output (and writes it to --ready-file) once
it listens; stops on SIGTERM or SIGINT. "SIZE" is answered with the file's
size in either transfer type, as most servers do. --no-ascii-size refuses it
in ASCII mode ("550 SIZE not allowed in ASCII mode.", pyftpdlib's own
answer); --no-size refuses it always. Both test the client's fall-backs.

--active stands for a client that the server cannot reach, as behind most
sites' routers: "refuse" does not know "PORT" and "EPRT" (a passive-only
server); "unreachable" takes them but connects to a port where nobody
listens, so the transfer gets 425. Passive mode works either way.

--verbose logs every command and reply on standard error.
"""
import argparse
import logging
import os
import signal
import socket
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
    parser.add_argument("--active", choices=["refuse", "unreachable"])
    parser.add_argument("--ready-file")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.verbose else logging.WARNING)
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

    if args.active == "unreachable":
        # A port bound but never listened on: every connection is refused.
        dead = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        dead.bind(("127.0.0.1", 0))
        dead_port = dead.getsockname()[1]

        def port_line(numbers):
            parts = numbers.split(",")
            return ",".join(parts[:4] + [str(dead_port >> 8), str(dead_port & 255)])

        def eprt_line(line):
            fields = line.split(line[0]) if line else []
            if len(fields) < 5:
                return line
            fields[3] = str(dead_port)
            return line[0].join(fields)

        Handler.ftp_PORT = lambda self, line: FTPHandler.ftp_PORT(self, port_line(line))
        Handler.ftp_EPRT = lambda self, line: FTPHandler.ftp_EPRT(self, eprt_line(line))

    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    Handler.permit_privileged_ports = True
    refused = set()
    if args.no_size:
        refused.add("SIZE")
    if args.active == "refuse":
        refused.update({"PORT", "EPRT"})
    if refused:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in refused}

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
