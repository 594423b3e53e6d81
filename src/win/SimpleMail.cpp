#include "win/SimpleMail.h"

#include "win/Module.h"

#include <string>

namespace {
// mapi.h's numbers. The structures are written out here because not every
// SDK's mapi.h has the wide ones; their layout is the platform's.
constexpr ULONG kMapiTo = 1;
constexpr ULONG kMapiLogonUi = 0x00000001;
constexpr ULONG kMapiDialog = 0x00000008;
// An attachment not placed in the body's text.
constexpr ULONG kNoPosition = static_cast<ULONG>(-1);

template <typename Char> struct RecipientDesc {
    ULONG reserved;
    ULONG recipientClass;
    Char* name;
    Char* address;
    ULONG entryIdSize;
    void* entryId;
};

template <typename Char> struct FileDesc {
    ULONG reserved;
    ULONG flags;
    ULONG position;
    Char* pathName;
    Char* fileName;
    void* fileType;
};

template <typename Char> struct Message {
    ULONG reserved;
    Char* subject;
    Char* noteText;
    Char* messageType;
    Char* dateReceived;
    Char* conversationId;
    ULONG flags;
    RecipientDesc<Char>* originator;
    ULONG recipientCount;
    RecipientDesc<Char>* recipients;
    ULONG fileCount;
    FileDesc<Char>* files;
};

using SendMailCall = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR uiParam, void* message,
                                    ULONG flags, ULONG reserved);

// MAPISendMail and MAPISendMailW take the same arguments but for the width
// of their texts, which the message's strings carry.
template <typename Text>
ULONG Send(SendMailCall call, HWND owner, Text recipient, Text subject, Text body, Text path,
           Text name) {
    using Char = typename Text::value_type;
    // "SMTP:" says the address needs no lookup in an address book.
    static const char kSmtp[] = "SMTP:";
    Text address(kSmtp, kSmtp + sizeof kSmtp - 1);
    address += recipient;
    RecipientDesc<Char> to{0, kMapiTo, recipient.data(), address.data(), 0, nullptr};
    FileDesc<Char> file{0, 0, kNoPosition, path.data(), name.data(), nullptr};
    Message<Char> message{};
    message.subject = subject.data();
    message.noteText = body.data();
    message.recipientCount = recipient.empty() ? 0 : 1;
    message.recipients = recipient.empty() ? nullptr : &to;
    message.fileCount = 1;
    message.files = &file;
    return call(0, reinterpret_cast<ULONG_PTR>(owner), &message, kMapiLogonUi | kMapiDialog, 0);
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The short form of an existing path, however long; empty when the system
// has none for it.
std::wstring ShortPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// The text in the ANSI code page; `whole` tells whether every character had
// its own there.
std::string Ansi(const std::wstring& text, bool* whole = nullptr) {
    BOOL defaulted = FALSE;
    std::string bytes;
    if (!text.empty()) {
        const int size =
            ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                  static_cast<int>(text.size()), nullptr, 0, nullptr, &defaulted);
        bytes.resize(static_cast<size_t>(size > 0 ? size : 0));
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                              static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    }
    if (whole != nullptr)
        *whole = defaulted == FALSE;
    return bytes;
}

// Mail programs are old code: a path past MAX_PATH, or one the ANSI call
// cannot carry, goes over in the short form when the system has one.
std::wstring AttachmentPath(const std::wstring& path, bool ansi) {
    bool fits = path.size() < MAX_PATH;
    if (fits && ansi)
        Ansi(path, &fits);
    if (fits)
        return path;
    const std::wstring shortPath = ShortPath(path);
    return shortPath.empty() ? path : shortPath;
}

SendMailCall Entry(HMODULE mapi, const char* name) {
    return reinterpret_cast<SendMailCall>(reinterpret_cast<void*>(::GetProcAddress(mapi, name)));
}

ULONG SendWide(SendMailCall call, HWND owner, const MailMessage& message) {
    const std::wstring path = AttachmentPath(message.attachment, false);
    return Send(call, owner, message.recipient, message.subject, message.body, path,
                FileNameOf(message.attachment));
}

ULONG SendAnsi(SendMailCall call, HWND owner, const MailMessage& message) {
    const std::wstring path = AttachmentPath(message.attachment, true);
    return Send(call, owner, Ansi(message.recipient), Ansi(message.subject), Ansi(message.body),
                Ansi(path), Ansi(FileNameOf(path)));
}
} // namespace

ULONG SendMailInItsWindow(HWND owner, const MailMessage& message) {
    // Loaded once and kept for the process's life: a mail program's MAPI may
    // leave threads of its own running after the call, which unloading it
    // would pull the code from under. The system folder's copy by its full
    // path, never one planted in the program's folder.
    static const HMODULE mapi = [] {
        const std::wstring folder = SystemFolder();
        return folder.empty() ? nullptr : ::LoadLibraryW((folder + L"\\mapi32.dll").c_str());
    }();
    if (mapi == nullptr)
        return kMailNotSupported;
    if (const SendMailCall wide = Entry(mapi, "MAPISendMailW"))
        return SendWide(wide, owner, message);
    return SendMailAnsi(mapi, owner, message);
}

ULONG SendMailAnsi(HMODULE mapi, HWND owner, const MailMessage& message) {
    const SendMailCall ansi = Entry(mapi, "MAPISendMail");
    return ansi != nullptr ? SendAnsi(ansi, owner, message) : kMailNotSupported;
}
