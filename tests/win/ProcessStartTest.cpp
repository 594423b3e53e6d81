#include "support/TestFiles.h"
#include "win/ProcessStart.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(ProcessStart, StartsInTheGivenFolderAndKeepsTheThreadOnlyWhenSuspended) {
    TempFolder folder(L"process start");
    ProcessStart start;
    start.commandLine = L"cmd.exe /c echo started> here.txt";
    start.currentFolder = folder.Path();
    start.creationFlags = CREATE_NO_WINDOW;
    StartedProcess started = StartProcess(start);
    ASSERT_TRUE(started) << started.error;
    EXPECT_FALSE(started.thread);
    EXPECT_NE(started.processId, 0u);
    ASSERT_EQ(::WaitForSingleObject(started.process.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadBytes(folder.Path() + L"here.txt"), "started\r\n");

    start.creationFlags |= CREATE_SUSPENDED;
    StartedProcess suspended = StartProcess(start);
    ASSERT_TRUE(suspended) << suspended.error;
    ASSERT_TRUE(suspended.thread);
    EXPECT_EQ(::WaitForSingleObject(suspended.process.Get(), 200),
              static_cast<DWORD>(WAIT_TIMEOUT));
    ::ResumeThread(suspended.thread.Get());
    EXPECT_EQ(::WaitForSingleObject(suspended.process.Get(), 30000), WAIT_OBJECT_0);
}

TEST(ProcessStart, AMissingProgramGivesNoHandleAndTheSystemError) {
    TempFolder folder(L"process missing");
    ProcessStart start;
    start.application = folder.Path() + L"absent.exe";
    start.commandLine = L"absent.exe";
    const StartedProcess started = StartProcess(start);
    EXPECT_FALSE(started);
    EXPECT_EQ(started.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ProcessStart, AHandleListNamesOnlyInheritableHandlesAsWindowsRequires) {
    TempFolder folder(L"handle list");
    FileHandle own(::CreateFileW((folder.Path() + L"out.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(own);
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), own.Get(), ::GetCurrentProcess(), &copy, 0,
                                  TRUE, DUPLICATE_SAME_ACCESS));
    const KernelHandle inheritable(copy);
    struct Case {
        std::vector<HANDLE> handles;
        DWORD error;
    };
    const Case cases[] = {
        {{inheritable.Get()}, 0},
        {{own.Get()}, ERROR_INVALID_PARAMETER},
        {{inheritable.Get(), own.Get()}, ERROR_INVALID_PARAMETER},
        {{}, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        const InheritedHandleList list(c.handles);
        EXPECT_EQ(list.Error(), c.error) << c.handles.size();
        EXPECT_EQ(list.List() != nullptr, c.error == 0) << c.handles.size();
    }
}

TEST(ProcessStart, ItsOwnJobEndsEverythingTheProcessStarted) {
    // Ended at a limit, or left behind when this program dies: the system
    // then closes the job's last handle, and nothing may outlive it.
    const std::function<void(StartedProcess&)> endings[] = {
        [](StartedProcess& started) { started.EndTree(ERROR_TIMEOUT, 30000); },
        [](StartedProcess& started) { started.job.Reset(); },
    };
    for (const auto& end : endings) {
        ProcessStart start;
        start.application = TestProgramFolder() + L"NeverEnds.exe";
        start.commandLine = L"NeverEnds.exe";
        start.creationFlags = CREATE_NO_WINDOW;
        start.ownJob = true;
        StartedProcess started = StartProcess(start);
        ASSERT_TRUE(started) << started.error;
        ASSERT_TRUE(started.job);
        EXPECT_FALSE(started.thread);
        // The copy of itself it starts is in the job too.
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        const ULONGLONG deadline = ::GetTickCount64() + 30000;
        while (accounting.ActiveProcesses < 2 && ::GetTickCount64() < deadline &&
               ::QueryInformationJobObject(started.job.Get(), JobObjectBasicAccountingInformation,
                                           &accounting, sizeof accounting, nullptr))
            ::Sleep(50);
        EXPECT_GE(accounting.ActiveProcesses, 2u);
        end(started);
        EXPECT_EQ(::WaitForSingleObject(started.process.Get(), 30000), WAIT_OBJECT_0);
        EXPECT_TRUE(NoProcessLeft(L"NeverEnds.exe", 10000));
    }
}
