"""The recovery copy in both programs: a phrase recorded and not saved survives a kill of the
program (SIGKILL of the Linux program, TerminateProcess under Wine): the next start in the same
session asks whether to keep it, Yes brings it back untitled and 开始播放 plays it; closing it
with No to the question gives it up for good.

Each session has a data folder of its own (see the harness), so the copy one program leaves is
offered to the next program of the same session only.
"""

from harness import cases
from harness.adapter import START
from harness.formats import ALL_NOTES_OFF, note_off, note_on, read_performance
from harness.process import WAIT, wait_until

PLAY = 1285
PHRASE = {"a": 60, "s": 62, "d": 64}
NOTES = [call for note in PHRASE.values() for call in (note_on(note), note_off(note))]


class Recovery:
    """The steps run in the order of their names, each with a program of its own."""

    def start(self, name):
        program = self.session.start(name)
        program.wait_main_window()
        program.give_keyboard()
        return program

    def test_1_an_unsaved_take_outlives_a_kill(self):
        program = self.start("killed")
        self.expect(START, "start", program)
        program.start_take()
        for key, note in PHRASE.items():
            self.play([key], [note_on(note), note_off(note)], key.upper(), program)
        program.stop_take()

        def whole_copy():
            copies = self.session.recovery_copies()
            return copies if len(copies) == 1 and read_performance(copies[0]).count == 6 else None
        wait_until(whole_copy, WAIT, "a recovery copy of the six key events")
        program.kill()
        self.assertEqual(len(self.session.recovery_copies()), 1)

    def test_2_the_next_start_offers_it_and_yes_keeps_it(self):
        session = self.session
        program = session.start("recovered")
        self.expect(START, "start", program)  # the device opens before the question
        box = program.wait_box("QJ")
        self.assert_box_texts(program, box, ["上次未保存的录音已恢复。要保留它吗?"])
        session.screenshot("question")
        program.answer(box, "Yes")
        program.wait_main_window()
        self.wait_title(program, "Velmira - [未命名]")
        program.wait_item(PLAY, grayed=False)
        program.command(PLAY)
        self.expect(NOTES + ALL_NOTES_OFF, "the phrase played back", program)

        # Given up with No to the question on closing: nothing is offered any more.
        program.request_close()
        program.answer(program.wait_box("QJ"), "No")
        self.assertEqual(program.exit_code(), 0)
        self.assertEqual(session.recovery_copies(), [])


class Wine(Recovery, cases.WineCase):
    """The Windows program: the steps both programs share."""


class Native(Recovery, cases.NativeCase):
    """The Linux program: the steps both programs share."""


if __name__ == "__main__":
    cases.main()
