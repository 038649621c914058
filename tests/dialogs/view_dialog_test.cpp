// The View Message dialog from the program's own template, driven from a
// second thread as a user would: the header lines, the text and the icon;
// Save through the real Save As dialog with both file types and the
// extension rules, overwriting, the error box and Cancel (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "core/process_state.h"
#include "dialogs/active_dialog_win.h"
#include "dialogs/view_dialog_win.h"
#include "export/message_files.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "support/save_dialog_win.h"

namespace fs = std::filesystem;

namespace {

// 6 December 2001, 09:05:03 in the test's time zone (three hours east of UTC).
constexpr int32_t kMorning = 1007618703;

const char kErrorCaption[] = "Quorvanta Messenger";

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ViewDialog : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv("TZ=QVA-3");
        _tzset();
        message_.from = "ALPHA";
        message_.to = "BETA";
        message_.text = "Hello <there>\r\nsecond line";
        message_.arrived = kMorning;
        folder_ = fs::temp_directory_path() / ("qva_view_" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }

    void TearDown() override {
        if (ui_.joinable()) close();
        // The Save As dialog made the folder the current one.
        SetCurrentDirectoryA(fs::temp_directory_path().string().c_str());
        fs::remove_all(folder_);
    }

    // Opens the dialog over a stand-in main window on its own thread, as the
    // opener does, and waits until it shows.
    void open(const MessageRecord* record) {
        ui_ = std::thread([this, record] {
            HWND owner =
                CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 120,
                                90, 560, 420, nullptr, nullptr, nullptr, nullptr);
            result_ = show_view_dialog(owner, {record, 24});
            DestroyWindow(owner);
        });
        dialog_ = wait_for_window(GetCurrentProcessId(), "View Message");
        ASSERT_NE(dialog_, nullptr) << "the View Message dialog did not show";
    }

    void close() {
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ui_.join();
        EXPECT_EQ(result_, 0);
    }

    std::string item_text(int id) const { return window_text(GetDlgItem(dialog_, id)); }

    HWND click_save() {
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_VIEW_SAVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDC_VIEW_SAVE)));
        return wait_for_window(GetCurrentProcessId(), "Save Message Dialog...");
    }

    // Save, the file type, the typed name, Save; then the dialog is gone.
    void save(int filter, const std::string& typed) {
        HWND save_dialog = click_save();
        ASSERT_NE(save_dialog, nullptr) << "no Save As dialog";
        choose_file_type(save_dialog, filter);
        save_as(save_dialog, (folder_ / typed).string());
        ASSERT_TRUE(wait_gone(save_dialog)) << typed;
    }

    HWND error_box() const { return window_titled(GetCurrentProcessId(), kErrorCaption); }

    MessageRecord message_;
    fs::path folder_;
    std::thread ui_;
    HWND dialog_ = nullptr;
    std::atomic<INT_PTR> result_ = -1;
};

TEST_F(ViewDialog, ShowsTheMessageWithTheIconAndExitFocused) {
    open(&message_);
    EXPECT_EQ(item_text(IDC_VIEW_FROM), "From: ALPHA");
    EXPECT_EQ(item_text(IDC_VIEW_TO), "To: BETA");
    EXPECT_EQ(item_text(IDC_VIEW_TIME), "Time: 09:05:03");
    EXPECT_EQ(item_text(IDC_VIEW_TEXT), *message_.text);
    EXPECT_EQ(active_dialog(), dialog_);

    auto icon = reinterpret_cast<HICON>(SendMessageA(dialog_, WM_GETICON, ICON_BIG, 0));
    ICONINFO info{};
    ASSERT_TRUE(icon && GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 24) << "the icon at the toolbar's picture size";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // A thread has a focus only while its window is active, and tests running
    // beside this one may take the foreground: the dialog is brought back.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    for (int tries = 0; tries < 100 && !gui.hwndFocus; ++tries, Sleep(20)) {
        SetForegroundWindow(dialog_);
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &gui));
    }
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(dialog_, IDCANCEL)) << "Exit has the focus";
    close();
}

TEST_F(ViewDialog, MissingFieldsKeepTheTemplateTexts) {
    MessageRecord bare;
    bare.arrived = -1;  // before 1970: local time cannot be had
    open(&bare);
    EXPECT_EQ(item_text(IDC_VIEW_FROM), "From: UNKNOWN");
    EXPECT_EQ(item_text(IDC_VIEW_TO), "To: UNKNOWN");
    EXPECT_EQ(item_text(IDC_VIEW_TIME), "Time: ??:??:??");
    EXPECT_EQ(item_text(IDC_VIEW_TEXT), "");
    close();
}

TEST_F(ViewDialog, SavesByFileTypeWithTheExtensionRules) {
    const std::string html = with_crlf(message_html(message_));
    const std::string text = with_crlf(message_text(message_));
    open(&message_);

    HWND save_dialog = click_save();
    ASSERT_NE(save_dialog, nullptr);
    EXPECT_EQ(save_dialog_name(save_dialog), "msg06_12_09-05-03_from_ALPHA");
    cancel_save(save_dialog);
    ASSERT_TRUE(wait_gone(save_dialog));
    Sleep(200);
    EXPECT_EQ(error_box(), nullptr) << "Cancel shows nothing";
    EXPECT_TRUE(fs::is_empty(folder_)) << "Cancel writes nothing";

    struct Case {
        int filter;
        const char* typed;
        const char* stored;
        const std::string& bytes;
    };
    for (const Case& c :
         {Case{1, "notes", "notes.html", html}, Case{1, "notes.html", "notes.html", html},
          Case{1, "notes.html.bak", "notes.html.bak", html}, Case{2, "notes", "notes.txt", text}}) {
        fs::remove(folder_ / c.stored);
        // An existing file is replaced only after the question.
        if (c.filter == 2) std::ofstream(folder_ / c.stored) << std::string(3000, 'x');
        save(c.filter, c.typed);
        if (c.filter == 2) {
            EXPECT_TRUE(answer_replace_question(GetCurrentProcessId(), IDYES));
        }
        // The dialog writes after its Save As dialog has gone.
        std::string stored;
        wait_until([&] { return (stored = file_bytes(folder_ / c.stored)) == c.bytes; });
        EXPECT_EQ(stored, c.bytes) << c.typed << " -> " << c.stored;
        EXPECT_EQ(error_box(), nullptr) << c.typed;
    }
    EXPECT_FALSE(fs::exists(folder_ / "notes.html.html"));
    EXPECT_FALSE(fs::exists(folder_ / "notes.html.bak.html"));
    EXPECT_FALSE(fs::exists(folder_ / "notes"));
    EXPECT_EQ(item_text(IDC_VIEW_FROM), "From: ALPHA") << "the dialog stays open";
    close();
}

TEST_F(ViewDialog, ExistingFilesAreReplacedOnlyAfterTheQuestion) {
    const fs::path kept = folder_ / "kept.html";
    std::ofstream(kept) << "old";
    open(&message_);
    // Named as typed: the save dialog asks, and No goes back to it.
    HWND save_dialog = click_save();
    ASSERT_NE(save_dialog, nullptr);
    save_as(save_dialog, kept.string());
    EXPECT_TRUE(answer_replace_question(GetCurrentProcessId(), IDNO));
    EXPECT_TRUE(IsWindowVisible(save_dialog));
    cancel_save(save_dialog);
    ASSERT_TRUE(wait_gone(save_dialog));
    // Named by the extension appended to what was typed: the program asks.
    save(1, "kept");
    EXPECT_TRUE(answer_replace_question(GetCurrentProcessId(), IDNO));
    Sleep(200);
    EXPECT_EQ(file_bytes(kept), "old");
    EXPECT_EQ(error_box(), nullptr) << "No is no error";
    close();
}

TEST_F(ViewDialog, FailedWriteShowsTheErrorAndStaysOpen) {
    const fs::path locked = folder_ / "locked.html";
    HANDLE held = CreateFileA(locked.string().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    open(&message_);
    save(1, "locked");
    ASSERT_TRUE(answer_replace_question(GetCurrentProcessId(), IDYES));

    HWND box = wait_for_window(GetCurrentProcessId(), kErrorCaption);
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(box_text(box), "Error saving file <" + locked.string() + ">");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog_);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(wait_gone(box));
    CloseHandle(held);
    EXPECT_TRUE(IsWindowVisible(dialog_)) << "the dialog stays open after a failed save";
    close();
}

}  // namespace
