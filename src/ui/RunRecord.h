// The run record: Dorvak.log in the dated folder, a line for each outcome
// of the run and for each box the operator was shown, so that support can
// read what happened. It hears every outcome, including those the operator
// is not told again.
#pragma once

#include "collect/RunEvent.h"
#include "ui/OperatorNotice.h"
#include "ui/ProgramFacts.h"
#include "win/DateTime.h"
#include "win/Handles.h"

#include <windows.h>
#include <optional>
#include <string>

// What the record's head says of the run besides the program itself. The
// description is known by its length alone: its text is the operator's.
struct RunRecordHead {
    ProgramFacts program;
    std::wstring installationRoot;
    DateTime startDay;
    size_t descriptionCharacters = 0;
};

class RunRecord {
  public:
    explicit RunRecord(RunRecordHead head);

    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // DatedFolderCreated opens the record (a new file) and writes its head;
    // before that nothing is written. Every later outcome gets a line, told
    // to the operator or not.
    void Take(const RunEvent& event);

    // A box as the operator sees it, text, icon and system error.
    void TakeBox(const OperatorNotice& notice);

    // What the operator did with the summary once the run had ended (CHOSE),
    // and what the program did in his place (SHOWN), with its facts.
    void TakeAction(const wchar_t* keyword, const std::wstring& facts);

    // The record's own failure, once, as the run reports a file it could not
    // write; from then on the record writes nothing.
    std::optional<RunEvent> TakeFailure();

  private:
    void Open(const std::wstring& datedFolder);
    void WriteHead(const std::wstring& datedFolder);
    void WriteEnd(const RunEvent& saved);
    void Write(const wchar_t* keyword, const std::wstring& facts);
    void AddCopied(const FileTally& copied);
    void Fail(DWORD code);

    RunRecordHead m_head;
    std::wstring m_path;
    FileHandle m_file;
    bool m_failed = false;
    bool m_marked = false;
    unsigned long long m_written = 0; // bytes of whole lines in the file
    std::optional<RunEvent> m_failure;
    ULONGLONG m_openedAt = 0;
    unsigned long long m_copiedFiles = 0;
    unsigned long long m_copiedBytes = 0;
};

// Characters as the operator counts them: a pair of surrogates is one.
size_t CharacterCount(const std::wstring& text);
