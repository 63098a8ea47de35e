#!/usr/bin/env python3
"""A plain POP3 listing client that pipelines: USER, PASS and STAT one after the other, then LIST,
TOP n 1 for every message and QUIT all sent at once (by a second thread, so that the replies are
read while the commands go out), then every reply read in order. Keeps each message's size and
header block, as bench/pop3_reference.py does. Prints the median time of one whole listing over
--runs runs.

    pop3_pipelined_reference.py --server 127.0.0.1:PORT --user NAME --password TEXT [--runs N]
        [--sequential] [--first N]

--sequential sends LIST n and TOP n 1 for each message one after the other, waiting for each
reply, as bench/pop3_reference.py does: on a slow link that costs two round trips per message.
--first N lists only the first N messages (for a one-at-a-time figure that would take minutes).
"""
import argparse
import socket
import statistics
import threading
import time


class ServerError(Exception):
    pass


class Session:
    def __init__(self, host, port):
        self.sock = socket.create_connection((host, port), timeout=30)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.replies = self.sock.makefile("rb", buffering=1 << 20)
        self.status()

    def send(self, text):
        self.sock.sendall(text.encode("ascii"))

    def status(self):
        """The status line of the next reply; an -ERR or a closed connection raises."""
        line = self.replies.readline()
        if not line.startswith(b"+OK"):
            raise ServerError(line.decode("ascii", "replace").strip() or "connection closed")
        return line

    def lines(self):
        """The rest of a multi-line reply, without line ends and dot-stuffing."""
        lines = []
        while True:
            line = self.replies.readline()
            if not line.endswith(b"\n"):
                raise ServerError("connection closed inside a reply")
            line = line.rstrip(b"\r\n")
            if line == b".":
                return lines
            lines.append(line[1:] if line.startswith(b"..") else line)

    def command(self, text):
        self.send(text + "\r\n")
        return self.status()

    def close(self):
        self.replies.close()
        self.sock.close()


def header_block(lines):
    return lines[: lines.index(b"")] if b"" in lines else lines


def list_pipelined(pop, count):
    commands = "LIST\r\n" + "".join(f"TOP {n} 1\r\n" for n in range(1, count + 1)) + "QUIT\r\n"
    failure = []

    def write():
        try:
            pop.send(commands)
        except OSError as error:
            failure.append(error)

    # The server stops reading commands while its replies are not read: one thread writes while
    # this one reads.
    writer = threading.Thread(target=write)
    writer.start()
    try:
        pop.status()
        sizes = {}
        for line in pop.lines():
            number, size = line.split()[:2]
            sizes[int(number)] = int(size)
        listing = []
        for number in range(1, count + 1):
            pop.status()
            listing.append((sizes[number], header_block(pop.lines())))
        pop.status()
    finally:
        writer.join()
    if failure:
        raise failure[0]
    return listing


def list_sequential(pop, count):
    listing = []
    for number in range(1, count + 1):
        size = int(pop.command(f"LIST {number}").split()[2])
        pop.command(f"TOP {number} 1")
        listing.append((size, header_block(pop.lines())))
    pop.command("QUIT")
    return listing


def list_mailbox(host, port, user, password, sequential, first):
    """One check: every message's size and header block; returns how many were listed."""
    pop = Session(host, port)
    try:
        pop.command(f"USER {user}")
        pop.command(f"PASS {password}")
        count = int(pop.command("STAT").split()[1])
        if first is not None:
            count = min(count, first)
        listing = (list_sequential if sequential else list_pipelined)(pop, count)
    finally:
        pop.close()
    return len(listing)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--server", required=True, help="HOST:PORT")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--sequential", action="store_true",
                        help="one command at a time, waiting for each reply")
    parser.add_argument("--first", type=int, metavar="N", help="list only the first N messages")
    args = parser.parse_args()
    if args.runs < 1 or (args.first is not None and args.first < 1):
        parser.error("--runs and --first must be 1 or more")
    host, port = args.server.rsplit(":", 1)

    times = []
    for _ in range(args.runs):
        start = time.perf_counter()
        listed = list_mailbox(host, int(port), args.user, args.password, args.sequential,
                              args.first)
        times.append((time.perf_counter() - start) * 1000)
    print(f"{statistics.median(times):.1f} ms median of {args.runs} runs, {listed} messages")


if __name__ == "__main__":
    main()
