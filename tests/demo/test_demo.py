#!/usr/bin/python3
"""The headless demo as a newcomer meets it: `scripts/run` on a machine without an X display prints
an address; a real browser (headless Chromium) shows the editor there; a click in the browser draws
a dot into the editor's history; Ctrl+C ends the demo and everything it started.

Run with Debian's python3 (it needs python3-pil): /usr/bin/python3 tests/demo/test_demo.py
Prints "demo: N passed, M failed" at the end and exits non-zero on a failure."""

import base64
import glob
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROGRAM_DIR = os.path.join(ROOT, "build", "demo-prefix", "drive_c", "Kanjiforge")
GLYPH = 64
PITCH = 7  # a 6-pixel cell and its grid line at the default zoom
VIEWPORT = (1400, 1150)  # the demo's X screen (1280 x 1024) fits unscaled


def wait_until(probe, timeout, what, poll=0.2):
    """Returns the first true value of probe(), or fails the running test after `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(poll)


class Browser:
    """Headless Chromium driven through the DevTools protocol on a pipe (no port is opened)."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="kf-chromium-")
        to_child_r, self._to_child = os.pipe()
        self._from_child, from_child_w = os.pipe()

        def child_pipes():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)

        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             f"--user-data-dir={self.profile}", "--remote-debugging-pipe",
             f"--window-size={VIEWPORT[0]},{VIEWPORT[1]}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=child_pipes, pass_fds=(3, 4), start_new_session=True)
        os.close(to_child_r)
        os.close(from_child_w)
        self._buffer = b""
        self._next_id = 0
        self.session = None
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.call("Emulation.setDeviceMetricsOverride", width=VIEWPORT[0], height=VIEWPORT[1],
                  deviceScaleFactor=1, mobile=False)

    def call(self, method, timeout=60, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self._to_child, json.dumps(message).encode() + b"\0")
        end = time.monotonic() + timeout
        while True:
            while b"\0" in self._buffer:
                raw, self._buffer = self._buffer.split(b"\0", 1)
                reply = json.loads(raw)
                if reply.get("id") == self._next_id:
                    if "error" in reply:
                        raise AssertionError(f"{method}: {reply['error']}")
                    return reply.get("result", {})
            if time.monotonic() > end:
                raise AssertionError(f"{method}: no answer from the browser")
            chunk = os.read(self._from_child, 1 << 20)
            if not chunk:
                raise AssertionError("the browser ended")
            self._buffer += chunk

    def screenshot(self):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")

    def click(self, x, y):
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def close(self):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        self.process.wait(30)
        os.close(self._to_child)
        os.close(self._from_child)
        shutil.rmtree(self.profile, ignore_errors=True)


def find_matrix(image):
    """The matrix's middle grid lines (drawn in the grid colour, red by default) in a screenshot:
    the page pixel of the vertical and of the horizontal one, or None. The lines are told from
    anything else red by their length (the whole matrix, 64 cells of 7 pixels)."""
    width, height = image.size
    pixels = image.load()
    red = lambda p: p[0] > 200 and p[1] < 60 and p[2] < 60
    span = GLYPH * (PITCH - 1) - 20  # the vertical one is crossed by the gray horizontal lines
    columns = [x for x in range(width) if sum(1 for y in range(0, height, 2) if red(pixels[x, y])) * 2 >= span]
    rows = [y for y in range(height) if sum(1 for x in range(0, width, 2) if red(pixels[x, y])) * 2 >= span]
    if len(columns) != 1 or len(rows) != 1:
        return None
    return columns[0], rows[0]


def grey(p):
    return all(abs(c - 192) < 30 for c in p)


def history_folders():
    return set(glob.glob(os.path.join(PROGRAM_DIR, "TEMP", "*")))


def history_states(folders):
    """The history states in `folders`, oldest first."""
    paths = [p for folder in folders for p in glob.glob(os.path.join(folder, "*.tmp"))]
    return sorted(paths, key=lambda path: int(os.path.splitext(os.path.basename(path))[0]))


def is_black(plane, x, y):
    bit = y * GLYPH + x
    return plane[bit // 8] & (0x80 >> (bit % 8)) == 0


def session_processes(sid):
    """Ids of the live processes of session `sid` (zombies do not count)."""
    found = []
    for stat in glob.glob("/proc/[0-9]*/stat"):
        try:
            with open(stat) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] != "Z" and int(fields[3]) == sid:
            found.append(int(stat.split("/")[2]))
    return found


class HeadlessDemo(unittest.TestCase):
    def test_browser_shows_the_editor_a_click_draws_and_ctrl_c_stops_everything(self):
        # As on a machine without a display: nothing of a caller's X server or Wine prefix.
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WINEPREFIX", "KF_XVFB_PID", "KF_WINEPREFIX")}
        # An editor ended by an earlier Ctrl+C leaves its history folder behind: only this run's counts.
        earlier = history_folders()
        demo = subprocess.Popen([os.path.join(ROOT, "scripts", "run")], env=env, cwd=ROOT,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True, start_new_session=True)
        output = []
        reader = threading.Thread(target=lambda: output.extend(iter(demo.stdout.readline, "")), daemon=True)
        reader.start()
        browser = None
        try:
            def printed_address():
                match = re.search(r"(http://\S+/vnc\.html\?\S+)", "".join(output))
                if not match and demo.poll() is not None:
                    raise AssertionError(f"scripts/run ended ({demo.returncode}) before printing an address:\n"
                                         + "".join(output))
                return match.group(1) if match else None

            # The first run may build the program and a Wine prefix.
            url = wait_until(printed_address, 900, "the printed address")
            self.assertTrue(url.startswith("http://127.0.0.1:"), url)
            self.assertIn("autoconnect=1", url)

            # The demo's font is a real one, made from its bitmap file: the pair agrees code for code.
            fonts = os.path.join(ROOT, "build", "demo-prefix", "drive_c", "windows", "Fonts")
            check = subprocess.run([os.path.join(ROOT, "build", "native", "tools", "euftool"), "check",
                                    os.path.join(fonts, "EUDC.EUF"), os.path.join(fonts, "EUDC.TTE")],
                                   capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
            self.assertRegex(check.stdout, r"summary: 64 dots, (\d+) characters in the bitmap file, \1 in the font")

            browser = Browser()
            browser.call("Page.enable")
            browser.call("Page.navigate", url=url)

            # The editor's window as the browser shows it: the matrix with its grid.
            seen = {}

            def matrix_shown():
                try:
                    seen["image"] = browser.screenshot()
                except AssertionError:  # the page is still being committed
                    return None
                return find_matrix(seen["image"])
            try:
                matrix = wait_until(matrix_shown, 120, "the matrix in the browser")
            except AssertionError:
                # What the browser showed instead, for whoever looks into the failure.
                if "image" in seen:
                    seen["image"].save(os.path.join(ROOT, "build", "demo-browser.png"))
                raise AssertionError("no matrix in the browser; its last picture is build/demo-browser.png")
            shot = browser.screenshot()
            mid_x, mid_y = matrix
            for k in (-31, -1, 1, 31):  # ordinary grid lines either side of the middle ones
                self.assertTrue(grey(shot.getpixel((mid_x + k * PITCH, mid_y + 3))), f"vertical grid line {k}")
                self.assertTrue(grey(shot.getpixel((mid_x + 3, mid_y + k * PITCH))), f"horizontal grid line {k}")
            canvas = browser.evaluate("JSON.stringify(document.querySelector('canvas').getBoundingClientRect())")
            self.assertIsNotNone(canvas, "noVNC shows no canvas")
            rect = json.loads(canvas)
            self.assertTrue(rect["left"] <= mid_x < rect["right"] and rect["top"] <= mid_y < rect["bottom"])

            # A click on a white dot draws it with the pen (the start-up tool), as one history step.
            ours = lambda: history_folders() - earlier
            states = wait_until(lambda: history_states(ours()), 30, "the loaded character's history state")
            with open(states[-1], "rb") as f:
                before = f.read()
            self.assertEqual(len(before), GLYPH * GLYPH // 8)
            dot = next((x, y) for y in range(20, 44) for x in range(20, 44) if not is_black(before, x, y))
            browser.click(mid_x + (dot[0] - 32) * PITCH + PITCH // 2 + 1, mid_y + (dot[1] - 32) * PITCH + PITCH // 2 + 1)

            def drawn():
                newest = history_states(ours())
                if len(newest) <= len(states):
                    return None
                with open(newest[-1], "rb") as f:
                    return f.read()
            after = wait_until(drawn, 30, "a history state after the click")
            self.assertTrue(is_black(after, *dot), f"dot {dot} is not black after the click")
            changed = [(x, y) for y in range(GLYPH) for x in range(GLYPH)
                       if is_black(after, x, y) != is_black(before, x, y)]
            self.assertEqual(changed, [dot])
        finally:
            if browser:
                browser.close()
            # Ctrl+C, as a terminal sends it to the whole foreground group.
            try:
                os.killpg(demo.pid, signal.SIGINT)
            except ProcessLookupError:
                pass
            try:
                demo.wait(90)
            except subprocess.TimeoutExpired:
                os.killpg(demo.pid, signal.SIGKILL)
                demo.wait()
                self.fail("scripts/run did not end on Ctrl+C:\n" + "".join(output))
        # The X server's watchdog and Wine's own server take a moment to follow.
        wait_until(lambda: not session_processes(demo.pid), 60, "the demo's processes to end")


if __name__ == "__main__":
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors)
    print(f"demo: {result.testsRun - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
