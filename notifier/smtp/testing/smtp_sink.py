# Accepts mail on a free loopback port and stores each message as NNNN.eml
# (with NNNN.env holding the envelope) in the folder given; prints the port.
# Optional: starttls|tls CERT KEY [USER PASSWORD [login]] for a submission server
# that requires TLS and, with a user, signing in (the user who signed in is
# a last "auth" line of the envelope).
import asyncio
import os
import socket
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        with open(base + ".env", "w") as f:
            f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
            if getattr(session, "auth_data", None):
                f.write("auth " + session.auth_data.decode() + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK stored"


class Users:
    def __init__(self, user, password):
        self.user = user.encode()
        self.password = password.encode()

    def __call__(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == self.user
              and auth_data.password == self.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data.login if ok else None)


async def main():
    store = Store(sys.argv[1])
    mode = sys.argv[2] if len(sys.argv) > 2 else "plain"
    context = None
    if mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
    extra = {}
    # Implicit TLS is TLS too, which aiosmtpd cannot tell; its warning says so.
    warnings.simplefilter("ignore")
    if mode == "starttls":
        extra.update(tls_context=context, require_starttls=True)
    if len(sys.argv) > 6 and sys.argv[5]:
        extra.update(authenticator=Users(sys.argv[5], sys.argv[6]), auth_required=True,
                     auth_require_tls=(mode == "starttls"))
        if len(sys.argv) > 7 and sys.argv[7] == "login":
            extra.update(auth_exclude_mechanism=["PLAIN"])
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    sock.listen(8)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(store, hostname="localhost", data_size_limit=None, **extra), sock=sock,
        ssl=context if mode == "tls" else None)
    print(sock.getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
