#!/usr/bin/env python3
"""Peak memory of a whole kelvane-check against a hostile POP3 server whose one message has a
header block of SIZE megabytes (and the memory of an ordinary check next to it), so that no
reply, however long, can take the memory of the machine.

    header_flood.py KELVANE_CHECK [MEGABYTES...]      (default: 0 1 64 512)

For each size a server on 127.0.0.1 serves one session: greeting, USER, PASS, STAT, LIST 1, then
TOP 1 1 answered with SIZE MB of "X-Flood:" header lines (0: an ordinary 300-byte header block)
and the terminator, then QUIT. kelvane-check runs against it with a settings store and program
folder of its own; the script prints the peak resident memory (from wait4) and the wall-clock
time of the whole run, and checks that the message was listed.
"""
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

LINE = b"X-Flood: " + b"x" * 1013 + b"\r\n"  # 1024 bytes
ORDINARY = (b"From: ann@example.org\r\nTo: bob@example.org\r\nSubject: hello\r\n"
            b"Date: Tue, 14 Mar 2000 13:05:09 +0100\r\nMessage-ID: <1@example.org>\r\n\r\n")


def serve(listener, megabytes):
    connection, _ = listener.accept()
    with connection:
        reader = connection.makefile("rb")

        def answer(text):
            connection.sendall(text + b"\r\n")

        answer(b"+OK flood ready")
        while True:
            command = reader.readline().strip().upper()
            if not command:
                return
            if command.startswith(b"STAT"):
                answer(b"+OK 1 1000")
            elif command.startswith(b"LIST"):
                answer(b"+OK 1 1000")
            elif command.startswith(b"TOP"):
                answer(b"+OK")
                if megabytes == 0:
                    connection.sendall(ORDINARY)
                else:
                    connection.sendall(b"Subject: flood\r\n")
                    chunk = LINE * 1024  # 1 MB
                    for _ in range(megabytes):
                        connection.sendall(chunk)
                    connection.sendall(b"\r\nbody\r\n")
                connection.sendall(b".\r\n")
            elif command.startswith(b"QUIT"):
                answer(b"+OK bye")
                return
            else:
                answer(b"+OK")


def measure(check, megabytes):
    """Runs kelvane-check once and returns (peak RSS in MB, seconds); raises on a failed run."""
    listener = socket.create_server(("127.0.0.1", 0))
    port = listener.getsockname()[1]
    server = threading.Thread(target=serve, args=(listener, megabytes), daemon=True)
    server.start()
    with tempfile.TemporaryDirectory(prefix="kelvane-flood-") as work:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
                   KELVANE_DATA_DIR=os.path.join(work, "data"))
        folder = os.path.join(env["XDG_CONFIG_HOME"], "Tarnwick Corporation", "Kelvane")
        os.makedirs(folder)
        with open(os.path.join(folder, "10.conf"), "w") as settings:
            settings.write(f"[Server]\nWhich=1\nServer1=127.0.0.1:{port}\nMailbox1=ann\n"
                           "Check1=1\n")
        subprocess.run([check, "--set-password", "1"], input=b"pw\n", env=env, check=True)
        out_path = os.path.join(work, "out.txt")
        with open(out_path, "wb") as out, open(os.path.join(work, "err.txt"), "wb") as err:
            started = time.monotonic()
            pid = subprocess.Popen([check, "--mailbox", "1"], env=env, stdout=out,
                                   stderr=err).pid
            _, status, usage = os.wait4(pid, 0)
            elapsed = time.monotonic() - started
        with open(out_path, "rb") as out:
            listing = out.read().decode("utf-8", "replace")
        if os.waitstatus_to_exitcode(status) != 0 or "\n1\t" not in listing:
            with open(os.path.join(work, "err.txt"), "rb") as err:
                raise SystemExit(f"kelvane-check failed on {megabytes} MB: {err.read()!r}")
    server.join(timeout=5)
    listener.close()
    return usage.ru_maxrss / 1024, elapsed


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    check = sys.argv[1]
    sizes = [int(size) for size in sys.argv[2:]] or [0, 1, 64, 512]
    print(f"{'header block':>14} {'peak memory':>12} {'time':>8}")
    for megabytes in sizes:
        peak, elapsed = measure(check, megabytes)
        label = "ordinary" if megabytes == 0 else f"{megabytes} MB"
        print(f"{label:>14} {peak:>9.1f} MB {elapsed:>7.2f}s")


if __name__ == "__main__":
    main()
