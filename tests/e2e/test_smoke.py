"""The gadget starts from a bare folder, shows itself on screen and draws something there."""

import harness
from harness import Rect

ROOT = "#FF00FF"


class Launch(harness.E2ETestCase):
    def test_first_start_shows_a_painted_window_on_screen(self):
        harness.set_root_colour(ROOT)
        gadget = self.start_gadget()
        win = gadget.wait_window()
        dpi = self.probe.dpi()
        screen = Rect(0, 0, dpi["width"], dpi["height"])
        visible = Rect(max(win.rect.left, 0), max(win.rect.top, 0),
                       min(win.rect.right, screen.right), min(win.rect.bottom, screen.bottom))
        self.assertGreater(visible.width, 0, f"{win} lies off the screen")
        self.assertGreater(visible.height, 0, f"{win} lies off the screen")

        tray = self.probe.tray()
        others = [tray.rect] if tray else []

        def painted(shot):
            # Wine's tray may share the corner; its pixels say nothing about the gadget.
            root = harness.colour(ROOT)
            return any(rgb != root and not any(r.contains(*xy) for r in others)
                       for xy, rgb in harness.pixels(shot, visible).items())
        harness.screenshot_when(self.name("shown"), painted, 10, "the window to be painted")
        self.assertIsNone(gadget.proc.poll(), f"the gadget exited:\n{gadget.output()}")


if __name__ == "__main__":
    harness.main()
