"""The update query end to end: the one HTTPS POST the checker sends, its progress lines on the
standard error stream, and how every kind of server fault ends the check: exit code 0 within its
bound, silently for an automatic check, with the right message box for a user-initiated one."""

import pytest

PROVIDER_PATH = "/stelmarvine/ProductVersionProvider.aspx"
AUTOMATIC = "Tone Lab|x64|VST3|1.0.0|Tone Lab|Studio"
USER_INITIATED = AUTOMATIC + "|Y"
MODES = {"automatic": AUTOMATIC, "user-initiated": USER_INITIATED}

CONNECT_ERROR = ("There was an error attempting to connect to the Corvane server. Check your "
                 "internet connections, or try again later.")
BAD_DATA = "There was an error in the data sent to the Corvane server."
CLOSE_BUTTON = 2

TIME_LIMIT = 30  # a check that has not ended by then is ended as a failed connection
QUICK_BOUND = 20
STALLED_BOUND = TIME_LIMIT + 12  # the limit plus Wine's start-up and the probe's polling

STATUS_LINES = {
    "Status: Resolving Name", "Status: Name Resolved", "Status: Connecting to Server",
    "Status: Connected to Server", "Status: Sending request", "Status: Request sent",
    "Status: Receiving Response", "Status: Response Received ", "Status: Closing Connection",
    "Status: Connection Closed", "Status: Handle Closing", "Status: Detecting Proxy",
    "Status: Redirect", "Status: Intermediate response", "Status: State Change",
    "Status: Cookie found and will be sent with request", "Status: Cookie Received",
    "Status: Received P3P header", "Status: Cookie History", "Status: Unknown",
}
REQUEST_PROGRESS = [
    "Status: Resolving Name", "Status: Name Resolved", "Status: Connecting to Server",
    "Status: Connected to Server", "Status: Sending request", "Status: Request sent",
    "Status: Receiving Response", "Status: Response Received ",
]

NEW_VERSION = "9.9.9"
INSTALLER = "https://update.corvane.com/ToneLab-9.9.9.exe"
# An upgrade offer that is on offer only when the reply is read past where it must stop.
LATE_UPGRADE = ("<upgradeName>Late Upgrade</upgradeName>"
                "<upgradePage>https://www.corvane.com/late</upgradePage>")


def offer(before="", after=""):
    """A reply document offering NEW_VERSION, with extra text before and after the offer."""
    return ('<?xml version="1.0" encoding="utf-8"?><ProductVersion>' + before +
            "<Result>0</Result><version>%s</version><installer>%s</installer>" % (NEW_VERSION, INSTALLER) +
            after + "</ProductVersion>")


def padding(size):
    return "<padding>" + "p" * size + "</padding>"


def sized_offer(total):
    """An offer of exactly total bytes whose late upgrade lies wholly past the first block."""
    document = offer(after=padding(total - len(offer(after=padding(0) + LATE_UPGRADE))) + LATE_UPGRADE)
    assert len(document.encode("utf-8")) == total and document.index(LATE_UPGRADE) > 2047
    return document


def is_subsequence(wanted, lines):
    rest = iter(lines)
    return all(any(line == w for line in rest) for w in wanted)


def visible_texts(window):
    return [c["text"] for c in window["controls"] if c["visible"]]


# --- the request -------------------------------------------------------------------------------

@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("argument,query", [
    ("Tone Lab Pro|||1.0.0|Tone Lab Pro|Studio", "name=Tone%20Lab%20Pro&plat=&type="),
    ("Foo Bar|x64|VST3|1.0.0|Foo Bar|Studio", "name=Foo%20Bar&plat=x64&type=VST3"),
], ids=["spaces-empty-platform-and-type", "all-fields"])
def test_request_is_one_post_with_the_product_query(checker, update_server, argument, query):
    update_server.set_catalogue({"*": {"result": 0, "version": "1.0.0"}})  # up to date: silent
    result = checker.run(argument, timeout=QUICK_BOUND)
    assert result.exit_code == 0, result
    request, = update_server.requests()
    assert request["method"] == "POST"
    assert request["path"] == PROVIDER_PATH + "?" + query
    assert request["tls"] is True
    assert request["body"] == ""
    assert request_header(request, "Content-Type") == "application/x-www-form-urlencoded"
    assert request_header(request, "Content-Length") in (None, "0")
    assert request_header(request, "Accept") == "*/*"
    assert request_header(request, "Host") == "update.corvane.com"
    # The browser's user-agent text as the system gives it, not the program's own fallback.
    agent = request_header(request, "User-Agent")
    assert agent and agent.startswith("Mozilla/"), agent


def request_header(request, name):
    values = [v for k, v in request["headers"] if k.lower() == name.lower()]
    assert len(values) <= 1, "header %s sent %d times" % (name, len(values))
    return values[0] if values else None


@pytest.mark.case_timeout(90)
def test_status_lines_of_a_normal_check(checker, update_server):
    update_server.set_catalogue({"*": {"result": 0, "version": "1.0.0"}})
    result = checker.run(AUTOMATIC, timeout=QUICK_BOUND)
    assert result.exit_code == 0, result
    assert result.stderr.endswith("\n"), repr(result.stderr)
    assert "\r" not in result.stderr, "the lines end in a line feed alone"
    lines = result.stderr[:-1].split("\n")
    assert [line for line in lines if line not in STATUS_LINES] == [], "only status lines are written"
    assert is_subsequence(REQUEST_PROGRESS, lines), lines
    # Handle-created and request-complete notifications print nothing.
    assert "Status: Unknown" not in lines


# --- faults: every check ends, exit code 0 ----------------------------------------------------

def no_server(start_server):
    return []


def serving(catalogue, cert="server"):
    return lambda start_server: [start_server(catalogue, cert=cert)]


def redirect_to_plain_http(start_server):
    plain = start_server({"*": {"raw": offer()}}, port=8080, plain=True)
    target = "http://update.corvane.com:8080" + PROVIDER_PATH + "?name=Tone%20Lab&plat=x64&type=VST3"
    secure = start_server({"*": {"redirect": target}})
    return [secure, plain]


# Each fault: the servers it needs, what a user-initiated check reports, the time bound, and how
# many requests each server reads: one POST where the connection gets that far, none where the
# certificate is refused or the address is plain HTTP.
FAULTS = [
    pytest.param(no_server, CONNECT_ERROR, QUICK_BOUND, [], id="connection-refused"),
    pytest.param(serving({"*": {"fault": "silent"}}), CONNECT_ERROR, STALLED_BOUND, [1], id="never-answers"),
    pytest.param(serving({"@connection": {"fault": "silent"}}), CONNECT_ERROR, STALLED_BOUND, [0],
                 id="never-shakes-hands"),
    pytest.param(serving({"*": {"fault": "stall", "raw": offer(after=padding(400))}}), CONNECT_ERROR,
                 STALLED_BOUND, [1], id="stalls-mid-body"),
    pytest.param(serving({"*": {"fault": "cut", "raw": offer(after=padding(400))}}), CONNECT_ERROR,
                 QUICK_BOUND, [1], id="closes-mid-body"),
    pytest.param(serving({"*": {"fault": "close"}}), CONNECT_ERROR, QUICK_BOUND, [1],
                 id="closes-without-answer"),
    pytest.param(serving({"*": {"status": 500, "raw": "<ProductVersion><Result>1</Result></ProductVersion>"}}),
                 BAD_DATA, QUICK_BOUND, [1], id="http-500-with-body"),
    pytest.param(redirect_to_plain_http, CONNECT_ERROR, QUICK_BOUND, [1, 0], id="redirect-to-plain-http"),
    pytest.param(serving({"*": {"raw": offer()}}, cert="untrusted"), CONNECT_ERROR, QUICK_BOUND, [0],
                 id="unknown-authority"),
    pytest.param(serving({"*": {"raw": offer()}}, cert="wronghost"), CONNECT_ERROR, QUICK_BOUND, [0],
                 id="other-host-name"),
    pytest.param(serving({"*": {"raw": offer()}}, cert="expired"), CONNECT_ERROR, QUICK_BOUND, [0],
                 id="expired-certificate"),
]


@pytest.mark.case_timeout(120)
@pytest.mark.parametrize("mode", list(MODES))
@pytest.mark.parametrize("setup,message,bound,requests", FAULTS)
def test_fault_ends_the_check(checker, probe, start_server, setup, message, bound, requests, mode):
    servers = setup(start_server)
    if mode == "automatic":
        result = checker.run(AUTOMATIC, timeout=bound, watch=True)
        assert result.window is None, "an automatic check that failed showed %r" % result.window
    else:
        running = checker.start(USER_INITIATED)
        box = probe.wait_message_box(timeout=bound)
        assert box is not None, "no message box; stderr: %r" % running.stderr()
        assert message in visible_texts(box), box
        assert probe.dismiss() is not None
        result = running.wait(10)
    assert result.exit_code == 0, result
    assert result.duration < bound, result
    if bound == STALLED_BOUND:
        assert result.duration > TIME_LIMIT - 5, "ended before the time limit: %r" % result
    assert [len(server.requests()) for server in servers] == requests


# Replies that are read, in full or up to where reading must stop: the offer before that point is
# shown, the late upgrade after it is not.
READ_REPLIES = [
    # The offer stands at the end of a body that arrives in pieces, with pauses.
    pytest.param({"*": {"fault": "slow", "raw": offer(before=padding(900)), "pieces": 4, "pieceDelay": 0.6}},
                 id="body-in-pieces"),
    # 3000 bytes: only the first 2047 are read.
    pytest.param({"*": {"raw": sized_offer(3000)}}, id="3000-byte-reply"),
    # A zero byte ends the reply text.
    pytest.param({"*": {"raw": offer(after="\u0000" + LATE_UPGRADE)}}, id="zero-byte"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("mode", list(MODES))
@pytest.mark.parametrize("catalogue", READ_REPLIES)
def test_reply_is_read_up_to_its_first_block(checker, probe, update_server, catalogue, mode):
    update_server.set_catalogue(catalogue)
    running = checker.start(MODES[mode])
    window = probe.wait_window(timeout=QUICK_BOUND)
    assert window is not None and not window["messageBox"], "the offer was not shown: %r" % window
    texts = " | ".join(visible_texts(window))
    assert NEW_VERSION in texts, texts
    assert "Late Upgrade" not in texts, "read past the end of the reply's first block"
    assert probe.press(CLOSE_BUTTON) is not None
    result = running.wait(10)
    assert result.exit_code == 0, result
