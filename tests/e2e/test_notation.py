"""The 乐谱 menu in both programs: the metronome at the tempo set in its dialog, with its count-in
before a take and its tempo kept in the saved file and in the file loaded back; the 简谱 window
beside the instrument, growing with the take, and the score exported as jianpu text and as SVG;
a lesson started from the command line, which marks the cap to strike next in orange, moves on
with the right stroke and ends with Esc and its result box.

Clicks are notes 76 (a bar's first beat) and 77 on the percussion channel (index 9); the steps
that check the player's notes pass over them.
"""

import re
import xml.etree.ElementTree as ElementTree

from harness import cases
from harness.adapter import START
from harness.formats import (ACCENT_CLICK, ALL_NOTES_OFF, BEAT_CLICK, is_click, is_note_on,
                             note_off, note_on, read_performance, short_message)
from harness.picture import GREY, ORANGE, Picture, cap_corner, cap_differences, find_key_block
from harness.process import REPO, WAIT, TimedOut, wait_until

METRONOME, TEMPO, TAKE_TEMPO, SHOW_SCORE, EXPORT_SCORE = 1360, 1361, 1367, 1370, 1371
SAVE, SAVE_AS, LOAD = 1288, 1289, 1296
BEAT_MS = 500      # at 120 quarters a minute
TOLERANCE_MS = 40  # of a click's time, as of replayed notes in test_record_playback
# 120 in 4/4, the first bar line after the bar of count-in.
TEMPO_CHUNK = (500000, 4, 4, 4 * BEAT_MS)

KEYS = ["a", "s", "d"]
NOTES = {"a": 60, "s": 62, "d": 64}
CAPS = {"a": (2, 2), "s": (2, 4), "d": (2, 6)}  # row, half-column in the key block
SONG = "title: T\n1=C 4/4 q=100\n| 1 2 3 - ||\n"


def stroke(key):
    return [note_on(NOTES[key]), note_off(NOTES[key])]


def clicks(stamped):
    """(stamp, note) of each click that starts in the stamped calls."""
    return [(stamp, short_message(text) >> 8 & 0x7F) for stamp, text in stamped
            if is_click(text) and is_note_on(text)]


def dark_pixels(picture, area):
    x0, y0, width, height = area
    return sum(1 for y in range(y0, y0 + height) for x in range(x0, x0 + width)
               if sum(picture.pixel(x, y)) < 200)


class Notation:
    """The steps run in the order of their names: one run for the metronome, the take and the
    score, one more for the lesson."""

    blank_dark = None  # dark pixels of the 简谱 window before the take
    take_from = 0      # the index in the call log where the take began
    take_file = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.session.start("sim")
        cls.program.wait_main_window()
        cls.program.expect(START, "start")
        cls.caps = Picture.from_bmp(REPO / "resources" / "keycaps.bmp")

    # ----- helpers

    def save_as(self, program, command, name):
        """Saves through the save dialog of the command; returns the path."""
        path = self.session.out / name
        program.command(command)
        program.choose_file(program.wait_box("另存为"), path)
        wait_until(path.exists, WAIT, "%s to be written" % path)
        return path

    def wait_clicks(self, start, count, what):
        """The first count clicks in the call log from the index start, once they are there."""
        def enough():
            found = clicks(self.program.stamped_events()[start:])
            return found[:count] if len(found) >= count else None
        return wait_until(enough, WAIT, what, interval=0.01)

    def score_window(self, name):
        """The 简谱 window's title and its dark pixels on a screenshot."""
        title, area = self.program.other_window("简谱.*")
        return title, dark_pixels(self.session.picture(self.session.screenshot(name)), area)

    def wait_caps(self, marked, name):
        """Waits until the song's caps in marked are orange on the screen and the others grey."""
        problems = []

        def look():
            picture = self.session.picture(self.session.screenshot(name))
            block = find_key_block(picture, self.caps)
            problems[:] = [] if block else ["the key block is not on the screen"]
            for key in CAPS if block else ():
                cell = ORANGE if key in marked else GREY
                wrong = cap_differences(picture, self.caps, cap_corner(block, *CAPS[key]), cell)
                if wrong:
                    problems.append("%s: %d pixels differ from cell %d" % (key, wrong, cell))
            return not problems
        try:
            wait_until(look, WAIT, "the caps of %r orange" % marked, interval=0.3)
        except TimedOut:
            self.fail("on %s.png, not only %r orange: %s" % (name, marked, problems))

    # ----- the metronome, the take and its score

    def test_1_the_metronome_clicks_at_the_tempo_of_its_dialog(self):
        program = self.program
        program.command(TEMPO)
        program.enter_text("速度", "120")
        start = len(program.events())
        program.command(METRONOME)
        program.wait_item(METRONOME, checked=True)
        found = self.wait_clicks(start, 5, "five clicks")
        gaps = [b - a for (a, _), (b, _) in zip(found, found[1:])]
        self.assertTrue(all(abs(gap - BEAT_MS) <= TOLERANCE_MS for gap in gaps),
                        "clicks %r ms apart at 120" % gaps)
        # 4/4: the first of every four is the accent, from the tick on.
        self.assertEqual([note for _, note in found], [ACCENT_CLICK] + 3 * [BEAT_CLICK] +
                         [ACCENT_CLICK])

    def test_2_the_score_window_shows_the_performance(self):
        self.program.command(SHOW_SCORE)
        self.program.wait_item(SHOW_SCORE, checked=True)
        title, type(self).blank_dark = self.score_window("score_empty")
        self.assertGreater(self.blank_dark, 0, "the 简谱 window is blank")
        self.assertEqual(title, "简谱 - 未命名")

    def test_3_a_take_is_counted_in_and_struck_on_the_beat(self):
        program = self.program
        type(self).take_from = len(program.events())
        program.start_take()
        # The keys on the clicks from the next accent: the first bar line, after the count-in
        # (or a bar later on a slow machine).
        seen = len(program.events())
        wait_until(lambda: ACCENT_CLICK in [note for _, note in clicks(
            program.stamped_events()[seen:])], WAIT, "the first bar line", interval=0.01)
        for key in KEYS:
            program.key(key)
            self.expect(stroke(key), "%s on the beat" % key, ignore=is_click)
            self.wait_clicks(len(program.events()), 1, "the next beat")
        program.stop_take()
        program.command(METRONOME)
        program.wait_item(METRONOME, checked=False)
        title, dark = self.score_window("score_take")
        self.assertGreater(dark, self.blank_dark, "the 简谱 window did not grow with the take")
        self.assertEqual(title, "简谱 - 未命名")

    def test_4_the_saved_take_has_the_tempo_of_its_count_in(self):
        program = self.program
        path = type(self).take_file = self.save_as(program, SAVE_AS, "take.qji")
        self.wait_title(program, "Velmira - [take.qji]")
        take = read_performance(path)
        self.assertEqual((take.count, take.tempo), (2 * len(KEYS), TEMPO_CHUNK))
        # The take began the count-in: 76 then three 77 a beat apart, then 76 on its first bar
        # line (its time origin is the first note's time less the note's delay in the file).
        stamped = program.stamped_events()[self.take_from:]
        origin = next(stamp for stamp, text in stamped if text == note_on(60)) - take.events[0][0]
        found = clicks((stamp, text) for stamp, text in stamped if stamp >= origin - 5)
        first = [note for _, note in found].index(ACCENT_CLICK)
        count_in = [(stamp - origin, note) for stamp, note in found[first:first + 5]]
        self.assertEqual([note for _, note in count_in],
                         [ACCENT_CLICK] + 3 * [BEAT_CLICK] + [ACCENT_CLICK], count_in)
        self.assertTrue(all(abs(at - n * BEAT_MS) <= TOLERANCE_MS
                            for n, (at, _) in enumerate(count_in)),
                        "the count-in at %r ms from the take's start" % count_in)

    def test_5_the_score_exported_as_text_and_svg_holds_the_notes(self):
        text = self.save_as(self.program, EXPORT_SCORE, "take.txt").read_text(encoding="utf-8")
        bars = "".join(line for line in text.splitlines() if line.startswith("|"))
        self.assertEqual(re.findall(r"[1-7]", bars), ["1", "2", "3"], text)
        self.assertIn("4/4", text)

        svg = ElementTree.parse(self.save_as(self.program, EXPORT_SCORE, "take.svg")).getroot()
        self.assertTrue(svg.tag.endswith("svg"), svg.tag)
        digits = [element.text for element in svg.iter() if element.tag.endswith("text")
                  and re.fullmatch(r"[1-7]", element.text or "")]
        self.assertEqual(digits, ["4", "4", "1", "2", "3"])  # the metre's, then the notes'

    def test_6_the_tempo_comes_back_with_the_file(self):
        program = self.program
        self.assertIsNotNone(self.take_file, "nothing was saved")
        # Another tempo for the take (设为录音的速度 at 90), unsaved: then the file loaded over it.
        program.command(TEMPO)
        program.enter_text("速度", "90")
        program.command(TAKE_TEMPO)
        program.wait_item(SAVE, grayed=False)
        program.command(LOAD)
        program.answer(program.wait_box("QJ"), "No")
        program.choose_file(program.wait_box("打开"), self.take_file)
        self.wait_title(program, "Velmira - [take.qji]")
        program.wait_item(SAVE, grayed=True)
        self.assertEqual(read_performance(self.save_as(program, SAVE_AS, "again.qji")).tempo,
                         TEMPO_CHUNK)

    def test_7_end(self):
        self.assertEqual(self.program.close(), 0)
        self.expect(ALL_NOTES_OFF + ["close"], "end", ignore=is_click)

    # ----- a lesson

    def test_8_a_lesson_marks_the_next_cap_until_esc_ends_it(self):
        session = self.session
        song = session.out / "song.txt"
        song.write_text(SONG, encoding="utf-8")
        program = self.program = session.start("learn", args=["--learn",
                                                               session.file_argument(song)])
        program.wait_main_window()
        program.give_keyboard()
        self.expect(START, "start")
        self.assertEqual(program.other_window("简谱.*")[0], "简谱 - T")
        self.wait_caps("a", "lesson_a")
        self.play(["a"], stroke("a"), "A, the song's first note")
        self.wait_caps("s", "lesson_s")

        self.play(["Escape"], ALL_NOTES_OFF, "Esc")
        box = program.wait_box("学习结果")
        self.assert_box_texts(program, box, ["弹对的音: 1 / 3\n错键: 0 次"])
        session.dismiss(box)
        self.wait_caps("", "lesson_ended")
        # The lesson's take is unsaved: closing asks.
        program.request_close()
        program.answer(program.wait_box("QJ"), "No")
        self.assertEqual(program.exit_code(), 0)


class Wine(Notation, cases.WineCase):
    """The Windows program: the steps both programs share."""


class Native(Notation, cases.NativeCase):
    """The Linux program: the steps both programs share."""


if __name__ == "__main__":
    cases.main()
