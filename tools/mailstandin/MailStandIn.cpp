// Stands in for the site's mail program. For each MAPISendMail(W) call it
// appends one line of JSON to its record: which entry was called, the
// flags, whether a window was named, the subject, the body, each recipient
// (class, name, address) and each attachment (path, name, position). The
// record is the file DORVAK_MAIL_STANDIN_RECORD names, else MailStandIn.json
// beside the DLL. With MailStandIn.fail beside the DLL it answers
// MAPI_E_FAILURE, as a mail program that is not set up does; otherwise
// SUCCESS_SUCCESS, as if the operator had sent the message.
#include "shared/JsonText.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/Utf8.h"
#include "win/WriteAll.h"

#include <windows.h>
#include <mapi.h>

#include <string>

namespace {

// The wide structures as the Windows SDK's mapi.h declares them, which
// MinGW's lacks; the ANSI ones are mapi.h's own. Written here apart from
// the program's, so that a layout the two got wrong alike cannot pass.
struct MapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    PVOID lpEntryID;
};

struct MapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    PVOID lpFileType;
};

struct MapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    MapiRecipDescW* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescW* lpRecips;
    ULONG nFileCount;
    MapiFileDescW* lpFiles;
};

HMODULE g_self = nullptr;

std::wstring Wide(const wchar_t* text) {
    return text != nullptr ? text : L"";
}

std::wstring Wide(const char* text) {
    if (text == nullptr || *text == '\0')
        return std::wstring();
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

template <typename Char> std::string Json(const Char* text) {
    return JsonText(Wide(text));
}

std::string Number(unsigned long value) {
    return std::to_string(value);
}

std::wstring Beside(const wchar_t* name) {
    return ModuleFolder(g_self) + name;
}

std::wstring RecordPath() {
    const DWORD size = ::GetEnvironmentVariableW(L"DORVAK_MAIL_STANDIN_RECORD", nullptr, 0);
    if (size <= 1)
        return Beside(L"MailStandIn.json");
    std::wstring path(size, L'\0');
    path.resize(::GetEnvironmentVariableW(L"DORVAK_MAIL_STANDIN_RECORD", path.data(), size));
    return path;
}

template <typename Message>
ULONG Take(const char* entry, ULONG_PTR window, const Message* message, ULONG flags) {
    std::string line = std::string("{\"entry\":\"") + entry + "\",\"flags\":" + Number(flags) +
                       ",\"window\":" + (window != 0 ? "true" : "false");
    if (message != nullptr) {
        line += ",\"subject\":" + Json(message->lpszSubject) +
                ",\"body\":" + Json(message->lpszNoteText) + ",\"recipients\":[";
        for (ULONG i = 0; i < message->nRecipCount; ++i) {
            const auto& to = message->lpRecips[i];
            line += std::string(i ? "," : "") + "{\"class\":" + Number(to.ulRecipClass) +
                    ",\"name\":" + Json(to.lpszName) + ",\"address\":" + Json(to.lpszAddress) + "}";
        }
        line += "],\"files\":[";
        for (ULONG i = 0; i < message->nFileCount; ++i) {
            const auto& file = message->lpFiles[i];
            line += std::string(i ? "," : "") + "{\"path\":" + Json(file.lpszPathName) +
                    ",\"name\":" + Json(file.lpszFileName) +
                    ",\"position\":" + Number(file.nPosition) + "}";
        }
        line += "]";
    }
    line += "}\n";
    FileHandle record(::CreateFileW(RecordPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!record || WriteAll(record.Get(), line.data(), line.size()) != 0)
        return MAPI_E_FAILURE;
    const bool fail =
        ::GetFileAttributesW(Beside(L"MailStandIn.fail").c_str()) != INVALID_FILE_ATTRIBUTES;
    return fail ? MAPI_E_FAILURE : SUCCESS_SUCCESS;
}
} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_self = instance;
    return TRUE;
}

__declspec(dllexport) ULONG WINAPI
    MAPISendMail(ULONG_PTR, ULONG_PTR window, MapiMessage* message, ULONG flags, ULONG) {
    return Take("MAPISendMail", window, message, flags);
}

__declspec(dllexport) ULONG WINAPI
    MAPISendMailW(ULONG_PTR, ULONG_PTR window, MapiMessageW* message, ULONG flags, ULONG) {
    return Take("MAPISendMailW", window, message, flags);
}
}
