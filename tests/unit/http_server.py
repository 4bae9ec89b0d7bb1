"""Loopback HTTP server for the download tests; the path says what to answer. Argument 1 is the
port, argument 2 a token that /token answers, so a test knows the server on the port is its own.
It serves until its standard input closes; while another test's server holds the port, it waits."""
import http.server
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        kind, _, size = self.path[1:].partition("/")
        body = bytes(97 + i % 26 for i in range(int(size) if size.isdigit() else 0))
        status = 200
        if kind == "silent":
            return self.rfile.read()  # holds the connection without a byte until the client gives up
        elif kind in ("token", "zero"):
            body = {"token": sys.argv[2], "zero": "before\0after"}[kind].encode()
        elif kind not in ("size", "cut", "stall"):
            status, body = 404, b"not here"
        self.send_response(status)
        self.send_header("Content-Length", str(len(body) * (2 if kind == "cut" else 1)))
        self.end_headers()
        if kind == "stall":
            self.wfile.flush()
            return self.rfile.read()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


for attempt in range(600):
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
        break
    except OSError:
        time.sleep(0.1)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
