// The message list kept across Exit and across a killed process, and the
// option that turns keeping off (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <commctrl.h>

#include "support/program_test_win.h"
#include "support/save_dialog_win.h"

namespace {

// What a person sees of a row: sender, recipient, time and picture.
std::vector<std::string> shown(const std::vector<ListRow>& rows) {
    std::vector<std::string> out;
    for (const ListRow& r : rows)
        out.push_back(r.from + "|" + r.to + "|" + r.time + "|" + std::to_string(r.image));
    return out;
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class KeptMessages : public ProgramTest {
protected:
    // Answers the row's message from "." with a reply, which arrives here too.
    void answer_row(int index) {
        const int before = program_.row_count();
        ASSERT_TRUE(program_.select_row(index));
        program_.post_command(IDM_ANSWER);
        HWND dialog = wait_for_dialog("Answer Message");
        ASSERT_NE(dialog, nullptr);
        type_text(GetDlgItem(dialog, IDC_ANSWER_REPLY), "ok");
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(wait_until([&] { return program_.row_count() == before + 1; }));
        // The dialog stays open after a send until it is cancelled.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    }
};

TEST_F(KeptMessages, TheListComesBackAfterExitWithItsPicturesAndCounts) {
    store_dword("cond", 0);
    start_program();
    for (int i = 1; i <= 50; ++i) {
        const std::string from = i % 10 == 0 ? "." : "SENDER" + std::to_string(i);
        ASSERT_TRUE(write_datagram(datagram(from, "ME", "message " + std::to_string(i))));
    }
    ASSERT_TRUE(wait_until([&] { return program_.row_count() == 50; }, 20000));
    for (int index : {3, 7, 12, 33}) {  // viewed
        ASSERT_TRUE(program_.select_row(index));
        program_.send_command(IDM_MARK_READ);
    }
    answer_row(10);  // rows 10 and 20 hold messages from "."; each reply adds a row on top
    answer_row(21);
    for (int index : {0, 5, 5, 40}) {  // deleted
        ASSERT_TRUE(program_.select_row(index));
        program_.send_command(IDM_DELETE);
    }
    ASSERT_EQ(program_.row_count(), 48);
    const std::vector<std::string> before = shown(program_.rows());
    const std::string counts_before = counts();

    exit_program();
    start_program();
    EXPECT_EQ(shown(program_.rows()), before);
    EXPECT_EQ(counts(), counts_before);
    EXPECT_TRUE(program_.toolbar_button_enabled(IDM_DELETE_ALL));
    EXPECT_TRUE(program_.rows().front().selected);

    // Delete All empties the file at once, not only the list.
    program_.post_command(IDM_DELETE_ALL);
    answer_box("delete all messages", IDYES);
    exit_program();
    start_program();
    EXPECT_EQ(program_.row_count(), 0);
    EXPECT_EQ(counts(), "Message(s): 0 / Unread message(s): 0");
}

TEST_F(KeptMessages, EveryMessageListedBeforeAKillComesBackInOrder) {
    start_program();
    // The flood goes on until a few hundred rows are listed, with more
    // datagrams still waiting in the mailslot; then the process is killed.
    // (Under Wine a write to the mailslot of an ended process never returns,
    // so the writes stop before the kill.)
    UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(slot);
    int written = 0;
    for (; written < 10000; ++written) {
        if (written % 50 == 0 && program_.row_count() >= 300) break;
        const std::string bytes = datagram("F" + std::to_string(written), "ME", "flood");
        DWORD count = 0;
        ASSERT_TRUE(
            WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr));
    }
    // The rows move while the program lists; their count only grows.
    const int listed = program_.row_count();
    program_.kill();
    ASSERT_LT(listed, written) << "the flood was over before the kill";
    slot.reset();

    start_program();
    const std::vector<ListRow> back = program_.rows();
    ASSERT_GE(back.size(), static_cast<size_t>(listed));
    // F0, F1, ... with none missing, the newest at the top.
    for (size_t i = 0; i < back.size(); ++i) {
        ASSERT_EQ(back[i].from, "F" + std::to_string(back.size() - 1 - i)) << "row " << i;
        ASSERT_EQ(back[i].image, 0);
    }
    EXPECT_EQ(counts(), "Message(s): " + std::to_string(back.size()) +
                            " / Unread message(s): " + std::to_string(back.size()));
    EXPECT_EQ(program_.top_level_windows().size(), 1u) << "the start said something";
}

TEST_F(KeptMessages, WithTheOptionOffNothingIsKeptAndTheFileIsDeleted) {
    start_program();
    receive(3);
    exit_program();
    ASSERT_TRUE(file_exists(kept_messages_path()));

    store_dword("keepmsgs", 0);
    start_program();
    EXPECT_FALSE(file_exists(kept_messages_path()));
    EXPECT_EQ(program_.row_count(), 0);
    receive(2);
    exit_program();
    start_program();
    EXPECT_EQ(program_.row_count(), 0);
    EXPECT_FALSE(file_exists(kept_messages_path()));
}

// The option's box on the Miscellaneous page, clicked and confirmed with OK;
// whether it was ticked before.
bool toggle_keep_option(ProgramDriver& program) {
    program.post_command(IDM_SETTINGS);
    HWND sheet = wait_for_window(program.pid(), "Messenger Properties:");
    if (!sheet) return false;
    SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND box = GetDlgItem(page, IDC_MISC_KEEP_MESSAGES);
    const bool was_ticked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageA(box, BM_CLICK, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    wait_gone(sheet);
    return was_ticked;
}

TEST_F(KeptMessages, TheOptionOnTheMiscellaneousPageTakesEffectAtOnce) {
    start_program();
    receive(2);
    EXPECT_TRUE(toggle_keep_option(program_)) << "on by default";
    EXPECT_TRUE(wait_until([] { return !file_exists(kept_messages_path()); }));
    receive(1);
    EXPECT_FALSE(file_exists(kept_messages_path()));
    EXPECT_FALSE(toggle_keep_option(program_));  // on again: the rows listed now are kept
    exit_program();
    EXPECT_EQ(stored_dword("keepmsgs"), 1u);
    start_program();
    EXPECT_EQ(program_.row_count(), 3);
}

TEST_F(KeptMessages, AFileThatCannotBeWrittenGivesOneWarningAndTheListGoesOn) {
    start_program();
    receive(2);
    exit_program();
    start_program();
    EXPECT_EQ(program_.row_count(), 2);
    // Held without sharing, the file refuses the program's next write, as a
    // full or read-only disk would.
    UniqueFile held(CreateFileA(kept_messages_path().c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    receive(3);
    EXPECT_NE(wait_for_dialog("only in memory"), nullptr);
    receive(3);
    Sleep(1000);
    EXPECT_EQ(program_.row_count(), 8);
    int warnings = 0;
    for (HWND window : program_.top_level_windows())
        if (window_text(window) == "Quorvanta Messenger" && window != program_.main_window())
            ++warnings;
    EXPECT_EQ(warnings, 1);
}

}  // namespace
