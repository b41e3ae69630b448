"""The harness itself, against a stand-in dialog (probe_target.exe) and a plain WinINet client
(https_post.exe): if these fail, no other e2e result can be trusted."""
import os
import time

import pytest

import bmp_to_png
import harness

WM_KEYDOWN, WM_CHAR, WM_SYSCHAR = 256, 258, 262


@pytest.fixture
def target_probe(desktop):
    return harness.Probe(desktop, exe_name="probe_target.exe")


@pytest.fixture
def target(desktop, target_probe):
    program = harness.Program(desktop, harness.env_path("CORVANE_PROBE_TARGET"), target_probe)
    yield program
    program.kill_all()


def lines_of(running, wanted, timeout=10):
    """Waits until the target has written each wanted line; returns all its lines."""
    deadline = time.monotonic() + timeout
    while True:
        lines = running.stdout().splitlines()
        if all(line in lines for line in wanted) or time.monotonic() > deadline:
            return lines
        time.sleep(0.1)


def shown(target, target_probe):
    running = target.start()
    window = target_probe.wait_window(timeout=20)
    assert window is not None, "the stand-in dialog never became visible"
    return running, window


def test_list_reports_windows_and_controls(target, target_probe):
    running, window = shown(target, target_probe)
    assert (window["title"], window["class"], window["exe"]) == ("Probe Target", "#32770", "probe_target.exe")
    assert window["visible"] and not window["messageBox"]
    controls = {c["id"]: c for c in window["controls"]}
    assert controls[1000]["text"] == "Download" and controls[1000]["visible"]
    assert controls[1001]["visible"] is False
    assert controls[1003]["class"] == "Static" and controls[1003]["text"] == "Caf\u00e9 headline"
    assert controls[2]["text"] == "Close"
    # Windows of other programs are not reported.
    assert harness.Probe(target.desktop, exe_name="nothing-like-it.exe").windows(timeout=0) == []
    target_probe.key("close")
    assert running.wait(10).exit_code == 0


def test_press_message_box_and_dismiss(target, target_probe):
    running, _ = shown(target, target_probe)
    assert target_probe.press(1001, timeout=1) is None, "a hidden button must not be pressable"
    assert target_probe.press(1000)["text"] == "Download"
    box = target_probe.wait_message_box()
    assert box is not None and box["title"] == "Box caption"
    assert any(c["id"] == 0xFFFF and c["text"] == "Box text" for c in box["controls"])
    dismissed = target_probe.dismiss()
    assert (dismissed["button"], dismissed["text"]) == (1, "Box text")
    lines = lines_of(running, ["command 1000 0", "box 1"])
    assert "command 1000 0" in lines and "box 1" in lines
    assert "command 1001 0" not in lines
    target_probe.press(2)
    assert running.wait(10).exit_code == 0


@pytest.mark.parametrize("chord,line", [
    ("alt+?", "char %d 63 1 1000" % WM_SYSCHAR),
    ("alt+/", "char %d 47 1 1000" % WM_SYSCHAR),
    ("esc", "key %d 27 1000" % WM_KEYDOWN),
    ("tab", "key %d 9 1000" % WM_KEYDOWN),
    ("x", "char %d 120 0 1000" % WM_CHAR),
])
def test_keys_reach_the_focused_control_through_the_queue(target, target_probe, chord, line):
    running, window = shown(target, target_probe)
    report = target_probe.key(chord)
    focused = [c["hwnd"] for c in window["controls"] if c["id"] == 1000]
    assert report["target"] in focused
    assert line in lines_of(running, [line])
    assert running.running(), "the key must not have closed the dialog"
    target_probe.key("close")
    assert running.wait(10).exit_code == 0


def test_close_box_ends_the_program(target, target_probe):
    running, _ = shown(target, target_probe)
    assert target_probe.key("close") is not None
    result = running.wait(10)
    assert result.exit_code == 0
    assert "close" in result.stdout.splitlines()
    assert "probe_target started" in result.stderr


def test_watch_sees_a_window_that_shows_late(target, target_probe):
    watch = target_probe.start_watch(20)
    running = target.start("1500")
    target_probe.wait_window(timeout=20)
    seen = watch.finish()
    assert seen is not None and seen["title"] == "Probe Target"
    target_probe.key("close")
    running.wait(10)


def test_watch_reports_no_window_of_another_program(desktop, target, target_probe):
    # Given longer than a case may run: only the stop file can end it in time.
    watch = harness.Probe(desktop, exe_name="nothing-like-it.exe").start_watch(2 * harness.DEFAULT_CASE_TIMEOUT)
    running, _ = shown(target, target_probe)
    assert watch.finish() is None, "the watch reported another program's window"
    assert watch.process.returncode == 1, "the watch must end as having seen nothing"
    target_probe.key("close")
    assert running.wait(10).exit_code == 0


def test_screenshot_is_the_window(target, target_probe):
    running, window = shown(target, target_probe)
    png = target_probe.screenshot("harness-probe-target")
    assert png is not None and os.path.exists(png)
    left, top, right, bottom = window["rect"]
    with open(png, "rb") as f:
        data = f.read()
    assert data.startswith(b"\x89PNG")
    assert int.from_bytes(data[16:20], "big") == right - left
    assert int.from_bytes(data[20:24], "big") == bottom - top
    target_probe.key("close")
    running.wait(10)


def test_bmp_to_png_keeps_pixels(tmp_path):
    # 2 x 2, bottom-up, 24 bit: rows padded to 8 bytes.
    pixels = bytes([0, 0, 255, 0, 255, 0, 0, 0,   255, 0, 0, 255, 255, 255, 0, 0])
    header = (b"BM" + (54 + len(pixels)).to_bytes(4, "little") + b"\0\0\0\0" + (54).to_bytes(4, "little") +
              (40).to_bytes(4, "little") + (2).to_bytes(4, "little") + (2).to_bytes(4, "little") +
              (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(24))
    (tmp_path / "a.bmp").write_bytes(header + pixels)
    width, height, rows = bmp_to_png.convert(str(tmp_path / "a.bmp"), str(tmp_path / "a.png"))
    assert (width, height) == (2, 2)
    # Top row first: the second stored row (blue, white), then red, green.
    assert rows == [bytes([0, 0, 255, 255, 255, 255]), bytes([255, 0, 0, 0, 255, 0])]


def test_shell_addresses_are_logged(target, target_probe, shell_log):
    running, _ = shown(target, target_probe)
    target_probe.press(1002)
    assert shell_log.wait_for(1) == ["https://www.corvane.com/probe?x=1&y=2"]
    target_probe.key("close")
    running.wait(10)


def test_a_program_that_overruns_is_killed_and_fails(target):
    running = target.start("600000")
    with pytest.raises(pytest.fail.Exception):
        running.wait(3)
    assert not running.running()


def test_test_ca_is_trusted_in_the_prefix(desktop, update_server):
    update_server.set_catalogue({"Tone Lab": {"result": 0, "version": "2.0"}})
    result = desktop.wine(harness.env_path("CORVANE_HTTPS_POST"), update_server.url(), check=False)
    out = result.stdout.decode("latin-1")
    assert result.returncode == 0, out
    assert out.startswith("status 200\n")
    assert out.endswith("<Result>0</Result><version>2.0</version></ProductVersion>")
    request, = update_server.requests()
    assert request["method"] == "POST" and request["tls"] is True
    assert request["query"] == {"name": "Tone%20Lab", "plat": "x64", "type": "VST3"}
    assert harness.request_header(request, "host") == "update.corvane.com"


@pytest.mark.parametrize("cert,error", [("expired", "12037"), ("wronghost", "12038"), ("untrusted", None)])
def test_bad_certificates_are_refused(desktop, start_server, cert, error):
    server = start_server({"*": {"result": 0}}, cert=cert)
    result = desktop.wine(harness.env_path("CORVANE_HTTPS_POST"), server.url(), check=False)
    out = result.stdout.decode("latin-1")
    assert result.returncode == 1 and out.startswith("error "), out
    if error:
        assert out.split()[1] == error
    assert server.requests() == []


def test_plain_server_for_redirect_targets(desktop, start_server):
    server = start_server({"*": {"result": 2}}, port=8080, plain=True)
    result = desktop.wine(harness.env_path("CORVANE_HTTPS_POST"), server.url(), check=False)
    assert result.stdout.decode("latin-1").startswith("status 200\n<?xml")
    assert server.requests()[0]["tls"] is False


def test_roaming_folder_is_the_programs_appdata(desktop, roaming):
    assert not roaming.exists()
    roaming.write_skipped_updates("Tone Lab|Studio=1.2.0\r\n")
    result = desktop.wine("cmd", "/c", "type", "%APPDATA%\\Corvane\\SkippedUpdates.txt")
    assert result.stdout.decode("latin-1") == "Tone Lab|Studio=1.2.0\r\n"
    assert roaming.read_skipped_upgrades() is None
    roaming.clear()
    assert not roaming.exists()
