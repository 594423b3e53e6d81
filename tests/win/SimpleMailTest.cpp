#include "win/SimpleMail.h"

#include "shared/JsonText.h"
#include "support/TestFiles.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

// The ANSI call, as Windows 7 (no MAPISendMailW) makes it, received by the
// tests' stand-in mail program (tools/mailstandin), which writes down what
// it got. The wide call is the end-to-end tests' (test_summary).
TEST(SimpleMail, TheAnsiCallCarriesTheCodePageAndAShortPathForANameItLacks) {
    TempFolder folder(L"mail");
    // Greek is not in code page 1251; the file must exist to have a short name.
    const std::wstring archive = folder.Path() + L"Ωμέγα_2019_04_05.zip";
    WriteBytes(archive, "PK");
    std::wstring shortPath(1024, L'\0');
    shortPath.resize(::GetShortPathNameW(archive.c_str(), shortPath.data(), 1024));
    ASSERT_NE(shortPath, archive) << "no short name: the test proves nothing";

    LibraryModule standIn(
        ::LoadLibraryW((TestProgramFolder() + L"..\\mailstandin\\MailStandIn.dll").c_str()));
    ASSERT_TRUE(standIn);
    const std::wstring record = folder.Path() + L"received.json";
    ::SetEnvironmentVariableW(L"DORVAK_MAIL_STANDIN_RECORD", record.c_str());
    const ULONG result = SendMailAnsi(
        standIn.Get(), nullptr,
        {L"support@example.com", L"Dorvak VM 2019-04-05", L"Лифт 3 стоит, ә\r\nкод E42", archive});
    ::SetEnvironmentVariableW(L"DORVAK_MAIL_STANDIN_RECORD", nullptr);

    EXPECT_EQ(result, kMailTaken);
    EXPECT_EQ(ReadBytes(record),
              "{\"entry\":\"MAPISendMail\",\"flags\":9,\"window\":false,"
              "\"subject\":\"Dorvak VM 2019-04-05\",\"body\":" +
                  JsonText(L"Лифт 3 стоит, ?\r\nкод E42") +
                  ",\"recipients\":[{\"class\":1,\"name\":\"support@example.com\","
                  "\"address\":\"SMTP:support@example.com\"}],\"files\":[{\"path\":" +
                  JsonText(shortPath) +
                  ",\"name\":" + JsonText(shortPath.substr(shortPath.rfind(L'\\') + 1)) +
                  ",\"position\":4294967295}]}\n");
}
