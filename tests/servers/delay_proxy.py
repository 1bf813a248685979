#!/usr/bin/python3
"""A TCP proxy on 127.0.0.1:--port to 127.0.0.1:--target that passes each
chunk on --delay-ms later, in each direction and in order: a round trip
through it takes twice that longer, as over a real network (loopback has
none, and this kernel no netem)."""
import argparse
import asyncio


async def pipe(reader, writer, delay):
    queue = asyncio.Queue()
    loop = asyncio.get_running_loop()

    async def deliver():
        while True:
            due, data = await queue.get()
            await asyncio.sleep(max(0.0, due - loop.time()))
            if not data:
                break
            writer.write(data)
            await writer.drain()
        if writer.can_write_eof():
            writer.write_eof()

    sender = asyncio.ensure_future(deliver())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data))
            if not data:
                break
    except (ConnectionError, OSError):
        queue.put_nowait((loop.time() + delay, b""))
    try:
        await sender
    except (ConnectionError, OSError):
        pass


async def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--target", type=int, required=True)
    ap.add_argument("--delay-ms", type=float, required=True)
    args = ap.parse_args()
    delay = args.delay_ms / 1000.0

    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", args.target)
        except OSError:
            client_writer.close()
            return
        try:
            await asyncio.gather(pipe(client_reader, server_writer, delay), pipe(server_reader, client_writer, delay))
        finally:
            server_writer.close()
            client_writer.close()

    server = await asyncio.start_server(serve, "127.0.0.1", args.port)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
