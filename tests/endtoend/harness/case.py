"""The frame of every end-to-end test: one Wine session for the whole run,
a folder of its own per test, installations copied from templates, and the
checks that the installation stayed as it was."""

import collections
import datetime
import os
import re
import shutil
import unittest

from .environment import Environment
from .expected import (CONFIGURATOR_LOGS, DATED_NAME, compare_output, dated_name, expected_run,
                       snapshot, tree_difference)
from .window import COPY_FILE_FAILED, RUN_INCOMPLETE, SAVED_TO, Dorvak, Probe

# 300 logs over 10 days: enough for every folder of the plan, quick to copy.
SMALL = ("--seed", "5", "--logs", "300", "--days", "10")

# What run_scenario leaves for the test's own checks: the message boxes in
# the order answered (the summary last), the expected output it was checked
# against, the start day, and the dated folder (a Unix path).
Run = collections.namedtuple("Run", "boxes expected day dated")


def shown(boxes):
    return [(box.text, box.icon) for box in boxes]


_session = {}


def session():
    """One Wine environment and one probe for all tests of a run."""
    if not _session:
        env = Environment()
        env.start()
        _session["env"] = env
        _session["probe"] = Probe(env)
    return _session["env"], _session["probe"]


def end_session():
    if _session:
        _session["probe"].close()
        _session["env"].stop()
        _session.clear()


class EndToEndCase(unittest.TestCase):
    """Each test works in a folder of its own in drive C: of the prefix, on
    installations copied from templates that SampleInstall lays out once."""

    maxDiff = None
    _templates = {}

    def setUp(self):
        self.env, self.probe = session()
        self.folder = os.path.join(self.env.drive_c, "e2e", self.id().split(".")[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.programs = []
        self.installations_before = {}  # root -> its tree before Dorvak first started there
        self.addCleanup(self._clean)

    def tearDown(self):
        # Before the test's own clean-ups (a drive it mounted is still there).
        for program in self.programs:
            program.kill()
        for root, before in self.installations_before.items():
            self.check_installation_untouched(root, before)

    def _clean(self):
        for program in self.programs:
            program.kill()
        if not os.environ.get("DORVAK_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def check_installation_untouched(self, root, before):
        """Whatever the test did, the installation is byte for byte what it
        was before Dorvak started, but for new dated folders (the runs'
        output) and the logs the configurator stand-ins write beside
        themselves."""
        new_dated = {name for name in os.listdir(root)
                     if DATED_NAME.fullmatch(name) and name not in before}
        added, removed, changed = tree_difference(before, snapshot(root, skip=new_dated))
        added = [path for path in added if path not in CONFIGURATOR_LOGS]
        changed = [path for path in changed if path not in CONFIGURATOR_LOGS]
        self.assertEqual((added, removed, changed), ([], [], []),
                         "written (added, removed, changed) outside the dated folder of "
                         + root)

    def installation(self, *options, name="MERU"):
        """A fresh copy of the installation SampleInstall makes with these options."""
        key = tuple(options)
        template = self._templates.get(key)
        if template is None:
            template = os.path.join(self.env.drive_c, "e2e", "templates",
                                    "t%d" % len(EndToEndCase._templates), "MERU")
            shutil.rmtree(os.path.dirname(template), ignore_errors=True)
            self.env.sample_install(template, *options)
            EndToEndCase._templates[key] = template
        root = os.path.join(self.folder, name)
        shutil.copytree(template, root, symlinks=True)
        return root

    def start(self, root, cwd=None, known=(), wrapper=()):
        if root not in self.installations_before:
            self.installations_before[root] = snapshot(root)
        dorvak = Dorvak(self.env, self.probe, os.path.join(root, "Dorvak", "Dorvak.exe"),
                        cwd or os.path.join(root, "Dorvak"), wrapper)
        self.programs.append(dorvak)
        dorvak.wait_dialog(known=known)
        return dorvak

    def root_windows(self, root):
        return self.env.windows_path(root) + "\\"

    def summary(self, root, day):
        return SAVED_TO + self.root_windows(root) + dated_name(day) + "\\\r\n"

    def assert_summary_last(self, boxes, root, day):
        """The summary came last. A run with troubles says how many in the
        line after the folder's, under the warning icon; each box of the run
        (not of the summary's own buttons) told one of them."""
        self.assertTrue(boxes, "no message at all")
        summary = boxes[-1]
        self.assertTrue(summary.summary, summary)
        self.assertTrue(summary.text.startswith(self.summary(root, day)), summary.text)
        self.assertEqual(summary.icon, "exclamation" if self.troubles(summary, root, day)
                         else "information")
        told = [box for box in boxes[:-1] if box.owner != summary.hwnd]
        if told:
            self.assertGreaterEqual(self.troubles(summary, root, day), len(told), summary.text)

    def troubles(self, summary, root, day):
        """The count of troubles the summary names; 0 when it names none."""
        line = self.summary(root, day)[:-2] + RUN_INCOMPLETE
        if not summary.text.startswith(line):
            return 0
        return int(re.match(r"\d+", summary.text[len(line):]).group(0))

    def expected(self, root, day, description_lines, **options):
        description = "\r\n".join(description_lines)
        return expected_run(root, day, description, archive=self.archive_name(day), **options)

    def archive_name(self, day):
        """The archive a run of that start day leaves in its dated folder."""
        return "%s_%s.zip" % (self.env.computer_name(), day.strftime("%Y_%m_%d"))

    def failed_copy(self, root, relative, code):
        """The message of a copy that failed: it names the installed file with
        its folder (relative: its path under root)."""
        source = self.root_windows(root) + relative.replace("/", "\\")
        return (self.probe.system_error(COPY_FILE_FAILED + source, code), "error")

    def run_scenario(self, root, lines, adjust=None, paste=False, save=None, during=None,
                     wrapper=()):
        """The operator's whole road, checked: Dorvak started from
        <root>\\Dorvak\\, the start day left at today, the description lines
        typed (or pasted) and saved, every message answered until the program
        ends. The messages before the summary must be the expected ones, the
        summary comes last, the dated folder holds the expected output, and
        nothing else in the installation was written.

        adjust(expected): before Dorvak starts, with the output worked out
        from the installation: the test changes what it expects, or prepares
        by it (expected.day is the start day).
        save(dorvak): presses Save its own way, once the description is in.
        during(dorvak, expected): once Save is pressed, before the remaining
        messages are answered; it may add the messages it saw to expected.

        Returns a Run for the test's own checks."""
        day = datetime.date.today()
        before = snapshot(root)
        expected = self.expected(root, day, lines)
        if adjust is not None:
            adjust(expected)
        dorvak = self.start(root, wrapper=wrapper)
        if paste:
            dorvak.paste_description(lines)
        else:
            dorvak.type_description(lines)
        if save is not None:
            save(dorvak)
        else:
            dorvak.save()
        if during is not None:
            during(dorvak, expected)
        boxes = dorvak.run_to_end()
        if expected.messages is not None:
            self.assertEqual(shown(boxes[:-1]), expected.messages)
        self.assert_summary_last(boxes, root, day)
        self.assert_output(root, day, expected)
        self.assert_only_dated_folder_written(root, before, day)
        return Run(boxes, expected, day, os.path.join(root, dated_name(day)))

    def assert_output(self, root, day, expected):
        problems = compare_output(os.path.join(root, dated_name(day)), expected)
        self.assertEqual(problems, [], "the dated folder differs from the installation")

    def assert_only_dated_folder_written(self, root, before, day, configurators=True):
        """The installation is byte for byte what it was, and the run added
        nothing but the dated folder (and the configurator stand-ins' own
        logs of how they were started, which are checked here too)."""
        dated = dated_name(day)
        after = snapshot(root, skip={dated})
        added, removed, changed = tree_difference(before, after)
        self.assertEqual((removed, changed), ([], []), "the installation changed")
        expected_added = []
        if configurators:
            mirror = self.root_windows(root) + dated + "\\MERUDrv\\"

            def program(folder, name):
                # Started by its full path, the configurator gets its command
                # line as composed: the path unquoted, blanks and all.
                return self.root_windows(root) + "\\" + folder + "\\" + name
            lines = {
                "MERUDisp/commandline.log":
                    program("MERUDisp", "MERUDispCfg.exe") + " -s\"" + mirror +
                    "\\MERUDisp\\Struct.XML\"\r\n",
                "MERUDomain/commandline.log":
                    program("MERUDomain", "MERUDomainCfg.exe") + " -s\"" + mirror +
                    "\\MERUDomain\\Struct.XML\"\r\n",
            }
            for path, line in lines.items():
                if os.path.exists(os.path.join(root, path)):
                    expected_added.append(path)
                    with open(os.path.join(root, path), "rb") as log:
                        self.assertEqual(log.read().decode("utf-8"), line)
        self.assertEqual(added, sorted(expected_added), "written outside the dated folder")
