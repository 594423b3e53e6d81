#include "ui/ProgramDialog.h"

#include "res/resource.h"
#include "support/DialogDriver.h"
#include "win/Utf8.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The about box's template with an OK handler that fails half-way, as one
// that runs out of memory would.
class FailingDialog : public CProgramDialog {
  public:
    FailingDialog() : CProgramDialog(IDD_ABOUTBOX) {}

  protected:
    void OnOK() override { throw std::runtime_error("no room for the folder list"); }
};

} // namespace

TEST(DialogHandlerFailure, IsShownBeforeTheDialogEnds) {
    FailingDialog dialog;
    std::wstring text;
    bool dialogStillThere = false;
    const DriveResult run = DriveModal([&] { return dialog.DoModal(); },
                                       [&](DialogDriver& driver) {
                                           HWND window = driver.WaitForDialog(kAboutCaption);
                                           driver.Activate(window);
                                           driver.Press(VK_RETURN);
                                           HWND box = driver.WaitForMessageBox(window, 20000);
                                           text = driver.MessageBoxText(box);
                                           dialogStillThere = ::IsWindow(window) != FALSE;
                                           driver.Activate(box);
                                           driver.Press(VK_RETURN);
                                           driver.WaitUntilGone(box);
                                           driver.WaitUntilGone(window);
                                       });
    ExpectNoFailures(run);
    EXPECT_EQ(Utf8(text), "Внутренняя ошибка при обработке сообщения окна 0x0111: no room for "
                          "the folder list");
    EXPECT_TRUE(dialogStillThere);
    EXPECT_EQ(run.modalResult, -1);
}
