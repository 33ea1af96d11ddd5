#!/usr/bin/env python3
"""The web sites the fixture browsers visit, all on the loopback.

One server answers for every host name the browsers map to this machine; the
Host header picks the site. Each site sets the cookies of its row below (a
Domain attribute makes a cookie for the whole registrable domain), every page
links to a favicon, and /search answers a site search. Usage:
site_server.py PORT (listens on ::, dual-stack, until killed).
"""
import http.server
import socketserver
import socket
import struct
import sys
import zlib

YEAR = "Max-Age=31536000; Path=/"
COOKIES = {
    "example.org": [f"sid=site-wide; Domain=example.org; {YEAR}", f"lang=en; {YEAR}"],
    "mail.example.org": [f"mailbox=inbox; {YEAR}", f"theme=dark; Domain=.example.org; {YEAR}"],
    "shop.example.org": [f"cart=3-items; {YEAR}"],
    "notexample.org": [f"lookalike=1; {YEAR}"],
    "news.test": [f"reader=42; {YEAR}", f"consent=yes; {YEAR}"],
    "ads.tracker.test": [f"track=abc; Domain=tracker.test; {YEAR}", f"seen=1; {YEAR}"],
    "www.example.co.uk": [f"uk=1; Domain=example.co.uk; {YEAR}"],
}


def favicon(host):
    """A 16x16 PNG in a colour of the host's own, so each site has its icon."""
    colour = zlib.crc32(host.encode()).to_bytes(4, "big")[:3]
    rows = b"".join(b"\0" + colour * 16 for _ in range(16))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


class Site(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        host = (self.headers.get("Host") or "unknown").split(":")[0].lower()
        path = self.path.split("?")[0]
        if path == "/favicon.png" or path == "/favicon.ico":
            self.answer(favicon(host), "image/png")
            return
        title = f"{host} {path.strip('/') or 'home'}"
        body = (f"<!doctype html><html><head><meta charset=utf-8><title>{title}</title>"
                f'<link rel="icon" type="image/png" href="/favicon.png"></head><body>'
                f"<h1>{title}</h1><form action=/search><input name=q><button>Go</button></form>"
                f'<p><a href="/a">a</a> <a href="/b">b</a></p></body></html>')
        self.answer(body.encode(), "text/html; charset=utf-8", COOKIES.get(host, []))

    def answer(self, data, kind, cookies=()):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for cookie in cookies:
            self.send_header("Set-Cookie", cookie)
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        sys.stderr.write("site: " + (args[0] % args[1:]) + "\n")


class DualStack(socketserver.ThreadingMixIn, http.server.HTTPServer):
    address_family = socket.AF_INET6
    daemon_threads = True

    def server_bind(self):
        self.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
        super().server_bind()


if __name__ == "__main__":
    DualStack(("::", int(sys.argv[1])), Site).serve_forever()
