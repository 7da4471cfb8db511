"""End-to-end harness: drives RavikN.exe under Wine as a user would, and looks at it from
outside with rn_probe.exe (a second Windows program in the same prefix, wine_probe.py) and
X11 tools (screen.py); the journeys reach all of it as harness.<name>.

Adding a journey
----------------
1. Write tests/e2e/test_<name>.py as test_startup.py is written: a harness.E2ETestCase whose
   tests start the gadget (self.start_badge()), act on the screen (harness.click, ...), look
   with self.probe, and end it through its menu; harness.main() runs it.
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
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path
from typing import Callable

import screen
from screen import *  # noqa: F401,F403 - the journeys reach every helper as harness.<name>
from wine_probe import *  # noqa: F401,F403

# Filled by main() from the command line.
GADGET: Path | None = None
PROBE: Path | None = None
SCRIPTS: Path | None = None


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
                self.probe.post(w.hwnd, WM_CLOSE)
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
    global GADGET, PROBE, SCRIPTS
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--gadget", type=Path)
    parser.add_argument("--probe", type=Path, required=True)
    parser.add_argument("--scripts", type=Path, required=True)
    parser.add_argument("--artifacts", type=Path)
    ns, rest = parser.parse_known_args()
    GADGET = ns.gadget.resolve() if ns.gadget else None
    PROBE = ns.probe.resolve()
    SCRIPTS = ns.scripts.resolve()
    screen.ARTIFACTS = (ns.artifacts or SCRIPTS.parent / "build" / "win64" / "e2e-artifacts").resolve()
    try:
        result = unittest.main(argv=[sys.argv[0], *rest], verbosity=2, exit=False).result
    finally:
        if _session is not None:
            _session.stop()
    # A filter that matches nothing must not pass silently.
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)

