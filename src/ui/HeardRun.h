// The order in which a run's outcomes are heard: the record takes each one
// first, whatever the operator is told of it, and only then does the
// once-only filter decide whether the window tells it.
#pragma once

#include "ui/OperatorNotice.h"
#include "ui/ReportedOnce.h"
#include "ui/RunRecord.h"
#include "ui/SummaryNotice.h"

#include <optional>
#include <utility>

class HeardRun {
  public:
    explicit HeardRun(RunRecordHead head) : m_record(std::move(head)) {}

    // Recorded, and counted when it went wrong; true when the operator is
    // to be told of it.
    bool Hear(const RunEvent& event) {
        m_record.Take(event);
        if (WentWrong(event.Kind()))
            ++m_completeness.troubles;
        return m_toldOnce.ShouldTell(event);
    }

    // A box as the operator sees it, recorded before it is shown.
    void TakeBox(const OperatorNotice& notice) { m_record.TakeBox(notice); }
    // What the operator did with the summary, and the program for him.
    void TakeAction(const wchar_t* keyword, const std::wstring& facts) {
        m_record.TakeAction(keyword, facts);
    }

    // Every outcome that went wrong, told or not, the record's own failure
    // among them.
    const RunCompleteness& Completeness() const { return m_completeness; }

    // The record's own failure, once, when the operator is still to be told
    // of it: a full drive another file met first is not told again.
    std::optional<RunEvent> FailureToTell() {
        std::optional<RunEvent> failure = m_record.TakeFailure();
        if (failure) {
            m_completeness.recordWhole = false;
            ++m_completeness.troubles;
        }
        if (failure && !m_toldOnce.ShouldTell(*failure))
            return std::nullopt;
        return failure;
    }

  private:
    RunRecord m_record;
    ReportedOnce m_toldOnce;
    RunCompleteness m_completeness;
};
