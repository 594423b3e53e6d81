// Starts the real Dorvak.exe from <root>\Dorvak\ with a resource library of
// a chosen version beside it, and watches what the operator would see.
#include "DialogCaption.h"
#include "support/MessageBoxWatcher.h"
#include "win/PeImage.h"
#include "support/TestFiles.h"
#include "win/Handles.h"
#include "win/ProcessStart.h"
#include "shared/WindowSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const wchar_t kDialogTitle[] = DORVAK_DIALOG_CAPTION_W;

class InstalledProgram {
  public:
    explicit InstalledProgram(const wchar_t* libraryVariant) {
        m_programFolder = m_root.Path() + L"Dorvak\\";
        MakeFolder(m_programFolder);
        EXPECT_TRUE(::CopyFileW((TestProgramFolder() + L"Dorvak.exe").c_str(),
                                (m_programFolder + L"Dorvak.exe").c_str(), FALSE));
        if (libraryVariant != nullptr) {
            const std::wstring library =
                TestProgramFolder() + L"..\\resdll\\" + libraryVariant + L"\\TelmarRC.dll";
            EXPECT_TRUE(
                ::CopyFileW(library.c_str(), (m_programFolder + L"TelmarRC.dll").c_str(), FALSE));
        }
    }

    // Starts the program from its own folder, as a double click would, or
    // from another current folder.
    StartedProcess Start(const std::wstring& currentFolder = std::wstring()) {
        ProcessStart start;
        start.commandLine = L"\"" + m_programFolder + L"Dorvak.exe\"";
        start.currentFolder = currentFolder.empty() ? m_programFolder : currentFolder;
        StartedProcess started = StartProcess(start);
        EXPECT_TRUE(started) << "cannot start the program: " << started.error;
        return started;
    }

    const std::wstring& Root() const { return m_root.Path(); }

  private:
    TempFolder m_root{L"suite"};
    std::wstring m_programFolder;
};

// What the program's message boxes showed, in order.
struct ShownMessages {
    std::vector<std::wstring> texts;
    std::vector<MessageIcon> icons;
};

std::vector<std::string> IconNames(const std::vector<MessageIcon>& icons) {
    std::vector<std::string> names;
    for (MessageIcon icon : icons)
        names.push_back(MessageIconName(icon));
    return names;
}

// Runs the program until its dialog shows, then cancels it; returns the
// start-up messages it showed before the dialog. `dialogModule`, when
// given, receives the module the dialog was made from. With `saveEmpty`,
// Save is pressed first on the empty description, and its message is
// among those returned.
ShownMessages RunProgram(InstalledProgram& program, const std::wstring& currentFolder,
                         LONG_PTR* dialogModule, bool saveEmpty) {
    const StartedProcess process = program.Start(currentFolder);
    if (!process)
        return {};
    ShownMessages shown;
    {
        MessageBoxWatcher watcher(L"Dorvak", process.processId);
        HWND dialog =
            WaitForTopLevelWindow(VisibleDialogOf(process.processId, kDialogTitle), 20000, 50);
        EXPECT_NE(dialog, nullptr) << "the collection dialog did not open";
        if (dialog != nullptr && dialogModule != nullptr)
            *dialogModule = ::GetWindowLongPtrW(dialog, GWLP_HINSTANCE);
        if (dialog != nullptr && saveEmpty) {
            const size_t before = watcher.Texts().size();
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(watcher.WaitFor(before + 1, 20000)) << "Save showed no message";
        }
        shown.texts = watcher.Texts();
        shown.icons = watcher.Icons();
        if (dialog != nullptr)
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (::WaitForSingleObject(process.process.Get(), 20000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the program did not end after Cancel";
            ::TerminateProcess(process.process.Get(), 1);
        }
    }
    return shown;
}

// Sets an environment variable of this process, which the programs it starts
// inherit, for the object's life.
class EnvironmentVariable {
  public:
    EnvironmentVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
        EXPECT_TRUE(::SetEnvironmentVariableW(name, value.c_str()));
    }
    ~EnvironmentVariable() { ::SetEnvironmentVariableW(m_name, nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

  private:
    const wchar_t* m_name;
};

std::vector<std::wstring> StartupMessages(InstalledProgram& program,
                                          const std::wstring& currentFolder = std::wstring(),
                                          LONG_PTR* dialogModule = nullptr) {
    return RunProgram(program, currentFolder, dialogModule, false).texts;
}
} // namespace

TEST(Startup, WithAnOlderResourceLibraryTellsSoAndStillOpensTheDialog) {
    InstalledProgram program(L"4.6.9.9");
    const ShownMessages shown = RunProgram(program, std::wstring(), nullptr, false);
    EXPECT_EQ(shown.texts, std::vector<std::wstring>{L"Version of TelmarRC.dll is bad"});
    EXPECT_EQ(IconNames(shown.icons), std::vector<std::string>{"exclamation"});
    EXPECT_EQ(ListFolder(program.Root()), L"Dorvak/") << "Cancel must write nothing";
}

TEST(Startup, WithAnAcceptedOrNoResourceLibraryShowsNoMessage) {
    for (const wchar_t* variant : {L"4.7.0.0", static_cast<const wchar_t*>(nullptr)}) {
        InstalledProgram program(variant);
        EXPECT_TRUE(StartupMessages(program).empty());
        EXPECT_EQ(ListFolder(program.Root()), L"Dorvak/");
    }
}

TEST(Startup, ALibraryIsUsedForItsResourcesWithoutItsCodeEverRunning) {
    // The library's code, run, creates the file the variable names and then
    // refuses to initialise; its texts are marked.
    TempFolder marks(L"mark");
    const std::wstring mark = marks.Path() + L"code ran";
    const EnvironmentVariable variable(L"DORVAK_TEST_DLL_MARK", mark);
    {
        // The mark is real: loaded as code here, the library leaves it.
        const std::wstring library = TestProgramFolder() + L"..\\resdll\\codemark\\TelmarRC.dll";
        LibraryModule asCode(::LoadLibraryW(library.c_str()));
        EXPECT_FALSE(asCode);
        ASSERT_TRUE(Exists(mark)) << "the library's code leaves no mark";
        ASSERT_TRUE(::DeleteFileW(mark.c_str()));
    }

    InstalledProgram program(L"codemark");
    const ShownMessages shown = RunProgram(program, std::wstring(), nullptr, true);
    EXPECT_EQ(shown.texts, std::vector<std::wstring>{L"Не введено описание (TelmarRC)"});
    EXPECT_FALSE(Exists(mark)) << "the program ran the library's code";
}

TEST(Startup, ALibraryLackingAnyResourceTheProgramNeedsIsPassedOverSilently) {
    // Each lacks one of the three and is otherwise complete, with marked
    // texts; nostrings lacks all three and every text. The dialog must open
    // from the program's own module, and Save on an empty description show
    // the program's own text, after no start-up message.
    for (const wchar_t* variant :
         {L"lacks_aboutbox", L"lacks_dialog", L"lacks_icon", L"nostrings"}) {
        InstalledProgram program(variant);
        const ShownMessages shown = RunProgram(program, std::wstring(), nullptr, true);
        EXPECT_EQ(shown.texts, std::vector<std::wstring>{L"Не введено описание"}) << Utf8(variant);
    }
}

TEST(Startup, OnlyTheLibraryBesideTheProgramIsLookedAt) {
    // An old library in the current folder would be refused with a message
    // if the search path were used.
    InstalledProgram program(nullptr);
    TempFolder elsewhere(L"cwd");
    ASSERT_TRUE(::CopyFileW((TestProgramFolder() + L"..\\resdll\\4.6.9.9\\TelmarRC.dll").c_str(),
                            (elsewhere.Path() + L"TelmarRC.dll").c_str(), FALSE));
    EXPECT_TRUE(StartupMessages(program, elsewhere.Path()).empty());
}

TEST(Startup, ALibraryBuiltForTheOtherArchitectureIsAcceptedAndItsDialogShown) {
    // 64-bit beside the 32-bit program (32-bit beside the 64-bit one).
    ASSERT_NE(ImageMachine(TestProgramFolder() + L"..\\resdll\\otherbits\\TelmarRC.dll"),
              kOwnImageMachine);
    LONG_PTR ownModule = 0;
    LONG_PTR libraryModule = 0;
    InstalledProgram alone(nullptr);
    EXPECT_TRUE(StartupMessages(alone, std::wstring(), &ownModule).empty());
    InstalledProgram withLibrary(L"otherbits");
    EXPECT_TRUE(StartupMessages(withLibrary, std::wstring(), &libraryModule).empty());
    // A dialog belongs to the module its template came from.
    EXPECT_NE(ownModule, 0);
    EXPECT_NE(libraryModule, 0);
    EXPECT_NE(libraryModule, ownModule);
}

TEST(Startup, TheTextsShownComeFromAnAcceptedLibraryAndNeverFromARefusedOne) {
    // Both libraries mark the empty-description text; only the accepted one
    // may be seen.
    InstalledProgram accepted(L"marked");
    ShownMessages shown = RunProgram(accepted, std::wstring(), nullptr, true);
    EXPECT_EQ(shown.texts, std::vector<std::wstring>{L"Не введено описание (TelmarRC)"});
    EXPECT_EQ(IconNames(shown.icons), std::vector<std::string>{"exclamation"});

    InstalledProgram refused(L"marked_old");
    shown = RunProgram(refused, std::wstring(), nullptr, true);
    EXPECT_EQ(shown.texts, (std::vector<std::wstring>{L"Version of TelmarRC.dll is bad",
                                                      L"Не введено описание"}));
    EXPECT_EQ(IconNames(shown.icons), (std::vector<std::string>{"exclamation", "exclamation"}));
}
