#!/usr/bin/env python3
"""Fault proxy for the SFTP tests: TCP listeners on 127.0.0.1 in front of one loopback server.

Each listener injects one fault into every connection it takes:
  stall    forwards both ways until the server has sent --after bytes, then forwards nothing more
           and holds the connection open until the client hangs up (at most MAX_HOLD seconds)
  drop     forwards both ways until the server has sent --after bytes, then closes both sides
  refuse   accepts and closes at once, before the server's first byte
  pass     forwards both ways untouched
  silent   accepts and never sends a byte, reading what comes until the client hangs up (at most
           MAX_HOLD seconds)
  trickle  accepts and sends an empty line every TRICKLE_EVERY seconds, never a greeting, reading
           what comes until the client hangs up (at most MAX_HOLD seconds)
  delay    forwards both ways, every byte --delay seconds after it came (a long link)
  full     a listener whose accept queue is kept full: a connect to it is never answered
The ports are written to --ports-file as "STALL DROP REFUSE PASS SILENT TRICKLE DELAY FULL" once all listen. At most
MAX_CONNECTIONS connections are served at a time; more are closed at once. The process ends on
SIGTERM or SIGINT, and by itself when the process that started it is gone.
"""

import argparse
import asyncio
import os
import signal
import socket
import sys

MAX_HOLD = 60.0
TRICKLE_EVERY = 5.0
MAX_CONNECTIONS = 64
CHUNK = 65536
MODES = ("stall", "drop", "refuse", "pass", "silent", "trickle", "delay")


class Proxy:
    def __init__(self, target_port, after, delay):
        self.target_port = target_port
        self.after = after
        self.delay = delay
        self.connections = 0

    async def serve(self, mode, client_reader, client_writer):
        if mode == "refuse" or self.connections >= MAX_CONNECTIONS:
            client_writer.close()
            return
        self.connections += 1
        if mode in ("silent", "trickle"):
            try:
                await (self.hold(client_reader) if mode == "silent" else self.trickle(client_reader, client_writer))
            finally:
                client_writer.close()
                self.connections -= 1
            return
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", self.target_port)
        except OSError:
            self.connections -= 1
            client_writer.close()
            return
        if mode == "delay":
            upstream = asyncio.ensure_future(self.late(client_reader, server_writer, self.delay))
            downstream = asyncio.ensure_future(self.late(server_reader, client_writer, self.delay))
        else:
            limit = self.after if mode in ("stall", "drop") else None
            upstream = asyncio.ensure_future(self.pump(client_reader, server_writer, None))
            downstream = asyncio.ensure_future(self.pump(server_reader, client_writer, limit))
        try:
            await asyncio.wait([upstream, downstream], return_when=asyncio.FIRST_COMPLETED)
            if mode == "stall" and downstream.done() and downstream.result():
                # The limit was reached: the client now waits for bytes that never come.
                upstream.cancel()
                await self.hold(client_reader)
        finally:
            for task in (upstream, downstream):
                task.cancel()
            for writer in (client_writer, server_writer):
                writer.close()
            self.connections -= 1

    @classmethod
    async def hold(cls, reader):
        """Reads and drops what the client sends until it hangs up, at most MAX_HOLD seconds."""
        try:
            await asyncio.wait_for(cls.pump(reader, None, None), MAX_HOLD)
        except asyncio.TimeoutError:
            pass

    @classmethod
    async def trickle(cls, reader, writer):
        """Sends an empty line every TRICKLE_EVERY seconds while holding the connection as hold does."""
        holding = asyncio.ensure_future(cls.hold(reader))
        try:
            while not holding.done():
                writer.write(b"\r\n")
                await writer.drain()
                await asyncio.wait([holding], timeout=TRICKLE_EVERY)
        except (ConnectionError, OSError):
            pass
        finally:
            holding.cancel()

    @staticmethod
    async def pump(reader, writer, limit):
        """Copies until end of stream; True when it stopped at the byte limit."""
        sent = 0
        try:
            while True:
                size = CHUNK if limit is None else min(CHUNK, limit - sent)
                if size <= 0:
                    return True
                data = await reader.read(size)
                if not data:
                    return False
                if writer is None:
                    continue
                writer.write(data)
                await writer.drain()
                sent += len(data)
        except (ConnectionError, OSError):
            return False


    @staticmethod
    async def late(reader, writer, delay):
        """Copies until end of stream, each chunk written delay seconds after it was read; what is
        on its way when the stream ends still arrives. False, as pump's end of stream."""
        loop = asyncio.get_running_loop()
        on_the_way = asyncio.Queue()

        async def deliver():
            while True:
                due, data = await on_the_way.get()
                if not data:
                    return
                await asyncio.sleep(max(0.0, due - loop.time()))
                writer.write(data)
                await writer.drain()

        delivering = asyncio.ensure_future(deliver())
        try:
            while True:
                data = await reader.read(CHUNK)
                on_the_way.put_nowait((loop.time() + delay, data))
                if not data:
                    break
            await delivering
        except (ConnectionError, OSError):
            pass
        finally:
            delivering.cancel()
        return False


def full_listener():
    """A listener with a backlog of none and two connections it never accepts: the system drops
    every later connection request, so the client's connect waits for an answer that never comes.
    The sockets are returned to be kept open."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    held = [listener]
    for _ in range(2):
        client = socket.socket()
        client.setblocking(False)
        try:
            client.connect(listener.getsockname())
        except BlockingIOError:
            pass
        held.append(client)
    return held


async def run(args):
    proxy = Proxy(args.target_port, args.after, args.delay)
    servers = []
    for mode in MODES:
        servers.append(await asyncio.start_server(
            lambda r, w, mode=mode: proxy.serve(mode, r, w), "127.0.0.1", 0))
    full = full_listener()
    ports = " ".join([str(s.sockets[0].getsockname()[1]) for s in servers] + [str(full[0].getsockname()[1])])
    temporary = args.ports_file + ".new"
    with open(temporary, "w") as f:
        f.write(ports + "\n")
    os.replace(temporary, args.ports_file)

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    parent = os.getppid()
    while not stop.is_set() and os.getppid() == parent:
        try:
            await asyncio.wait_for(stop.wait(), 0.5)
        except asyncio.TimeoutError:
            pass
    for server in servers:
        server.close()
    for sock in full:
        sock.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target-port", type=int, required=True, help="the server's port on 127.0.0.1")
    parser.add_argument("--after", type=int, default=1 << 20, help="server bytes before a stall or drop")
    parser.add_argument("--delay", type=float, default=0.4, help="seconds each way on the delaying listener")
    parser.add_argument("--ports-file", required=True, help="where the listeners' ports are written")
    asyncio.run(run(parser.parse_args()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
