"""The operator's road through the real window: Dorvak.exe started from
<root>\\Dorvak\\ under Wine, filled in with keystrokes and the mouse, every
message answered, and the whole output checked against the installation."""

import datetime
import os
import unittest

from harness.case import EndToEndCase
from harness.expected import dated_name, snapshot, tree_difference
from harness.window import FOLDER, FOLDER_EXISTS, IDC_DESCRIPTION, IDOK

# 2,000 logs over 20 days in 38 log folders, every product, both
# configurators, programs with and without version resources; a log at
# exactly 00:00:00 today and one at 23:59:59 yesterday, and the domain
# configurator of the first version that exports.
FULL = ("--seed", "7", "--logs", "2000", "--days", "20", "--domain-configurator", "4.7.2.1")
DESCRIPTION = ["Лифт 3 остановился между этажами в 10:15, код ошибки E42.",
               "После перезапуска MERUDrv связь восстановилась."]


class OperatorRuns(EndToEndCase):

    def run_and_check(self, root, dorvak, day, lines):
        before = snapshot(root)
        # Typed key by key, Cyrillic as well as Latin.
        dorvak.type_description(lines)
        dorvak.save()
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, day)
        self.assert_output(root, day, self.expected(root, day, lines))
        self.assert_only_dated_folder_written(root, before, day)
        return boxes

    def test_full_installation_started_from_its_own_folder(self):
        root = self.installation(*FULL)
        dorvak = self.start(root)
        # The dialog opens on today, with nothing typed and Save focused.
        today = datetime.date.today()
        self.assertEqual(dorvak.calendar_day(), today.isoformat())
        self.assertEqual(dorvak.description(), "")
        self.assertEqual(dorvak.focused_control(), IDOK)
        self.run_and_check(root, dorvak, today, DESCRIPTION)
        # At least the newest log of each of the 38 log folders made it.
        copied = [path for path, kind in snapshot(os.path.join(root, dated_name(today))).items()
                  if path.endswith(".log")]
        self.assertGreaterEqual(len(copied), 38)
        # The start of the day is in, the second before it is out, and the
        # configurator exported the domain's structure.
        yesterday = today - datetime.timedelta(days=1)
        self.assertTrue(any(path.endswith(today.strftime("%Y%m%d_000000.log")) for path in copied))
        self.assertFalse(any(path.endswith(yesterday.strftime("%Y%m%d_235959.log"))
                             for path in copied))
        self.assertTrue(os.path.isfile(os.path.join(root, dated_name(today), "MERUDrv",
                                                    "MERUDomain", "Struct.XML")))

    def test_empty_installation_root(self):
        root = self.installation("--only-dorvak")
        dorvak = self.start(root)
        today = datetime.date.today()
        # Plain ASCII, typed key by key, punctuation and digits included.
        self.run_and_check(root, dorvak, today,
                           ["Empty installation: only Dorvak (0 products), 10:15!",
                            "Second line; [ok] {2} <3> 'x' \"y\" ~`@#$%^&*()_+-=/\\|?"])
        self.assertEqual(os.listdir(os.path.join(root, dated_name(today), "MERUDrv")), [])

    def test_existing_dated_folder_is_refused_and_left_alone(self):
        root = self.installation("--seed", "3", "--logs", "200", "--days", "5")
        today = datetime.date.today()
        dated = os.path.join(root, dated_name(today))
        os.makedirs(os.path.join(dated, "MERUDrv"))
        with open(os.path.join(dated, "ReadMe.txt"), "wb") as earlier:
            earlier.write(b"an earlier run")
        before = snapshot(root)
        dorvak = self.start(root)
        dorvak.type_description(["Повторный запуск"])
        dorvak.save()
        dorvak.answer_boxes_until(lambda: dorvak.boxes, timeout=60)
        self.assertEqual([(box.text, box.icon) for box in dorvak.boxes],
                         [(FOLDER + self.root_windows(root) + dated_name(today) + "\\" +
                           FOLDER_EXISTS, "error")])
        # The dialog stays open for another date; Esc then ends the program.
        self.assertTrue(dorvak.dialog_open())
        self.assertEqual(dorvak.description(), "Повторный запуск")
        dorvak.cancel()
        dorvak.run_to_end(timeout=60)
        self.assertEqual(len(dorvak.boxes), 1)
        self.assertEqual(tree_difference(before, snapshot(root)), ([], [], []))

    def test_start_day_chosen_with_the_mouse(self):
        root = self.installation(*FULL)
        dorvak = self.start(root)
        today = datetime.date.today()
        # A day of the shown month: five days back, or ahead early in a month.
        day = today - datetime.timedelta(days=5)
        if day.month != today.month:
            day = today + datetime.timedelta(days=3)
        dorvak.click_day(day)
        # Save with nothing typed is refused first; the day stays chosen.
        dorvak.key("Return")
        dorvak.answer_boxes_until(lambda: dorvak.boxes, timeout=30)
        self.assertEqual([(box.text, box.icon) for box in dorvak.boxes],
                         [("Не введено описание", "exclamation")])
        self.assertEqual(dorvak.focused_control(), IDC_DESCRIPTION)
        self.assertEqual(dorvak.calendar_day(), day.isoformat())
        dorvak.boxes.clear()
        self.run_and_check(root, dorvak, day, ["Начиная с выбранного дня"])
        self.assertEqual([name for name in os.listdir(root) if name[:2] == "20"],
                         [dated_name(day)])
        if day < today:
            # Days of logs, not only the newest of each folder.
            copied = [path for path in snapshot(os.path.join(root, dated_name(day)))
                      if path.endswith(".log")]
            self.assertGreater(len(copied), 200)

    def test_started_from_another_current_directory(self):
        # The last domain configurator version that cannot export.
        root = self.installation("--seed", "7", "--logs", "2000", "--days", "20",
                                 "--domain-configurator", "4.7.2.0")
        elsewhere = os.path.join(self.folder, "Рабочий стол")
        os.makedirs(elsewhere)
        with open(os.path.join(elsewhere, "заметка.txt"), "wb") as note:
            note.write(b"left alone")
        around = snapshot(self.folder, skip={"MERU"})
        dorvak = self.start(root, cwd=elsewhere)
        today = datetime.date.today()
        self.run_and_check(root, dorvak, today, ["Запуск из другой папки"])
        # The domain configurator was neither started nor given a place.
        self.assertFalse(os.path.exists(os.path.join(root, "MERUDomain", "commandline.log")))
        self.assertFalse(os.path.exists(os.path.join(root, dated_name(today), "MERUDrv",
                                                     "MERUDomain", "Struct.XML")))
        # Nothing was written where the program was started from.
        self.assertEqual(tree_difference(around, snapshot(self.folder, skip={"MERU"})),
                         ([], [], []))


if __name__ == "__main__":
    unittest.main()
