"""The prefix, the probe and the harness, checked against a window whose looks are known:
the probe's `host` window (solid fill, rounded region, a Japanese button, a context menu).
When these fail, the gadget's journeys cannot be trusted either."""

import os
import subprocess
from pathlib import Path

import harness
from harness import Rect

HOST_FILL = harness.colour("#2060C0")
ROOT = "#00FF00"
JAPANESE_FACES = ("ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝", "MS UI Gothic")
CAPTION = "操作パネル"


class Prefix(harness.E2ETestCase):
    def test_screen_is_96_dpi(self):
        dpi = self.probe.dpi()
        self.assertEqual((dpi["logpixelsx"], dpi["logpixelsy"]), (96, 96))

    def test_japanese_faces_have_every_glyph(self):
        for face in JAPANESE_FACES:
            with self.subTest(face=face):
                font = self.probe.font(face, CAPTION)
                # Without the replacement GDI falls back to a Latin face under its own name.
                self.assertEqual(font["face"], face)
                self.assertEqual(font["missing"], 0, font)

    def test_system_faces_draw_japanese_captions_and_menus(self):
        # Captions, menus and dialogs ask for these; a Latin-only Tahoma in the prefix would
        # turn Japanese titles and menu items into boxes.
        for face in ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2"):
            with self.subTest(face=face):
                self.assertEqual(self.probe.font(face, CAPTION)["missing"], 0)

    def test_caption_button_glyphs_come_from_marlett(self):
        self.assertEqual(self.probe.font("Marlett", "r")["face"], "Marlett")

    def test_exit_codes_pass_through_wine_exec(self):
        self.assertEqual(self.probe.run("find", "no such window \u2603")[0], 1)
        self.assertEqual(self.probe.run("wait", "no such window", "visible", 50)[0], 2)
        self.assertEqual(self.probe.run("bogus")[0], 3)

    def test_a_joining_session_leaves_the_running_one_alone(self):
        session_file = Path(os.environ["WINEPREFIX"] + ".session")
        before = session_file.read_text()
        harness.Session(harness.SCRIPTS).stop()
        self.assertEqual(session_file.read_text(), before)
        subprocess.run(["xdpyinfo"], check=True, stdout=subprocess.DEVNULL, timeout=30)
        self.assertEqual(self.probe.dpi()["logpixelsx"], 96)

    def test_url_opened_by_a_windows_program_is_recorded(self):
        recorder = harness.UrlRecorder()
        self.addCleanup(recorder.remove)
        url = "http://example.invalid/ravik?from=e2e"
        # `start` opens URLs through ShellExecuteEx, the same route as the gadget's links.
        subprocess.run([str(harness.SCRIPTS / "wine-exec"), "cmd", "/c", "start", "", url],
                       env=recorder.env(), check=True, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(recorder.wait_url(), url)


class HostWindow(harness.E2ETestCase):
    X, Y, W, H = 120, 100, 420, 300

    def setUp(self):
        harness.set_root_colour(ROOT)
        self.title = f"Probe host {self.id().rsplit('.', 1)[-1]}"
        self.host = self.start_gadget(harness.PROBE, args=[
            "host", self.title, str(self.X), str(self.Y), str(self.W), str(self.H), CAPTION,
            JAPANESE_FACES[0]])
        self.win = self.host.wait_window()

    def test_found_by_title_and_by_image_alike(self):
        by_title = self.probe.find(self.title)
        self.assertEqual(by_title, self.win)
        self.assertEqual(self.win.rect, Rect(self.X, self.Y, self.X + self.W, self.Y + self.H))
        self.assertEqual(self.win.cls, "RnProbeHost")
        self.assertFalse(self.win.topmost)
        self.assertTrue(self.win.style & 0x00C00000, "WS_CAPTION")
        self.assertLess(self.win.rect.top, self.win.client.top)

    def test_region_clips_what_the_screen_shows(self):
        kind, rects = self.probe.region(self.win.hwnd)
        self.assertEqual(kind, "complex")
        self.assertEqual((min(r.left for r in rects), min(r.top for r in rects),
                          max(r.right for r in rects), max(r.bottom for r in rects)),
                         (0, 0, self.W, self.H))
        self.assertGreater(rects[0].left, 0, "the top row is cut by the rounded corner")
        inside = (self.win.client.right - 30, self.win.client.bottom - 30)
        shot = harness.screenshot_when(self.name("region"),
                                       lambda s: harness.pixel(s, *inside) == HOST_FILL, 10,
                                       "the window to be painted")
        self.assertEqual(harness.pixel(shot, self.X + 1, self.Y + 1), harness.colour(ROOT))

    def test_children_report_the_japanese_button_and_it_has_ink(self):
        buttons = [c for c in self.probe.children(self.win.hwnd) if c.cls.lower() == "button"]
        self.assertEqual([(b.text, b.visible) for b in buttons], [(CAPTION, True)])
        def inked(shot):
            face = harness.pixels(shot, buttons[0].rect)
            return sum(1 for rgb in face.values() if max(rgb) < 96) > 40
        harness.screenshot_when(self.name("button"), inked, 10, "the button's caption")

    def test_drag_on_caption_moves_the_window(self):
        start = self.win.rect
        grab = (start.left + 150, (start.top + self.win.client.top) // 2)
        harness.drag(*grab, grab[0] + 120, grab[1] + 80)
        moved = start.moved(120, 80)
        harness.wait_until(lambda: self.probe.find(self.title).rect == moved, 10,
                           f"the window to move to {moved}")
        harness.screenshot_when(
            self.name("moved"), lambda s: harness.pixel(s, moved.right - 40, moved.bottom - 40)
            == HOST_FILL, 10, "the moved window to be painted")

    def test_move_places_the_window_without_a_drag(self):
        target = Rect(300, 260, 300 + self.W - 100, 260 + self.H - 50)
        self.assertTrue(self.probe.move(self.win.hwnd, target.left, target.top,
                                        target.width, target.height))
        self.assertEqual(self.probe.find(self.title).rect, target)
        self.assertTrue(self.probe.move(self.win.hwnd, 10, 20))
        self.assertEqual(self.probe.find(self.title).rect, target.moved(10 - 300, 20 - 260))

    def test_double_click_on_caption_maximizes(self):
        caption = ((self.win.rect.left + self.win.rect.right) // 2,
                   (self.win.rect.top + self.win.client.top) // 2)
        harness.double_click(*caption)
        dpi = self.probe.dpi()
        harness.wait_until(lambda: self.probe.find(self.title).rect.width >= dpi["width"], 10,
                           "the window to fill the screen width")

    def test_context_menu_item_chosen_by_keyboard_ends_the_program(self):
        harness.click(self.win.client.right - 60, self.win.client.bottom - 60, button=3)
        menu = harness.wait_until(self.probe.menu, 10, "the context menu")
        self.assertTrue(menu["rect"].contains(self.win.client.right - 59,
                                              self.win.client.bottom - 59))
        harness.screenshot(self.name("menu"))
        harness.menu_pick(2)
        self.probe.wait(self.title, "gone", 10)
        self.assertEqual(self.host.wait_exit(), 0)
        self.assertIsNone(self.probe.menu())

    def test_tray_icon_right_click_opens_the_owners_menu(self):
        icons = harness.wait_until(self.probe.tray_icons, 10, "the host's tray icon")
        self.assertEqual(len(icons), 1)
        tray = self.probe.tray()
        self.assertTrue(tray.rect.contains(*icons[0].rect.center))
        screen = self.probe.dpi()
        self.assertEqual((tray.rect.right, tray.rect.bottom), (screen["width"], screen["height"]),
                         "the tray is parked in the bottom-right corner")
        harness.tray_click(self.probe, icons[0])
        menu = harness.wait_until(self.probe.menu, 10, "the tray icon's menu")
        self.assertTrue(menu["rect"].contains(*icons[0].rect.center))
        self.assertEqual(len(harness.menu_items(menu["rect"], self.name("menu"))), 3)
        harness.menu_click(menu["rect"], 2, self.name("menu"))
        self.assertEqual(self.host.wait_exit(), 0)
        harness.wait_until(lambda: not self.probe.tray_icons(), 10, "the icon to be removed")

    def test_close_message_ends_the_program_cleanly(self):
        self.assertEqual(self.host.close(), 0)
        self.assertIsNone(self.probe.find(self.title))


if __name__ == "__main__":
    harness.main()
