# Accepts mail on a free loopback port and stores each message as NNNN.eml
# (with NNNN.env holding the envelope) in the folder given; prints the port.
import asyncio
import os
import socket
import sys

from aiosmtpd.smtp import SMTP


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        with open(base + ".env", "w") as f:
            f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK stored"


async def main():
    store = Store(sys.argv[1])
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    sock.listen(8)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(store, hostname="localhost", data_size_limit=None), sock=sock)
    print(sock.getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
