"""Start-up as the user meets it: the first start in a bare folder, and starts from a settings
file left by an earlier run, each seen on the real screen and ended through the menu."""

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
WS_EX_TOPMOST = 0x00000008
BADGE_SIZE = 50
# Only the disc of the badge's picture is window: 40 rows, the 5 above and below cut away.
DISC_TOP, DISC_BOTTOM = 5, 45
# The example a previous run could have left: badge at 720/15 = 48, 450/15 = 30 pixels.
PREPARED = "720,450\r\n527.5,336\r\n{flag}\r\n"


class FirstStart(harness.E2ETestCase):
    def test_badge_sits_in_the_top_left_corner_in_front_with_see_through_corners(self):
        harness.set_root_colour(DESKTOP)
        gadget, badge, _ = self.start_badge()
        self.assertEqual(badge.rect, Rect(0, 0, BADGE_SIZE, BADGE_SIZE))
        self.assertEqual(badge.cls, "RavikN.Form")
        self.assertTrue(badge.exstyle & WS_EX_TOPMOST, f"exstyle {badge.exstyle:#x}")
        self.assertTrue(badge.topmost)

        kind, rects = self.probe.region(badge.hwnd)
        self.assertEqual(kind, "complex")
        self.assertEqual(min(r.top for r in rects), DISC_TOP)
        self.assertEqual(max(r.bottom for r in rects), DISC_BOTTOM)
        # One rectangle a band (the disc has no holes): their heights add up to the 40 rows.
        self.assertEqual(sum(r.height for r in rects), DISC_BOTTOM - DISC_TOP)

        # Wine's tray opens in the top-left corner, over the badge, until it is parked.
        tray = self.probe.tray()
        self.assertFalse(tray.rect.left < BADGE_SIZE and tray.rect.top < BADGE_SIZE, tray)

        root = harness.colour(DESKTOP)
        centre = badge.rect.center
        shot = harness.screenshot_when(
            self.name("badge"), lambda s: harness.pixel(s, *centre) != root, 10,
            "the badge to be painted")
        inset = 2
        corners = {(x, y) for x in (inset, BADGE_SIZE - 1 - inset)
                   for y in (inset, BADGE_SIZE - 1 - inset)}
        seen = harness.pixels(shot, badge.rect)
        self.assertEqual({xy: seen[xy] for xy in corners}, {xy: root for xy in corners},
                         f"the corners should show the desktop: {shot}")
        harness.keep_picture(shot, badge.rect, "badge")

        self.assertFalse(gadget.ini.exists(), "RN.ini written before the exit")
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)


class PreparedSettings(harness.E2ETestCase):
    def start_from(self, flag: str) -> tuple[harness.Gadget, harness.Window]:
        gadget, badge, _ = self.start_badge(ini=PREPARED.format(flag=flag))
        self.assertEqual(badge.rect, Rect(48, 30, 48 + BADGE_SIZE, 30 + BADGE_SIZE))
        return gadget, badge

    def exit(self, gadget: harness.Gadget, badge: harness.Window) -> bytes:
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)
        return gadget.ini.read_bytes()

    def test_true_keeps_the_badge_in_front_and_an_untouched_file_is_written_back_as_read(self):
        gadget, badge = self.start_from("#TRUE#")
        self.assertTrue(badge.topmost)
        self.assertTrue(badge.exstyle & WS_EX_TOPMOST)
        self.assertEqual(self.exit(gadget, badge),
                         PREPARED.format(flag="#TRUE#").encode("ascii"))

    def test_false_leaves_the_badge_among_ordinary_windows(self):
        gadget, badge = self.start_from("#FALSE#")
        self.assertFalse(badge.topmost)
        self.assertFalse(badge.exstyle & WS_EX_TOPMOST, f"exstyle {badge.exstyle:#x}")
        self.assertEqual(self.exit(gadget, badge),
                         PREPARED.format(flag="#FALSE#").encode("ascii"))


if __name__ == "__main__":
    harness.main()
