"""Text the code page cannot hold and text of a size no one types: names
outside code page 1251 in the installation and the description, and a
description of a mebibyte. Both are pasted, as an operator pastes what no
keyboard types."""

import os
import unittest

from harness.case import SMALL, EndToEndCase


class Names(EndToEndCase):

    def test_names_with_blanks_and_outside_the_code_page(self):
        root = self.installation("--seed", "11", "--logs", "0", "--odd-names",
                                 name="Корень установки 日本 Ω")
        lines = ["Имена с пробелами, 日本語 и Ωμέγα", "вторая строка"]
        # No keyboard types Japanese and Greek beside Russian: pasted.
        run = self.run_scenario(root, lines, paste=True)
        # The old odd-named log is its folder's only one: the fallback takes it.
        self.assertIn("MERUDrv/MERUProt/BadProt/последний 日本.log", run.expected.entries)
        # Letters the code page lacks reach the narrow files as its default
        # character, Cyrillic as one byte each.
        with open(os.path.join(run.dated, "ReadMe.txt"), "rb") as readme:
            self.assertEqual(readme.read(),
                             "Имена с пробелами, ??? и ?????\r\nвторая строка".encode("cp1251"))
        with open(os.path.join(run.dated, "MERUDrv", "Tools", "Version.txt"), "rb") as inventory:
            self.assertIn("Сервис ?? tool.exe\tv3.2.0.15\t".encode("cp1251"), inventory.read())

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
        with open(os.path.join(run.dated, "ReadMe.txt"), "rb") as readme:
            stored = readme.read()
        self.assertEqual(len(stored), 1024 * 1024)
        self.assertEqual(stored, description.encode("cp1251"))


if __name__ == "__main__":
    unittest.main()
