"""Text the code page cannot hold and text of a size no one types: names
outside code page 1251 in the installation and the description, and a
description of a mebibyte. They are pasted, as an operator pastes what no
keyboard types. A text file whose text the code page holds stays in it byte
for byte; one it cannot hold is written whole in UTF-8 behind its mark, and
the run record names it."""

import os
import re
import unittest

from harness.case import SMALL, EndToEndCase
from harness.expected import UTF8_MARK


class Names(EndToEndCase):

    def encoding_lines(self, run):
        """The files the record says were written in UTF-8, as it names them."""
        with open(os.path.join(run.dated, "Dorvak.log"), "rb") as record:
            text = record.read().decode("utf-8")
        return re.findall(r" ENCODING (.*)\r\n", text)

    def in_dated(self, root, run, relative):
        return self.root_windows(root) + os.path.basename(run.dated) + "\\" + \
            relative.replace("/", "\\")

    def read(self, run, relative):
        with open(os.path.join(run.dated, relative), "rb") as source:
            return source.read()

    def test_names_with_blanks_and_outside_the_code_page(self):
        root = self.installation("--seed", "11", "--logs", "0", "--odd-names",
                                 name="Корень установки 日本 Ω")
        lines = ["Имена с пробелами, 日本語 и Ωμέγα", "вторая строка"]
        # No keyboard types Japanese and Greek beside Russian: pasted.
        run = self.run_scenario(root, lines, paste=True)
        # The old odd-named log is its folder's only one: the fallback takes it.
        self.assertIn("MERUDrv/MERUProt/BadProt/последний 日本.log", run.expected.entries)
        # Nothing of the operator's words and the installed names is lost:
        # the description and the inventory of the odd-named programs are
        # UTF-8 throughout, Cyrillic included; an inventory of plain names
        # stays in the code page.
        self.assertEqual(self.read(run, "ReadMe.txt"), UTF8_MARK + "\r\n".join(lines).encode())
        tools = self.read(run, "MERUDrv/Tools/Version.txt")
        self.assertTrue(tools.startswith(UTF8_MARK), tools[:40])
        self.assertIn("\r\nСервис 日本 tool.exe\tv3.2.0.15\t".encode(), tools)
        self.assertIn("\r\nБиблиотека Ω.dll\t".encode(), tools)
        self.assertFalse(self.read(run, "MERUDrv/MERUDrv/Version.txt").startswith(UTF8_MARK))
        self.assertEqual(self.encoding_lines(run),
                         ["utf-8 file=" + self.in_dated(root, run, path)
                          for path in ("ReadMe.txt", "MERUDrv/Tools/Version.txt")])

    def test_description_alone_decides_the_encoding_of_its_file(self):
        cases = [
            # Kazakh letters 1251 lacks, though a best-fit conversion would
            # pass them off as their Russian look-alikes (қ as к).
            ("Kazakh", ["Лифт тоқтап қалды"], True),
            # Marks of the code page's upper half beside the alphabet.
            ("marks of the code page", ["Лифт №3 — «стоп», ёлка"], False),
        ]
        for index, (name, lines, utf8) in enumerate(cases):
            with self.subTest(name):
                root = self.installation("--seed", "11", "--logs", "0", name="MERU-%d" % index)
                run = self.run_scenario(root, lines, paste=True)
                text = "\r\n".join(lines)
                self.assertEqual(self.read(run, "ReadMe.txt"),
                                 UTF8_MARK + text.encode("utf-8") if utf8
                                 else text.encode("cp1251"))
                self.assertEqual(self.encoding_lines(run),
                                 ["utf-8 file=" + self.in_dated(root, run, "ReadMe.txt")]
                                 if utf8 else [])

    def test_description_of_one_mebibyte(self):
        # Typing a mebibyte key by key would take hours: it is pasted with
        # Ctrl+V from the clipboard, as an operator would paste a long log
        # excerpt, and Save is pressed with Enter as usual. Five long lines:
        # the edit has no vertical scrolling, so it takes no more lines than
        # it shows and refuses a paste of more.
        line = "Строка %d: лифт, этаж, код ошибки, время события; "
        lines = [(line % n) * (1024 * 1024 // 5 // len(line % n) + 1) for n in range(5)]
        description = "\r\n".join(lines)[:1024 * 1024]
        # The paste waits until the edit holds the whole text: one cut short fails.
        run = self.run_scenario(self.installation(*SMALL), [description], paste=True)
        stored = self.read(run, "ReadMe.txt")
        self.assertEqual(len(stored), 1024 * 1024)
        self.assertEqual(stored, description.encode("cp1251"))


if __name__ == "__main__":
    unittest.main()
