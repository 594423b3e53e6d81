#include <windows.h>

/* Run as code, the library leaves a mark: the file that
   DORVAK_TEST_DLL_MARK names, so a test can see from outside whether a
   process ran it. It then refuses to initialise, so that a load as code also
   fails where no test looks for the mark. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t mark[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"DORVAK_TEST_DLL_MARK", mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        HANDLE file =
            CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return FALSE;
}
