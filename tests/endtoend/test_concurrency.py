"""A second Save while a run works: Enter pressed twice in one window, and
two operators saving the same day at once. One run collects, and nothing is
written twice or into a folder that already exists."""

import datetime
import os
import subprocess
import time
import unittest

from harness.case import SMALL, EndToEndCase
from harness.environment import xdotool
from harness.expected import dated_name, snapshot
from harness.waits import HarnessError
from harness.window import FOLDER, FOLDER_EXISTS, IDC_DESCRIPTION, IDOK, Box


class SecondSave(EndToEndCase):

    def test_enter_pressed_twice_on_save(self):
        def press_enter_twice(dorvak):
            dorvak.tab_to(IDC_DESCRIPTION)
            # The second Enter waits in the queue while the run works; it must
            # not close the summary before it can be read.
            xdotool("key", "--delay", "40", "Return", "Return")
        self.run_scenario(self.installation(*SMALL), ["Ввод дважды"], save=press_enter_twice)

    def test_two_instances_save_the_same_date_at_once(self):
        root = self.installation(*SMALL)
        today = datetime.date.today()
        before = snapshot(root)
        first = self.start(root)
        second = self.start(root, known=(first.hwnd,))
        # One above the other, as two operators' windows would be moved so
        # that a click can bring either to the front.
        second.move_to(3, 560)
        texts = {first.pid: ["Первый оператор"], second.pid: ["Второй оператор"]}
        first.type_description(texts[first.pid])
        second.type_description(texts[second.pid])
        # A click on each Save button, one right after the other: the second
        # run starts while the first works.
        clicks = []
        for dorvak in (first, second):
            x, y = dorvak.control_center(IDOK)
            clicks += ["mousemove", "--sync", str(x), str(y), "click", "1"]
        subprocess.run(["xdotool"] + clicks, check=True, timeout=60)

        def settled():
            return all(d.ended() or d.boxes for d in (first, second)) and \
                (first.ended() or second.ended())
        others_running = {}
        deadline = time.monotonic() + 300
        owners = {first.pid: (first, second), second.pid: (second, first)}
        while not settled():
            if time.monotonic() > deadline:
                raise HarnessError("not reached within 300 s: one run finished and the other "
                                   "refused; boxes %r and %r" % (first.boxes, second.boxes))
            # The boxes of both may stand on top of each other: the topmost
            # is answered first, and only its icon can be seen.
            boxes = [Box(item) for item in self.probe.windows()
                     if item["box"] and item["pid"] in owners and
                     item["hwnd"] not in owners[item["pid"]][0].answered]
            if boxes:
                dorvak, other = owners[boxes[0].pid]
                others_running.setdefault(dorvak.pid, not other.ended())
                try:
                    dorvak.answer_box(boxes[0])
                except HarnessError:
                    # The other's box came up on top of it meanwhile.
                    dorvak.answered.discard(boxes[0].hwnd)
                    dorvak.boxes.remove(boxes[0])
            time.sleep(0.1)
        winner = first if first.ended() else second
        loser = second if winner is first else first
        self.assertTrue(winner.ended())
        self.assert_summary_last(winner.boxes, root, today)
        self.assertEqual(len(winner.boxes), 1, winner.boxes)
        self.assertEqual([(box.text, box.icon) for box in loser.boxes],
                         [(FOLDER + self.root_windows(root) + dated_name(today) + "\\" +
                           FOLDER_EXISTS, "error")])
        # The refusal came while the other run was still at work.
        self.assertTrue(others_running[loser.pid])
        # The refused one stays open, untouched, until its operator cancels.
        self.assertTrue(loser.dialog_open())
        loser.cancel()
        loser.run_to_end(timeout=60)
        self.assertEqual(len(loser.boxes), 1)
        self.assertEqual([name for name in os.listdir(root) if name[:2] == "20"],
                         [dated_name(today)])
        self.assert_output(root, today, self.expected(root, today, texts[winner.pid]))


if __name__ == "__main__":
    unittest.main()
