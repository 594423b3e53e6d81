#include "collect/CrashReports.h"

#include "collect/MachineTable.h"
#include "collect/MirroredFolder.h"
#include "collect/ProductPlan.h"
#include "win/KnownFolders.h"

#include <algorithm>

namespace {
const wchar_t* const kReportKinds[] = {L"AppCrash_", L"AppHang_"};

std::wstring Upper(std::wstring text) {
    if (!text.empty())
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

unsigned long long EntrySize(const WIN32_FIND_DATAW& entry) {
    return (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// Report.wer is UTF-16 with its mark; a report written otherwise is read as
// UTF-8. A report is a few kilobytes: anything past the first 1 MiB is not.
std::wstring ReadReportText(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::wstring();
    std::string bytes(1024 * 1024, '\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::wstring();
    bytes.resize(read);
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / sizeof(wchar_t));
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                              length);
    return text;
}

// The value of the line "key=value" of a report's text.
std::wstring ReportValue(const std::wstring& text, const std::wstring& key) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        if (StartsWith(line, key + L"="))
            return line.substr(key.size() + 1);
        start = end + 1;
    }
    return std::wstring();
}

// Crashes\ and the folders under it, made as the first copy needs them.
class CrashFolders {
  public:
    explicit CrashFolders(const CollectionContext& context) : m_context(context) {}

    // Dated folder + "Crashes\" + relative + "\"; empty when a level could
    // not be made (already reported).
    std::wstring Make(const std::wstring& relative) {
        std::wstring folder = m_context.datedFolder + L"Crashes\\";
        if (!Level(folder))
            return std::wstring();
        size_t start = 0;
        while (start <= relative.size()) {
            size_t end = relative.find(L'\\', start);
            if (end == std::wstring::npos)
                end = relative.size();
            folder += relative.substr(start, end - start) + L"\\";
            if (!Level(folder))
                return std::wstring();
            start = end + 1;
        }
        return folder;
    }

  private:
    bool Level(const std::wstring& folder) {
        return m_context.ownFolders.Contains(folder) || CreateMirrorFolder(folder, m_context);
    }

    const CollectionContext& m_context;
};

// A report folder whole, sub-folders too, into a folder of the run's own.
void CopyTree(const std::wstring& source, const std::wstring& destination,
              const CollectionContext& context, FileTally& copied) {
    ForEachFoundEntry(source + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (IsDots(entry))
            return;
        const std::wstring from = source + entry.cFileName;
        const std::wstring to = destination + entry.cFileName;
        if (IsFolderEntry(entry)) {
            if (CreateMirrorFolder(to + L"\\", context))
                CopyTree(from + L"\\", to + L"\\", context, copied);
            return;
        }
        context.ui.ShowProgress(to);
        if (!::CopyFileW(from.c_str(), to.c_str(), TRUE)) {
            const DWORD error = ::GetLastError();
            context.ui.Report(RunEvent::CopyFailed(from, error));
            return;
        }
        ++copied.files;
        copied.bytes += EntrySize(entry);
    });
}

bool IsReportFolderName(const std::wstring& name) {
    return std::any_of(std::begin(kReportKinds), std::end(kReportKinds),
                       [&](const wchar_t* kind) { return StartsWith(name, kind); });
}

void CopyReportFolders(const CollectionContext& context, const CrashPlace& place,
                       const std::set<std::wstring>& programs, CrashFolders& folders) {
    ForEachFoundEntry(place.folder + L"*", [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring name = entry.cFileName;
        if (!IsFolderEntry(entry) || IsDots(entry) || !IsReportFolderName(name) ||
            !DateTime::FromFileTime(entry.ftLastWriteTime).NotEarlierThan(context.startDate))
            return;
        const std::wstring source = place.folder + name + L"\\";
        if (programs.count(ReportProgram(source, name)) == 0)
            return;
        const std::wstring parent = folders.Make(place.copyFolder);
        if (parent.empty() || !CreateMirrorFolder(parent + name + L"\\", context))
            return;
        FileTally copied;
        CopyTree(source, parent + name + L"\\", context, copied);
        context.ui.Report(RunEvent::CrashReportCopied(source, copied));
    });
}

struct Dump {
    std::wstring source;
    std::wstring copyFolder;
    std::wstring name;
    unsigned long long size = 0;
    ULONGLONG written = 0;
};

std::vector<Dump> FindDumps(const CollectionContext& context, const std::vector<CrashPlace>& places,
                            const std::set<std::wstring>& programs) {
    std::vector<Dump> dumps;
    for (const CrashPlace& place : places) {
        if (place.kind != CrashPlaceKind::Dumps)
            continue;
        ForEachFoundEntry(place.folder + L"*.dmp", [&](const WIN32_FIND_DATAW& entry) {
            const std::wstring name = entry.cFileName;
            if (IsFolderEntry(entry) || !HasExtension(name, L".dmp") ||
                programs.count(DumpProgram(name)) == 0 ||
                !DateTime::FromFileTime(entry.ftLastWriteTime).NotEarlierThan(context.startDate))
                return;
            const ULONGLONG written =
                (static_cast<ULONGLONG>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
                entry.ftLastWriteTime.dwLowDateTime;
            dumps.push_back(
                {place.folder + name, place.copyFolder, name, EntrySize(entry), written});
        });
    }
    std::stable_sort(dumps.begin(), dumps.end(), [](const Dump& left, const Dump& right) {
        return left.written > right.written;
    });
    return dumps;
}

void CopyDumps(const CollectionContext& context, const std::vector<Dump>& dumps,
               unsigned long long capBytes, CrashFolders& folders) {
    unsigned long long copiedBytes = 0;
    for (const Dump& dump : dumps) {
        if (dump.size > capBytes - copiedBytes) {
            context.ui.Report(RunEvent::CrashDumpLeftOut(dump.source, dump.size));
            continue;
        }
        const std::wstring folder = folders.Make(dump.copyFolder);
        if (folder.empty())
            continue;
        const std::wstring destination = folder + dump.name;
        context.ui.ShowProgress(destination);
        if (!::CopyFileW(dump.source.c_str(), destination.c_str(), TRUE)) {
            const DWORD error = ::GetLastError();
            context.ui.Report(RunEvent::CopyFailed(dump.source, error));
            continue;
        }
        copiedBytes += dump.size;
        context.ui.Report(RunEvent::CrashDumpCopied(dump.source, dump.size));
    }
}
} // namespace

std::vector<CrashPlace> MachineCrashPlaces() {
    const std::wstring machine = ProgramDataFolder();
    const std::wstring account = LocalAppDataFolder();
    const std::wstring system = NativeSystemFolder();
    const struct {
        CrashPlaceKind kind;
        const std::wstring& base;
        const wchar_t* under;
        const wchar_t* copyFolder;
    } rows[] = {
        {CrashPlaceKind::ReportFolders, machine, L"\\Microsoft\\Windows\\WER\\ReportArchive\\",
         L"Machine\\ReportArchive"},
        {CrashPlaceKind::ReportFolders, machine, L"\\Microsoft\\Windows\\WER\\ReportQueue\\",
         L"Machine\\ReportQueue"},
        {CrashPlaceKind::ReportFolders, account, L"\\Microsoft\\Windows\\WER\\ReportArchive\\",
         L"User\\ReportArchive"},
        {CrashPlaceKind::ReportFolders, account, L"\\Microsoft\\Windows\\WER\\ReportQueue\\",
         L"User\\ReportQueue"},
        {CrashPlaceKind::Dumps, account, L"\\CrashDumps\\", L"User\\CrashDumps"},
        // The system account's profile, as the 64-bit system sees it.
        {CrashPlaceKind::Dumps, system, L"\\config\\systemprofile\\AppData\\Local\\CrashDumps\\",
         L"System\\CrashDumps"},
    };
    std::vector<CrashPlace> places;
    for (const auto& row : rows)
        if (!row.base.empty())
            places.push_back({row.kind, row.base + row.under, row.copyFolder});
    return places;
}

std::set<std::wstring> SuitePrograms(const std::wstring& installationRoot) {
    std::set<std::wstring> programs;
    for (const std::wstring& folder : PlanInventoryFolders())
        ForEachFoundEntry(installationRoot + folder + L"\\*.exe",
                          [&](const WIN32_FIND_DATAW& entry) {
                              if (!IsFolderEntry(entry) && HasExtension(entry.cFileName, L".exe"))
                                  programs.insert(Upper(entry.cFileName));
                          });
    return programs;
}

std::wstring ReportProgram(const std::wstring& reportFolder, const std::wstring& folderName) {
    const std::wstring path = ReportValue(ReadReportText(reportFolder + L"Report.wer"), L"AppPath");
    if (!path.empty())
        return Upper(FileNameOf(path));
    const size_t start = folderName.find(L'_');
    if (start == std::wstring::npos)
        return std::wstring();
    const size_t end = folderName.find(L'_', start + 1);
    return Upper(folderName.substr(start + 1, end == std::wstring::npos ? std::wstring::npos
                                                                        : end - start - 1));
}

std::wstring DumpProgram(const std::wstring& fileName) {
    // <program>.<pid>.dmp: the program's own name may hold dots.
    if (!HasExtension(fileName, L".dmp"))
        return std::wstring();
    const std::wstring stem = fileName.substr(0, fileName.size() - 4);
    const size_t dot = stem.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0 || dot + 1 == stem.size() ||
        stem.find_first_not_of(L"0123456789", dot + 1) != std::wstring::npos)
        return std::wstring();
    return Upper(stem.substr(0, dot));
}

void CopyCrashReports(const CollectionContext& context, const std::vector<CrashPlace>& places,
                      const std::set<std::wstring>& programs, unsigned long long dumpCapBytes) {
    if (programs.empty())
        return;
    CrashFolders folders(context);
    for (const CrashPlace& place : places)
        if (place.kind == CrashPlaceKind::ReportFolders)
            CopyReportFolders(context, place, programs, folders);
    CopyDumps(context, FindDumps(context, places, programs), dumpCapBytes, folders);
}
