// The real program under Wine in the Windows 98 version: the Settings
// command opens the settings sheet; what OK stores there reaches the
// registry at exit and the sheet of the next run (Windows only, end to end).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/png_win.h"
#include "support/program_driver_win.h"
#include "support/program_test_win.h"
#include "support/save_dialog_win.h"

namespace {

const char kSheetCaption[] = "Messenger Properties:";

class SettingsSheetE2e : public ProgramTest {
protected:
    HWND open_sheet() const {
        program_.post_command(IDM_SETTINGS);
        return wait_for_window(program_.pid(), kSheetCaption);
    }

    static HWND page_of(HWND sheet) {
        return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }

    static int index_of(HWND sheet) {
        const LRESULT index =
            SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page_of(sheet)), 0);
        return static_cast<int>(index);
    }
};

TEST_F(SettingsSheetE2e, DuplicateCountSetInTheSheetSurvivesARestart) {
    start_program();
    HWND sheet = open_sheet();
    ASSERT_NE(sheet, nullptr) << "Settings opened no sheet";
    const char* shots[] = {"settings-ignore.png", "settings-popup.png", "settings-messages.png",
                           "settings-misc.png"};
    for (int index = 0; index < 4; ++index) {
        SendMessageA(sheet, PSM_SETCURSEL, index, 0);
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);  // the program paints from its own loop
        EXPECT_TRUE(save_screenshot(sheet, artifact_path(shots[index])));
    }

    SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
    HWND page = page_of(sheet);
    SendMessageA(GetDlgItem(page, IDC_MESSAGES_KILL_OVER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(page, IDC_MESSAGES_NUMBER), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("7"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(wait_gone(sheet)) << "OK did not close the sheet";
    exit_program();
    EXPECT_EQ(stored_dword("dnum"), 7u);
    EXPECT_EQ(stored_dword("showmmode"), 2u);
    EXPECT_EQ(stored_dword("start_p"), 2u);

    start_program();
    sheet = open_sheet();
    ASSERT_NE(sheet, nullptr) << "Settings opened no sheet after the restart";
    EXPECT_EQ(index_of(sheet), 2) << "opens on the page shown last";
    page = page_of(sheet);
    EXPECT_EQ(window_text(GetDlgItem(page, IDC_MESSAGES_NUMBER)), "7");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_MESSAGES_NUMBER)));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(wait_gone(sheet));
    exit_program();
}

}  // namespace
