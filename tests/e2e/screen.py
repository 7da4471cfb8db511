"""The end-to-end tests' hands and screen: X11 input through xdotool, Wine's tray and popup
menus as the pointer reaches them, and screenshots read pixel by pixel."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
from pathlib import Path
from typing import Callable

from wine_probe import Child, Probe, Rect, wait_until

# Where screenshots go; set by harness.main() from the command line.
ARTIFACTS: Path | None = None


# --- X11 input (xdotool) ------------------------------------------------------------------


def xdotool(*args: object):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


def click(x: int, y: int, button: int = 1):
    xdotool("mousemove", x, y, "click", button)


def double_click(x: int, y: int, button: int = 1):
    xdotool("mousemove", x, y, "click", "--repeat", 2, "--delay", 80, button)


def drag(x0: int, y0: int, x1: int, y1: int, steps: int = 8, button: int = 1,
         halfway: Callable[[], object] | None = None):
    """Press, move in `steps` straight-line steps, release: Wine sees a real drag, not a jump.
    `halfway` runs after half the steps, with the button still down."""
    xdotool("mousemove", x0, y0, "mousedown", button)
    try:
        for i in range(1, steps + 1):
            xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            if halfway and i == steps // 2:
                halfway()
    finally:
        xdotool("mouseup", button)


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


def menu_rows(menu_rect: Rect, count: int, name: str = "menu", timeout: float = 10) -> list[Rect]:
    """menu_items() once `count` of them show: a menu is painted a moment after it opens, and
    a screenshot taken before that finds fewer rows."""
    def painted():
        items = menu_items(menu_rect, name)
        return items if len(items) == count else None
    return wait_until(painted, timeout, f"{count} items painted in the menu at {menu_rect}")


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
