#include "support/TestFiles.h"
#include "win/ProcessStart.h"

#include <gtest/gtest.h>

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
