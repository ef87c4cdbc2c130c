#!/usr/bin/env python3
"""Usage: tls_crowd.py HOST PORT CERT KEY SOURCES PER_SOURCE HOLD_SECONDS
From each source address (comma-separated) opens PER_SOURCE TLS connections
with a certificate and the message channel's ALPN name, holds each silently
until the peer closes it or the time is up, and prints "HELD most OF tried"."""
import asyncio, os, resource, ssl, sys


async def crowd(host, port, cert, key, sources, per_source, hold):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    context.check_hostname, context.verify_mode = False, ssl.CERT_NONE
    context.load_cert_chain(cert, key)
    context.set_alpn_protocols(["zavolin-msg/1"])
    gate, held, most = asyncio.Semaphore(256), [0], [0]

    async def one(source):
        try:
            async with gate:
                reader, _ = await asyncio.wait_for(
                    asyncio.open_connection(host, port, ssl=context, local_addr=(source, 0)), 12)
        except (OSError, asyncio.TimeoutError):
            return
        held[0] += 1
        most[0] = max(most[0], held[0])
        try:
            await reader.read(1)
        except OSError:
            pass
        held[0] -= 1

    tasks = [asyncio.ensure_future(one(s)) for _ in range(per_source) for s in sources]
    print("STARTED", flush=True)
    await asyncio.wait(tasks, timeout=hold)
    print(f"HELD {most[0]} OF {len(tasks)}", flush=True)
    os._exit(0)  # the system closes every connection at once


if len(sys.argv) != 8:
    sys.exit(__doc__)
resource.setrlimit(resource.RLIMIT_NOFILE, (resource.getrlimit(resource.RLIMIT_NOFILE)[1],) * 2)
host, port, cert, key, sources, per_source, hold = sys.argv[1:]
asyncio.run(crowd(host, int(port), cert, key, sources.split(","), int(per_source), float(hold)))
