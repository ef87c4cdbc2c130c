"""A real SMTP server (aiosmtpd) on loopback for the SMS tests.

Usage: smtp_server.py MODE LOGDIR [CERT KEY]
Prints the port it listens on, then serves until killed. Every byte a client
sends is appended to LOGDIR/transcript; every accepted message is appended to
LOGDIR/messages as one JSON line.
MODE: plain, multiline, helo501, rcpt550, close_after_mail, starttls, starttls_auth, tls
"""
import asyncio
import json
import os
import ssl
import sys

try:
    from aiosmtpd.smtp import SMTP, AuthResult
except ImportError:
    print("NO-AIOSMTPD", flush=True)
    sys.exit(3)

MODE = sys.argv[1]
LOGDIR = sys.argv[2]
LOGIN, PASSWORD = b"sms@example.org", b"s3cret"


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if MODE == "rcpt550":
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with open(os.path.join(LOGDIR, "messages"), "a") as f:
            f.write(json.dumps({
                "from": envelope.mail_from,
                "to": envelope.rcpt_tos,
                "content": envelope.original_content.decode("latin-1"),
                "login": session.auth_data.login.decode("latin-1") if session.authenticated else "",
                "tls": server.transport.get_extra_info("ssl_object") is not None,
            }) + "\n")
        return "250 OK queued"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == LOGIN and auth_data.password == PASSWORD
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


class RecordingSMTP(SMTP):
    def data_received(self, data):
        with open(os.path.join(LOGDIR, "transcript"), "ab") as f:
            f.write(data)
        super().data_received(data)

    async def push(self, status):
        if MODE == "multiline" and status.startswith("220 ") and not getattr(self, "_greeted", False):
            self._greeted = True
            status = "220-sms.example.org ESMTP test server\r\n220-second line of the greeting\r\n" + status
        elif MODE == "multiline" and status.startswith("250 ") and status != "250 OK queued":
            status = "250-first line\r\n250-second line\r\n" + status
        elif MODE == "multiline" and status.startswith("354 "):
            status = "354-go ahead\r\n" + status
        await super().push(status)

    async def smtp_HELO(self, hostname):
        if MODE == "helo501":
            await self.push("501 Syntax: HELO hostname")
            return
        await super().smtp_HELO(hostname)

    async def smtp_MAIL(self, arg):
        if MODE == "close_after_mail":
            self.transport.close()
            return
        await super().smtp_MAIL(arg)


async def main():
    context = None
    if MODE.startswith("starttls") or MODE == "tls":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
    auth = MODE == "starttls_auth"
    starttls = context if MODE.startswith("starttls") else None
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: RecordingSMTP(Handler(), hostname="sms.example.org", tls_context=starttls,
                              require_starttls=starttls is not None,
                              authenticator=authenticator if auth else None,
                              auth_required=auth, auth_require_tls=True),
        "127.0.0.1", 0, ssl=context if MODE == "tls" else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
