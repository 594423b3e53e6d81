// Lays out a realistic MERU installation for demonstrations, end-to-end
// tests and benchmarks. Everything (names, sizes, contents, last-write
// times) follows from the seed, so two runs with the same arguments give
// the same tree.
//
//   SampleInstall <root> [--seed N] [--logs N] [--days N] [--end YYYY-MM-DD]
//                 [--no-programs] [--no-configurators] [--odd-names]
//                 [--only-dorvak] [--domain-configurator VERSION]
//
// <root> is created when missing, with every missing folder above it, so a
// deep root is one argument. Dorvak.exe and TelmarRC.dll are installed into
// <root>\Dorvak\ from the build tree when they are found there.
//   --no-programs       no programs at all (no Dorvak folder either)
//   --no-configurators  the suite without its two configurators
//   --odd-names         also files whose names hold blanks, Cyrillic and
//                       characters that code page 1251 lacks
//   --only-dorvak       an installation root holding nothing but Dorvak
//   --domain-configurator VERSION
//                       the MERUDomainCfg.exe of that product version
//                       (configurators/VERSION/ of the build), 4.8.0.0 when
//                       not given; only one can be installed
// With logs, the first log folder also gets one log written at exactly
// 00:00:00 local time of the end day, and one at 23:59:59 the day before:
// a run from the end day takes the first and not the second.
#include "collect/ProductPlan.h"
#include "win/FolderEnumerator.h"
#include "win/Handles.h"
#include "win/Module.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Options {
    std::wstring root;
    unsigned seed = 1;
    unsigned logs = 2000; // over all log folders together
    unsigned days = 30;
    SYSTEMTIME end{};
    bool programs = true;
    bool configurators = true;
    bool oddNames = false;
    bool onlyDorvak = false;
    std::wstring domainConfigurator = L"4.8.0.0";
    bool domainConfiguratorChosen = false;
};

class Random {
  public:
    explicit Random(unsigned seed) : m_state(seed * 2654435761u + 1) {}
    unsigned Next() {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(m_state >> 33);
    }
    unsigned Below(unsigned limit) { return limit == 0 ? 0 : Next() % limit; }

  private:
    unsigned long long m_state;
};

const wchar_t* const kFolders[] = {
    L"MERUDrv", L"MERUPro",  L"MERUDisp", L"MERUDomain", L"MERUDomain\\Logs",
    L"Ulvar",   L"MERUProt", L"MERUSms",  L"Kavmon",     L"Common",
    L"MERUMsg", L"Sefrin",   L"Setup",    L"Tools",      L"MERUUpdate",
};

bool Fail(const std::wstring& what, const std::wstring& path) {
    const DWORD error = ::GetLastError();
    std::fwprintf(stderr, L"SampleInstall: %ls %ls failed (%lu)\n", what.c_str(), path.c_str(),
                  static_cast<unsigned long>(error));
    return false;
}

bool MakeFolder(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    return Fail(L"creating", path);
}

// The root and every folder above it that is missing. The drive (C:\) or
// the server and share (\\server\share\) is taken as given.
bool MakeFolders(const std::wstring& path) {
    size_t at = path.find(L'\\');
    if (path.rfind(L"\\\\", 0) == 0) {
        at = path.find(L'\\', 2);
        at = at == std::wstring::npos ? at : path.find(L'\\', at + 1);
    }
    while (at != std::wstring::npos && at + 1 < path.size()) {
        const size_t next = path.find(L'\\', at + 1);
        const std::wstring folder = path.substr(0, next);
        if (!::CreateDirectoryW(folder.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            return Fail(L"creating", folder);
        at = next;
    }
    return true;
}

bool SetLocalTime(HANDLE file, const SYSTEMTIME& local) {
    FILETIME localFile{}, utc{};
    return ::SystemTimeToFileTime(&local, &localFile) &&
           ::LocalFileTimeToFileTime(&localFile, &utc) &&
           ::SetFileTime(file, nullptr, nullptr, &utc);
}

bool WriteFileAt(const std::wstring& path, const std::string& bytes, const SYSTEMTIME* when) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Fail(L"creating", path);
    DWORD written = 0;
    if (!bytes.empty() && (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &written, nullptr) ||
                           written != bytes.size()))
        return Fail(L"writing", path);
    if (when != nullptr && !SetLocalTime(file.Get(), *when))
        return Fail(L"setting the time of", path);
    return true;
}

SYSTEMTIME ShiftSeconds(const SYSTEMTIME& base, long long seconds) {
    FILETIME fileTime{};
    ::SystemTimeToFileTime(&base, &fileTime);
    ULARGE_INTEGER value{};
    value.LowPart = fileTime.dwLowDateTime;
    value.HighPart = fileTime.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(seconds * 10000000LL);
    fileTime.dwLowDateTime = value.LowPart;
    fileTime.dwHighDateTime = value.HighPart;
    SYSTEMTIME shifted{};
    ::FileTimeToSystemTime(&fileTime, &shifted);
    return shifted;
}

std::string LogText(Random& random, const std::wstring& folder, unsigned index) {
    const unsigned lines = 3 + random.Below(120);
    std::string text;
    char line[160];
    for (unsigned i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%06u %ls event %u code=%u lift=%u\r\n", i, folder.c_str(),
                      index, random.Below(1000), random.Below(64));
        text += line;
    }
    return text;
}

std::string ConfigText(const std::wstring& product, unsigned index) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<Config product=\"%ls\" "
                  "part=\"%u\">\r\n  <Port>%u</Port>\r\n</Config>\r\n",
                  product.c_str(), index, 5000 + index);
    return text;
}

bool CopyInto(const std::wstring& source, const std::wstring& destination) {
    if (::GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true; // not built in this tree: the installation just lacks it
    if (!::CopyFileW(source.c_str(), destination.c_str(), FALSE))
        return Fail(L"copying", source);
    return true;
}

// Every program and library of the build's test files, copied into a folder.
bool InstallProgramsFrom(const std::wstring& sourceFolder, const std::wstring& destination) {
    CFolderEnumerator entries(sourceFolder + L"*");
    WIN32_FIND_DATAW entry;
    while (entries.Next(entry)) {
        if (!IsFolderEntry(entry) &&
            !CopyInto(sourceFolder + entry.cFileName, destination + entry.cFileName))
            return false;
    }
    return true;
}

// Beside the plain names: blanks, Cyrillic, and letters that code page 1251
// lacks (Greek, CJK), in configuration files, logs and programs.
bool AddOddNames(const std::wstring& root, const SYSTEMTIME& end, const std::wstring& pefiles,
                 bool programs) {
    const SYSTEMTIME recent = ShiftSeconds(end, -3600);
    const SYSTEMTIME old = ShiftSeconds(end, -40LL * 86400);
    if (!WriteFileAt(root + L"MERUDrv\\Узел связи 1.xml", ConfigText(L"MERUDrv", 50), nullptr) ||
        !WriteFileAt(root + L"MERUPro\\Προφίλ 日本 cfg.xml", ConfigText(L"MERUPro", 51), nullptr) ||
        !WriteFileAt(root + L"MERUDrv\\LogDrv\\журнал обмена 日本.log", "recent odd\r\n",
                     &recent) ||
        !WriteFileAt(root + L"MERUDrv\\LogDrv\\old name with blanks.log", "old odd\r\n", &old) ||
        !WriteFileAt(root + L"MERUSms\\LogSms\\Σ sms 2.log", "recent odd\r\n", &recent))
        return false;
    // Old: with no generated logs (--logs 0) it is its folder's newest entry,
    // the one the fallback copies.
    if (!MakeFolder(root + L"MERUProt\\BadProt") ||
        !WriteFileAt(root + L"MERUProt\\BadProt\\последний 日本.log", "newest old\r\n", &old))
        return false;
    if (programs && (!CopyInto(pefiles + L"Loader.exe", root + L"Tools\\Сервис 日本 tool.exe") ||
                     !CopyInto(pefiles + L"mstore.dll", root + L"Tools\\Библиотека Ω.dll")))
        return false;
    return true;
}

bool InstallDorvak(const std::wstring& root, const std::wstring& bin) {
    return MakeFolder(root + L"Dorvak") &&
           CopyInto(bin + L"Dorvak.exe", root + L"Dorvak\\Dorvak.exe") &&
           CopyInto(bin + L"..\\resdll\\TelmarRC.dll", root + L"Dorvak\\TelmarRC.dll");
}

bool Build(const Options& options) {
    const std::wstring& root = options.root;
    const std::wstring bin = ModuleFolder(nullptr);
    const std::wstring pefiles = bin + L"..\\pefiles\\";
    Random random(options.seed);
    if (!MakeFolders(root))
        return false;
    if (options.onlyDorvak)
        return InstallDorvak(root, bin);
    for (const wchar_t* folder : kFolders)
        if (!MakeFolder(root + folder))
            return false;
    // The program's own log folders, in its order: the sample cannot drift
    // from what a run reads.
    const std::vector<std::wstring> logFolders = PlanLogFolders();
    for (const std::wstring& folder : logFolders)
        if (!MakeFolder(root + folder))
            return false;

    // Configuration files, with names the selection must leave alone.
    for (const wchar_t* product : kFolders) {
        const std::wstring folder = root + product + L"\\";
        const unsigned count = 1 + random.Below(4);
        for (unsigned i = 0; i < count; ++i)
            if (!WriteFileAt(folder + L"Config" + std::to_wstring(i) + L".xml",
                             ConfigText(product, i), nullptr))
                return false;
        if (!WriteFileAt(folder + L"Config0.xml.bak", ConfigText(product, 99), nullptr))
            return false;
    }
    if (!WriteFileAt(root + L"MERUDisp\\Struct.XML", ConfigText(L"installed MERUDisp", 0),
                     nullptr) ||
        !WriteFileAt(root + L"Ulvar\\Ulvar.bad", "bad packets\r\n", nullptr) ||
        !WriteFileAt(root + L"Kavmon\\Kavmon.Bad", "bad frames\r\n", nullptr))
        return false;

    // Logs spread over the days before the end date, oldest first.
    const unsigned folderCount = static_cast<unsigned>(logFolders.size());
    const long long span = static_cast<long long>(options.days) * 86400;
    for (unsigned n = 0; n < options.logs; ++n) {
        const std::wstring& folder = logFolders[n % folderCount];
        const long long back = span - (span * n) / (options.logs ? options.logs : 1);
        const SYSTEMTIME when = ShiftSeconds(options.end, -back + random.Below(600));
        wchar_t name[64];
        std::swprintf(name, 64, L"%04u%02u%02u_%05u.log", when.wYear, when.wMonth, when.wDay, n);
        if (!WriteFileAt(root + folder + L"\\" + name, LogText(random, folder, n), &when))
            return false;
    }

    if (options.logs > 0) {
        SYSTEMTIME midnight = options.end;
        midnight.wHour = midnight.wMinute = midnight.wSecond = midnight.wMilliseconds = 0;
        const SYSTEMTIME before = ShiftSeconds(midnight, -1);
        wchar_t name[64];
        std::swprintf(name, 64, L"%04u%02u%02u_000000.log", midnight.wYear, midnight.wMonth,
                      midnight.wDay);
        if (!WriteFileAt(root + logFolders[0] + L"\\" + name, "start of the day\r\n", &midnight))
            return false;
        std::swprintf(name, 64, L"%04u%02u%02u_235959.log", before.wYear, before.wMonth,
                      before.wDay);
        if (!WriteFileAt(root + logFolders[0] + L"\\" + name, "end of the day before\r\n", &before))
            return false;
    }

    if (options.programs) {
        for (const wchar_t* product : kFolders)
            if (!InstallProgramsFrom(pefiles, root + product + L"\\"))
                return false;
        const std::wstring configurators = bin + L"..\\configurators\\";
        const std::wstring domainConfigurator =
            configurators + options.domainConfigurator + L"\\MERUDomainCfg.exe";
        if (options.domainConfiguratorChosen &&
            ::GetFileAttributesW(domainConfigurator.c_str()) == INVALID_FILE_ATTRIBUTES)
            return Fail(L"finding", domainConfigurator);
        if (options.configurators &&
            (!CopyInto(configurators + L"disp\\MERUDispCfg.exe",
                       root + L"MERUDisp\\MERUDispCfg.exe") ||
             !CopyInto(domainConfigurator, root + L"MERUDomain\\MERUDomainCfg.exe")))
            return false;
        if (!InstallDorvak(root, bin))
            return false;
    }
    return !options.oddNames || AddOddNames(root, options.end, pefiles, options.programs);
}

bool ParseDate(const wchar_t* text, SYSTEMTIME& date) {
    unsigned year = 0, month = 0, day = 0;
    if (std::swscanf(text, L"%u-%u-%u", &year, &month, &day) != 3)
        return false;
    date = SYSTEMTIME{};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    date.wHour = 12;
    FILETIME check{};
    return ::SystemTimeToFileTime(&date, &check) != FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    ::GetLocalTime(&options.end);
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--seed" && hasValue)
            options.seed = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        else if (arg == L"--logs" && hasValue)
            options.logs = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        else if (arg == L"--days" && hasValue)
            options.days = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        else if (arg == L"--end" && hasValue) {
            if (!ParseDate(argv[++i], options.end)) {
                std::fwprintf(stderr, L"SampleInstall: bad date %ls\n", argv[i]);
                return 2;
            }
        } else if (arg == L"--no-programs")
            options.programs = false;
        else if (arg == L"--no-configurators")
            options.configurators = false;
        else if (arg == L"--odd-names")
            options.oddNames = true;
        else if (arg == L"--only-dorvak")
            options.onlyDorvak = true;
        else if (arg == L"--domain-configurator" && hasValue) {
            options.domainConfigurator = argv[++i];
            options.domainConfiguratorChosen = true;
        } else if (options.root.empty() && arg.rfind(L"--", 0) != 0)
            options.root = arg;
        else {
            std::fwprintf(stderr, L"usage: SampleInstall <root> [--seed N] [--logs N] [--days N] "
                                  L"[--end YYYY-MM-DD] [--no-programs] [--no-configurators] "
                                  L"[--odd-names] [--only-dorvak] "
                                  L"[--domain-configurator VERSION]\n");
            return 2;
        }
    }
    if (options.root.empty()) {
        std::fwprintf(stderr, L"SampleInstall: no installation root given\n");
        return 2;
    }
    if (options.root.back() != L'\\')
        options.root += L'\\';
    if (options.days == 0)
        options.days = 1;
    if (!Build(options))
        return 1;
    std::wprintf(L"%ls\n", options.root.c_str());
    return 0;
}
