// Stands in for the collection dialog: records what the engine tells it, in
// order, and answers at once.
#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunSettings.h"

#include <ostream>
#include <string>
#include <vector>

// The part of an event a test compares in one assertion.
struct Fact {
    RunEventKind kind;
    std::wstring path;
    DWORD code = 0;

    bool operator==(const Fact& other) const {
        return kind == other.kind && path == other.path && code == other.code;
    }
};
void PrintTo(const Fact& fact, std::ostream* out);

class RecordingUi : public ICollectionUi {
  public:
    void ShowProgress(const std::wstring& path) override;
    void LetPaintThrough() override;
    void Report(const RunEvent& event) override;

    std::vector<std::wstring> progress;
    std::vector<RunEvent> events;
    // Progress paths and reports ("<kind number>:<path>") as they came.
    std::vector<std::wstring> trail;
    // Kept apart from the events: how often depends on the machine's timing.
    size_t paintPasses = 0;

    std::vector<RunEvent> OfKind(RunEventKind kind) const;
    std::vector<std::wstring> Paths(RunEventKind kind) const;
    // Everything that went wrong (WentWrong), in order.
    std::vector<Fact> Problems() const;
    // No progress shown and no problem reported.
    bool Quiet() const { return progress.empty() && Problems().empty(); }
};

// What the trail holds for a report.
std::wstring TrailEntry(RunEventKind kind, const std::wstring& path);

// The shipped wait limits and the system's folder, with the captures run in
// `captureFolder`, which tests keep small so "tree .." stays short.
RunSettings TestRunSettings(const std::wstring& captureFolder);
