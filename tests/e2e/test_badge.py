"""The panel under the pointer: a double-click on the badge opens it where the settings file
left it, it takes typing in its own glyphs, Close hides it, and what was typed is scratch.
The badge's drag is the menu journey's (test_menu_and_exit)."""

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
PANEL = "操作パネル"
WM_GETTEXTLENGTH = 0x000E


class Panel(harness.E2ETestCase):
    def open_panel(self, badge: harness.Window) -> harness.Window:
        harness.double_click(*badge.rect.center)
        return self.probe.wait(PANEL, "visible", 10)

    def controls(self, panel: harness.Window) -> dict[str, harness.Child]:
        kids = self.probe.children(panel.hwnd)
        named = {k.text: k for k in kids if k.cls == "Button"}
        named["text"] = next(k for k in kids if k.cls == "Edit")
        return named

    def inked(self, shot, area: Rect) -> int:
        """Dark pixels: the Mincho glyphs are black on the box's white."""
        return sum(1 for rgb in harness.pixels(shot, area).values() if max(rgb) < 96)

    def close_panel(self, panel: harness.Window):
        harness.click(*self.controls(panel)["Close"].rect.center)
        self.probe.wait(PANEL, "hidden", 10)

    def test_double_click_opens_the_panel_where_the_file_says_and_close_hides_it(self):
        harness.set_root_colour(DESKTOP)
        # Badge at 225/15 = 15, panel at 1650/15 = 110, 825/15 = 55 pixels: side by side.
        gadget, badge, _ = self.start_badge(ini="225,225\r\n1650,825\r\n#TRUE#\r\n")
        self.assertEqual((badge.rect.left, badge.rect.top), (15, 15))
        panel = self.open_panel(badge)
        self.assertEqual((panel.rect.left, panel.rect.top), (110, 55))
        caption = Rect(panel.rect.left + 3, panel.rect.top + 3, panel.rect.left + 80,
                       panel.client.top - 1)

        box = self.controls(panel)["text"]
        harness.type_text("Ravik N")
        harness.wait_until(lambda: self.probe.send(box.hwnd, WM_GETTEXTLENGTH) == 7, 10,
                           "7 characters in the panel's text box")

        def drawn(shot):
            # Text in the box, and the caption's own glyphs on the title bar.
            return self.inked(shot, box.rect) > 100 and self.inked(shot, caption) > 20
        shot = harness.screenshot_when(self.name("panel"), drawn, 10, "the panel with its text")
        margin = 15
        harness.keep_picture(shot, Rect(0, 0, panel.rect.right + margin,
                                        panel.rect.bottom + margin), "panel")
        self.close_panel(panel)
        self.assertEqual(self.probe.send(box.hwnd, WM_GETTEXTLENGTH), 0,
                         "typed text is scratch: gone once the box has had the focus again")

        again = self.open_panel(badge)
        self.assertEqual(again.rect, panel.rect)
        self.close_panel(again)
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)


if __name__ == "__main__":
    harness.main()
