#!/usr/bin/env python3
"""HTTPS peer for the tests: two TLS servers on a loopback address, each on a port of its own.

With --site the process is instead the maker's web site for one scenario: a single server on
--port (443 unless given) that answers every path with the file of the --site folder named by the
path's last part (e.g. //skelvar//CorvatelSFTP.xml), or 404.

Replies of the two servers are chosen by the request path:
  /<name>             a file of the fixtures folder (e.g. /catalogue-full.xml, /license.rtf)
  /status/<code>      an HTML error page with that status (e.g. 404, 500)
  /no-product         a well-formed catalogue without any product entry
  /empty              status 200 with an empty body
  /sized/<n>          a well-formed catalogue of exactly n bytes
Query parameters change any reply:
  delay=<s>           wait s seconds before the status line and headers
  trickle=<s>         send the body in small pieces spread over s seconds
  on=<host:port>      answer 421 unless the request's Host header is exactly this
Every wait is capped at MAX_WAIT seconds.

The chosen ports are written to --ports-file as "PORT1 PORT2" once both listen. The process ends
on SIGTERM or SIGINT, and by itself when the process that started it is gone.
"""

import argparse
import http.server
import os
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse

MAX_WAIT = 10.0
MAX_SIZED = 1 << 20
TRICKLE_PIECE = 128


def catalogue_of_size(size):
    """A catalogue with one product, padded inside a comment to exactly size bytes.

    Any truncation leaves the document unclosed, so a parser only accepts the whole body."""
    head = ('<?xml version="1.0"?>\r\n<Products>\r\n'
            '<Product Id="7" Version="1.0.0" Build="1"><Name>Sized</Name></Product>\r\n<!--')
    tail = '-->\r\n</Products>\r\n'
    padding = size - len(head) - len(tail)
    if padding < 0:
        return None
    return (head + "x" * padding + tail).encode("ascii")


NO_PRODUCT = (b'<?xml version="1.0"?>\r\n<Products>\r\n'
              b'<Catalogue><MinCorvatelVer>4.0.11</MinCorvatelVer></Catalogue>\r\n</Products>\r\n')


def error_page(code, reason):
    return ("<html><head><title>%d %s</title></head><body><h1>%s</h1>"
            "<p>The requested document is not available.</p></body></html>\r\n"
            % (code, reason, reason)).encode("ascii")


def bounded(value):
    try:
        seconds = float(value)
    except (TypeError, ValueError):
        return 0.0
    return max(0.0, min(seconds, MAX_WAIT))


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "QuendarTestPeer/1.0"
    protocol_version = "HTTP/1.0"

    def setup(self):
        # The handshake runs in the request's own thread, so a stalled client holds up no other.
        self.request.settimeout(MAX_WAIT * 3)
        self.request = self.server.tls.wrap_socket(self.request, server_side=True)
        super().setup()

    def log_message(self, fmt, *args):
        sys.stderr.write("%s port %d: %s\n" % (time.strftime("%H:%M:%S"), self.server.server_port, fmt % args))

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)

        def param(name):
            return query.get(name, [None])[0]

        time.sleep(bounded(param("delay")))
        status, content_type, body = self.choose(url.path, param("on"))

        try:
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.send_body(body, bounded(param("trickle")))
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, socket.timeout):
            pass  # the client went away (a cancelled fetch); nothing more to send

    def choose(self, path, expected_host):
        if expected_host is not None and self.headers.get("Host") != expected_host:
            return 421, "text/html", error_page(421, "Misdirected Request")
        parts = [urllib.parse.unquote(p) for p in path.split("/") if p]
        if self.server.site:
            name = os.path.basename(parts[-1]) if parts else ""
            page = os.path.join(self.server.site, name)
            if name not in ("", ".", "..") and os.path.isfile(page):
                kind = "application/rtf" if page.endswith(".rtf") else "text/xml"
                with open(page, "rb") as f:
                    return 200, kind, f.read()
            return 404, "text/html", error_page(404, "Not Found")
        if len(parts) == 2 and parts[0] == "status" and parts[1].isdigit():
            code = int(parts[1])
            reason = http.server.BaseHTTPRequestHandler.responses.get(code, ("Error",))[0]
            return code, "text/html", error_page(code, reason)
        if parts == ["no-product"]:
            return 200, "text/xml", NO_PRODUCT
        if parts == ["empty"]:
            return 200, "text/xml", b""
        if len(parts) == 2 and parts[0] == "sized" and parts[1].isdigit() and int(parts[1]) <= MAX_SIZED:
            body = catalogue_of_size(int(parts[1]))
            if body is not None:
                return 200, "text/xml", body
        if len(parts) == 1:
            fixture = os.path.join(self.server.fixtures, parts[0])
            if os.path.isfile(fixture):
                kind = "application/rtf" if fixture.endswith(".rtf") else "text/xml"
                with open(fixture, "rb") as f:
                    return 200, kind, f.read()
        return 404, "text/html", error_page(404, "Not Found")

    def send_body(self, body, seconds):
        if not seconds or not body:
            self.wfile.write(body)
            return
        pieces = [body[i:i + TRICKLE_PIECE] for i in range(0, len(body), TRICKLE_PIECE)]
        pause = seconds / len(pieces)
        for piece in pieces:
            self.wfile.write(piece)
            self.wfile.flush()
            time.sleep(pause)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, tls, fixtures, address, port=0, site=None):
        super().__init__((address, port), Handler)
        self.tls = tls
        self.fixtures = fixtures
        self.site = site


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cert", required=True, help="server certificate (PEM)")
    parser.add_argument("--key", required=True, help="server private key (PEM)")
    parser.add_argument("--fixtures", help="folder of files served by name")
    parser.add_argument("--site", help="folder of the web site's files (site mode)")
    parser.add_argument("--address", default="127.0.0.1", help="loopback address to listen on")
    parser.add_argument("--port", type=int, default=443, help="the site's port (site mode)")
    parser.add_argument("--ports-file", required=True, help="where the ports are written")
    args = parser.parse_args()
    if not args.fixtures and not args.site:
        parser.error("--fixtures or --site is needed")

    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.minimum_version = ssl.TLSVersion.TLSv1_2
    tls.load_cert_chain(args.cert, args.key)

    if args.site:
        servers = [Server(tls, None, args.address, args.port, args.site)]
    else:
        servers = [Server(tls, args.fixtures, args.address) for _ in range(2)]
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    ports = " ".join(str(s.server_port) for s in servers)
    temporary = args.ports_file + ".new"
    with open(temporary, "w") as f:
        f.write(ports + "\n")
    os.replace(temporary, args.ports_file)

    parent = os.getppid()
    while not stop.wait(0.5):
        if os.getppid() != parent:
            break  # the harness is gone without stopping us
    for server in servers:
        server.shutdown()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
