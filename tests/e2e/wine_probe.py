"""The end-to-end tests' eyes: rn_probe.exe, a second Windows program in the gadget's Wine
prefix, run through wine-exec, which reports the windows it sees as JSON lines; and waiting on
what it sees."""

from __future__ import annotations

import json
import subprocess
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, NamedTuple, TypeVar

T = TypeVar("T")

# --- waiting ----------------------------------------------------------------------------


def wait_until(fn: Callable[[], T], timeout: float, what: str, interval: float = 0.05) -> T:
    """Polls fn until it returns something truthy and returns that; fails the test after
    `timeout` seconds, naming `what` was awaited."""
    deadline = time.monotonic() + timeout
    while True:
        value = fn()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


# --- geometry and windows -----------------------------------------------------------------


class Rect(NamedTuple):
    left: int
    top: int
    right: int
    bottom: int

    @property
    def width(self) -> int:
        return self.right - self.left

    @property
    def height(self) -> int:
        return self.bottom - self.top

    @property
    def center(self) -> tuple[int, int]:
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, x: int, y: int) -> bool:
        return self.left <= x < self.right and self.top <= y < self.bottom

    def moved(self, dx: int, dy: int) -> "Rect":
        return Rect(self.left + dx, self.top + dy, self.right + dx, self.bottom + dy)


@dataclass(frozen=True)
class Window:
    """A top-level window as the probe saw it; rect and client are in screen pixels."""

    hwnd: int
    pid: int
    visible: bool
    rect: Rect
    client: Rect
    style: int
    exstyle: int
    topmost: bool
    cls: str
    title: str
    image: str

    @classmethod
    def from_json(cls, d: dict) -> "Window":
        return cls(d["hwnd"], d["pid"], d["visible"], Rect(*d["rect"]), Rect(*d["client"]),
                   d["style"], d["exstyle"], d["topmost"], d["class"], d["title"], d["image"])


@dataclass(frozen=True)
class Child:
    hwnd: int
    cls: str
    text: str
    rect: Rect
    visible: bool


WM_CLOSE = 0x0010


class ProbeError(AssertionError):
    pass


class Probe:
    """rn_probe.exe, run through wine-exec so it shares the gadget's prefix and display."""

    def __init__(self, exe: Path, scripts: Path):
        self.exe = exe
        self.scripts = scripts

    # Now and then (about one start in a thousand, more under load) Wine fails to start a
    # process at all: "failed to map the shared user data", hidden by WINEDEBUG=-all. The
    # probe then exits with 1 and prints nothing, which reads as "nothing matched", or with
    # some other code. So a silent 1 is believed only when a second run says it too, and
    # an exit code the probe never gives, or output it never prints, is asked again.
    ATTEMPTS = 3

    def run(self, *args: object, timeout: float = 60) -> tuple[int, list[dict]]:
        """Returns (exit code, one dict per printed line). Exit codes: 0 done, 1 nothing
        matched, 2 timed out, 3 bad arguments."""
        silent_ones = 0
        for attempt in range(1, self.ATTEMPTS + 1):
            rc, raw = self._run_once(args, timeout)
            lines = raw.decode("utf-8", errors="replace").replace("\r", "").splitlines()
            try:
                out = [json.loads(line) for line in lines if line.strip()]
            except json.JSONDecodeError as e:
                if attempt < self.ATTEMPTS:
                    continue
                raise ProbeError(f"probe {args}: unparsable output {raw!r}: {e}") from e
            if rc == 1 and not out:
                silent_ones += 1
                if silent_ones < 2 and attempt < self.ATTEMPTS:
                    continue
            elif rc not in (0, 1, 2, 3) and attempt < self.ATTEMPTS:
                continue
            return rc, out
        raise AssertionError("unreachable")

    def _run_once(self, args: tuple, timeout: float) -> tuple[int, bytes]:
        # Output through a file, not a pipe: a Wine program may hand its stdout to a helper
        # it starts (explorer, when the desktop had closed) that outlives it by far.
        with tempfile.TemporaryFile() as out:
            try:
                proc = subprocess.run([str(self.scripts / "wine-exec"), str(self.exe),
                                       *map(str, args)], stdin=subprocess.DEVNULL, stdout=out,
                                      stderr=subprocess.DEVNULL, timeout=timeout)
            except subprocess.TimeoutExpired:
                raise ProbeError(f"probe {args} still running after {timeout:g} s") from None
            out.seek(0)
            return proc.returncode, out.read()

    def _one(self, *args: object) -> dict | None:
        rc, out = self.run(*args)
        if rc == 1:
            return None
        if rc != 0 or not out:
            raise ProbeError(f"probe {args} failed with exit code {rc}")
        return out[0]

    def find(self, title: str) -> Window | None:
        d = self._one("find", title)
        return Window.from_json(d) if d else None

    def windows(self) -> list[Window]:
        rc, out = self.run("list")
        if rc != 0:
            raise ProbeError(f"probe list failed with exit code {rc}")
        return [Window.from_json(d) for d in out]

    def wait(self, title: str, state: str, timeout: float = 10) -> Window | None:
        """Waits inside the probe for a window titled `title` to be visible, hidden or gone.
        Returns the window (None for gone); fails the test on timeout."""
        rc, out = self.run("wait", title, state, int(timeout * 1000), timeout=timeout + 60)
        if rc == 2:
            raise AssertionError(f"window {title!r} not {state} within {timeout:g} s")
        if rc != 0:
            raise ProbeError(f"probe wait failed with exit code {rc}")
        return None if state == "gone" else Window.from_json(out[0])

    def foreground(self) -> Window | None:
        d = self._one("foreground")
        return Window.from_json(d) if d else None

    def children(self, hwnd: int) -> list[Child]:
        rc, out = self.run("children", hwnd)
        if rc != 0:
            raise ProbeError(f"probe children {hwnd} failed with exit code {rc}")
        return [Child(d["hwnd"], d["class"], d["text"], Rect(*d["rect"]), d["visible"])
                for d in out]

    def menu(self) -> dict | None:
        """The visible popup menu: {"hwnd", "rect": Rect}. Wine does not let one process
        read another's menu: screen.menu_rows() reads its rows off a screenshot."""
        d = self._one("menu")
        if d:
            d["rect"] = Rect(*d["rect"])
        return d

    def post(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> bool:
        rc, _ = self.run("post", hwnd, msg, wparam, lparam)
        return rc == 0

    def send(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> int:
        rc, out = self.run("send", hwnd, msg, wparam, lparam)
        if rc != 0:
            raise ProbeError(f"send {msg} to {hwnd} failed with exit code {rc}")
        return out[0]["result"]

    def move(self, hwnd: int, x: int, y: int) -> bool:
        rc, _ = self.run("move", hwnd, x, y)
        return rc == 0

    def tray(self, park: bool = True) -> Window | None:
        """Wine's stand-in notification area, which holds the tray icons when no desktop
        tray runs; None before the first icon. Wine opens it at the top left, where X keeps
        it above windows even when they are topmost, so unless `park` is false it is first
        moved to the bottom-right corner, where Windows keeps its notification area."""
        tray = next((w for w in self.windows() if w.cls == "__winex11_standalone_tray"), None)
        if tray is None or not park:
            return tray
        screen = self.dpi()
        x, y = screen["width"] - tray.rect.width, screen["height"] - tray.rect.height
        if (tray.rect.left, tray.rect.top) == (x, y):
            return tray
        self.move(tray.hwnd, x, y)
        return wait_until(lambda: next((w for w in self.windows() if w.hwnd == tray.hwnd
                                        and (w.rect.left, w.rect.top) == (x, y)), None),
                          10, "Wine's tray to move to the bottom right")

    def tray_icons(self) -> list[Child]:
        """The icons in Wine's tray, left to right, each a small child window; right-click
        the centre of one to reach its owner's menu. Which program owns an icon is not
        visible from outside."""
        tray = self.tray()
        if tray is None:
            return []
        icons = [c for c in self.children(tray.hwnd) if c.cls == "__winex11_tray_icon"]
        return sorted(icons, key=lambda c: (c.rect.top, c.rect.left))

    def dpi(self) -> dict:
        return self._one("dpi")

    def font(self, face: str, text: str) -> dict:
        """{"face": realised face, "chars", "missing": characters without a glyph}."""
        return self._one("font", face, text)

    def kill(self, pid: int) -> bool:
        rc, _ = self.run("kill", pid)
        return rc == 0
