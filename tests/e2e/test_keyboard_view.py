"""The on-screen keyboard of velmira-sim.exe, checked on screenshots at the harness's screen size:
every key cap where the layout puts it, nothing drawn where the key map has no key, a held key
in the colour of its octave (plain, Shift, Ctrl) and grey again after it, the instrument picture
under the toolbar, and the mouse: a click on a cap plays its note until the button is released,
a click on the block's right edge plays "]", a click between caps plays nothing.

The pictures come from resources/keycaps.bmp and resources/instruments.bmp, read here without
any tool. A cap's label and octave dots are drawn over the picture, so caps are compared on the
pixels away from them (the rim and the sides of the face). Screenshots are kept in
build/e2e/keyboard_view/.
"""

from harness import cases
from harness.adapter import SCREEN, START
from harness.formats import ALL_NOTES_OFF, note_off, note_on
from harness.picture import (BLUE, CAP_H, CAP_PIXELS, CAP_W, GREEN, GREY, RED, Picture,
                             cap_corner, cap_differences)
from harness.process import REPO, WAIT, TimedOut, wait_until

BLOCK_W, BLOCK_H = 475, 156
CELL_NAMES = {GREY: "grey", BLUE: "blue", RED: "red", GREEN: "green"}
PICTURE_W, PICTURE_H = 171, 141
BACKGROUND = (20, 100, 20)

# scan code -> (row, half-column, note), the 45 keys.
KEYS = {}
KEYS.update({2 + i: (0, 2 * i) for i in range(12)})         # 1 .. 0 - =
KEYS.update({16 + i: (1, 2 * i + 1) for i in range(12)})    # Q .. P [ ]
KEYS.update({30 + i: (2, 2 * i + 2) for i in range(11)})    # A .. L ; '
KEYS.update({44 + i: (3, 2 * i + 3) for i in range(10)})    # Z .. /
SCAN_A = 30
SCAN_RIGHT_BRACKET = 27


def stroke(note):
    return [note_on(note), note_off(note)]


class KeyboardView(cases.WineCase):
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.session.start("sim")
        cls.main = cls.program.wait_main_window()
        cls.program.expect(START, "start")
        cls.client = cls.session.client_rect(cls.main)
        cls.cw, cls.ch = cls.session.cell_size(cls.main)
        cx, cy, W, H = cls.client
        # The block's corner in client coordinates, then on the screen.
        cls.bx = (W - BLOCK_W) // 2
        cls.by = cls.ch + (H - BLOCK_H) // 2
        cls.x0 = cx + cls.bx
        cls.y0 = cy + cls.by
        cls.caps = Picture.from_bmp(REPO / "resources" / "keycaps.bmp")
        cls.pictures = Picture.from_bmp(REPO / "resources" / "instruments.bmp")
        cls.shots = 0

    # ----- helpers

    def cap_corner(self, scan):
        return cap_corner((self.x0, self.y0), *KEYS[scan])

    def cap_problems(self, picture, expected):
        """Caps that do not show their expected cell ({scan: cell}, grey for the others)."""
        problems = []
        for scan in sorted(KEYS):
            cell = expected.get(scan, GREY)
            left, top = self.cap_corner(scan)
            wrong = cap_differences(picture, self.caps, (left, top), cell)
            if wrong:
                problems.append("scan %d at (%d, %d): %d of %d pixels differ from the %s cap"
                                % (scan, left, top, wrong, len(CAP_PIXELS), CELL_NAMES[cell]))
        return problems

    def wait_screen(self, problems_of, name, what):
        """Takes screenshots until problems_of(picture) is empty; fails with the last problems."""
        last = {}

        def look():
            self.__class__.shots += 1
            path = self.session.screenshot(name)
            picture = self.session.picture(path)
            last["problems"] = problems_of(picture)
            last["path"] = path
            return picture if not last["problems"] else None
        try:
            return wait_until(look, WAIT, what, interval=0.3)
        except TimedOut:
            self.fail("%s: not so on %s:\n%s" % (what, last.get("path"),
                                                 "\n".join(last.get("problems", ["?"]))))

    def wait_caps(self, expected, name, what):
        return self.wait_screen(lambda picture: self.cap_problems(picture, expected), name, what)

    def area_problems(self, picture, left, top, width, height, colour, label):
        wrong = [(x, y) for y in range(top, top + height) for x in range(left, left + width)
                 if picture.pixel(x, y) != colour]
        if not wrong:
            return []
        x, y = wrong[0]
        return ["%s (%dx%d at %d, %d): %d pixels are not %r, the first (%d, %d) is %r"
                % (label, width, height, left, top, len(wrong), colour, x, y,
                   picture.pixel(x, y))]

    def hold(self, modifier, cell, note, name):
        """A held down with the modifier (or none): the note sounds and the cap shows the cell."""
        if modifier:
            self.program.key_down(modifier)
        self.program.key_down("a")
        self.expect([note_on(note)], "%s held" % name)
        self.wait_caps({SCAN_A: cell}, name, "%s held: the A cap %s, every other grey"
                       % (name, CELL_NAMES[cell]))
        self.program.key_up("a")
        self.expect([note_off(note)], "%s released" % name)
        if modifier:
            self.program.key_up(modifier)
        self.wait_caps({}, name + "_released", "%s released: every cap grey" % name)

    # ----- the steps

    def test_1_the_layout_is_the_harness_screen(self):
        cx, cy, W, H = self.client
        self.assertEqual(self.main.rect, (0, 0) + SCREEN)
        self.assertTrue(0 <= cx < 20 and 0 <= cy < 80 and W > BLOCK_W and H > 4 * BLOCK_H,
                        "a client area of %r in a full-screen window" % (self.client,))
        self.assertTrue(6 <= self.cw <= 20 and 10 <= self.ch <= 30,
                        "the system font's M measures %dx%d" % (self.cw, self.ch))

    def test_2_every_cap_grey_where_the_layout_puts_it(self):
        picture = self.wait_caps({}, "keyboard", "the 45 caps grey at their places")
        # The 9 scan codes without a key (Esc, Backspace, Tab, Enter, Ctrl, `, Shift, \ and 0)
        # have no place: a cap drawn for one would land a row above and half a cap left of the
        # block. There, and on the block's three unused positions, only the background.
        self.assertEqual(self.pictures.pixel(0, 0), BACKGROUND,
                         "the background colour is the instrument picture's first pixel")
        problems = []
        places = [(self.x0 - CAP_W // 2, self.y0 - CAP_H, "where a key without a place would go"),
                  (self.x0, self.y0 + 2 * CAP_H, "row 2 before A"),
                  (self.x0 + CAP_W // 2, self.y0 + 3 * CAP_H, "row 3 before Z"),
                  (self.x0 + 23 * CAP_W // 2, self.y0 + 3 * CAP_H, "row 3 after /")]
        for left, top, label in places:
            problems += self.area_problems(picture, left, top, CAP_W, CAP_H, BACKGROUND, label)
        # Just outside the block, all round: background.
        problems += self.area_problems(picture, self.x0 - 4, self.y0, 4, BLOCK_H, BACKGROUND,
                                       "left of the block")
        problems += self.area_problems(picture, self.x0 + BLOCK_W, self.y0, 4, BLOCK_H,
                                       BACKGROUND, "right of the block")
        problems += self.area_problems(picture, self.x0, self.y0 - 4, BLOCK_W, 4, BACKGROUND,
                                       "above the block")
        problems += self.area_problems(picture, self.x0, self.y0 + BLOCK_H, BLOCK_W, 4,
                                       BACKGROUND, "below the block")
        self.assertEqual(problems, [])

    def test_3_a_held_key_shows_the_colour_of_its_octave(self):
        self.program.give_keyboard()
        self.hold(None, BLUE, 60, "A")
        self.hold("shift", RED, 72, "Shift+A")
        self.hold("ctrl", GREEN, 48, "Ctrl+A")

    def test_4_instrument_picture_under_the_toolbar(self):
        cx, cy, W, H = self.client
        left = cx + (W - PICTURE_W) // 2
        top = cy + 44

        def problems(picture):
            wrong = [(x, y) for y in range(PICTURE_H) for x in range(PICTURE_W)
                     if picture.pixel(left + x, top + y) != self.pictures.pixel(x, y)]
            if not wrong:
                return []
            x, y = wrong[0]
            return ["%d of %d pixels differ from cell 0 of instruments.bmp; the first at "
                    "(%d, %d) of the cell is %r on the screen, %r in the picture"
                    % (len(wrong), PICTURE_W * PICTURE_H, x, y,
                       picture.pixel(left + x, top + y), self.pictures.pixel(x, y))]
        self.wait_screen(problems, "instrument_picture",
                         "the grand piano's picture at (%d, %d) on the screen" % (left, top))

    def test_5_a_click_on_a_cap_plays_its_note_until_the_button_is_released(self):
        left, top = self.cap_corner(SCAN_A)
        self.session.mouse_down(left + 8, top + 30)
        self.expect([note_on(60)], "button down on the A cap")
        self.wait_caps({SCAN_A: BLUE}, "mouse_held", "the A cap blue while the button is down")
        self.session.mouse_up()
        self.expect([note_off(60)], "button up")
        self.wait_caps({}, "mouse_released", "every cap grey after the button is up")

        # Another cap, clicked near its bottom right corner: its own note (K, 72).
        left, top = self.cap_corner(37)
        self.session.click(left + CAP_W - 2, top + CAP_H - 2)
        self.expect(stroke(72), "a click on K")

    def test_6_a_click_on_the_right_edge_of_row_1_plays_the_right_bracket(self):
        self.session.click(self.x0 + BLOCK_W, self.y0 + CAP_H + CAP_H // 2)
        self.expect(stroke(81), "a click on the block's right edge, row 1")
        left, top = self.cap_corner(SCAN_RIGHT_BRACKET)
        self.assertEqual(left + CAP_W, self.x0 + BLOCK_W)

    def test_7_clicks_between_caps_play_nothing(self):
        row3 = self.y0 + 3 * CAP_H + CAP_H // 2
        self.session.click(self.x0, row3)                       # row 3's margin, its first pixel
        self.session.click(self.x0 + CAP_W // 2 - 1, row3)       # and its last
        self.session.click(self.x0 + 456, self.y0 + CAP_H // 2)  # right of "=" in row 0
        self.session.click(self.x0 + BLOCK_W, self.y0 + 2 * CAP_H + CAP_H // 2)  # right of "'"
        self.session.click(self.x0 - 5, self.y0 + CAP_H // 2)   # left of the block
        # Nothing played: the next calls are those of a click on A.
        left, top = self.cap_corner(SCAN_A)
        self.session.click(left + CAP_W // 2, top + 6)
        self.expect(stroke(60), "clicks between caps, then on A")

    def test_z_end(self):
        self.assertEqual(self.program.close(), 0)
        self.expect(ALL_NOTES_OFF + ["close"], "end")


if __name__ == "__main__":
    cases.main()
