"""The first start as the user meets it, in a bare folder: the badge painted in the top-left
corner of the real screen, in front, with corners that show the desktop, ended through the
menu. Starts from a settings file are the restart journeys' (test_menu_and_exit, test_settings)."""

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
WS_EX_TOPMOST = 0x00000008
BADGE_SIZE = 50


class FirstStart(harness.E2ETestCase):
    def test_badge_sits_in_the_top_left_corner_in_front_with_see_through_corners(self):
        harness.set_root_colour(DESKTOP)
        gadget, badge, _ = self.start_badge()
        self.assertEqual(badge.rect, Rect(0, 0, BADGE_SIZE, BADGE_SIZE))
        self.assertEqual(badge.cls, "RavikN.Form")
        self.assertTrue(badge.exstyle & WS_EX_TOPMOST, f"exstyle {badge.exstyle:#x}")

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


if __name__ == "__main__":
    harness.main()
