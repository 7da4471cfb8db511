"""The badge under the pointer and its menu: dragged with the left button it follows the
pointer, the menu opens on the right button's release, the exit through it removes the icon
and writes RN.ini's three lines, and the next start picks up where this one ended; a shutdown
saves the same way without a word. The tray icon's menu is the scale journey's (test_scale)."""

import subprocess

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
TWIPS = 15
PANEL = "操作パネル"


class Menu(harness.E2ETestCase):
    def wait_icon_gone(self, icon: harness.Child):
        harness.wait_until(lambda: all(i.hwnd != icon.hwnd for i in self.probe.tray_icons()),
                           10, "the tray icon to go")

    def place(self, title: str, left: int, top: int) -> harness.Window:
        def there():
            w = self.probe.find(title)
            return w if w and (w.rect.left, w.rect.top) == (left, top) else None
        return harness.wait_until(there, 10, f"{title} at ({left}, {top})")

    def close_panel(self, panel: harness.Window):
        close = next(k for k in self.probe.children(panel.hwnd) if k.text == "Close")
        harness.click(*close.rect.center)
        self.probe.wait(PANEL, "hidden", 10)

    def test_drag_menu_on_release_and_exit_keep_the_places_for_the_next_start(self):
        harness.set_root_colour(DESKTOP)
        gadget, start, icon = self.start_badge()

        # Grabbed off centre, the badge keeps the pointer where it took hold of it, and is
        # under the pointer half-way already, not only once the button is up.
        dx, dy = 185, 135
        x0, y0 = start.rect.left + 20, start.rect.top + 30
        harness.drag(x0, y0, x0 + dx, y0 + dy, steps=10,
                     halfway=lambda: self.place("Form1", dx // 2, dy // 2))
        badge = self.place("Form1", dx, dy)
        self.assertEqual(badge.rect, start.rect.moved(dx, dy))
        self.assertTrue(badge.topmost, "a drag keeps the badge in front")
        harness.double_click(*badge.rect.center)
        panel = self.probe.wait(PANEL, "visible", 10)
        grip = (panel.rect.left + 150, (panel.rect.top + panel.client.top) // 2)
        harness.drag(*grip, grip[0] - 170, grip[1] + 140)
        panel = self.place(PANEL, panel.rect.left - 170, panel.rect.top + 140)
        self.close_panel(panel)

        harness.xdotool("mousemove", *badge.rect.center, "mousedown", 3)
        try:
            self.assertIsNone(self.probe.menu(), "the menu opens on the release, not the press")
        finally:
            harness.xdotool("mouseup", 3)
        menu = harness.wait_until(self.probe.menu, 10, "the badge's menu")
        self.assertTrue(menu["rect"].contains(*badge.rect.center), menu)
        rows = harness.menu_rows(menu["rect"], harness.MENU_ROWS, self.name("menu"))
        shot = harness.screenshot(self.name("menu"))
        margin = 15
        harness.keep_picture(shot, Rect(badge.rect.left - margin, badge.rect.top - margin,
                                        menu["rect"].right + margin,
                                        menu["rect"].bottom + margin), "menu")
        self.assertFalse(gadget.ini.exists(), "RN.ini written before the exit")

        harness.click(*rows[harness.MENU_EXIT].center)
        self.assertEqual(gadget.wait_exit(), 0)
        self.wait_icon_gone(icon)
        self.assertEqual(gadget.windows(visible_only=False), [])

        saved = gadget.ini.read_bytes()
        self.assertEqual(saved.split(b"\r\n"), [
            f"{dx * TWIPS},{dy * TWIPS}".encode(),
            f"{panel.rect.left * TWIPS},{panel.rect.top * TWIPS}".encode(),
            b"#TRUE#",
            b""])
        self.assertEqual(saved.count(b"\n"), 3, "CR LF line ends only")

        again, badge2, _ = self.start_badge(ini=saved.decode("ascii"))
        self.assertEqual(badge2.rect, badge.rect)
        self.assertTrue(badge2.topmost)
        harness.double_click(*badge2.rect.center)
        panel2 = self.probe.wait(PANEL, "visible", 10)
        self.assertEqual(panel2.rect, panel.rect)
        self.close_panel(panel2)
        harness.choose(harness.badge_menu(self.probe, badge2), harness.MENU_EXIT,
                       self.name("menu2"))
        self.assertEqual(again.wait_exit(), 0)
        self.assertEqual(again.ini.read_bytes(), saved)

    def test_a_shutdown_saves_the_places_as_the_exit_does_without_a_word(self):
        gadget, badge, icon = self.start_badge()
        harness.drag(*badge.rect.center, badge.rect.center[0] + 185, badge.rect.center[1] + 135)
        self.place("Form1", 185, 135)
        self.assertFalse(gadget.ini.exists())

        # What Windows sends every top-level window when the user shuts down or signs out.
        subprocess.run([str(harness.SCRIPTS / "wine-exec"), "wineboot", "--end-session"],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)
        self.assertEqual(gadget.wait_exit(), 0)
        self.wait_icon_gone(icon)
        lines = gadget.ini.read_bytes().split(b"\r\n")
        self.assertEqual(lines[0], f"{185 * TWIPS},{135 * TWIPS}".encode())
        self.assertEqual((lines[2], lines[3], len(lines)), (b"#TRUE#", b"", 4))


if __name__ == "__main__":
    harness.main()
