"""The prefix, the probe and the harness, checked against a window whose looks are known:
rn_probe_host's window (solid fill, rounded region, a Japanese button, a context menu).
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
    def test_faces_have_every_glyph_the_journeys_read(self):
        # Without the replacements GDI falls back to a Latin face under its own name; a
        # Latin-only Tahoma in the prefix would turn Japanese captions and menus into boxes.
        for face in JAPANESE_FACES + ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2"):
            with self.subTest(face=face):
                font = self.probe.font(face, CAPTION)
                if face in JAPANESE_FACES:
                    self.assertEqual(font["face"], face)
                self.assertEqual(font["missing"], 0, font)
        # Caption buttons draw their glyphs from it.
        self.assertEqual(self.probe.font("Marlett", "r")["face"], "Marlett")

    def test_exit_codes_pass_through_wine_exec(self):
        self.assertEqual(self.probe.run("find", "no such window \u2603")[0], 1)
        self.assertEqual(self.probe.run("wait", "no such window", "visible", 50)[0], 2)
        self.assertEqual(self.probe.run("bogus")[0], 3)

    def test_a_joining_session_leaves_the_running_one_alone_at_96_dpi(self):
        session_file = Path(os.environ["WINEPREFIX"] + ".session")
        before = session_file.read_text()
        harness.Session(harness.SCRIPTS).stop()
        self.assertEqual(session_file.read_text(), before)
        subprocess.run(["xdpyinfo"], check=True, stdout=subprocess.DEVNULL, timeout=30)
        dpi = self.probe.dpi()
        self.assertEqual((dpi["logpixelsx"], dpi["logpixelsy"]), (96, 96))

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
        self.host = self.start_gadget(harness.PROBE.with_name("rn_probe_host.exe"), args=[
            self.title, str(self.X), str(self.Y), str(self.W), str(self.H), CAPTION,
            JAPANESE_FACES[0]])
        self.win = self.host.wait_window()

    def test_found_by_title_with_its_japanese_button_and_clipped_by_its_region(self):
        self.assertEqual(self.probe.find(self.title), self.win)
        self.assertEqual(self.win.rect, Rect(self.X, self.Y, self.X + self.W, self.Y + self.H))
        self.assertEqual(self.win.cls, "RnProbeHost")
        self.assertFalse(self.win.topmost)
        self.assertTrue(self.win.style & 0x00C00000, "WS_CAPTION")
        self.assertLess(self.win.rect.top, self.win.client.top)
        buttons = [c for c in self.probe.children(self.win.hwnd) if c.cls.lower() == "button"]
        self.assertEqual([(b.text, b.visible) for b in buttons], [(CAPTION, True)])

        inside = (self.win.client.right - 30, self.win.client.bottom - 30)
        def drawn(shot):
            ink = sum(1 for rgb in harness.pixels(shot, buttons[0].rect).values() if max(rgb) < 96)
            return harness.pixel(shot, *inside) == HOST_FILL and ink > 40
        shot = harness.screenshot_when(self.name("drawn"), drawn, 10,
                                       "the window and its button's caption to be painted")
        self.assertEqual(harness.pixel(shot, self.X + 1, self.Y + 1), harness.colour(ROOT),
                         "the rounded region lets the desktop show at the corner")

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
        rows = harness.menu_rows(menu["rect"], 3, self.name("menu"))
        harness.click(*rows[2].center)
        self.assertEqual(self.host.wait_exit(), 0)
        harness.wait_until(lambda: not self.probe.tray_icons(), 10, "the icon to be removed")

    def test_close_message_ends_the_program_cleanly(self):
        self.assertEqual(self.host.close(), 0)
        self.assertIsNone(self.probe.find(self.title))


if __name__ == "__main__":
    harness.main()
