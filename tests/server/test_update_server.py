"""Tests of the local reference update server (tools/update_server.py), over real sockets."""
import base64
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import time

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SERVER = os.path.join(ROOT, "tools", "update_server.py")
MAKE_CA = os.path.join(ROOT, "tools", "make_test_ca.sh")
PATH = "/stelmarvine/ProductVersionProvider.aspx"


@pytest.fixture(scope="module")
def certs(tmp_path_factory):
    out = tmp_path_factory.mktemp("ca")
    subprocess.run([MAKE_CA, str(out)], check=True, timeout=120)
    return out


class Server:
    def __init__(self, tmp_path, certs, plain=False, cert="server"):
        self.catalogue = tmp_path / "catalogue.json"
        self.log = tmp_path / "requests.jsonl"
        self.catalogue.write_text("{}")
        self.plain = plain
        self.certs = certs
        command = [sys.executable, SERVER, "--port", "0", "--catalogue", str(self.catalogue),
                   "--log", str(self.log)]
        if plain:
            command.append("--plain")
        else:
            command += ["--cert", str(certs / (cert + ".pem")), "--key", str(certs / (cert + ".key"))]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        assert line.startswith("listening on "), line
        self.port = int(line.rsplit(":", 1)[1])

    def set(self, catalogue):
        self.catalogue.write_text(json.dumps(catalogue))

    def connect(self, timeout=5.0):
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=timeout)
        if self.plain:
            return raw
        context = ssl.create_default_context(cafile=str(self.certs / "ca.pem"))
        return context.wrap_socket(raw, server_hostname="update.corvane.com")

    def send(self, method="POST", path=PATH + "?name=Tone%20Lab&plat=x64&type=VST3", sock=None):
        sock = sock or self.connect()
        sock.sendall(("%s %s HTTP/1.1\r\nHost: update.corvane.com\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\n"
                      "Content-Length: 0\r\n\r\n" % (method, path)).encode())
        return sock

    def exchange(self, **kwargs):
        """Sends one request and reads until the server closes: (status, headers, body)."""
        sock = self.send(**kwargs)
        data = read_all(sock)
        sock.close()
        return parse(data)

    def requests(self):
        if not self.log.exists():
            return []
        return [json.loads(line) for line in self.log.read_text().splitlines()]

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        return self.process.wait(timeout=10)


def read_all(sock):
    chunks = []
    while True:
        try:
            chunk = sock.recv(65536)
        except (ssl.SSLError, ConnectionResetError):
            break
        if not chunk:
            break
        chunks.append(chunk)
    return b"".join(chunks)


def parse(data):
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1]) if lines[0] else 0
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return status, headers, body


@pytest.fixture
def server(tmp_path, certs):
    s = Server(tmp_path, certs)
    yield s
    assert s.stop() == 0


FULL = {"result": 0, "version": "2.1.0", "installer": "https://h/a.exe",
        "upgradeName": "Tone Lab Studio", "upgradePage": "https://h/p"}

DOCUMENT_CASES = [
    (FULL, '<?xml version="1.0" encoding="utf-8"?><ProductVersion><Result>0</Result>'
           '<version>2.1.0</version><installer>https://h/a.exe</installer>'
           '<upgradeName>Tone Lab Studio</upgradeName><upgradePage>https://h/p</upgradePage>'
           '</ProductVersion>'),
    ({"result": 2}, '<?xml version="1.0" encoding="utf-8"?><ProductVersion><Result>2</Result>'
                    '</ProductVersion>'),
    ({"version": "1<2&3>"}, '<?xml version="1.0" encoding="utf-8"?><ProductVersion>'
                            '<version>1&lt;2&amp;3&gt;</version></ProductVersion>'),
    ({"result": 0, "upgradeName": "Caf\u00e9"},
     '<?xml version="1.0" encoding="utf-8"?><ProductVersion><Result>0</Result>'
     '<upgradeName>Caf\u00e9</upgradeName></ProductVersion>'),
]


@pytest.mark.parametrize("entry,expected", DOCUMENT_CASES)
def test_reply_document(server, entry, expected):
    server.set({"Tone Lab": entry})
    status, headers, body = server.exchange()
    assert status == 200
    assert headers["content-type"] == "text/xml; charset=utf-8"
    assert int(headers["content-length"]) == len(body)
    assert body.decode("utf-8") == expected


LOOKUP_CASES = [
    # catalogue, request path, expected status, expected version in the body (or None)
    ({"Tone Lab": {"result": 0, "version": "1"}}, PATH + "?name=Tone%20Lab&plat=x&type=y", 200, "1"),
    ({"Tone%20Lab": {"result": 0, "version": "1"}}, PATH + "?name=Tone%20Lab", 404, None),
    ({"A&B": {"result": 0, "version": "1"}}, PATH + "?name=A&B", 404, None),
    ({"*": {"result": 0, "version": "9"}}, PATH + "?name=Anything&plat=x64", 200, "9"),
    ({"X": {"result": 0, "version": "1"}, "*": {"result": 0, "version": "9"}}, PATH + "?name=X", 200, "1"),
    ({"X": {"result": 0, "version": "1"}}, PATH + "?name=Y", 404, None),
    ({"X": {"result": 0, "version": "1"}}, PATH, 404, None),
    ({"*": {"result": 0, "version": "9"}}, "/stelmarvine/Other.aspx?name=X", 404, None),
    ({"*": {"result": 0, "version": "9"}}, "/" + PATH.lstrip("/").upper() + "?name=X", 404, None),
]


@pytest.mark.parametrize("catalogue,path,status,version", LOOKUP_CASES)
def test_lookup(server, catalogue, path, status, version):
    server.set(catalogue)
    got_status, _, body = server.exchange(path=path)
    assert got_status == status
    if version is not None:
        assert ("<version>%s</version>" % version).encode() in body


def test_other_method_is_refused(server):
    server.set({"*": FULL})
    status, headers, _ = server.exchange(method="GET")
    assert status == 405 and headers["allow"] == "POST"


BODY_CASES = [
    ({"raw": "not xml at all"}, 200, b"not xml at all"),
    ({"raw": "<a>\u00e9</a>", "rawEncoding": "utf-16"}, 200, "<a>\u00e9</a>".encode("utf-16")),
    ({"rawBase64": base64.b64encode(b"\x00\xff<x/>").decode()}, 200, b"\x00\xff<x/>"),
    ({"status": 500}, 500, b""),
    ({"status": 503, "raw": "busy"}, 503, b"busy"),
    ({"status": 200, "result": 1}, 200,
     b'<?xml version="1.0" encoding="utf-8"?><ProductVersion><Result>1</Result></ProductVersion>'),
]


@pytest.mark.parametrize("entry,status,body", BODY_CASES)
def test_bodies_and_statuses(server, entry, status, body):
    server.set({"Tone Lab": entry})
    got_status, headers, got_body = server.exchange()
    assert (got_status, got_body) == (status, body)
    assert int(headers["content-length"]) == len(body)


def test_redirect_and_extra_headers(server):
    server.set({"Tone Lab": {"redirect": "http://update.corvane.com:8080/x", "headers": {"X-T": "1"}}})
    status, headers, body = server.exchange()
    assert (status, headers["location"], headers["x-t"], body) == \
        (302, "http://update.corvane.com:8080/x", "1", b"")
    server.set({"Tone Lab": {"redirect": "/y", "redirectStatus": 307}})
    assert server.exchange()[0] == 307


def test_content_type_override(server):
    server.set({"Tone Lab": {"raw": "x", "contentType": "text/plain"}})
    assert server.exchange()[1]["content-type"] == "text/plain"


def test_catalogue_is_read_for_every_request(server):
    server.set({"Tone Lab": {"result": 0, "version": "1.0"}})
    assert b"<version>1.0</version>" in server.exchange()[2]
    server.set({"Tone Lab": {"result": 0, "version": "2.0"}})
    assert b"<version>2.0</version>" in server.exchange()[2]
    server.catalogue.write_text("{ broken")
    assert server.exchange()[0] == 404


def test_request_log(server):
    server.set({"*": FULL})
    server.exchange(path=PATH + "?name=Tone%20Lab&plat=x64&type=VST3")
    server.exchange(method="GET", path="/other")
    first, second = server.requests()
    assert first["method"] == "POST"
    assert first["path"] == PATH + "?name=Tone%20Lab&plat=x64&type=VST3"
    assert first["query"] == {"name": "Tone%20Lab", "plat": "x64", "type": "VST3"}
    assert ["Content-Type", "application/x-www-form-urlencoded"] in first["headers"]
    assert first["body"] == "" and first["tls"] is True
    assert abs(first["time"] - time.time()) < 60
    assert (second["method"], second["path"]) == ("GET", "/other")


def test_body_is_logged(server):
    server.set({"*": FULL})
    sock = server.connect()
    sock.sendall(("POST %s HTTP/1.1\r\nHost: h\r\nContent-Length: 7\r\n\r\na=1&b=2" % PATH).encode())
    read_all(sock)
    sock.close()
    assert server.requests()[0]["body"] == "a=1&b=2"


def test_fault_close_sends_nothing(server):
    server.set({"Tone Lab": {"fault": "close", "result": 0}})
    sock = server.send()
    assert read_all(sock) == b""
    assert len(server.requests()) == 1


def test_connection_fault_close_drops_before_handshake(server):
    server.set({"@connection": {"fault": "close"}, "*": FULL})
    with pytest.raises((ssl.SSLError, ConnectionResetError, OSError)):
        server.exchange()
    assert server.requests() == []


@pytest.mark.parametrize("fault", ["silent", "stall"])
def test_held_connections_stay_open_and_do_not_block_others(server, fault):
    server.set({"Tone Lab": {"fault": fault, **FULL}, "Other": FULL})
    held = server.send()
    held.settimeout(1.0)
    received = b""
    with pytest.raises(socket.timeout):
        while True:
            chunk = held.recv(65536)
            assert chunk, "server closed a held connection"
            received += chunk
    status, headers, body = server.exchange(path=PATH + "?name=Other")
    assert status == 200 and b"<Result>0</Result>" in body
    if fault == "silent":
        assert received == b""
    else:
        got_status, got_headers, half = parse(received)
        assert got_status == 200
        full = int(got_headers["content-length"])
        assert len(half) == full // 2 and full == len(body)
    held.close()


def test_fault_cut_sends_half_then_closes(server):
    server.set({"Tone Lab": {"fault": "cut", **FULL}})
    status, headers, body = server.exchange()
    assert status == 200
    assert len(body) == int(headers["content-length"]) // 2
    assert body.startswith(b"<?xml")


def test_fault_slow_sends_pieces_with_pauses(server):
    server.set({"Tone Lab": {"fault": "slow", "pieces": 3, "pieceDelay": 0.3, **FULL}})
    sock = server.send()
    start = time.monotonic()
    arrivals = []
    data = b""
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            break
        arrivals.append(time.monotonic() - start)
        data += chunk
    sock.close()
    status, headers, body = parse(data)
    assert status == 200 and len(body) == int(headers["content-length"])
    assert b"<upgradePage>https://h/p</upgradePage>" in body
    assert len(arrivals) >= 3
    assert arrivals[-1] >= 0.5


def test_sigterm_ends_cleanly_with_a_held_connection(server):
    server.set({"*": {"fault": "silent"}})
    held = server.send()
    time.sleep(0.3)
    assert server.stop() == 0
    held.close()


@pytest.mark.parametrize("cert,accepted", [("server", True), ("wronghost", False),
                                           ("expired", False), ("untrusted", False)])
def test_certificates_verify_as_intended(tmp_path, certs, cert, accepted):
    s = Server(tmp_path, certs, cert=cert)
    try:
        s.set({"*": FULL})
        if accepted:
            assert s.exchange()[0] == 200
        else:
            with pytest.raises(ssl.SSLCertVerificationError):
                s.exchange()
    finally:
        assert s.stop() == 0


def test_plain_mode(tmp_path, certs):
    s = Server(tmp_path, certs, plain=True)
    try:
        s.set({"*": FULL})
        status, _, body = s.exchange()
        assert status == 200 and b"<Result>0</Result>" in body
        assert s.requests()[0]["tls"] is False
    finally:
        assert s.stop() == 0
