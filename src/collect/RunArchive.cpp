#include "collect/RunArchive.h"

#include "zip/FolderArchive.h"

namespace {
// What packing tells, handed on as the run's own outcomes, and what the
// walk found counted on the way: nobody need walk the folder again.
class ArchiveReports : public IArchiveObserver {
  public:
    explicit ArchiveReports(ICollectionUi& ui) : m_ui(ui) {}

    void FileStarted(const std::wstring& path) override { m_ui.ShowProgress(path); }
    void LetPaintThrough() override { m_ui.LetPaintThrough(); }
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        m_ui.Report(RunEvent::FileNotArchived(path, code));
    }
    void FolderUnreadable(const std::wstring& path, DWORD code) override {
        m_ui.Report(RunEvent::FolderNotArchived(path, code));
        m_wholeWalk = false;
    }
    void FileFound(unsigned long long size) override {
        ++m_found.files;
        m_found.bytes += size;
    }

    // Nothing when the walk did not go through every folder.
    std::optional<FileTally> Found() const {
        return m_wholeWalk ? std::optional<FileTally>(m_found) : std::nullopt;
    }

  private:
    ICollectionUi& m_ui;
    FileTally m_found;
    bool m_wholeWalk = true;
};

bool FitsInFileName(wchar_t c) {
    return c >= 32 && std::wstring(L"\\/:*?\"<>|").find(c) == std::wstring::npos;
}
} // namespace

std::wstring ArchiveName(const std::wstring& computerName, const DateTime& startDay) {
    std::wstring name = computerName;
    for (wchar_t& c : name)
        if (!FitsInFileName(c))
            c = L'_';
    return name + L"_" + startDay.Format(L"%Y_%m_%d", std::wstring()) + L".zip";
}

RunArchive PackDatedFolder(const CollectionContext& context, const std::wstring& computerName) {
    const std::wstring name = ArchiveName(computerName, context.startDate);
    const std::wstring path = context.datedFolder + name;
    ArchiveReports reports(context.ui);
    context.ui.Report(RunEvent::ArchiveStarted(path));
    const ArchiveResult result =
        PackFolder(context.datedFolder, path, name.substr(0, name.size() - 4), reports);
    if (!result.written) {
        // The walk stops at the archive's first failed write: what it found
        // by then is not what the folder holds.
        context.ui.Report(RunEvent::FileNotWritten(path, result.error));
        return {};
    }
    context.ui.Report(RunEvent::ArchiveWritten(path, {result.entries, result.bytesIn},
                                               result.bytesOut, result.durationMs));
    return {path, result.bytesOut, reports.Found()};
}
