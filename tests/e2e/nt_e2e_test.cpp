// The real program under Wine in an NT version, beside a stand-in Messenger
// service: it starts the stopped service, captures a popup into its list and
// stops the service again at exit (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include "support/png_win.h"
#include "support/program_test_win.h"
#include "transport/standins/installed_service_win.h"
#include "transport/standins/popup_maker_win.h"

namespace {

using NtProgram = ProgramTest;

TEST_F(NtProgram, StartsTheServiceCapturesItsPopupAndStopsItAtExit) {
    remove_messenger_service();
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());
    ASSERT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));

    // Our thread owns the popups below; it handles messages while it waits.
    start_program();
    EXPECT_TRUE(service.wait_for_state(SERVICE_RUNNING, 5000)) << "the program starts the service";

    PopupMaker popups;
    // Characters that the ANSI code page has and the OEM one lacks.
    HWND popup = popups.show(
        kEnglishTitle, popup_text(L"ALPHA", L"BETA", L"5\u20AC \u201Cok\u201D \u2013 done\u2026"));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }, 5000))
        << "the popup did not reach the list";
    EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 2000)) << "the popup is closed";
    const ListRow row = program_.rows()[0];
    EXPECT_EQ(row.from, "ALPHA");
    EXPECT_EQ(row.to, "BETA");
    EXPECT_EQ(program_.status_text(0), "Message(s): 1");
    save_screenshot(program_.main_window(), artifact_path("main-window-nt.png"));

    ASSERT_TRUE(program_.select_row(0));
    program_.post_command(IDM_VIEW);
    HWND view = wait_for_dialog("View Message");
    ASSERT_NE(view, nullptr);
    // The dialog may show before its text is in.
    const std::string expected = "5\x80 \x93ok\x94 \x96 done\x85";  // windows-1252
    wait_until([&] { return window_text(GetDlgItem(view, IDC_VIEW_TEXT)) == expected; }, 2000);
    EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TEXT)), expected);
    cancel(view);

    exit_program();
    EXPECT_TRUE(service.wait_for_state(SERVICE_STOPPED, 5000))
        << "the service the program started is stopped at exit";
}

// The list commands work the same on messages captured from the service.
TEST_F(NtProgram, ListCommandsActOnCapturedMessages) {
    store_dword("cond", 0);
    remove_messenger_service();
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());

    start_program();
    PopupMaker popups;
    for (const wchar_t* text : {L"one", L"two", L"three"}) {
        const size_t before = program_.rows().size();
        popups.show(kEnglishTitle, popup_text(L"ALPHA", L"BETA", text));
        ASSERT_TRUE(wait_until([&] { return program_.rows().size() == before + 1; }, 5000));
    }
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 3");

    ASSERT_TRUE(program_.select_row(1));
    program_.post_command(IDM_DELETE);
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 2; }, 5000));
    EXPECT_EQ(program_.status_text(0), "Message(s): 2");
    program_.post_command(IDM_MARK_ALL_READ);
    ASSERT_TRUE(
        wait_until([&] { return program_.status_text(1) == "Unread message(s): 0"; }, 5000));

    exit_program();
}

// A window that only has the program's title (a folder window of that name)
// does not stop the start; a second start brings the running copy forward.
TEST_F(NtProgram, StartsBesideAForeignWindowWithItsTitleAndBringsItselfForward) {
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());
    HWND foreign = CreateWindowExA(0, "STATIC", "Quorvanta Messenger", WS_OVERLAPPEDWINDOW, 40, 40,
                                   300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(foreign, nullptr);
    ShowWindow(foreign, SW_SHOWMINNOACTIVE);

    ASSERT_TRUE(program_.start());
    ASSERT_TRUE(program_.wait_ready()) << "the program ended before its main window: "
                                       << program_.wait_exit(0).value_or(STILL_ACTIVE);
    ShowWindow(program_.main_window(), SW_MINIMIZE);
    ASSERT_TRUE(wait_until([&] { return IsIconic(program_.main_window()) != 0; }, 2000));

    ProgramDriver second;
    ASSERT_TRUE(second.start());
    const std::optional<DWORD> code = second.wait_exit(10000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(IsIconic(program_.main_window())) << "the running copy is restored";
    EXPECT_TRUE(IsIconic(foreign)) << "the foreign window is left alone";

    exit_program();
    DestroyWindow(foreign);
}

// A start that fails after the service was started stops it again. The
// stand-in netapi32.dll, which the program loads before its main window,
// refuses that window.
TEST_F(NtProgram, AFailedStartStopsTheServiceItStarted) {
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());

    SetEnvironmentVariableA("QVA_NETAPI_REFUSE_MAIN_WINDOW", "1");
    const bool started = program_.start();
    SetEnvironmentVariableA("QVA_NETAPI_REFUSE_MAIN_WINDOW", nullptr);
    ASSERT_TRUE(started);
    HWND box = wait_for_dialog("Can't create the main window", 15000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(service.wait_for_state(SERVICE_RUNNING, 5000)) << "the program started it";
    press(box, IDOK);
    const std::optional<DWORD> code = program_.wait_exit(5000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, static_cast<DWORD>(-1));
    EXPECT_TRUE(service.wait_for_state(SERVICE_STOPPED, 5000))
        << "the service the program started is stopped again";
}

}  // namespace
