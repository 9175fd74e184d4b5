"""An SMTP server for the relay's tests (aiosmtpd) with STARTTLS and AUTH.

Usage: smtp_server.py OUTDIR MODE. MODE is "ok", "451-then-250" (the first
DATA of every message is answered 451) or "550". Creates a self-signed
certificate in OUTDIR (cert.pem is the CA to trust), prints the port, then
stores each accepted message as OUTDIR/N.eml with OUTDIR/N.json beside it.
Runs until stdin closes.
"""
import json
import os
import socket
import ssl
import subprocess
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Handler:
    def __init__(self, outdir, mode):
        self.outdir = outdir
        self.mode = mode
        self.attempts = 0
        self.stored = 0

    async def handle_DATA(self, server, session, envelope):
        self.attempts += 1
        if self.mode == "550":
            return "550 5.1.1 no such user here"
        if self.mode == "451-then-250" and self.attempts % 2 == 1:
            return "451 4.3.0 try again later"
        self.stored += 1
        base = os.path.join(self.outdir, str(self.stored))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".json", "w") as f:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos,
                       "tls": session.ssl is not None,
                       "user": session.auth_data.login.decode() if session.auth_data else None}, f)
        return "250 2.0.0 stored as " + str(self.stored)


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == b"relay" \
        and auth_data.password == b"s3cret"
    return AuthResult(success=ok, auth_data=auth_data)


def main():
    outdir, mode = sys.argv[1], sys.argv[2]
    cert, key = os.path.join(outdir, "cert.pem"), os.path.join(outdir, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "1", "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1"],
                   check=True, capture_output=True)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    controller = Controller(Handler(outdir, mode), hostname="127.0.0.1", port=port,
                            tls_context=context, require_starttls=True,
                            authenticator=authenticate, auth_require_tls=True)
    controller.start()
    print(port, flush=True)
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
