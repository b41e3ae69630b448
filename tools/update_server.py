#!/usr/bin/python3
"""Local reference update server for the Corvane Update Checker.

This is the reference for the reply format the checker reads. It answers

    POST /stelmarvine/ProductVersionProvider.aspx?name=<product>&plat=<platform>&type=<type>

over HTTPS (or plain HTTP with --plain) from a JSON catalogue keyed by the product name: the
"name" query value with each "%20" turned into a space. An entry named "*" answers for any
product that has no entry of its own. The catalogue file is read again for every request, so a
test can change it while the server runs.

An entry is a JSON object; the first of these that it has decides the answer:

    "fault"     "close"  close the connection as soon as the request has been read
                "silent" read the request and never answer; the socket stays open
                "slow"   send the reply in `pieces` pieces (default 4), `pieceDelay` s apart (0.5)
                "cut"    announce the full Content-Length, send half the body, close
                "stall"  announce the full Content-Length, send half the body, stay open
    "redirect"  answer 302 with this Location (`redirectStatus` picks another 3xx)
    "status"    answer with this HTTP status (and the body below, if any)
    "raw"       the reply body exactly as given (text, encoded with `rawEncoding`, default
                utf-8); "rawBase64" gives the body as base64 bytes instead
    otherwise   the reply document built from the fields `result` (0, 1 or 2), `version`,
                `installer`, `upgradeName` and `upgradePage`; fields left out are not written:

    <?xml version="1.0" encoding="utf-8"?><ProductVersion><Result>0</Result>
    <version>2.1.0</version><installer>https://...</installer>
    <upgradeName>...</upgradeName><upgradePage>https://...</upgradePage></ProductVersion>

    (one line, no whitespace between elements, texts XML-escaped, UTF-8)

"slow", "cut" and "stall" send the body that the rest of the entry describes. `contentType`
replaces the default "text/xml; charset=utf-8", `headers` (an object) adds reply headers.

A catalogue may hold the key "@connection": {"fault": "close" | "silent"}; it applies to every
connection right after it is accepted, before the TLS handshake and before any request is read.

Any other path, or a product with no entry and no "*" entry, gets 404; another method on the
provider path gets 405. Every request that is read is appended to the --log file as one JSON
line: {"time", "method", "path", "query", "headers": [[name, value], ...], "body", "tls"}.

The server prints "listening on HOST:PORT" once it accepts connections, serves each connection
on its own thread and ends cleanly (exit 0) on SIGTERM or SIGINT.
"""

import argparse
import base64
import http.server
import json
import os
import signal
import socket
import socketserver
import ssl
import sys
import threading
import time
from xml.sax.saxutils import escape

PROVIDER_PATH = "/stelmarvine/ProductVersionProvider.aspx"
REPLY_FIELDS = ("version", "installer", "upgradeName", "upgradePage")
DEFAULT_CONTENT_TYPE = "text/xml; charset=utf-8"

# Set when the server shuts down: releases connections held open by "silent" and "stall".
release_held = threading.Event()


def reply_document(entry):
    """The XML reply for a catalogue entry, as UTF-8 bytes."""
    parts = ['<?xml version="1.0" encoding="utf-8"?><ProductVersion>']
    if "result" in entry:
        parts.append("<Result>%s</Result>" % escape(str(entry["result"])))
    for field in REPLY_FIELDS:
        if field in entry:
            parts.append("<%s>%s</%s>" % (field, escape(str(entry[field])), field))
    parts.append("</ProductVersion>")
    return "".join(parts).encode("utf-8")


def reply_body(entry):
    if "rawBase64" in entry:
        return base64.b64decode(entry["rawBase64"])
    if "raw" in entry:
        return str(entry["raw"]).encode(entry.get("rawEncoding", "utf-8"))
    if "status" in entry and not any(k in entry for k in ("result",) + REPLY_FIELDS):
        return b""
    return reply_document(entry)


def split_query(query):
    """Query text to a dict of raw values (no decoding: the checker sends them as they are)."""
    values = {}
    for pair in query.split("&") if query else []:
        key, _, value = pair.partition("=")
        values.setdefault(key, value)
    return values


def product_key(query_values):
    return query_values.get("name", "").replace("%20", " ")


def load_catalogue(path):
    try:
        with open(path, encoding="utf-8") as f:
            catalogue = json.load(f)
        return catalogue if isinstance(catalogue, dict) else {}
    except (OSError, ValueError) as error:
        print("catalogue %s unreadable: %s" % (path, error), file=sys.stderr, flush=True)
        return {}


class ProviderHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "CorvaneTestServer/1.0"
    sys_version = ""

    def log_message(self, fmt, *args):  # the JSON log is the record; keep stderr quiet
        if self.server.verbose:
            super().log_message(fmt, *args)

    def read_body(self):
        length = self.headers.get("Content-Length")
        if length is not None:
            try:
                return self.rfile.read(max(0, int(length)))
            except ValueError:
                return b""
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body = b""
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    self.rfile.readline()
                    return body
                body += self.rfile.read(size)
                self.rfile.readline()
        return b""

    def record(self, body):
        path, _, query = self.path.partition("?")
        line = {
            "time": time.time(),
            "method": self.command,
            "path": self.path,
            "query": split_query(query),
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": body.decode("latin-1"),
            "tls": self.server.tls,
        }
        with self.server.log_lock:
            with open(self.server.log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps(line) + "\n")

    def handle_any(self):
        body = self.read_body()
        if self.server.log_path:
            self.record(body)
        path, _, query = self.path.partition("?")
        if path != PROVIDER_PATH:
            return self.answer(404, b"")
        if self.command != "POST":
            return self.answer(405, b"", [("Allow", "POST")])
        catalogue = load_catalogue(self.server.catalogue_path)
        entry = catalogue.get(product_key(split_query(query)), catalogue.get("*"))
        if not isinstance(entry, dict):
            return self.answer(404, b"")
        return self.answer_entry(entry)

    do_POST = do_GET = do_HEAD = do_PUT = do_DELETE = do_OPTIONS = handle_any

    def head_bytes(self, status, length, content_type, extra):
        lines = ["HTTP/1.1 %d %s" % (status, self.responses.get(status, ("",))[0])]
        lines.append("Server: " + self.server_version)
        lines.append("Date: " + self.date_time_string())
        if content_type:
            lines.append("Content-Type: " + content_type)
        lines.append("Content-Length: %d" % length)
        lines.append("Connection: close")
        lines += ["%s: %s" % (k, v) for k, v in extra]
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    def answer(self, status, body, extra=(), content_type=DEFAULT_CONTENT_TYPE):
        self.close_connection = True
        data = self.head_bytes(status, len(body), content_type if body else None, extra)
        if self.command != "HEAD":
            data += body
        self.wfile.write(data)
        self.wfile.flush()

    def hold_open(self):
        self.wfile.flush()
        release_held.wait()
        self.close_connection = True

    def answer_entry(self, entry):
        extra = list((entry.get("headers") or {}).items())
        content_type = entry.get("contentType", DEFAULT_CONTENT_TYPE)
        fault = entry.get("fault")
        if fault == "close":
            self.close_connection = True
            return
        if fault == "silent":
            return self.hold_open()
        if "redirect" in entry:
            extra.append(("Location", entry["redirect"]))
            return self.answer(int(entry.get("redirectStatus", 302)), b"", extra)
        status = int(entry.get("status", 200))
        body = reply_body(entry)
        if fault in ("slow", "cut", "stall"):
            self.close_connection = True
            head = self.head_bytes(status, len(body), content_type, extra)
            if fault == "slow":
                data = head + body
                pieces = max(1, int(entry.get("pieces", 4)))
                step = -(-len(data) // pieces)
                for start in range(0, len(data), step):
                    if start:
                        time.sleep(float(entry.get("pieceDelay", 0.5)))
                    self.wfile.write(data[start:start + step])
                    self.wfile.flush()
                return
            self.wfile.write(head + body[:len(body) // 2])
            self.wfile.flush()
            if fault == "stall":
                self.hold_open()
            return
        return self.answer(status, body, extra, content_type)


class UpdateServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, context, catalogue_path, log_path, verbose=False):
        family = socket.AF_INET6 if ":" in address[0] else socket.AF_INET
        self.address_family = family
        self.context = context
        self.tls = context is not None
        self.catalogue_path = catalogue_path
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.verbose = verbose
        super().__init__(address, ProviderHandler)

    def connection_fault(self):
        fault = load_catalogue(self.catalogue_path).get("@connection")
        return fault.get("fault") if isinstance(fault, dict) else None

    def finish_request(self, request, client_address):
        # Runs on the connection's own thread, so a slow handshake holds up nobody else.
        fault = self.connection_fault()
        if fault == "close":
            return
        if fault == "silent":
            release_held.wait()
            return
        if self.context is not None:
            try:
                request.settimeout(30)
                request = self.context.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (ssl.SSLError, OSError) as error:
                if self.verbose:
                    print("TLS handshake failed: %s" % error, file=sys.stderr, flush=True)
                return
        try:
            self.RequestHandlerClass(request, client_address, self)
        finally:
            if request is not None and self.context is not None:
                try:
                    request.close()
                except OSError:
                    pass

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local reference update server.")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=None, help="443, or 80 with --plain")
    parser.add_argument("--cert", help="server certificate (PEM)")
    parser.add_argument("--key", help="server private key (PEM)")
    parser.add_argument("--catalogue", required=True, help="JSON catalogue, re-read per request")
    parser.add_argument("--log", help="request log: one JSON line per request")
    parser.add_argument("--plain", action="store_true", help="plain HTTP, no TLS")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)

    context = None
    if not args.plain:
        if not args.cert or not args.key:
            parser.error("--cert and --key are needed unless --plain is given")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    port = args.port if args.port is not None else (80 if args.plain else 443)

    server = UpdateServer((args.host, port), context, os.path.abspath(args.catalogue),
                          os.path.abspath(args.log) if args.log else None, args.verbose)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1})
    serving.start()
    print("listening on %s:%d" % (args.host, server.server_address[1]), flush=True)
    while not stop.wait(0.1):
        pass
    server.shutdown()
    release_held.set()
    serving.join()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
