#!/usr/bin/env python3
"""A TCP proxy that makes loopback behave like a slow link: every chunk it reads, in either
direction, leaves --delay-ms (default 10) after it arrived, in order, so a round trip costs twice
that. Bandwidth is not limited otherwise: chunks that arrive while earlier ones wait are timed
from their own arrival. Listens on a free port of 127.0.0.1 and prints "127.0.0.1:PORT" once
ready. Prints on standard error a line when a connection opens and one with the bytes it
carried each way when it has closed on both sides.

    delay_proxy.py --server HOST:PORT [--delay-ms MS]

Runs until killed, or until the process that started it goes away. A chunk waits the delay give
or take half a millisecond, the step of the event loop's timers.
"""
import argparse
import asyncio
import collections
import os
import sys
import time

# Big enough that one read takes in whatever the kernel holds: the proxy must never be the
# bottleneck for megabytes of replies.
READ_SIZE = 1 << 20

# The event loop's timers wake up to a whole millisecond late (the step of epoll), about half a
# step on average: each wake-up is asked for this much early, and sends what is due by then.
EARLY = 0.0006


class DelayedPipe:
    """One direction of a connection: chunks and the end leave `delay` seconds after arrival."""

    END = object()

    def __init__(self, loop, delay):
        self.loop = loop
        self.delay = delay
        self.out = None  # the Side it writes to
        self.waiting = collections.deque()
        self.timer = None
        self.bytes = 0

    def feed(self, data):
        self.waiting.append((self.loop.time() + self.delay, data))
        if data is not self.END:
            self.bytes += len(data)
        if self.timer is None:
            self.timer = self.loop.call_at(self.waiting[0][0] - EARLY, self.send_due)

    def send_due(self):
        self.timer = None
        now = self.loop.time() + EARLY
        while self.waiting and self.waiting[0][0] <= now:
            _, data = self.waiting.popleft()
            if data is self.END:
                self.out.end_writing()
            elif not self.out.transport.is_closing():
                self.out.transport.write(data)
        if self.waiting:
            self.timer = self.loop.call_at(self.waiting[0][0] - EARLY, self.send_due)

    def abort(self):
        if self.timer is not None:
            self.timer.cancel()
            self.timer = None
        self.waiting.clear()


class Side(asyncio.BufferedProtocol):
    """One socket of a connection: what it reads goes into `pipe`, towards the other socket.
    Each direction ends on its own (half-close); the socket closes when both have."""

    def __init__(self, connection, pipe):
        self.connection = connection
        self.pipe = pipe
        self.buffer = bytearray(READ_SIZE)
        self.transport = None
        self.read_done = False
        self.write_done = False
        self.closed = False

    def connection_made(self, transport):
        self.transport = transport
        self.connection.side_made(self)

    def get_buffer(self, sizehint):
        return self.buffer

    def buffer_updated(self, nbytes):
        self.pipe.feed(bytes(memoryview(self.buffer)[:nbytes]))

    def eof_received(self):
        self.read_done = True
        self.pipe.feed(DelayedPipe.END)
        return not self.write_done  # False closes the socket

    def end_writing(self):
        if self.write_done or self.transport.is_closing():
            return
        self.write_done = True
        if self.read_done:
            self.transport.close()
        else:
            self.transport.write_eof()

    def connection_lost(self, error):
        self.closed = True
        self.connection.side_lost(self, error)


class Connection:
    """A client's connection and the one the proxy opens to the server for it."""

    def __init__(self, loop, delay, host, port):
        self.loop = loop
        self.host, self.port = host, port
        self.started = time.perf_counter()
        self.to_server = DelayedPipe(loop, delay)
        self.to_client = DelayedPipe(loop, delay)
        self.client = Side(self, self.to_server)
        self.server = Side(self, self.to_client)
        self.to_server.out = self.server
        self.to_client.out = self.client
        self.opening = None  # the loop keeps its tasks only weakly
        self.reported = False

    def side_made(self, side):
        if side is self.client:
            print("delay_proxy: connection opened", file=sys.stderr, flush=True)
            # Nothing is read from the client until the server's side exists.
            side.transport.pause_reading()
            self.opening = self.loop.create_task(self.open())

    async def open(self):
        try:
            await self.loop.create_connection(lambda: self.server, self.host, self.port)
        except OSError as error:
            print(f"delay_proxy: cannot reach {self.host}:{self.port}: {error}", file=sys.stderr,
                  flush=True)
            self.client.transport.abort()
            return
        if self.client.closed:
            self.server.transport.abort()
        else:
            self.client.transport.resume_reading()

    def side_lost(self, side, error):
        other = self.server if side is self.client else self.client
        if error is not None:
            # A reset passes on at once; what was still on its way is lost, as on a real link.
            self.to_server.abort()
            self.to_client.abort()
            if other.transport is not None and not other.closed:
                other.transport.abort()
        done = self.client.closed and (self.server.closed or self.server.transport is None)
        if done and not self.reported:
            self.reported = True
            ms = (time.perf_counter() - self.started) * 1000
            print(f"delay_proxy: {self.to_server.bytes} bytes to the server, "
                  f"{self.to_client.bytes} bytes from it, {ms:.0f} ms", file=sys.stderr,
                  flush=True)


async def watch_parent(parent):
    while os.getppid() == parent:
        await asyncio.sleep(1)


async def serve(host, port, delay):
    loop = asyncio.get_running_loop()

    def accept():
        connection = Connection(loop, delay, host, port)
        return connection.client

    server = await loop.create_server(accept, "127.0.0.1", 0)
    address, own_port = server.sockets[0].getsockname()[:2]
    print(f"{address}:{own_port}", flush=True)
    await watch_parent(os.getppid())
    server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--server", required=True, help="HOST:PORT to forward to")
    parser.add_argument("--delay-ms", type=float, default=10.0,
                        help="how long each chunk waits, each way (default 10)")
    args = parser.parse_args()
    host, port = args.server.rsplit(":", 1)
    if args.delay_ms < 0:
        parser.error("--delay-ms cannot be negative")
    try:
        asyncio.run(serve(host, int(port), args.delay_ms / 1000))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
