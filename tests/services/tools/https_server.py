#!/usr/bin/python3
"""A local HTTPS server for the network-service tests.

usage: https_server.py CERT KEY LOG
Listens on 127.0.0.1, prints its port on the first line of standard output, and appends
every request's path and query to LOG. Paths:
  /good /v6 /short /letters /portal /json /huge /slow /redirect /status500
  /cgi-bin/dyn.fcg  (the dynamic-DNS update: answers by the h= value: ok*, fail*, garbage*)
"""
import http.server
import ssl
import sys
import time
import urllib.parse

cert, key, log = sys.argv[1:4]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, ctype="text/plain", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in headers:
            self.send_header(k, v)
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass

    def do_GET(self):
        with open(log, "a") as f:
            f.write(self.path + "\n")
        url = urllib.parse.urlsplit(self.path)
        p = url.path
        if p == "/good":
            self.send(200, b"203.0.113.7\n")
        elif p == "/short":
            self.send(200, b"1.1.1.1")
        elif p == "/v6":
            self.send(200, b"2001:db8::7\n")
        elif p == "/letters":
            self.send(200, b"abc1.2.3def")
        elif p == "/portal":
            self.send(200, b"<html><body>Sign in to 10.0.0.1 to continue</body></html>", "text/html")
        elif p == "/json":
            self.send(200, b'{"origin": "198.51.100.2, 10.0.0.1"}', "application/json")
        elif p == "/huge":
            self.send(200, b"203.0.113.9" + b" " * (10 * 1024 * 1024))
        elif p == "/slow":
            time.sleep(6)
            self.send(200, b"203.0.113.8\n")
        elif p == "/redirect":
            self.send(302, b"", headers=[("Location", "https://portal.invalid/login")])
        elif p == "/status500":
            self.send(500, b"203.0.113.10\n")
        elif p == "/cgi-bin/dyn.fcg":
            q = urllib.parse.parse_qs(url.query)
            h = q.get("h", [""])[0]
            if h.startswith("ok"):
                self.send(200, b"status=0\r\nOK\r\n")
            elif h.startswith("fail"):
                self.send(200, b"status=4\r\n")
            else:
                self.send(200, b"\x00\xffgarbage")
        else:
            self.send(404, b"not here")


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
server.socket = ctx.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
