#include "support/RecordingUi.h"

void RecordingUi::ShowProgress(const std::wstring& path) {
    events.push_back({UiEvent::Kind::Progress, path, 0});
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

void RecordingUi::ReportSystemError(const std::wstring& text, DWORD code) {
    events.push_back({UiEvent::Kind::SystemError, text, code});
}

void RecordingUi::ShowMessage(const std::wstring& text, UINT icon) {
    events.push_back({UiEvent::Kind::Message, text, icon});
}

void RecordingUi::Beep(UINT type) {
    events.push_back({UiEvent::Kind::Beep, std::wstring(), type});
}

std::vector<std::wstring> RecordingUi::Texts(UiEvent::Kind kind) const {
    std::vector<std::wstring> texts;
    for (const auto& event : events)
        if (event.kind == kind)
            texts.push_back(event.text);
    return texts;
}

size_t RecordingUi::Count(UiEvent::Kind kind) const {
    size_t count = 0;
    for (const auto& event : events)
        count += event.kind == kind ? 1 : 0;
    return count;
}
