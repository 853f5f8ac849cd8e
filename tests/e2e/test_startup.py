"""The program from start to end, in both programs: the main window titled "Velmira - [未命名]",
the device opened with one program change on the melody channel, every menu as at start, a
picture of the main window, and the end with Alt+F4; then the two menu bars compared. Under Wine
also the splash before the full-screen main window, and the controls.
"""

import unittest

from harness import cases
from harness.adapter import OUT_ROOT, SCREEN, START
from harness.process import REPO
from harness.driver import Watcher
from harness.formats import ALL_NOTES_OFF

TITLE = "Velmira - [未命名]"
MENU_TITLES = ["开关(&S)", "乐器(&V)", "调式(&M)", "录音(&R)", "功能(&F)", "设备(&D)",
               "声道(&C)", "乐谱(&J)", "帮助(&H)"]
# 乐谱 at start: (id, checked, grayed, label); the popups 拍号 and 曲库 by their labels.
SCORE_MENU = [(1360, False, False, "节拍器(&M)"), (1361, False, False, "速度(&T)..."),
              (None, False, False, "拍号(&B)"), (1366, True, False, "预备拍(&C)"),
              (1367, False, True, "设为录音的速度(&A)"), (1370, False, False, "显示简谱(&S)"),
              (1371, False, True, "导出简谱(&E)..."), (1380, False, False, "学习曲谱(&L)..."),
              (None, False, False, "曲库(&K)"), (1381, False, True, "播放曲谱(&P)"),
              (1382, True, False, "等待模式(&W)"), (1383, False, False, "跟随模式(&F)"),
              (1384, False, False, "练习速度(&R)..."), (1385, False, True, "停止学习(&X)")]
SONGS = sorted((REPO / "resources" / "songs").glob("*.txt"))
KEY_IDS = list(range(1297, 1306)) + list(range(1312, 1322)) + list(range(1328, 1333))
RECORD_IDS = [1283, 1284, 1285, 1286, 1287, 1288, 1289, 1282, 1296]

START_MENU = "start.menu.txt"  # the menu dump at start, kept in the session's folder


def summary(items):
    return [(i.id, i.checked, i.grayed, i.label) for i in items]


class Startup:
    """One run of the program; the steps run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = cls.launch()
        cls.main = cls.program.wait_main_window()
        cls.menu = cls.program.wait_menu(lambda m: len(m.items) == len(MENU_TITLES),
                                         "%d menus" % len(MENU_TITLES))
        (cls.session.out / START_MENU).write_text(cls.program.menu_text(), "utf-8")

    @classmethod
    def launch(cls):
        return cls.session.start("sim")

    def test_1_the_main_window_is_untitled(self):
        self.assertEqual(self.program.title(), TITLE)

    def test_2_device_opened_and_program_change_on_the_melody_channel_only(self):
        self.expect(START, "start")

    def test_3_menu_bar(self):
        self.assertEqual([i.label for i in self.menu.items], MENU_TITLES)
        self.assertTrue(all(i.popup for i in self.menu.items))

    def test_4_switch_menu(self):
        switch = self.menu.popup_named("开关(&S)")
        self.assertEqual(summary(switch.items), [(256, True, False, "打开(&O)\\tAlt+O"),
                                                 (257, False, False, "关闭(&C)\\tAlt+C")])

    def test_5_instrument_menu(self):
        instruments = self.menu.popup_named("乐器(&V)")
        self.assertEqual(len(instruments.items), 16)
        self.assertEqual(instruments.items[0].label, "&A.\\t钢琴")
        self.assertEqual(instruments.items[15].label, "&P.\\t音效")
        for group, popup in enumerate(instruments.items):
            letter = chr(ord("A") + group)
            with self.subTest(group=letter):
                self.assertTrue(popup.popup)
                self.assertTrue(popup.label.startswith("&%s.\\t" % letter), popup.label)
                self.assertEqual([i.id for i in popup.items],
                                 [1024 + 8 * group + n for n in range(8)])
                for n, item in enumerate(popup.items):
                    self.assertTrue(item.label.startswith("&%d.\\t" % (n + 1)), item.label)
                    self.assertGreater(len(item.label), len("&1.\\t"), "no instrument name")
                    self.assertFalse(item.grayed, item)
        checked = [i.id for i in instruments.commands() if i.checked]
        self.assertEqual(checked, [1024])

    def test_6_key_signature_menu(self):
        keys = self.menu.popup_named("调式(&M)")
        self.assertEqual([i.id for i in keys.items], KEY_IDS)
        self.assertEqual(keys.items[0].label, " C大调")
        self.assertEqual([i.id for i in keys.items if i.checked], [1297])
        self.assertEqual([i.id for i in keys.items if i.grayed], [])

    def test_7_record_menu(self):
        record = self.menu.popup_named("录音(&R)")
        self.assertEqual([i.id for i in record.items], RECORD_IDS)
        self.assertEqual([i.id for i in record.items if not i.grayed], [1283, 1296])
        self.assertEqual([i.id for i in record.items if i.checked], [])

    def test_8_function_device_channel_help_menus(self):
        function = self.menu.popup_named("功能(&F)")
        self.assertEqual(summary(function.items), [(1333, False, False, "自动增加低音(&C)")])

        devices = self.menu.popup_named("设备(&D)")
        self.assertEqual([(i.id, i.checked, i.grayed) for i in devices.items],
                         [(511, True, False), (512, False, False)])
        self.assertIn("Simulated Mapper", devices.items[0].label)
        self.assertIn("Simulated Synth 0", devices.items[1].label)

        channels = self.menu.popup_named("声道(&C)")
        self.assertEqual([(i.id, i.label) for i in channels.items],
                         [(768 + n, str(n + 1)) for n in range(15)])
        self.assertEqual([i.id for i in channels.items if i.checked], [768])
        self.assertEqual([i.id for i in channels.items if i.grayed], [])

        help_menu = self.menu.popup_named("帮助(&H)")
        self.assertEqual([i.id for i in help_menu.items], [1280, 1281])

    def test_9_score_menu(self):
        score = self.menu.popup_named("乐谱(&J)")
        self.assertEqual([(None if i.popup else i.id, i.checked, i.grayed, i.label)
                          for i in score.items], SCORE_MENU)
        metres = score.popup_named("拍号(&B)")
        self.assertEqual([(i.id, i.label, i.checked) for i in metres.items],
                         [(1362, "2/4", False), (1363, "3/4", False), (1364, "4/4", True),
                          (1365, "6/8", False)])
        # One item a song of the song book, by its title, in the order of the files' names.
        songs = score.popup_named("曲库(&K)")
        titles = [path.read_text("utf-8").splitlines()[0].split(": ", 1)[1] for path in SONGS]
        self.assertEqual([(i.id, i.label) for i in songs.items],
                         [(1400 + n, title) for n, title in enumerate(titles)])

    def test_a_picture_of_the_main_window(self):
        path = self.session.screenshot("main_window")
        x, y, w, h = self.program.geometry()
        # Not an empty window: the keyboard, pictures and text give many colours.
        self.assertGreater(self.session.unique_colours(path, "%dx%d+%d+%d" % (w, h, x, y)), 16)

    def test_z_alt_f4_ends_the_program_and_closes_the_device(self):
        self.assertEqual(self.program.close(), 0)
        self.expect(ALL_NOTES_OFF + ["close"], "end")
        self.assertEqual(self.program.events()[self.program.cursor:], [],
                         "calls after the device closed")


class Wine(Startup, cases.WineCase):
    @classmethod
    def launch(cls):
        cls.watcher = Watcher(cls.session, "startup")  # first, to see the splash
        program = super().launch()
        cls.splash = cls.watcher.wait_shown("Cover", "Velmira")
        return program

    def test_1b_splash_then_full_screen_main_window(self):
        self.assertEqual(self.main.title, TITLE)
        self.assertEqual(self.main.rect, (0, 0) + SCREEN, "the main window is not full screen")
        self.assertEqual(self.session.find_windows(cls="Cover", visible=True), [],
                         "the splash is still shown beside the main window")
        events = self.watcher.events()
        splash_gone = [i for i, e in enumerate(events)
                       if e[1] == self.splash and e[0] in ("hide", "gone")]
        main_shown = [i for i, e in enumerate(events) if e[0] == "show" and e[2] == "QJ"]
        self.assertTrue(splash_gone and main_shown, events)
        self.assertLess(splash_gone[0], main_shown[0],
                        "the main window showed before the splash went: %r" % events)

    def test_9_controls(self):
        children = self.session.children(self.main.hwnd)
        by_id = {c.id: c for c in children if c.cls != "ToolbarWindow32"}
        for id in (1344, 1345):
            with self.subTest(scroll_bar=id):
                self.assertIn(id, by_id)
                bar = by_id[id]
                self.assertEqual(bar.cls, "ScrollBar")
                self.assertTrue(bar.visible)
                self.assertGreater(bar.rect[3], bar.rect[2], "not a vertical bar: %r" % (bar,))
        self.assertEqual(self.session.scroll_info(by_id[1344])["pos"], 1, "velocity is not 127")

        buttons = [by_id.get(id) for id in range(1283, 1288)]
        self.assertTrue(all(b is not None and b.cls == "Button" and b.visible for b in buttons),
                        buttons)
        self.assertEqual(buttons[0].text, "开始录制")
        self.assertEqual([b.enabled for b in buttons], [True, False, False, False, False])
        self.assertTrue(all(b.rect[2] > 0 and b.rect[3] > 0 for b in buttons), buttons)

        toolbars = [c for c in children if c.cls == "ToolbarWindow32"]
        self.assertEqual(len(toolbars), 1)
        toolbar = toolbars[0]
        client_top = self.main.rect[1]
        self.assertLess(toolbar.rect[1] - client_top, 80, "the toolbar is not along the top")
        self.assertEqual(len(self.session.toolbar_buttons(toolbar)), 14)


class Native(Startup, cases.NativeCase):
    """The Linux program: the steps both programs share."""


class BothPrograms(unittest.TestCase):
    """After both programs' runs."""

    def test_the_linux_programs_menu_bar_is_the_windows_programs(self):
        dumps = [OUT_ROOT / adapter / cases.test_name(type(self)) / START_MENU
                 for adapter in ("native", "wine")]
        missing = [str(path) for path in dumps if not cases.made_in_this_run(path)]
        if missing:
            self.skipTest("not both programs ran: no %s" % ", ".join(missing))
        self.assertEqual(*(path.read_text("utf-8") for path in dumps))


if __name__ == "__main__":
    cases.main()
