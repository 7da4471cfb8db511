"""End-to-end harness: drives RavikN.exe under Wine as a user would, and looks at it from
outside with rn_probe.exe (a second Windows program in the same prefix) and X11 tools.

Adding a journey
----------------
1. Write tests/e2e/test_<name>.py:

       import harness

       class Tray(harness.E2ETestCase):
           def test_menu_exits(self):
               gadget = self.start_gadget()
               win = gadget.wait_window()                  # first visible top-level window
               harness.click(*win.rect.center, button=3)
               menu = harness.wait_until(self.probe.menu, 10, "context menu")
               ...
               self.assertEqual(gadget.wait_exit(10), 0)

       if __name__ == "__main__":
           harness.main()

2. Add <name> to RN_E2E_JOURNEYS in tests/e2e/CMakeLists.txt.
3. Run it: `ctest --preset win64 -L e2e -R <name> --output-on-failure`, or directly
   `python3 tests/e2e/test_<name>.py --gadget build/win64/RavikN.exe
    --probe build/win64/tests/e2e/rn_probe.exe --scripts scripts`.
   Inside scripts/test it joins the running Wine session; alone it starts one and stops it.

Rules of thumb: wait on conditions (wait_until, gadget.wait_window, probe.wait) and never on
fixed sleeps; each gadget runs from its own temporary copy, so RN.ini starts absent and
tests cannot see each other's settings; every test leaves a screenshot of its end state in
build/win64/e2e-artifacts/test_<name>.<Class>.<test>-end.png; a gadget's stdout and stderr
go to <folder>/gadget.log, printed when a test fails or the gadget had to be killed.
The README's pictures come from keep_picture(): `RN_E2E_DOCS=$PWD/docs ctest ...` refreshes
them (cropped copies always land in e2e-artifacts/docs/).

Command line, as CTest passes it: test_<name>.py [--gadget EXE] --probe EXE --scripts DIR
[--artifacts DIR] [unittest arguments]. Only the standard library is used.
"""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, NamedTuple, TypeVar

T = TypeVar("T")

# Filled by main() from the command line.
GADGET: Path | None = None
PROBE: Path | None = None
SCRIPTS: Path | None = None
ARTIFACTS: Path | None = None


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
    parent: int
    id: int
    cls: str
    text: str
    rect: Rect
    visible: bool
    enabled: bool


# Window message numbers for post/send when a name is not in the probe's table.
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_APP = 0x8000


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

    def region(self, hwnd: int) -> tuple[str, list[Rect]]:
        """The window region as (type, rectangles relative to the window's top left);
        type is none (no region set), null, simple or complex."""
        d = self._one("region", hwnd)
        if d is None:
            raise ProbeError(f"no window {hwnd}")
        return d["type"], [Rect(*r) for r in d["rects"]]

    def children(self, hwnd: int) -> list[Child]:
        rc, out = self.run("children", hwnd)
        if rc != 0:
            raise ProbeError(f"probe children {hwnd} failed with exit code {rc}")
        return [Child(d["hwnd"], d["parent"], d["id"], d["class"], d["text"], Rect(*d["rect"]),
                      d["visible"], d["enabled"]) for d in out]

    def menu(self) -> dict | None:
        """The visible popup menu: {"hwnd", "rect": Rect, "items"}. Wine does not let one
        process read another's menu, so "items" is -1 there; pick items with menu_pick()."""
        d = self._one("menu")
        if d:
            d["rect"] = Rect(*d["rect"])
        return d

    def post(self, hwnd: int, msg: int | str, wparam: int = 0, lparam: int = 0) -> bool:
        rc, _ = self.run("post", hwnd, msg, wparam, lparam)
        return rc == 0

    def send(self, hwnd: int, msg: int | str, wparam: int = 0, lparam: int = 0) -> int:
        rc, out = self.run("send", hwnd, msg, wparam, lparam)
        if rc != 0:
            raise ProbeError(f"send {msg} to {hwnd} failed with exit code {rc}")
        return out[0]["result"]

    def move(self, hwnd: int, x: int, y: int, width: int | None = None,
             height: int | None = None) -> bool:
        size = [] if width is None else [width, height]
        rc, _ = self.run("move", hwnd, x, y, *size)
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


# --- the gadget -------------------------------------------------------------------------


def windows_path(path: Path) -> str:
    """How Wine names a Unix path (through the default Z: drive) in process image paths."""
    return "Z:" + str(path.resolve()).replace("/", "\\")


class Gadget:
    """A program started from a fresh temporary copy of its .exe; its RN.ini, if it writes
    one, lands beside the copy and vanishes with the folder."""

    def __init__(self, exe: Path, probe: Probe, scripts: Path, args: list[str] | None = None,
                 env: dict[str, str] | None = None, ini: str | None = None):
        self.probe = probe
        self.folder = Path(tempfile.mkdtemp(prefix="rn-e2e-"))
        self.exe = self.folder / exe.name
        shutil.copy2(exe, self.exe)
        self.ini = self.folder / "RN.ini"
        if ini is not None:
            self.ini.write_text(ini, encoding="utf-8")
        self.log = self.folder / "gadget.log"
        self._command = [str(scripts / "wine-exec"), str(self.exe), *(args or [])]
        self._env = env
        self._launch()
        self._relaunched = False
        self._image = windows_path(self.exe).lower()

    def _launch(self):
        with open(self.log, "wb") as log:
            self.proc = subprocess.Popen(self._command, cwd=self.folder, stdin=subprocess.DEVNULL,
                                         stdout=log, stderr=subprocess.STDOUT, env=self._env)

    def _failed_to_launch(self) -> bool:
        """Wine could not start the process at all (see Probe.ATTEMPTS): it ended silently
        with the code Wine gives then, before any window."""
        return self.proc.returncode in (1, 127) and not self.output().strip()

    def windows(self, visible_only: bool = True) -> list[Window]:
        """This copy's top-level windows, found by process image path, so a stray gadget
        from another test or a developer cannot be mistaken for it."""
        return [w for w in self.probe.windows()
                if w.image.lower() == self._image and (w.visible or not visible_only)
                and w.cls != "IME"]

    def wait_window(self, match: Callable[[Window], bool] = lambda w: True,
                    timeout: float = 20) -> Window:
        def ready():
            if self.proc.poll() is not None:
                if self._failed_to_launch() and not self._relaunched:
                    print(f"{self.exe.name} did not start (exit code {self.proc.returncode}, "
                          "no output): starting it again", file=sys.stderr)
                    self._relaunched = True
                    self._launch()
                    return None
                raise AssertionError(f"gadget exited with {self.proc.returncode} before "
                                     f"showing a window:\n{self.output()}")
            return next((w for w in self.windows() if match(w)), None)
        window = wait_until(ready, timeout, f"a window of {self.exe.name}")
        self.probe.tray()  # parks Wine's tray if it is up, so it covers none of the gadget
        return window

    def wait_exit(self, timeout: float = 15) -> int:
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{self.exe.name} still running after {timeout:g} s") from None

    def output(self) -> str:
        return self.log.read_text(encoding="utf-8", errors="replace")

    def close(self, timeout: float = 10) -> int | None:
        """Asks each visible window to close, as the user's close box would; if the
        program is still running after `timeout`, terminates it. Returns its exit code,
        or None when it had to be killed."""
        if self.proc.poll() is None:
            for w in self.windows():
                self.probe.post(w.hwnd, "WM_CLOSE")
            try:
                return self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                for pid in {w.pid for w in self.windows(visible_only=False)}:
                    self.probe.kill(pid)
                try:
                    self.proc.wait(10)
                except subprocess.TimeoutExpired:
                    self.proc.kill()
                    self.proc.wait()
                return None
        return self.proc.returncode

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


# --- X11 input (xdotool) ------------------------------------------------------------------


def xdotool(*args: object):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


def move(x: int, y: int):
    xdotool("mousemove", x, y)


def click(x: int, y: int, button: int = 1):
    xdotool("mousemove", x, y, "click", button)


def double_click(x: int, y: int, button: int = 1):
    xdotool("mousemove", x, y, "click", "--repeat", 2, "--delay", 80, button)


def drag(x0: int, y0: int, x1: int, y1: int, steps: int = 8, button: int = 1):
    """Press, move in `steps` straight-line steps, release: Wine sees a real drag, not a jump."""
    xdotool("mousemove", x0, y0, "mousedown", button)
    try:
        for i in range(1, steps + 1):
            xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
    finally:
        xdotool("mouseup", button)


def key(*keys: str):
    """X keysym names: "Return", "Escape", "Down", "ctrl+c"."""
    xdotool("key", "--delay", 30, *keys)


def type_text(text: str):
    xdotool("type", "--delay", 30, text)


def tray_click(probe: Probe, icon: Child, button: int = 3, press_only: bool = False):
    """Clicks a tray icon so that the owner's menu stays open. The click that activates
    Wine's tray window also takes the foreground back from a menu the owner opens in
    answer to it, which closes that menu at once (some of the time); so the tray is
    activated first, through its caption, and the icon clicked once it is foreground.
    With `press_only` the button is pressed and left down, for owners that answer the
    press rather than the release; the caller releases it (xdotool("mouseup", button))."""
    tray = probe.tray()
    if tray is None:
        raise AssertionError("no tray window")

    def tray_is_foreground() -> bool:
        fg = probe.foreground()
        return fg is not None and fg.hwnd == tray.hwnd

    if not tray_is_foreground():
        click(tray.rect.left + tray.rect.width // 2, (tray.rect.top + tray.client.top) // 2)
        wait_until(tray_is_foreground, 10, "the tray window to become the foreground window")
    if press_only:
        xdotool("mousemove", *icon.rect.center, "mousedown", button)
    else:
        click(*icon.rect.center, button=button)


def menu_items(menu_rect: Rect, name: str = "menu") -> list[Rect]:
    """The selectable items of the open popup menu, top to bottom, read off a screenshot
    (Wine does not tell another process a menu's items): rows holding text, with
    separators (thin lines across the menu) left out."""
    shot = screenshot(name)
    inner = Rect(menu_rect.left + 3, menu_rect.top + 3, menu_rect.right - 3, menu_rect.bottom - 3)
    px = pixels(shot, inner)
    background = max(set(px.values()), key=list(px.values()).count)

    def inked(y: int) -> int:
        return sum(1 for x in range(inner.left, inner.right) if px[(x, y)] != background)

    bands, start = [], None
    for y in range(inner.top, inner.bottom + 1):
        if y < inner.bottom and inked(y):
            start = y if start is None else start
        elif start is not None:
            bands.append((start, y))
            start = None
    items = []
    for top, bottom in bands:
        solid = bottom - top <= 2 and inked(top) > inner.width * 0.6
        if not solid:
            items.append(Rect(inner.left, top, inner.right, bottom))
    return items


def menu_click(menu_rect: Rect, index: int, name: str = "menu"):
    """Clicks the index-th selectable item of the open popup menu with the mouse."""
    items = menu_items(menu_rect, name)
    if index >= len(items):
        raise AssertionError(f"menu has {len(items)} items, wanted number {index}")
    click(*items[index].center)


def menu_rows(menu_rect: Rect, count: int, name: str = "menu", timeout: float = 10) -> list[Rect]:
    """menu_items() once `count` of them show: a menu is painted a moment after it opens, and
    a screenshot taken before that finds fewer rows."""
    def painted():
        items = menu_items(menu_rect, name)
        return items if len(items) == count else None
    return wait_until(painted, timeout, f"{count} items painted in the menu at {menu_rect}")


def menu_pick(index: int):
    """Chooses the index-th selectable item (separators don't count) of the open popup menu
    with the keyboard. Needs the menu's owner to have the keyboard focus, which a menu
    opened from Wine's tray does not reliably get: use menu_click there."""
    key(*(["Down"] * (index + 1)), "Return")


# --- the gadget's menu ---------------------------------------------------------------------

# Rows of the gadget's popup menu, top to bottom, as menu_rows() counts them (the separator
# between "設定" and "終了" is not a row).
MENU_OPEN_PANEL, MENU_SETTINGS, MENU_EXIT = 0, 1, 2
MENU_ROWS = 3


def badge_menu(probe: Probe, badge: Window) -> dict:
    """Right-clicks the middle of the badge (its disc) and returns the menu that opens."""
    click(*badge.rect.center, button=3)
    return wait_until(probe.menu, 10, "the badge's menu")


def choose(menu: dict, row: int, name: str = "menu"):
    """Clicks a row of the gadget's open menu with the mouse, once the menu is painted."""
    click(*menu_rows(menu["rect"], MENU_ROWS, name)[row].center)


# --- screen -------------------------------------------------------------------------------


def set_root_colour(colour: str):
    """Paints the bare X root so that uncovered pixels have a known colour ("#00ff00")."""
    subprocess.run(["xsetroot", "-solid", colour], check=True, timeout=30)


def screenshot(name: str) -> Path:
    """The whole screen as <artefacts>/<name>.png."""
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    path = ARTIFACTS / f"{re.sub(r'[^A-Za-z0-9_.-]+', '_', name)}.png"
    subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def screenshot_when(name: str, check: Callable[[Path], bool], timeout: float, what: str) -> Path:
    """Takes screenshots until `check` accepts one, and returns it: windows paint after they
    are shown, so a single shot right after a window appears can catch it blank."""
    def attempt():
        shot = screenshot(name)
        return shot if check(shot) else None
    return wait_until(attempt, timeout, what, interval=0.1)


_PIXEL = re.compile(r"^(\d+),(\d+):.*#([0-9A-Fa-f]{6})")


def pixels(image: Path, rect: Rect) -> dict[tuple[int, int], tuple[int, int, int]]:
    """RGB of every pixel of `rect` in a screenshot, keyed by screen (x, y)."""
    out = subprocess.run(["convert", str(image), "-crop",
                          f"{rect.width}x{rect.height}+{rect.left}+{rect.top}", "+repage",
                          "txt:-"], check=True, capture_output=True, text=True, timeout=60).stdout
    result = {}
    for line in out.splitlines():
        m = _PIXEL.match(line)
        if m:
            v = int(m.group(3), 16)
            result[(rect.left + int(m.group(1)), rect.top + int(m.group(2)))] = (
                v >> 16, (v >> 8) & 0xFF, v & 0xFF)
    return result


def pixel(image: Path, x: int, y: int) -> tuple[int, int, int]:
    return pixels(image, Rect(x, y, x + 1, y + 1))[(x, y)]


def colour(hex_rgb: str) -> tuple[int, int, int]:
    v = int(hex_rgb.lstrip("#"), 16)
    return (v >> 16, (v >> 8) & 0xFF, v & 0xFF)


def keep_picture(shot: Path, rect: Rect, name: str) -> Path:
    """Crops `rect` out of a screenshot into <artefacts>/docs/<name>.png, without the time
    stamps ImageMagick would write, so an unchanged picture keeps its bytes. With RN_E2E_DOCS
    naming a folder (the repository's docs/) the picture is copied there too: that is how the
    README's pictures are refreshed."""
    folder = ARTIFACTS / "docs"
    folder.mkdir(parents=True, exist_ok=True)
    path = folder / f"{name}.png"
    subprocess.run(["convert", str(shot), "-crop",
                    f"{rect.width}x{rect.height}+{rect.left}+{rect.top}", "+repage", "-strip",
                    str(path)], check=True, timeout=60)
    docs = os.environ.get("RN_E2E_DOCS")
    if docs:
        shutil.copyfile(path, Path(docs) / path.name)
    return path


# --- URLs the gadget opens ----------------------------------------------------------------


class UrlRecorder:
    """A stand-in xdg-open first on PATH: Wine's browser launcher calls it for http URLs,
    and it appends each URL to a file instead of opening a browser."""

    def __init__(self):
        self.folder = Path(tempfile.mkdtemp(prefix="rn-urls-"))
        self.file = self.folder / "urls.txt"
        script = self.folder / "xdg-open"
        script.write_text(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{self.file}"\n')
        script.chmod(0o755)

    def env(self) -> dict[str, str]:
        env = dict(os.environ)
        env["PATH"] = f"{self.folder}:{env.get('PATH', '')}"
        return env

    def urls(self) -> list[str]:
        return self.file.read_text().splitlines() if self.file.exists() else []

    def wait_url(self, timeout: float = 10) -> str:
        return wait_until(lambda: (self.urls() or [None])[-1], timeout, "a URL to be opened")

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


# --- the Wine session -------------------------------------------------------------------


class Session:
    """Joins the running Wine session (scripts/test starts one) or starts one for this
    process, through `wine-exec --hold`; sets DISPLAY (for the X tools) and WINEPREFIX."""

    def __init__(self, scripts: Path):
        self.proc = subprocess.Popen([str(scripts / "wine-exec"), "--hold"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        for line in self.proc.stdout:
            name, _, value = line.strip().partition("=")
            if name in ("DISPLAY", "WINEPREFIX"):
                os.environ[name] = value
            if line.strip() == "READY":
                break
        else:
            raise RuntimeError(f"wine-exec --hold exited with {self.proc.wait()}")

    def stop(self):
        self.proc.stdin.close()
        self.proc.wait(60)
        self.proc.stdout.close()


_session: Session | None = None


class E2ETestCase(unittest.TestCase):
    """Base class of the journeys: self.probe, self.start_gadget(), a screenshot of every
    test's end state, and clean shutdown of whatever the test started."""

    probe: Probe

    @classmethod
    def setUpClass(cls):
        global _session
        if _session is None:
            _session = Session(SCRIPTS)
        cls.probe = Probe(PROBE, SCRIPTS)

    def start_gadget(self, exe: Path | None = None, args: list[str] | None = None,
                     env: dict[str, str] | None = None, ini: str | None = None) -> Gadget:
        exe = exe or GADGET
        if exe is None:
            self.skipTest("no --gadget given")
        gadget = Gadget(exe, self.probe, SCRIPTS, args=args, env=env, ini=ini)
        self.addCleanup(self._finish_gadget, gadget)
        return gadget

    def start_badge(self, ini: str | None = None,
                    env: dict[str, str] | None = None) -> tuple[Gadget, Window, Child]:
        """Starts the gadget and returns it with its badge ("Form1") and its tray icon once
        start-up is over. The badge is shown before it is placed, sized and shaped (for a
        moment it is a 312x213 rectangle), and the icon is added last: the badge is read
        only once the icon is there."""
        before = {icon.hwnd for icon in self.probe.tray_icons()}
        gadget = self.start_gadget(ini=ini, env=env)
        gadget.wait_window(lambda w: w.title == "Form1")
        icons = wait_until(lambda: [i for i in self.probe.tray_icons() if i.hwnd not in before],
                           10, "the gadget's tray icon")
        if len(icons) != 1:
            raise AssertionError(f"one start added {len(icons)} tray icons: {icons}")
        badge = next(w for w in gadget.windows() if w.title == "Form1")
        return gadget, badge, icons[0]

    def _finish_gadget(self, gadget: Gadget):
        if gadget.close(timeout=5) is None or not self._passed():
            print(f"--- {gadget.exe.name} output ---\n{gadget.output()}", file=sys.stderr)
        gadget.remove()

    def _passed(self) -> bool:
        outcome = getattr(self, "_outcome", None)
        return outcome is None or getattr(outcome, "success", True)

    def name(self, suffix: str = "") -> str:
        """A file-name-friendly id: test_<journey>.<Class>.<test>[-suffix]."""
        test_id = self.id().replace("__main__", Path(sys.argv[0]).stem)
        return f"{test_id}-{suffix}" if suffix else test_id

    def tearDown(self):
        screenshot(self.name("end"))


def main():
    global GADGET, PROBE, SCRIPTS, ARTIFACTS
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--gadget", type=Path)
    parser.add_argument("--probe", type=Path, required=True)
    parser.add_argument("--scripts", type=Path, required=True)
    parser.add_argument("--artifacts", type=Path)
    ns, rest = parser.parse_known_args()
    GADGET = ns.gadget.resolve() if ns.gadget else None
    PROBE = ns.probe.resolve()
    SCRIPTS = ns.scripts.resolve()
    ARTIFACTS = (ns.artifacts or SCRIPTS.parent / "build" / "win64" / "e2e-artifacts").resolve()
    try:
        result = unittest.main(argv=[sys.argv[0], *rest], verbosity=2, exit=False).result
    finally:
        if _session is not None:
            _session.stop()
    # A filter that matches nothing must not pass silently.
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)
