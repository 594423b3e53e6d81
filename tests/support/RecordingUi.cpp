#include "support/RecordingUi.h"

#include "support/TestFiles.h"
#include "ui/OperatorNotice.h"
#include "win/Module.h"

void RecordingUi::ShowProgress(const std::wstring& path) {
    progress.push_back(path);
    trail.push_back(path);
}

void RecordingUi::LetPaintThrough() {
    ++paintPasses;
    // Checks the queue as a window would, so a wait for new paint messages
    // does not wake again for ones it has already been told of.
    MSG message;
    for (int painted = 0;
         painted < 64 && ::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
         ++painted)
        ::DispatchMessageW(&message);
}

void RecordingUi::Report(const RunEvent& event) {
    events.push_back(event);
    trail.push_back(TrailEntry(event.Kind(), event.Path()));
}

std::vector<RunEvent> RecordingUi::OfKind(RunEventKind kind) const {
    std::vector<RunEvent> found;
    for (const RunEvent& event : events)
        if (event.Kind() == kind)
            found.push_back(event);
    return found;
}

std::vector<std::wstring> RecordingUi::Paths(RunEventKind kind) const {
    std::vector<std::wstring> paths;
    for (const RunEvent& event : OfKind(kind))
        paths.push_back(event.Path());
    return paths;
}

std::vector<Fact> RecordingUi::Problems() const {
    std::vector<Fact> found;
    for (const RunEvent& event : events)
        if (WentWrong(event))
            found.push_back({event.Kind(), event.Path(), event.Code()});
    return found;
}

std::wstring TrailEntry(RunEventKind kind, const std::wstring& path) {
    return std::to_wstring(static_cast<int>(kind)) + L":" + path;
}

void PrintTo(const Fact& fact, std::ostream* out) {
    *out << "{kind " << static_cast<int>(fact.kind) << ", " << Utf8(fact.path) << ", code "
         << fact.code << "}";
}

RunSettings TestRunSettings(const std::wstring& captureFolder) {
    return RunSettings{kShippedWaitLimits, kShippedMachineLimits, SystemFolder(), captureFolder,
                       InvalidDateText()};
}
