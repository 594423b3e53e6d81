#include "app/DorvakApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TheApp().InitInstance();
    return 0;
}
