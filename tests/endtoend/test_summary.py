"""From the summary to support: Send hands the archive to the site's mail
program through Simple MAPI, in its own window, addressed as the site's own
library words text 16705; a mail program that fails is told in a box and
the archive shown in its folder instead. The mail program is a stand-in of
ours (tools/mailstandin), made the prefix's default mail client, that
writes down what it receives."""

import json
import os
import shutil
import unittest

from harness.case import SMALL, EndToEndCase
from harness.expected import dated_name
from harness.waits import wait_for
from test_record import Record
from dorvak_ids import IDC_SEND_MAIL

MAIL_KEY = r"HKLM\Software\Clients\Mail"
STAND_IN = "Dorvak mail stand-in"
MAPI_DIALOG = 0x8
MAIL_FAILED = ("Почтовая программа не приняла архив (код MAPI 2): возможно, она не настроена. "
               "Архив будет показан в папке, отправьте его сами.")
# As tools/resdll/CMakeLists.txt words the site library's support text.
SITE_ADDRESS = "helpdesk@lifts.example.org"


class Summary(EndToEndCase):

    def reg(self, *arguments):
        # The 32-bit program reads the registry's 32-bit view.
        return self.env.run_windows(["reg"] + list(arguments) + ["/reg:32"])

    def mail_stand_in(self, failing=False):
        """The stand-in, copied into the test's folder, the default mail
        client until the test ends; the file it writes its calls to."""
        folder = os.path.join(self.folder, "mail")
        os.makedirs(folder)
        dll = shutil.copy(os.path.join(self.env.build_dir, "mailstandin", "MailStandIn.dll"),
                          folder)
        if failing:
            open(os.path.join(folder, "MailStandIn.fail"), "wb").close()
        shown = self.reg("query", MAIL_KEY, "/ve")
        previous = shown.split("REG_SZ", 1)[1].strip() if "REG_SZ" in shown else ""
        self.reg("add", MAIL_KEY + "\\" + STAND_IN, "/v", "DLLPath", "/d",
                 self.env.windows_path(dll), "/f")
        self.reg("add", MAIL_KEY, "/ve", "/d", STAND_IN, "/f")
        self.addCleanup(self.reg, "add", MAIL_KEY, "/ve", "/d", previous, "/f")
        self.addCleanup(self.reg, "delete", MAIL_KEY + "\\" + STAND_IN, "/f")
        return os.path.join(folder, "MailStandIn.json")

    def send(self, record, after=None):
        """A run_scenario step: the operator clicks Send, the summary's
        default; then after(dorvak, expected). The stand-in's calls."""
        received = []

        def calls():
            if os.path.exists(record):
                with open(record, encoding="utf-8") as lines:
                    received[:] = [json.loads(line) for line in lines]
            return received

        def during(dorvak, expected):
            summary = dorvak.wait_summary()
            self.assertEqual(summary.default, IDC_SEND_MAIL)
            dorvak.click_button(summary, IDC_SEND_MAIL)
            wait_for(calls, "the mail program called", 60)
            if after is not None:
                after(dorvak, expected)
            calls()
        return during, received

    def record(self, run, keyword):
        return Record(self, os.path.join(run.dated, "Dorvak.log")).only(keyword)

    def test_send_hands_the_archive_to_the_address_of_the_sites_own_library(self):
        # A site's library made before the summary: its own support address
        # in text 16705, and no summary template (the program's own serves).
        record = self.mail_stand_in()
        root = self.installation(*SMALL)
        shutil.copy(os.path.join(self.env.build_dir, "resdll", "site", "TelmarRC.dll"),
                    os.path.join(root, "Dorvak", "TelmarRC.dll"))
        during, received = self.send(record)
        run = self.run_scenario(root, ["Лифт 3 стоит", "с 10:15"], during=during)
        self.assertIn(SITE_ADDRESS, run.boxes[-1].text)
        self.assertEqual(len(received), 1, received)
        mail = received[0]
        # Printed for the closing note: what a mail program is handed.
        print("\nThe mail program received: %s" % json.dumps(mail, ensure_ascii=False))
        self.assertEqual((mail["entry"], mail["flags"] & MAPI_DIALOG, mail["window"]),
                         ("MAPISendMailW", MAPI_DIALOG, True))
        self.assertEqual(mail["recipients"], [{"class": 1, "name": SITE_ADDRESS,
                                               "address": "SMTP:" + SITE_ADDRESS}])
        self.assertEqual(mail["subject"], "Dorvak %s %s"
                         % (self.env.computer_name(), run.day.isoformat()))
        self.assertEqual(mail["body"], "Лифт 3 стоит\r\nс 10:15")
        archive = os.path.join(run.dated, self.archive_name(run.day))
        self.assertEqual(mail["files"], [{"path": self.env.windows_path(archive),
                                          "name": self.archive_name(run.day),
                                          "position": 0xFFFFFFFF}])
        self.assertEqual(self.record(run, "CHOSE"), ["send result=0 to=" + SITE_ADDRESS, "close"])

    def test_a_failing_mail_program_is_told_and_the_archive_shown_instead(self):
        record = self.mail_stand_in(failing=True)
        root = self.installation(*SMALL)

        def after(dorvak, expected):
            box = dorvak.wait_box()
            self.assertEqual((box.text, box.icon, box.summary), (MAIL_FAILED, "error", False))
            dorvak.answer_box(box)
            expected.messages.append((MAIL_FAILED, "error"))
            # The dated folder opens in the file manager, the archive selected.
            title = dated_name(expected.day)
            window = wait_for(lambda: self.probe.find(title), "the folder %s shown" % title, 60)
            self.probe.close_window(window[0], title)
        during, received = self.send(record, after)
        run = self.run_scenario(root, ["Почта не настроена"], during=during)
        self.assertEqual(len(received), 1)
        archive = self.root_windows(root) + dated_name(run.day) + "\\" + self.archive_name(run.day)
        self.assertEqual(self.record(run, "CHOSE"), ["send result=2 to=support@example.com",
                                                     "close"])
        self.assertEqual(self.record(run, "SHOWN"), ["result=0x00000000 file=" + archive])
        self.assertEqual(self.record(run, "BOX")[-1], "icon=error code=0 text=" + MAIL_FAILED)


if __name__ == "__main__":
    unittest.main()
