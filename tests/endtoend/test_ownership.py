"""Folders someone else plants inside the dated folder while a run goes on.
The run writes only into folders it made itself: an entry of a mirror
folder's name that it finds already there is told once and never entered,
whatever it leads to."""

import os
import threading
import unittest

from harness.case import SMALL, EndToEndCase
from harness.expected import dated_name, snapshot, tree_difference
from harness.waits import HarnessError, wait_for
from harness.window import CREATE_FOLDER_FAILED
from test_unreadable import ERROR_ALREADY_EXISTS

# Late in the plan, after the five captures and six product rows: the
# product row of MERUSms and, among the inventories, Sefrin's.
PLANTED = ["MERUSms", "Sefrin"]


class LinkPlanter(threading.Thread):
    """Another process at work beside the run: the moment the run's mirror
    base exists, it puts directory links where the run will want folders of
    its own. Wine shows a link to a folder as that folder."""

    def __init__(self, mirror_base, targets, timeout=120):
        super().__init__(daemon=True)
        self.mirror_base, self.targets, self.timeout = mirror_base, targets, timeout
        self.error = None

    def run(self):
        try:
            wait_for(lambda: os.path.isdir(self.mirror_base), "the run's mirror base made",
                     self.timeout, interval=0.002)
            for name, target in self.targets.items():
                os.symlink(target, os.path.join(self.mirror_base, name),
                           target_is_directory=True)
        except (HarnessError, OSError) as error:
            self.error = error

    def planted(self):
        """Every link is in place; a link the run got ahead of (it made the
        folder first) leaves the case proving nothing, and fails it."""
        self.join(self.timeout + 10)
        if self.is_alive() or self.error is not None:
            raise HarnessError("the links were not planted ahead of the run: %s" % self.error)


class Ownership(EndToEndCase):

    def test_links_planted_during_the_run_are_told_once_and_not_entered(self):
        """Two directory links planted the moment the mirror base exists, each
        to a folder outside holding files of the names the run writes there.

        What catches what:
        - a copy, a log folder or an inventory written through a link: the
          snapshot of the outside folders differs (new BadSms and LogSms
          folders, a Config0.xml or Version.txt replaced or appended to);
        - a write into a link that failed on a planted file (a copy or an
          inventory refused with 80) or a refusal told twice (MERUSms is
          both a product row and an inventory): the messages before the
          summary are exactly one box with 183 per link;
        - a run that stops at the refusal: the summary comes last and the
          record says the run completed;
        - a link removed or replaced by a folder of the run's own: the links
          still lead outside after the run."""
        root = self.installation(*SMALL)
        for name in PLANTED:
            self.assertTrue(os.path.isdir(os.path.join(root, name)), name + " not installed")
        outside = os.path.join(self.folder, "outside")
        targets = {name: os.path.join(outside, name) for name in PLANTED}
        for name, target in targets.items():
            os.makedirs(target)
            # Names the run writes in the folder it mirrors.
            for file_name, content in [("Config0.xml", "<planted folder=\"%s\"/>\r\n"),
                                       ("Version.txt", "planted for %s\r\n")]:
                with open(os.path.join(target, file_name), "wb") as planted:
                    planted.write((content % name).encode())
        outside_before = snapshot(outside)
        planter = []

        def adjust(expected):
            dated = dated_name(expected.day)
            planter.append(LinkPlanter(os.path.join(root, dated, "MERUDrv"), targets))
            mirror = self.root_windows(root) + dated + "\\MERUDrv\\"
            expected.messages += [
                (self.probe.system_error(CREATE_FOLDER_FAILED + mirror + name + "\\",
                                         ERROR_ALREADY_EXISTS), "error") for name in PLANTED]
            # The links show as folders; nothing is expected behind them.
            for path in list(expected.entries):
                if any(path.startswith("MERUDrv/%s/" % name) for name in PLANTED):
                    del expected.entries[path]

        def save(dorvak):
            planter[0].start()
            dorvak.save()

        self.run_scenario(root, ["Чужие ссылки в папке"], adjust=adjust, save=save,
                          during=lambda dorvak, expected: planter[0].planted())

        self.assertEqual(tree_difference(outside_before, snapshot(outside)), ([], [], []),
                         "written (added, removed, changed) through a planted link")
        mirror_base = planter[0].mirror_base
        self.assertEqual({name: os.readlink(os.path.join(mirror_base, name)) for name in PLANTED},
                         targets)


if __name__ == "__main__":
    unittest.main()
