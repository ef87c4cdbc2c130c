"""A small HTTP server on loopback for the SMS web-way tests.

Prints its port, then writes each request line it receives to stdout.
/redirect answers 302 to /landed, /broken answers 500, anything else 200.
"""
import http.server
import sys


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        print(self.requestline, flush=True)
        if self.path.startswith("/redirect"):
            self.send_response(302)
            self.send_header("Location", "/landed")
        elif self.path.startswith("/broken"):
            self.send_response(500)
        else:
            self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
