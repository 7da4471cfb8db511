"""The gadget at 200 %, as a user of a high-resolution screen meets it: the badge twice as
large, as crisp as at 100 % and cut to its doubled disc, the tray icon's double-click and right
press, the panel laid out at the same scale, and the exit keeping the place in twips."""

import subprocess

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
DPI = 192
SIDE = 100                   # 750 twips at 200 %
DISC = Rect(10, 10, 90, 90)  # the disc's columns and rows 5 to 44 at 100 %, each doubled
DISC_PIXELS = 4 * 1248
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

        kind, rects = self.probe.region(badge.hwnd)
        self.assertEqual(kind, "complex")
        self.assertEqual(sum(r.width * r.height for r in rects), DISC_PIXELS)
        self.assertEqual(Rect(min(r.left for r in rects), min(r.top for r in rects),
                              max(r.right for r in rects), max(r.bottom for r in rects)), DISC)

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
        self.assertEqual((panel.client.width, panel.client.height), (700, 112))
        close = next(k for k in self.probe.children(panel.hwnd) if k.text == "Close")
        harness.click(*close.rect.center)
        self.probe.wait(PANEL, "hidden", 10)

        harness.drag(*centre, centre[0] + 60, centre[1] + 40)
        harness.wait_until(lambda: (self.probe.find("Form1").rect.left,
                                    self.probe.find("Form1").rect.top) == (60, 40),
                           10, "the badge at (60, 40)")
        harness.tray_click(self.probe, icon, button=3, press_only=True)
        try:
            menu = harness.wait_until(self.probe.menu, 10, "the menu while the button is down")
        finally:
            harness.xdotool("mouseup", 3)
        harness.choose(harness.wait_until(self.probe.menu, 10, "the menu after the release"),
                       harness.MENU_EXIT, self.name("menu"))
        self.assertTrue(menu)
        self.assertEqual(gadget.wait_exit(), 0)
        self.assertEqual(gadget.ini.read_bytes().split(b"\r\n")[0],
                         f"{60 * TWIPS_PER_PIXEL:g},{40 * TWIPS_PER_PIXEL:g}".encode("ascii"))


if __name__ == "__main__":
    harness.main()
