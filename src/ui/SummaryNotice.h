// The words of a run's end: the summary the operator reads, the mail that
// takes the archive to support, and the boxes of the summary's buttons.
#pragma once

#include "collect/RunEvent.h"
#include "ui/OperatorNotice.h"
#include "win/DateTime.h"
#include "win/SimpleMail.h"

#include <windows.h>
#include <string>

// How whole a run came out, as the summary tells it.
struct RunCompleteness {
    // The run's outcomes that went wrong, told or not.
    unsigned long long troubles = 0;
    // False once the run record could not be written to its end.
    bool recordWhole = true;
};

struct RunSummary {
    OperatorNotice notice;
    std::wstring datedFolder; // with its trailing backslash
    std::wstring archive;     // empty when none was made
    // An archive was made and a mail takes it: Send is the default button.
    bool mailFirst = false;
};

// The summary of a saved run (RunSaved). Word for word the closing message
// of old, with the information icon, when nothing went wrong and the
// archive fits in a mail. A run with troubles says how many, and where
// they are named, in a line of its own after the folder's, under the
// warning icon; an archive too large for a mail asks for the network drive.
RunSummary SummaryOf(const RunEvent& saved, const RunCompleteness& completeness);

// The e-mail limit a library text sets, in whole megabytes: 20 when the
// text is no positive number.
unsigned MailLimitMegabytes(const std::wstring& text);
// An archive of `bytes` is larger than a mail takes: over the limit's
// megabytes (of 1,048,576 bytes, as the summary counts them).
bool LargerThanMail(unsigned long long bytes, unsigned limitMegabytes);

// The first e-mail address in a text; empty when it holds none.
std::wstring FirstMailAddress(const std::wstring& text);

// The mail of a run's archive: to the first address of the support text
// as the active library words it, about "Dorvak", the computer and the
// start day, the operator's description as its body.
MailMessage SupportMail(const std::wstring& archive, const std::wstring& computerName,
                        const DateTime& startDay, const std::wstring& description);

// The mail program refused the message (a MAPI code, no system error): the
// archive is shown in its folder instead.
OperatorNotice MailFailedNotice(ULONG mapiResult);
// The folder of `path` could not be shown.
OperatorNotice ShowFailedNotice(const std::wstring& path, HRESULT result);
