#include "collect/RunArchive.h"

#include "zip/FolderArchive.h"

namespace {
// What packing tells, handed on as the run's own outcomes.
class ArchiveReports : public IArchiveObserver {
  public:
    explicit ArchiveReports(ICollectionUi& ui) : m_ui(ui) {}

    void FileStarted(const std::wstring& path) override { m_ui.ShowProgress(path); }
    void LetPaintThrough() override { m_ui.LetPaintThrough(); }
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        m_ui.Report(RunEvent::WithPath(RunEventKind::FileNotArchived, path, code));
    }
    void FolderUnreadable(const std::wstring& path, DWORD code) override {
        m_ui.Report(RunEvent::WithPath(RunEventKind::FileNotArchived, path, code));
    }

  private:
    ICollectionUi& m_ui;
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
    return name + L"_" + startDay.Format(L"%Y_%m_%d") + L".zip";
}

RunArchive PackDatedFolder(const CollectionContext& context, const std::wstring& computerName) {
    const std::wstring name = ArchiveName(computerName, context.startDate);
    const std::wstring path = context.datedFolder + name;
    ArchiveReports reports(context.ui);
    const ArchiveResult result =
        PackFolder(context.datedFolder, path, name.substr(0, name.size() - 4), reports);
    if (!result.written) {
        context.ui.Report(RunEvent::WithPath(RunEventKind::FileNotWritten, path, result.error));
        return {};
    }
    RunEvent written = RunEvent::WithPath(RunEventKind::ArchiveWritten, path);
    written.files = result.entries;
    written.bytes = result.bytesIn;
    written.size = result.bytesOut;
    written.durationMs = result.durationMs;
    context.ui.Report(written);
    return {path, result.bytesOut};
}
