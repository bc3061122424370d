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
import asyncio
import signal
import struct
import sys

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


async def pipe(reader, writer, delay, stream=None):
    loop = asyncio.get_running_loop()
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            if stream is not None:
                stream.feed(data)
            if delay > 0:
                loop.call_later(delay, writer.write, data)
            else:
                writer.write(data)
    except (ConnectionResetError, BrokenPipeError):
        pass
    finally:
        await asyncio.sleep(delay)
        writer.close()


async def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--listen", type=int, required=True)
    p.add_argument("--server", required=True, help="HOST:PORT of the server")
    p.add_argument("--delay-ms", type=float, default=0.5)
    a = p.parse_args()
    host, port = a.server.rsplit(":", 1)
    delay = a.delay_ms / 1000.0

    async def serve(client_reader, client_writer):
        server_reader, server_writer = await asyncio.open_connection(host, int(port))
        await asyncio.gather(pipe(client_reader, server_writer, delay, ClientStream()),
                             pipe(server_reader, client_writer, 0))

    server = await asyncio.start_server(serve, "127.0.0.1", a.listen)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    asyncio.get_running_loop().add_signal_handler(signal.SIGUSR1,
                                                  lambda: print(round_trips, flush=True))
    print("ready", flush=True)
    async with server:
        await stop.wait()
    print(round_trips, flush=True)


if __name__ == "__main__":
    asyncio.run(main())
    sys.exit(0)
