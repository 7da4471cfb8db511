"""The settings dialog, opened from the badge's menu: "Go HomePage" reaches the browser once a
press and keeps the dialog, the check box moves the badge out of and back into the topmost band
on OK, the exit keeps the choice and the next start shows it."""

import harness
from harness import Rect

DESKTOP = "#3A6EA5"
DIALOG = "設定"
IN_FRONT = "常に手前に表示"
HOME_PAGE = "http://www.example.com/ravik-n/"
BM_GETCHECK = 0x00F0


class Dialog(harness.E2ETestCase):
    def open_dialog(self, badge: harness.Window) -> tuple[harness.Window, dict[str, harness.Child]]:
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_SETTINGS,
                       self.name("menu"))
        dialog = self.probe.wait(DIALOG, "visible", 10)
        # Frames hold the check box and the link button; their texts name them.
        controls = {k.text: k for k in self.probe.children(dialog.hwnd) if k.cls == "Button"}
        self.assertLessEqual({IN_FRONT, "OK", "Go HomePage"}, controls.keys())
        return dialog, controls

    def dialog_shown(self) -> bool:
        dialog = self.probe.find(DIALOG)
        return dialog is not None and dialog.visible

    def ok(self, controls: dict[str, harness.Child]):
        harness.click(*controls["OK"].rect.center)
        # OK unloads the dialog: its window may go rather than hide.
        harness.wait_until(lambda: not self.dialog_shown(), 10, "the dialog to close")

    def checked(self, box: harness.Child) -> int:
        return self.probe.send(box.hwnd, BM_GETCHECK)

    def set_in_front(self, badge: harness.Window, wanted: bool):
        _, controls = self.open_dialog(badge)
        box = controls[IN_FRONT]
        self.assertEqual(self.checked(box), 0 if wanted else 1,
                         "the box shows the badge's current band")
        harness.click(*box.rect.center)
        harness.wait_until(lambda: self.checked(box) == (1 if wanted else 0), 10,
                           "the check box to change")
        self.assertEqual(self.probe.find("Form1").topmost, not wanted, "nothing changes before OK")
        self.ok(controls)
        harness.wait_until(lambda: self.probe.find("Form1").topmost == wanted, 10,
                           f"the badge {'in' if wanted else 'out of'} the topmost band")

    def exit(self, gadget: harness.Gadget, badge: harness.Window) -> list[bytes]:
        harness.choose(harness.badge_menu(self.probe, badge), harness.MENU_EXIT,
                       self.name("menu"))
        self.assertEqual(gadget.wait_exit(), 0)
        return gadget.ini.read_bytes().split(b"\r\n")

    def test_link_and_in_front_box_and_the_next_start_keeping_the_choice(self):
        harness.set_root_colour(DESKTOP)
        recorder = harness.UrlRecorder()
        self.addCleanup(recorder.remove)
        gadget, badge, _ = self.start_badge(env=recorder.env())
        self.assertTrue(badge.topmost)

        dialog, controls = self.open_dialog(badge)
        box, ok = controls[IN_FRONT], controls["OK"]
        self.assertEqual(self.checked(box), 1)
        label = Rect(box.rect.left + 20, box.rect.top, box.rect.right, box.rect.bottom)

        def drawn(shot):
            # The check box's Japanese label and the OK caption are both on screen.
            dark = lambda r: sum(1 for rgb in harness.pixels(shot, r).values() if max(rgb) < 96)
            return dark(label) > 40 and dark(ok.rect) > 10
        shot = harness.screenshot_when(self.name("dialog"), drawn, 10, "the dialog painted")
        margin = 15
        harness.keep_picture(shot, Rect(dialog.rect.left - margin, dialog.rect.top - margin,
                                        dialog.rect.right + margin, dialog.rect.bottom + margin),
                             "dialog")

        for presses in (1, 2):
            harness.click(*controls["Go HomePage"].rect.center)
            harness.wait_until(lambda: len(recorder.urls()) >= presses, 15,
                               f"URL number {presses} to reach the browser")
            self.assertEqual(recorder.urls(), [HOME_PAGE] * presses)
            self.assertTrue(self.dialog_shown(), "the dialog stays open")
        self.ok(controls)
        self.assertTrue(self.probe.find("Form1").topmost,
                        "OK on an unchanged box keeps the badge in front")

        self.set_in_front(badge, False)
        lines = self.exit(gadget, badge)
        self.assertEqual(lines[2], b"#FALSE#")
        self.assertEqual(recorder.urls(), [HOME_PAGE] * 2)

        again, badge, _ = self.start_badge(ini=b"\r\n".join(lines).decode("ascii"))
        self.assertFalse(badge.topmost)
        self.set_in_front(badge, True)
        self.assertEqual(self.exit(again, badge)[2], b"#TRUE#")


if __name__ == "__main__":
    harness.main()
