// The real program under Wine in the Windows 98 version: the About dialog
// opened by its command, and the tray menu behind it (Windows only, end to
// end).
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/png_win.h"
#include "support/program_test_win.h"

namespace {

class AboutInTheProgram : public ProgramTest {
protected:
    // Opens About and waits until its initialisation has filled the lines.
    HWND open_about() {
        program_.post_command(IDM_ABOUT);
        HWND about = nullptr;
        wait_until([&] {
            about = nullptr;
            for (HWND window : program_.top_level_windows())
                if (window_text(window) == "About") about = window;
            return about && line(about, IDC_STAT_SENT) != "Static";
        });
        return about;
    }

    static std::string line(HWND about, int id) { return window_text(GetDlgItem(about, id)); }

    HWND tray_menu() const {
        for (HWND window : program_.top_level_windows()) {
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "#32768") return window;
        }
        return nullptr;
    }

    // Right click on the tray icon, then the menu's last item, Exit, chosen
    // with the keyboard. False when the menu did not show.
    bool choose_exit_from_tray(const char* screenshot = nullptr) {
        PostMessageA(program_.main_window(), WM_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
        HWND menu = nullptr;
        if (!wait_until([&] { return (menu = tray_menu()) != nullptr; })) return false;
        if (screenshot) capture(nullptr, screenshot);
        PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    }
};

TEST_F(AboutInTheProgram, TrayMenuOffersNothingWhileItIsOpen) {
    start_program();
    HWND about = open_about();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(line(about, IDC_STAT_RECEIVED), "Received: 0");
    capture(about, "about-dialog.png");
    capture(nullptr, "about-over-main-window.png");
    ASSERT_TRUE(choose_exit_from_tray("tray-menu-during-about.png"));
    EXPECT_FALSE(program_.wait_exit(1000).has_value()) << "Exit is greyed behind About";
    if (HWND menu = tray_menu()) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(wait_until([&] { return tray_menu() == nullptr; }));
    EXPECT_TRUE(IsWindow(about));

    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(about); }));
    ASSERT_TRUE(choose_exit_from_tray());
    EXPECT_TRUE(program_.wait_exit(5000).has_value()) << "after OK the tray menu's Exit works";
}

}  // namespace
