"""The badge under the pointer: dragged with the left button it follows the pointer and the
exit remembers where it was left; a double-click opens the panel, which takes typing."""

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
TWIPS = 15
PANEL = "操作パネル"
WM_GETTEXTLENGTH = 0x000E


class Drag(harness.E2ETestCase):
    def test_badge_follows_the_pointer_and_the_exit_saves_where_it_was_left(self):
        gadget, badge, _ = self.start_badge()
        self.assertEqual((badge.rect.left, badge.rect.top), (0, 0))

        def badge_at(left: int, top: int):
            def placed():
                now = self.probe.find("Form1")
                return now if (now.rect.left, now.rect.top) == (left, top) else None
            return harness.wait_until(placed, 10, f"the badge at ({left}, {top})")

        # Grabbed off centre: the badge keeps the pointer where it took hold of it.
        x0, y0 = badge.rect.left + 20, badge.rect.top + 30
        dx, dy = 260, 170
        steps = 10
        harness.xdotool("mousemove", x0, y0, "mousedown", 1)
        try:
            for i in range(1, steps + 1):
                harness.move(x0 + dx * i // steps, y0 + dy * i // steps)
                if i == steps // 2:
                    # Already under the pointer half-way, not only once the button is up.
                    badge_at(dx // 2, dy // 2)
        finally:
            harness.xdotool("mouseup", 1)
        moved = badge_at(dx, dy)
        self.assertEqual(moved.rect, badge.rect.moved(dx, dy))
        self.assertTrue(moved.topmost, "a drag keeps the badge in front")
        self.assertFalse(gadget.ini.exists(), "RN.ini written before the exit")

        harness.choose(harness.badge_menu(self.probe, moved), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)
        lines = gadget.ini.read_bytes().decode("ascii").split("\r\n")
        self.assertEqual(lines[0], f"{dx * TWIPS},{dy * TWIPS}")


class Panel(harness.E2ETestCase):
    def open_panel(self, badge: harness.Window) -> harness.Window:
        harness.double_click(*badge.rect.center)
        return self.probe.wait(PANEL, "visible", 10)

    def controls(self, panel: harness.Window) -> dict[str, harness.Child]:
        kids = self.probe.children(panel.hwnd)
        named = {k.text: k for k in kids if k.cls == "Button"}
        named["text"] = next(k for k in kids if k.cls == "Edit")
        return named

    def type_into(self, panel: harness.Window, text: str) -> harness.Child:
        box = self.controls(panel)["text"]
        harness.type_text(text)
        harness.wait_until(lambda: self.probe.send(box.hwnd, WM_GETTEXTLENGTH) == len(text), 10,
                           f"{len(text)} characters in the panel's text box")
        return box

    def inked(self, shot, area: Rect) -> int:
        """Dark pixels: the Mincho glyphs are black on the box's white."""
        return sum(1 for rgb in harness.pixels(shot, area).values() if max(rgb) < 96)

    def close_panel(self, panel: harness.Window):
        harness.click(*self.controls(panel)["Close"].rect.center)
        self.probe.wait(PANEL, "hidden", 10)

    def exit(self, gadget: harness.Gadget, badge: harness.Window):
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)

    def test_double_click_opens_the_panel_centred_and_close_hides_it(self):
        gadget, badge, _ = self.start_badge()
        screen = self.probe.dpi()
        panel = self.open_panel(badge)
        cx, cy = panel.rect.center
        # Centred in twips, which may round either way by a pixel.
        self.assertLessEqual(abs(cx - screen["width"] // 2), 1, panel.rect)
        self.assertLessEqual(abs(cy - screen["height"] // 2), 1, panel.rect)
        self.assertEqual(panel.client.width, 5250 // TWIPS)
        self.assertEqual(panel.client.height, 840 // TWIPS)

        box = self.type_into(panel, "abc 123")
        area = box.rect
        harness.screenshot_when(self.name("typed"), lambda s: self.inked(s, area) > 100, 10,
                                "the typed text in the box")
        self.close_panel(panel)
        self.assertEqual(self.probe.send(box.hwnd, WM_GETTEXTLENGTH), 0,
                         "typed text is scratch: gone once the box has had the focus again")

        again = self.open_panel(badge)
        self.assertEqual(again.rect, panel.rect)
        self.close_panel(again)
        self.exit(gadget, badge)

    def test_panel_opens_where_the_settings_file_left_it(self):
        harness.set_root_colour(DESKTOP)
        # Badge at 225/15 = 15, panel at 1650/15 = 110, 825/15 = 55 pixels: side by side.
        gadget, badge, _ = self.start_badge(ini="225,225\r\n1650,825\r\n#TRUE#\r\n")
        self.assertEqual((badge.rect.left, badge.rect.top), (15, 15))
        panel = self.open_panel(badge)
        self.assertEqual((panel.rect.left, panel.rect.top), (110, 55))
        caption = Rect(panel.rect.left + 3, panel.rect.top + 3, panel.rect.left + 80,
                       panel.client.top - 1)

        box = self.type_into(panel, "Ravik N")
        area = box.rect

        def drawn(shot):
            # Text in the box, and the caption's own glyphs on the title bar.
            return self.inked(shot, area) > 100 and self.inked(shot, caption) > 20
        shot = harness.screenshot_when(self.name("panel"), drawn, 10, "the panel with its text")
        margin = 15
        harness.keep_picture(shot, Rect(0, 0, panel.rect.right + margin,
                                        panel.rect.bottom + margin), "panel")
        self.close_panel(panel)
        self.exit(gadget, badge)
        self.assertEqual(gadget.ini.read_bytes().split(b"\r\n")[1],
                         f"{110 * TWIPS},{55 * TWIPS}".encode("ascii"))


if __name__ == "__main__":
    harness.main()
