#include "ui/SummaryNotice.h"

#include "res/resource.h"
#include "support/TestFiles.h"
#include "win/ResourceText.h"

#include <gtest/gtest.h>

namespace {
const std::wstring kDated = L"C:\\Suite\\2019_04_05\\";
const std::wstring kArchive = kDated + L"VM_2019_04_05.zip";
const std::wstring kSavedTo = L"Сохраненные данные помещены в папку " + kDated;
constexpr unsigned long long kMegabyte = 1024 * 1024;

RunSummary Summary(const std::wstring& archive, unsigned long long size,
                   RunCompleteness completeness = {}) {
    return SummaryOf(RunEvent::RunSaved(kDated, archive, size, FileTally{3, 7}), completeness);
}
} // namespace

TEST(SummaryNotice, TheMailGoesToTheFirstAddressOfTheSupportText) {
    const struct {
        const wchar_t* text;
        const wchar_t* address;
    } cases[] = {
        {L"по адресу support@example.com или other@example.com.", L"support@example.com"},
        {L"напишите на help.desk+lifts@site.example.org.", L"help.desk+lifts@site.example.org"},
        {L"(<Ops-1@mail.example.ru>)", L"Ops-1@mail.example.ru"},
        {L"адрес: поддержка@пример.рф, или ops@пример.рф", L"ops@пример.рф"},
        {L"никакого: @, x@localhost, .@a.b, a@.b, a@b..c", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8(FirstMailAddress(c.text)), Utf8(c.address)) << Utf8(c.text);

    const MailMessage mail =
        SupportMail(kArchive, L"VM", DateTime::FromFields(2019, 4, 5, 0, 0, 0), L"Лифт\r\nстоит");
    EXPECT_EQ(Utf8(mail.recipient), Utf8(DORVAK_SUPPORT_EMAIL_W));
    EXPECT_EQ(Utf8(mail.subject), "Dorvak VM 2019-04-05");
    EXPECT_EQ(Utf8(mail.body), "Лифт\r\nстоит");
    EXPECT_EQ(Utf8(mail.attachment), Utf8(kArchive));
}

TEST(SummaryNotice, AnArchiveOverTheMailLimitIsNotOfferedForMail) {
    const struct {
        const wchar_t* text;
        unsigned megabytes;
    } limits[] = {{L"20", 20},    {L" 10 ", 10}, {L"999999", 999999}, {L"0", 20}, {L"1000000", 20},
                  {L"25 МБ", 20}, {L"", 20}};
    for (const auto& limit : limits)
        EXPECT_EQ(MailLimitMegabytes(limit.text), limit.megabytes) << Utf8(limit.text);
    EXPECT_FALSE(LargerThanMail(20 * kMegabyte, 20));
    EXPECT_TRUE(LargerThanMail(20 * kMegabyte + 1, 20));

    EXPECT_TRUE(Summary(kArchive, 20 * kMegabyte).mailFirst);
    EXPECT_FALSE(Summary(L"", 0).mailFirst);
    const RunSummary large = Summary(kArchive, 20 * kMegabyte + 1);
    EXPECT_FALSE(large.mailFirst);
    EXPECT_EQ(Utf8(large.notice.text),
              Utf8(kSavedTo + L"\r\nАрхив для отправки: " + kArchive +
                   L" (20,0 МБ)\r\nПожалуйста, поместите архив на сетевой диск: почта не примет "
                   L"вложение больше 20 МБ." +
                   LoadResourceText(IDS_SEND_TO_SUPPORT)));
    EXPECT_EQ(large.notice.icon, static_cast<UINT>(MB_ICONINFORMATION));
}

TEST(SummaryNotice, ARunWithTroublesSaysHowManyUnderTheWarningIcon) {
    const RunSummary named = Summary(kArchive, 900, RunCompleteness{3, true});
    EXPECT_EQ(Utf8(named.notice.text.substr(0, named.notice.text.find(L"\r\nАрхив"))),
              Utf8(kSavedTo + L"\r\nСобрано не всё, ошибок при сборе: 3. Их перечисляет файл "
                              L"Dorvak.log в этой папке."));
    EXPECT_EQ(named.notice.icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_TRUE(named.mailFirst);
    // The record could not be written whole: it is not sent for.
    const RunSummary unnamed = Summary(L"", 0, RunCompleteness{41, false});
    EXPECT_EQ(Utf8(unnamed.notice.text.substr(0, unnamed.notice.text.find(L"\r\nАрхив"))),
              Utf8(kSavedTo + L"\r\nСобрано не всё, ошибок при сборе: 41. Файл Dorvak.log в этой "
                              L"папке записать полностью не удалось."));
    EXPECT_EQ(unnamed.notice.icon, static_cast<UINT>(MB_ICONWARNING));
}
