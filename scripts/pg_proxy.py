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
import signal
import socket
import struct
import sys
import threading
import time

round_trips = 0
count_lock = threading.Lock()


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
                with count_lock:
                    round_trips += 1


def pipe(source, target, delay, stream=None):
    """Forwards what source sends, each piece delay seconds after it came.
    A thread per direction blocks on its socket, so that nothing but the
    delay itself stands between the client and the server."""
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            due = time.monotonic() + delay
            if stream is not None:
                stream.feed(data)
            while delay > 0:
                left = due - time.monotonic()
                if left <= 0:
                    break
                time.sleep(left)
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def serve(client, server_address, delay):
    server = socket.create_connection(server_address)
    for s in (client, server):
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    threading.Thread(target=pipe, args=(client, server, delay, ClientStream()), daemon=True).start()
    threading.Thread(target=pipe, args=(server, client, 0), daemon=True).start()


def main():
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
        with count_lock:
            print(round_trips, flush=True)

    def stop(*_):
        say_count()
        sys.exit(0)

    signal.signal(signal.SIGUSR1, say_count)
    signal.signal(signal.SIGTERM, stop)
    print("ready", flush=True)
    while True:
        try:
            client, _ = listener.accept()
        except InterruptedError:
            continue
        serve(client, (host, int(port)), delay)


if __name__ == "__main__":
    main()
