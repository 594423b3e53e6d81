// One message handed to the site's mail program through Simple MAPI, in
// the mail program's own window: the operator sees the message there and
// sends it himself; nothing is ever sent without him.
#pragma once

#include <windows.h>
#include <string>

struct MailMessage {
    std::wstring recipient; // an address; empty leaves it to the operator
    std::wstring subject;
    std::wstring body;
    std::wstring attachment; // the full path of one file
};

// What MAPISendMail answers: the mail program took the message, or the
// operator closed its window without sending; anything else (a MAPI_E_
// code) is a failure, kMailNotSupported too when the system has no Simple
// MAPI at all.
constexpr ULONG kMailTaken = 0;
constexpr ULONG kMailAbandoned = 1;     // MAPI_USER_ABORT
constexpr ULONG kMailNotSupported = 26; // MAPI_E_NOT_SUPPORTED

// Through the system's Simple MAPI (mapi32.dll of the system folder, which
// routes the call to the default mail program), in a window owned by
// `owner`. MAPISendMailW where the system has it (Windows 8 and later), so
// nothing of the texts is lost; MAPISendMail otherwise (Windows 7), with
// the texts in the ANSI code page.
ULONG SendMailInItsWindow(HWND owner, const MailMessage& message);

// The ANSI call alone, through the MAPISendMail of `mapi`, as on a system
// without MAPISendMailW: a character the code page lacks becomes '?', and
// an attachment path the code page cannot hold is handed over in its short
// (8.3) form, which it always can.
ULONG SendMailAnsi(HMODULE mapi, HWND owner, const MailMessage& message);
