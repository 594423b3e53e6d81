// Stands in for the collection dialog: records what the engine asks of it,
// in order, and answers every message at once.
#pragma once

#include "collect/CollectionUi.h"

#include <string>
#include <vector>

struct UiEvent {
    enum class Kind { Progress, SystemError, Message, Beep };
    Kind kind;
    std::wstring text; // path, error text or message text
    DWORD code = 0;    // error code, icon flag or beep type
};

class RecordingUi : public ICollectionUi {
  public:
    void ShowProgress(const std::wstring& path) override;
    void LetPaintThrough() override;
    void ReportSystemError(const std::wstring& text, DWORD code) override;
    void ShowMessage(const std::wstring& text, UINT icon) override;
    void Beep(UINT type) override;

    std::vector<UiEvent> events;
    // Kept apart from the events: how often depends on the machine's timing.
    size_t paintPasses = 0;

    std::vector<std::wstring> Texts(UiEvent::Kind kind) const;
    size_t Count(UiEvent::Kind kind) const;
};
