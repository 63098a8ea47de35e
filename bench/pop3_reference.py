#!/usr/bin/env python3
"""A plain POP3 listing client to measure Kelvane's against: USER, PASS and STAT, then LIST n
and TOP n 1 for every message, one command after the other (python3 poplib). Prints the median
time of one whole listing over --runs runs.

    pop3_reference.py --server 127.0.0.1:PORT --user NAME --password TEXT [--runs N]
"""
import argparse
import poplib
import statistics
import time


def list_mailbox(host, port, user, password):
    """One check: every message's size and header block; returns how many were listed."""
    pop = poplib.POP3(host, port, timeout=30)
    try:
        pop.user(user)
        pop.pass_(password)
        count, _ = pop.stat()
        listing = []
        for number in range(1, count + 1):
            size = int(pop.list(number).split()[2])
            _, lines, _ = pop.top(number, 1)
            headers = lines[: lines.index(b"")] if b"" in lines else lines
            listing.append((size, headers))
    finally:
        pop.quit()
    return len(listing)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--server", required=True, help="HOST:PORT")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    host, port = args.server.rsplit(":", 1)

    times = []
    for _ in range(args.runs):
        start = time.perf_counter()
        listed = list_mailbox(host, int(port), args.user, args.password)
        times.append((time.perf_counter() - start) * 1000)
    print(f"{statistics.median(times):.1f} ms median of {args.runs} runs, {listed} messages")


if __name__ == "__main__":
    main()
