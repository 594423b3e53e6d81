#include "app/DorvakApp.h"

#ifdef DORVAK_TEST_WAIT_LIMITS
// A test build of the program, never shipped: programs that never end are
// ended after seconds instead of minutes, so the tests can prove it.
constexpr WaitLimits kWaitLimits{DORVAK_TEST_CAPTURE_LIMIT_MS, DORVAK_TEST_CONFIGURATOR_LIMIT_MS};
#else
constexpr WaitLimits kWaitLimits = kShippedWaitLimits;
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TheApp().InitInstance(kWaitLimits);
    return 0;
}
