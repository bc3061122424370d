#!/usr/bin/env python3
"""A forwarding proxy in front of a PostgreSQL server, for the benchmark.

Delays every piece of a client's traffic by a fixed time before it reaches
the server, as a network would (0.5 ms by default: a round trip of a
workstation on a local network), and counts the client's round trips: each
simple query ('Q') and each synchronisation point of the extended protocol
('S', which libpq sends once per PQexecParams or PQexecPrepared). On SIGUSR1
it prints the count so far; on SIGTERM it prints the count and ends.

    scripts/pg_proxy.py --listen 55433 --server 127.0.0.1:55432 [--delay-ms 0.5]
"""
import argparse
import collections
import select
import signal
import socket
import struct
import sys
import time

round_trips = 0


class ClientStream:
    """Parses what a client sends: untyped messages up to the startup
    message (an SSL request may come first), then typed messages."""

    def __init__(self):
        self.buffer = b""
        self.started = False

    def feed(self, data):
        global round_trips
        self.buffer += data
        while True:
            if not self.started:
                if len(self.buffer) < 8:
                    return
                length, code = struct.unpack("!ii", self.buffer[:8])
                if len(self.buffer) < length:
                    return
                self.buffer = self.buffer[length:]
                if code == 196608:  # protocol 3.0: the startup message
                    self.started = True
                continue
            if len(self.buffer) < 5:
                return
            kind = self.buffer[:1]
            (length,) = struct.unpack("!i", self.buffer[1:5])
            if len(self.buffer) < 1 + length:
                return
            self.buffer = self.buffer[1 + length:]
            if kind in (b"Q", b"S"):
                round_trips += 1


class Pair:
    """A client's connection and the proxy's own to the server: what the
    client sends waits in a queue until its time has come."""

    def __init__(self, client, server):
        self.client, self.server = client, server
        self.stream = ClientStream()
        self.queue = collections.deque()  # (due, bytes) on their way to the server

    def close(self):
        for s in (self.client, self.server):
            try:
                s.close()
            except OSError:
                pass


def serve_forever(listener, server_address, delay):
    """One thread: a poll over every socket, and a sleep until the next
    delayed piece is due, so that the proxy adds little but its delay (no
    hand-over between threads). It serves the benchmark's one client at a
    time: while a piece waits, nothing else moves."""
    poller = select.poll()
    poller.register(listener, select.POLLIN)
    pairs = {}  # fd -> Pair
    while True:
        due = [p.queue[0][0] for p in set(pairs.values()) if p.queue]
        timeout = None
        if due:
            # poll counts whole milliseconds; a sleep keeps the delay to the
            # microsecond, and the client waits on this piece in any case.
            left = min(due) - time.monotonic()
            if left > 0:
                time.sleep(left)
            timeout = 0
        for fd, _ in poller.poll(timeout):
            if fd == listener.fileno():
                client, _ = listener.accept()
                server = socket.create_connection(server_address)
                for s in (client, server):
                    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                pair = Pair(client, server)
                for s in (client, server):
                    pairs[s.fileno()] = pair
                    poller.register(s, select.POLLIN)
                continue
            pair = pairs.get(fd)
            if pair is None:
                continue
            from_client = fd == pair.client.fileno()
            try:
                data = (pair.client if from_client else pair.server).recv(65536)
            except OSError:
                data = b""
            if not data:
                for s in (pair.client, pair.server):
                    pairs.pop(s.fileno(), None)
                    poller.unregister(s)
                pair.close()
                continue
            if from_client:
                pair.stream.feed(data)
                pair.queue.append((time.monotonic() + delay, data))
            else:
                pair.client.sendall(data)
        now = time.monotonic()
        for pair in set(pairs.values()):
            while pair.queue and pair.queue[0][0] <= now:
                pair.server.sendall(pair.queue.popleft()[1])


def precise_sleeps():
    """Asks Linux for timers without slack (50 us by default), so that a
    delay of 0.5 ms is not 0.55."""
    try:
        import ctypes
        ctypes.CDLL(None, use_errno=True).prctl(29, 1, 0, 0, 0)  # PR_SET_TIMERSLACK, 1 ns
    except (OSError, AttributeError):
        pass


def main():
    precise_sleeps()
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--listen", type=int, required=True)
    p.add_argument("--server", required=True, help="HOST:PORT of the server")
    p.add_argument("--delay-ms", type=float, default=0.5)
    a = p.parse_args()
    host, port = a.server.rsplit(":", 1)
    delay = a.delay_ms / 1000.0
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", a.listen))
    listener.listen(64)

    def say_count(*_):
        print(round_trips, flush=True)

    def stop(*_):
        say_count()
        sys.exit(0)

    signal.signal(signal.SIGUSR1, say_count)
    signal.signal(signal.SIGTERM, stop)
    print("ready", flush=True)
    serve_forever(listener, (host, int(port)), delay)


if __name__ == "__main__":
    main()
