#include "collect/VersionInventory.h"

#include "collect/MirroredFolder.h"
#include "collect/NarrowTextStream.h"
#include "win/DateTime.h"
#include "win/VersionInfo.h"

namespace {
// One line per entry whose extension is `extension`: name, [TAB v product
// version], TAB local last-write time, TAB size. Each line is flushed so
// what was listed survives whatever happens next.
void ListEntries(const std::wstring& sourceFolder, const std::wstring& extension,
                 const std::wstring& invalidDateText, NarrowTextStream& out) {
    ForEachFoundEntry(sourceFolder + L"*" + extension, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring name = entry.cFileName;
        if (!HasExtension(name, extension))
            return;
        out << name;
        ProductVersion version;
        if (ReadProductVersion(sourceFolder + name, version))
            out << "\tv" << FormatProductVersion(version);
        // The whole size: its low 32 bits alone would list a 5 GiB file as
        // 1 GiB.
        const ULONGLONG size =
            (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        out << "\t"
            << DateTime::FromFileTime(entry.ftLastWriteTime)
                   .Format(L"%d.%m.%y %H:%M:%S", invalidDateText)
            << "\t" << size;
        out.EndLine();
    });
}
// Names come from the installation: one the code page cannot hold makes
// the whole inventory UTF-8, rather than a name of question marks.
bool NamesFitAnsiCodePage(const std::wstring& sourceFolder) {
    bool fit = true;
    for (const wchar_t* extension : {L".exe", L".dll"})
        ForEachFoundEntry(sourceFolder + L"*" + extension, [&](const WIN32_FIND_DATAW& entry) {
            if (fit && HasExtension(entry.cFileName, extension))
                fit = FitsAnsiCodePage(entry.cFileName);
        });
    return fit;
}
} // namespace

bool WriteVersionInventory(const CollectionContext& context, const std::wstring& folder) {
    const std::optional<MirrorFolders> folders = OpenMirror(context, folder);
    if (!folders)
        return false;
    // An inventory that cannot be written must not stop the collection, but
    // support must hear that it is missing or cut short.
    const std::wstring path = folders->destination + L"Version.txt";
    const bool fit = NamesFitAnsiCodePage(folders->source);
    NarrowTextStream out(path, fit ? TextEncoding::Ansi : TextEncoding::Utf8);
    if (out.IsOpen()) {
        const std::wstring& invalidDateText = context.settings.invalidDateText;
        ListEntries(folders->source, L".exe", invalidDateText, out);
        ListEntries(folders->source, L".dll", invalidDateText, out);
    }
    out.Close();
    ReportUnwrittenFile(path, out.Error(), context.ui);
    if (!fit && out.Error() == 0)
        context.ui.Report(RunEvent::WrittenInUtf8(path));
    return true;
}
