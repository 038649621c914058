// The real program under Wine in the Windows 98 version: View on the selected
// message and Save messages as HTML, end to end through the program's own
// Save As dialog (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/png_win.h"
#include "support/program_test_win.h"

namespace fs = std::filesystem;

namespace {

const char kListDialog[] = "Save Message(s) List Dialog...";
const std::string kListHead =
    "<html>\r\n<head>\r\n<title>\r\nQVA Messages List:</title>\r\n</head>\r\n";

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program writes the page after its Save As dialog has gone: wait for
// the whole page, which ends with </html>.
std::string saved_page(const fs::path& path) {
    std::string bytes;
    wait_until([&] {
        bytes = file_bytes(path);
        return bytes.size() >= 7 && bytes.compare(bytes.size() - 7, 7, "</html>") == 0;
    });
    return bytes;
}

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class ViewAndSave : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        folder_ = fs::temp_directory_path() / ("qva_e2e_" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        start_program();
    }

    void TearDown() override {
        exit_program();
        fs::remove_all(folder_);
    }

    void receive(const std::string& from, const std::string& to, const std::string& text) {
        const size_t before = program_.rows().size();
        ASSERT_TRUE(write_datagram(datagram(from, to, text)));
        ASSERT_TRUE(wait_until([&] { return program_.rows().size() == before + 1; }));
    }

    // Save messages as HTML with `typed` as the file name; then the Save As
    // dialog is gone.
    void save_list(const std::string& typed) {
        program_.post_command(IDM_SAVE_HTML);
        HWND save_dialog = wait_for_titled(kListDialog);
        ASSERT_NE(save_dialog, nullptr) << "no Save As dialog";
        save_as(save_dialog, (folder_ / typed).string());
        ASSERT_TRUE(wait_gone(save_dialog));
    }

    fs::path folder_;
};

TEST_F(ViewAndSave, ViewMarksTheSelectedMessageReadAndShowsIt) {
    program_.post_command(IDM_VIEW);
    EXPECT_EQ(wait_for_titled("View Message", 500), nullptr) << "no message, no dialog";

    receive("ALPHA", "HOST", "first");
    receive("GAMMA", "*", "Lunch at noon?\r\nThe usual place & time.");
    const std::vector<ListRow> before = program_.rows();
    ASSERT_TRUE(before[0].selected);

    program_.post_command(IDM_VIEW);
    HWND view = wait_for_titled("View Message");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_FROM)), "From: GAMMA");
    EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TO)), "To: *");
    EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TIME)), "Time: " + before[0].time);
    EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TEXT)),
              "Lunch at noon?\r\nThe usual place & time.");
    EXPECT_EQ(program_.rows()[0].image, 1);
    EXPECT_EQ(program_.rows()[1].image, 0) << "only the viewed message is read";
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 1");

    RECT main{}, dialog{};
    GetWindowRect(program_.main_window(), &main);
    GetWindowRect(view, &dialog);
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (main.left + main.right) / 2, 1);
    Sleep(300);  // let it paint
    save_screenshot(nullptr, artifact_path("view-dialog.png"));

    cancel(view);
    program_.post_command(IDM_VIEW);
    view = wait_for_titled("View Message");
    ASSERT_NE(view, nullptr) << "a read message opens again";
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 1") << "counted once";
    cancel(view);
}

TEST_F(ViewAndSave, SavesTheWholeListAsOnePage) {
    // An empty list gives a complete page, and no error.
    save_list("empty");
    EXPECT_EQ(saved_page(folder_ / "empty.html"), kListHead + "</html>");
    EXPECT_EQ(program_.find_dialog_with_text("Error saving file"), nullptr);

    // Only the menu's own notification code saves.
    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_SAVE_HTML, 1), 0);
    EXPECT_EQ(wait_for_titled(kListDialog, 500), nullptr);

    receive("ALPHA", "HOST", "first");
    receive("BETA", "HOST", "<b>second</b>");
    receive("GAMMA", "*", "third");

    program_.post_command(IDM_SAVE_HTML);
    HWND save_dialog = wait_for_titled(kListDialog);
    ASSERT_NE(save_dialog, nullptr);
    const std::string proposed = save_dialog_name(save_dialog);
    EXPECT_EQ(proposed.rfind("message_list", 0), 0u) << proposed;
    EXPECT_EQ(proposed.size(), 31u) << proposed;
    save_as(save_dialog, (folder_ / "list.html.old").string());
    ASSERT_TRUE(wait_gone(save_dialog));
    const std::string page = saved_page(folder_ / "list.html.old");
    EXPECT_EQ(page.rfind(kListHead, 0), 0u);
    EXPECT_EQ(count_of(page, "<table"), 3u);
    EXPECT_EQ(count_of(page, "</table>\r\n\r\n<br>\r\n"), 3u);
    EXPECT_LT(page.find("<b>GAMMA</b>"), page.find("<b>BETA</b>")) << "newest first";
    EXPECT_LT(page.find("<b>BETA</b>"), page.find("<b>ALPHA</b>"));
    EXPECT_NE(page.find("&lt;b&gt;second&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 7), "</html>");
    EXPECT_FALSE(fs::exists(folder_ / "list.html.old.html"));

    save_list("list");
    EXPECT_EQ(saved_page(folder_ / "list.html"), page);

    program_.post_command(IDM_SAVE_HTML);
    save_dialog = wait_for_titled(kListDialog);
    ASSERT_NE(save_dialog, nullptr);
    cancel_save(save_dialog);
    ASSERT_TRUE(wait_gone(save_dialog));
    Sleep(200);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 3)
        << "Cancel writes nothing";
    EXPECT_EQ(program_.find_dialog_with_text("Error saving file"), nullptr);
}

}  // namespace
