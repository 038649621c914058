// The real program under Wine in an NT version, beside a stand-in Messenger
// service: it starts the stopped service, captures a popup into its list and
// stops the service again at exit (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include "e2e/png_win.h"
#include "e2e/program_driver_win.h"
#include "resources/resource.h"
#include "support/save_dialog_win.h"
#include "transport/standins/installed_service_win.h"
#include "transport/standins/popup_maker_win.h"

namespace {

TEST(NtProgram, StartsTheServiceCapturesItsPopupAndStopsItAtExit) {
    delete_stored_options();
    store_dword("cone", 0);
    remove_messenger_service();
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());
    ASSERT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));

    ProgramDriver program;
    ASSERT_TRUE(program.start());
    // Our thread owns the popups below; it pumps while it waits.
    ASSERT_TRUE(pump_until([&] { return program.wait_ready(0); }, 15000));
    EXPECT_TRUE(service.wait_for_state(SERVICE_RUNNING, 5000)) << "the program starts the service";

    PopupMaker popups;
    // Characters that the ANSI code page has and the OEM one lacks.
    HWND popup = popups.show(
        kEnglishTitle, popup_text(L"ALPHA", L"BETA", L"5\u20AC \u201Cok\u201D \u2013 done\u2026"));
    ASSERT_TRUE(pump_until([&] { return program.rows().size() == 1; }, 5000))
        << "the popup did not reach the list";
    EXPECT_TRUE(pump_until([&] { return !IsWindow(popup); }, 2000)) << "the popup is closed";
    const ListRow row = program.rows()[0];
    EXPECT_EQ(row.from, "ALPHA");
    EXPECT_EQ(row.to, "BETA");
    EXPECT_EQ(program.status_text(0), "Message(s): 1");
    save_screenshot(program.main_window(), artifact_path("main-window-nt.png"));

    ASSERT_TRUE(program.select_row(0));
    program.post_command(IDM_VIEW);
    HWND view = nullptr;
    ASSERT_TRUE(pump_until(
        [&] { return (view = program.find_dialog_with_text("View Message")) != nullptr; }, 5000));
    // The dialog may show before its text is in.
    const std::string expected = "5\x80 \x93ok\x94 \x96 done\x85";  // windows-1252
    pump_until([&] { return text_of(GetDlgItem(view, IDC_VIEW_TEXT)) == expected; }, 2000);
    EXPECT_EQ(text_of(GetDlgItem(view, IDC_VIEW_TEXT)), expected);
    PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(view); }, 3000));

    program.post_command(IDM_EXIT);
    std::optional<DWORD> code;
    ASSERT_TRUE(pump_until([&] { return (code = program.wait_exit(0)).has_value(); }, 5000));
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(service.wait_for_state(SERVICE_STOPPED, 5000))
        << "the service the program started is stopped at exit";
}

// The list commands work the same on messages captured from the service.
TEST(NtProgram, ListCommandsActOnCapturedMessages) {
    delete_stored_options();
    store_dword("cone", 0);
    store_dword("cond", 0);
    remove_messenger_service();
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());

    ProgramDriver program;
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(pump_until([&] { return program.wait_ready(0); }, 15000));
    PopupMaker popups;
    for (const wchar_t* text : {L"one", L"two", L"three"}) {
        const size_t before = program.rows().size();
        popups.show(kEnglishTitle, popup_text(L"ALPHA", L"BETA", text));
        ASSERT_TRUE(pump_until([&] { return program.rows().size() == before + 1; }, 5000));
    }
    EXPECT_EQ(program.status_text(1), "Unread message(s): 3");

    ASSERT_TRUE(program.select_row(1));
    program.post_command(IDM_DELETE);
    ASSERT_TRUE(pump_until([&] { return program.rows().size() == 2; }, 5000));
    EXPECT_EQ(program.status_text(0), "Message(s): 2");
    program.post_command(IDM_MARK_ALL_READ);
    ASSERT_TRUE(pump_until([&] { return program.status_text(1) == "Unread message(s): 0"; }, 5000));

    program.post_command(IDM_EXIT);
    std::optional<DWORD> code;
    ASSERT_TRUE(pump_until([&] { return (code = program.wait_exit(0)).has_value(); }, 5000));
    EXPECT_EQ(*code, 0u);
}

// A window that only has the program's title (a folder window of that name)
// does not stop the start; a second start brings the running copy forward.
TEST(NtProgram, StartsBesideAForeignWindowWithItsTitleAndBringsItselfForward) {
    delete_stored_options();
    store_dword("cone", 0);
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());
    HWND foreign = CreateWindowExA(0, "STATIC", "Quorvanta Messenger", WS_OVERLAPPEDWINDOW, 40, 40,
                                   300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(foreign, nullptr);
    ShowWindow(foreign, SW_SHOWMINNOACTIVE);

    ProgramDriver program;
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(pump_until([&] { return program.wait_ready(0); }, 15000))
        << "the program ended before its main window: "
        << program.wait_exit(0).value_or(STILL_ACTIVE);
    ShowWindow(program.main_window(), SW_MINIMIZE);
    ASSERT_TRUE(pump_until([&] { return IsIconic(program.main_window()) != 0; }, 2000));

    ProgramDriver second;
    ASSERT_TRUE(second.start());
    std::optional<DWORD> code;
    ASSERT_TRUE(pump_until([&] { return (code = second.wait_exit(0)).has_value(); }, 10000));
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(IsIconic(program.main_window())) << "the running copy is restored";
    EXPECT_TRUE(IsIconic(foreign)) << "the foreign window is left alone";

    program.post_command(IDM_EXIT);
    ASSERT_TRUE(pump_until([&] { return program.wait_exit(0).has_value(); }, 5000));
    DestroyWindow(foreign);
}

// A start that fails after the service was started stops it again. The
// stand-in netapi32.dll, which the program loads before its main window,
// refuses that window.
TEST(NtProgram, AFailedStartStopsTheServiceItStarted) {
    delete_stored_options();
    store_dword("cone", 0);
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.installed());

    ProgramDriver program;
    SetEnvironmentVariableA("QVA_NETAPI_REFUSE_MAIN_WINDOW", "1");
    const bool started = program.start();
    SetEnvironmentVariableA("QVA_NETAPI_REFUSE_MAIN_WINDOW", nullptr);
    ASSERT_TRUE(started);
    HWND box = nullptr;
    ASSERT_TRUE(pump_until(
        [&] { return (box = program.find_dialog_with_text("Can't create the main window")); },
        15000));
    EXPECT_TRUE(service.wait_for_state(SERVICE_RUNNING, 5000)) << "the program started it";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    std::optional<DWORD> code;
    ASSERT_TRUE(pump_until([&] { return (code = program.wait_exit(0)).has_value(); }, 5000));
    EXPECT_EQ(*code, static_cast<DWORD>(-1));
    EXPECT_TRUE(service.wait_for_state(SERVICE_STOPPED, 5000))
        << "the service the program started is stopped again";
}

}  // namespace
