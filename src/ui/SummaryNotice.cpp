#include "ui/SummaryNotice.h"

#include "res/resource.h"
#include "win/ErrorReport.h"
#include "win/ResourceText.h"

#include <cwctype>

namespace {
constexpr unsigned long long kMegabyte = 1024 * 1024;
constexpr unsigned kDefaultMailLimitMegabytes = 20;

// Megabytes with one decimal after a comma, as Russian writes them; an
// archive of a few bytes is not shown as nothing.
std::wstring Megabytes(unsigned long long bytes) {
    const unsigned long long tenths = (bytes * 10 + kMegabyte / 2) / kMegabyte;
    const unsigned long long shown = bytes > 0 && tenths == 0 ? 1 : tenths;
    return std::to_wstring(shown / 10) + L"," + std::to_wstring(shown % 10);
}

std::wstring Completeness(const RunCompleteness& completeness) {
    return LoadAddedResourceText(IDS_RUN_INCOMPLETE) + std::to_wstring(completeness.troubles) +
           LoadAddedResourceText(completeness.recordWhole ? IDS_NAMED_IN_RECORD
                                                          : IDS_RECORD_INCOMPLETE);
}

bool InLocalPart(wchar_t c) {
    return (c < 0x80 && std::iswalnum(c)) ||
           std::wstring(L"!#$%&'*+-/=?^_`{|}~.").find(c) != std::wstring::npos;
}

// Letters of any script: a domain may be written in its own.
bool InDomain(wchar_t c) {
    return c == L'-' || c == L'.' || (c < 0x80 ? std::iswalnum(c) != 0 : ::IsCharAlphaNumericW(c));
}
} // namespace

unsigned MailLimitMegabytes(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    const size_t last = text.find_last_not_of(L' ');
    if (first == std::wstring::npos || last - first >= 6)
        return kDefaultMailLimitMegabytes;
    unsigned value = 0;
    for (size_t i = first; i <= last; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return kDefaultMailLimitMegabytes;
        value = value * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return value > 0 ? value : kDefaultMailLimitMegabytes;
}

bool LargerThanMail(unsigned long long bytes, unsigned limitMegabytes) {
    return bytes > limitMegabytes * kMegabyte;
}

std::wstring FirstMailAddress(const std::wstring& text) {
    for (size_t at = text.find(L'@'); at != std::wstring::npos; at = text.find(L'@', at + 1)) {
        size_t begin = at;
        while (begin > 0 && InLocalPart(text[begin - 1]))
            --begin;
        while (begin < at && text[begin] == L'.')
            ++begin;
        size_t end = at + 1;
        while (end < text.size() && InDomain(text[end]))
            ++end;
        // A sentence may end right after the address.
        while (end > at + 1 && (text[end - 1] == L'.' || text[end - 1] == L'-'))
            --end;
        const std::wstring domain = text.substr(at + 1, end - at - 1);
        const size_t dot = domain.find(L'.');
        if (begin < at && dot != std::wstring::npos && dot > 0 &&
            domain.find(L"..") == std::wstring::npos)
            return text.substr(begin, end - begin);
    }
    return std::wstring();
}

RunSummary SummaryOf(const RunEvent& saved, const RunCompleteness& completeness) {
    RunSummary summary;
    summary.datedFolder = saved.Path();
    summary.archive = saved.Archive();
    std::wstring text = LoadResourceText(IDS_SAVED_TO) + saved.Path();
    if (completeness.troubles > 0)
        text += Completeness(completeness);
    if (!saved.Archive().empty()) {
        text += LoadAddedResourceText(IDS_ARCHIVE_MADE) + saved.Archive() + L" (" +
                Megabytes(saved.ArchiveSize()) + LoadAddedResourceText(IDS_MEGABYTES) + L")";
        const unsigned limit = MailLimitMegabytes(LoadAddedResourceText(IDS_MAIL_LIMIT_MB));
        summary.mailFirst = !LargerThanMail(saved.ArchiveSize(), limit);
        if (!summary.mailFirst)
            text += LoadAddedResourceText(IDS_ARCHIVE_TOO_LARGE) + std::to_wstring(limit) +
                    LoadAddedResourceText(IDS_MEGABYTES) + L".";
    } else {
        text += LoadAddedResourceText(IDS_ARCHIVE_BY_HAND);
    }
    text += LoadResourceText(IDS_SEND_TO_SUPPORT);
    const UINT icon = completeness.troubles > 0 ? MB_ICONWARNING : MB_ICONINFORMATION;
    summary.notice = {OperatorNotice::Form::Box, std::move(text), icon, 0};
    return summary;
}

MailMessage SupportMail(const std::wstring& archive, const std::wstring& computerName,
                        const DateTime& startDay, const std::wstring& description) {
    return {FirstMailAddress(LoadResourceText(IDS_SEND_TO_SUPPORT)),
            L"Dorvak " + computerName + L" " + startDay.Format(L"%Y-%m-%d", std::wstring()),
            description, archive};
}

OperatorNotice MailFailedNotice(ULONG mapiResult) {
    return {OperatorNotice::Form::Box,
            LoadAddedResourceText(IDS_MAIL_FAILED) + std::to_wstring(mapiResult) +
                LoadAddedResourceText(IDS_MAIL_SHOWN_INSTEAD),
            MB_ICONERROR, 0};
}

OperatorNotice ShowFailedNotice(const std::wstring& path, HRESULT result) {
    const DWORD code = static_cast<DWORD>(result);
    return {OperatorNotice::Form::Box,
            ComposeSystemErrorText(LoadAddedResourceText(IDS_SHOW_FAILED) + path, code),
            MB_ICONERROR, code};
}
