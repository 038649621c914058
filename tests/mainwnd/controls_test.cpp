// Layout numbers of the main window's controls, and its toolbars made in the
// main dialog from the program's own template (Windows only).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "mainwnd/controls_win.h"
#include "mainwnd/main_window_win.h"
#include "resources/resource.h"

namespace {

TEST(MessageListColumns, SplitTheClientWidthInThirds) {
    struct Case {
        int width, from, to, time;
    };
    for (const Case& c :
         {Case{100, 33, 33, 34}, Case{101, 33, 33, 34}, Case{99, 33, 33, 33}, Case{0, 0, 0, 0}}) {
        const ColumnWidths widths = message_list_columns(c.width);
        EXPECT_EQ(widths.from, c.from) << c.width;
        EXPECT_EQ(widths.to, c.to) << c.width;
        EXPECT_EQ(widths.time, c.time) << c.width;
    }
}

TEST(ToolbarImages, TakeTwoThirdsOfTheBand) {
    EXPECT_EQ(toolbar_image_size(37), 24);
    EXPECT_EQ(toolbar_image_size(2), 1);
}

INT_PTR CALLBACK idle_dialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST(ToolbarImages, MadeForTheBandAboveTheListAndTheTree) {
    InitCommonControls();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, idle_dialog, 0);
    ASSERT_NE(dialog, nullptr);
    g_main.list = GetDlgItem(dialog, IDC_MESSAGE_LIST);
    g_main.tree = GetDlgItem(dialog, IDC_NETWORK_TREE);
    create_message_toolbar(instance, dialog);
    create_network_toolbar(instance, dialog);
    for (HWND toolbar : {g_main.message_toolbar, g_main.network_toolbar}) {
        ASSERT_NE(toolbar, nullptr);
        RECT band{};
        GetWindowRect(toolbar, &band);
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
        int width = 0, height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
        EXPECT_EQ(height, (2 * (band.bottom - band.top)) / 3);
        EXPECT_EQ(width, 24) << "the band of the main dialog is 37 pixels high";
    }
    DestroyWindow(dialog);
}

}  // namespace
