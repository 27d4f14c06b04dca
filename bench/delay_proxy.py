"""A TCP proxy that holds each chunk a client sends for a fixed delay before passing it on, so
every HTTP request (one chunk from the client) reaches the server that much later: the added
latency of a distant server, for benchmarks where the kernel's netem is not allowed.

Usage: delay_proxy.py LISTEN_PORT TARGET_PORT DELAY_MS   (both on 127.0.0.1)
"""
import asyncio
import sys

HOST = "127.0.0.1"
CHUNK = 1 << 16


async def pipe(reader, writer, delay):
    try:
        while True:
            data = await reader.read(CHUNK)
            if not data:
                break
            if delay:
                await asyncio.sleep(delay)
            writer.write(data)
            await writer.drain()
    except ConnectionError:
        pass
    finally:
        writer.close()


async def main(listen, target, delay):
    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(HOST, target)
        except ConnectionError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer, delay),
                             pipe(server_reader, client_writer, 0))

    server = await asyncio.start_server(serve, HOST, listen, backlog=512)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main(int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]) / 1000.0))
