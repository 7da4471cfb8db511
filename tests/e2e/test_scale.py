"""The gadget at 200 %, as a user of a high-resolution screen meets it: the badge twice as
large, as crisp as at 100 % and showing the desktop past its doubled disc, the tray icon's
double-click and right press through Wine's real tray, and the exit keeping the place in twips.
The outline and the panel's layout at this scale are read back in the win tier."""

import subprocess

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
DPI = 192
SIDE = 100                   # 750 twips at 200 %
DISC = Rect(10, 10, 90, 90)  # the disc's columns and rows 5 to 44 at 100 %, each doubled
TWIPS_PER_PIXEL = 7.5
PANEL = "操作パネル"


def set_dpi(dpi: int):
    """Wine takes a scale per wineserver: scripts/wine-dpi starts the session's afresh."""
    subprocess.run([str(harness.SCRIPTS / "wine-dpi"), str(dpi)], check=True, timeout=120,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


class TwoHundredPercent(harness.E2ETestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        set_dpi(DPI)
        # The journeys after this one run at 100 %, whatever happens here.
        cls.addClassCleanup(set_dpi, 96)

    def test_badge_is_twice_as_large_crisp_and_cut_to_its_disc_and_the_icon_works(self):
        self.assertEqual(self.probe.dpi()["logpixelsx"], DPI)
        harness.set_root_colour(DESKTOP)
        gadget, badge, icon = self.start_badge()
        self.assertEqual(badge.rect, Rect(0, 0, SIDE, SIDE))

        root = harness.colour(DESKTOP)
        centre = badge.rect.center
        shot = harness.screenshot_when(
            self.name("badge"), lambda s: harness.pixel(s, *centre) != root, 10,
            "the badge to be painted")
        seen = harness.pixels(shot, badge.rect)
        inset = 3
        corners = {(x, y) for x in (inset, SIDE - 1 - inset) for y in (inset, SIDE - 1 - inset)}
        self.assertEqual({xy: seen[xy] for xy in corners}, {xy: root for xy in corners},
                         f"the corners should show the desktop: {shot}")
        # Crisp: each pixel of the picture is a whole 2 x 2 block on screen, never a blend.
        blended = [(x, y) for x in range(DISC.left, DISC.right, 2)
                   for y in range(DISC.top, DISC.bottom, 2)
                   if seen[(x, y)] != root and len({seen[(x + dx, y + dy)] for dx in (0, 1)
                                                    for dy in (0, 1)}) != 1]
        self.assertEqual(blended, [], f"blended pixels in {shot}")
        harness.keep_picture(shot, badge.rect, "badge-200")

        harness.double_click(*icon.rect.center)
        panel = self.probe.wait(PANEL, "visible", 10)
        close = next(k for k in self.probe.children(panel.hwnd) if k.text == "Close")
        harness.click(*close.rect.center)
        self.probe.wait(PANEL, "hidden", 10)

        harness.drag(*centre, centre[0] + 60, centre[1] + 40)
        harness.wait_until(lambda: (self.probe.find("Form1").rect.left,
                                    self.probe.find("Form1").rect.top) == (60, 40),
                           10, "the badge at (60, 40)")
        harness.tray_click(self.probe, icon, button=3, press_only=True)
        menu = None
        try:
            menu = harness.wait_until(self.probe.menu, 10, "the menu while the button is down")
        finally:
            # Let go off the menu, so that the release chooses nothing.
            off = menu["rect"] if menu else icon.rect
            harness.xdotool("mousemove", off.left - 5, off.top + off.height // 2, "mouseup", 3)
        self.assertTrue(menu["rect"].contains(*icon.rect.center), menu)
        harness.choose(harness.wait_until(self.probe.menu, 10, "the menu after the release"),
                       harness.MENU_EXIT, self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)
        harness.wait_until(lambda: all(i.hwnd != icon.hwnd for i in self.probe.tray_icons()),
                           10, "the tray icon to go")
        self.assertEqual(gadget.ini.read_bytes().split(b"\r\n")[0],
                         f"{60 * TWIPS_PER_PIXEL:g},{40 * TWIPS_PER_PIXEL:g}".encode("ascii"))


if __name__ == "__main__":
    harness.main()
