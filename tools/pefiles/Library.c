#include <windows.h>

/* Only its resources are ever read; the entry exists to make a valid image. */
BOOL WINAPI LibraryEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
