// A thousand incoming messages and commands (View, Answer with a send,
// Delete, Delete All, Mark As Read, Mark All As Read), randomly interleaved,
// with messages arriving while every confirmation and dialog is shown and
// the tray's commands tried over the open dialogs. After every step the
// rows, the status bar's counts and the toolbar agree, and every dialog and
// deletion concerns the message that was chosen; and a flood of 10,000
// arriving while the user views and deletes (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "support/png_win.h"
#include "support/program_test_win.h"

namespace {

class Stress : public ProgramTest {
protected:
    // A new message whose recipient field names it; false when it cannot be written.
    bool arrive(std::mt19937& random) {
        const unsigned peer = random() % 9;
        const std::string from = peer < 3 ? "." : "PEER" + std::to_string(peer);
        const std::string to = "ME" + std::to_string(++written_);
        texts_[to] = "message " + std::to_string(written_);
        return write_datagram(datagram(from, to, texts_[to]));
    }

    // A message arrives while the program shows a window: written, then
    // given the receiver's poll period to be listed behind that window.
    // Whether it was.
    bool arrive_meanwhile(std::mt19937& random) {
        if (!arrive(random)) return false;
        const std::string to = "ME" + std::to_string(written_);
        return wait_until([&] { return listed(to); }, 1500);
    }

    // Waits until the last message written is listed (or a short while has
    // passed: a Delete All may have taken it), so that no arrival moves the
    // selection between the choice and the command.
    void settle() {
        if (written_ == 0) return;
        const std::string last = "ME" + std::to_string(written_);
        if (last == settled_) return;
        if (wait_until([&] { return listed(last); }, 1500)) settled_ = last;
    }

    // Selects a random row; its recipient, empty for none.
    std::string select_some_row(std::mt19937& random) {
        settle();
        const int count = program_.row_count();
        if (count <= 0) return {};
        const int index = static_cast<int>(random() % count);
        if (!program_.select_row(index)) return {};
        return program_.row(index).to;
    }

    bool listed(const std::string& to) const {
        const std::vector<ListRow> rows = program_.rows();
        return std::any_of(rows.begin(), rows.end(), [&](const ListRow& r) { return r.to == to; });
    }

    // The tray's commands over an open dialog: nothing opens, nothing is
    // deleted, the window does not hide, and the dialog stays open.
    void try_the_tray_over(HWND dialog) {
        const int rows = program_.row_count();
        PostMessageA(program_.main_window(), WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
        for (int id : {IDM_ABOUT, IDM_SETTINGS, IDM_DELETE_ALL, IDM_EXIT})
            program_.post_command(id);
        Sleep(100);
        ++tray_tries_;
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(program_.find_dialog_with_text("Sent: "), nullptr) << "About opened";
        EXPECT_EQ(program_.find_dialog_with_text("Messenger Properties"), nullptr);
        EXPECT_GE(program_.row_count(), rows) << "rows deleted under an open dialog";
        EXPECT_FALSE(IsIconic(program_.main_window()));
        EXPECT_FALSE(IsWindowEnabled(program_.main_window()));
    }

    void close(HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }))
            << "the dialog did not close; an error box may hold it";
    }

    // The dialog shows the message chosen, even after arrivals moved its row.
    void view(std::mt19937& random) {
        const std::string chosen = select_some_row(random);
        if (chosen.empty()) return;
        program_.post_command(IDM_VIEW);
        HWND view = wait_for_dialog("View Message");
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(arrive_meanwhile(random)) << "a message arriving behind View is not listed";
        if (random() % 2) try_the_tray_over(view);
        EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TO)), "To: " + chosen);
        if (texts_.count(chosen)) {
            EXPECT_EQ(window_text(GetDlgItem(view, IDC_VIEW_TEXT)), texts_[chosen]);
        }
        ++identity_checks_;
        close(view);
    }

    // Answers the chosen message: with a reply when it came from ".", which
    // the answer reaches through this computer's own mailslot; otherwise the
    // dialog is cancelled (which leaves the message read).
    void answer(std::mt19937& random) {
        const std::string chosen = select_some_row(random);
        if (chosen.empty()) return;
        program_.post_command(IDM_ANSWER);
        HWND dialog = wait_for_dialog("Answer Message");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(arrive_meanwhile(random)) << "a message arriving behind Answer is not listed";
        if (random() % 2) try_the_tray_over(dialog);
        if (texts_.count(chosen)) {
            EXPECT_EQ(window_text(GetDlgItem(dialog, IDC_ANSWER_RECEIVED)), texts_[chosen]);
            ++identity_checks_;
        }
        if (window_text(GetDlgItem(dialog, IDC_ANSWER_FROM)) == ".") {
            HWND reply = GetDlgItem(dialog, IDC_ANSWER_REPLY);
            for (char c : std::string("ok"))
                SendMessageA(reply, WM_CHAR, c, 1);
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            ++answers_sent_;
            if (wait_until([&] { return !IsWindow(dialog); }, 1000)) return;
        }
        close(dialog);
    }

    // Deletes the chosen message, answering Yes after a message arrived
    // behind the question: the chosen one goes, the new one stays.
    void delete_one(std::mt19937& random) {
        const std::string chosen = select_some_row(random);
        if (chosen.empty()) return;
        program_.press_delete_key();
        HWND box = wait_for_dialog("Do you really want to delete message ?");
        ASSERT_NE(box, nullptr);
        arrive_meanwhile(random);
        const std::string newest = "ME" + std::to_string(written_);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
        if (texts_.count(chosen)) {
            EXPECT_TRUE(wait_until([&] { return !listed(chosen); }, 1000))
                << chosen << " was chosen and is still listed";
            EXPECT_TRUE(wait_until([&] { return listed(newest); }, 1500))
                << newest << " arrived behind the question and is gone";
            ++identity_checks_;
        }
    }

    // Delete All with its question: what arrived behind it stays.
    void delete_all(std::mt19937& random) {
        settle();
        const std::vector<ListRow> before = program_.rows();
        if (before.empty()) return;
        program_.post_command(IDM_DELETE_ALL);
        HWND box = wait_for_dialog("Do you really want to delete all messages ?");
        ASSERT_NE(box, nullptr);
        const bool arrived_behind = arrive_meanwhile(random);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
        const std::string newest = "ME" + std::to_string(written_);
        for (const ListRow& row : before) {
            if (texts_.count(row.to)) {
                EXPECT_TRUE(wait_until([&] { return !listed(row.to); }, 1000))
                    << row.to << " was listed when Delete All began and is still there";
            }
        }
        if (arrived_behind) {
            EXPECT_TRUE(listed(newest)) << newest << " arrived behind the question";
        }
    }

    // The rows, the status bar's counts and the toolbar agree. Messages may
    // still be arriving, so a mismatch must persist to count.
    ::testing::AssertionResult display_matches_rows() {
        std::string last;
        const bool settled = wait_until(
            [&] {
                const std::vector<ListRow> rows = program_.rows();
                const auto unread = std::count_if(rows.begin(), rows.end(),
                                                  [](const ListRow& r) { return r.image == 0; });
                const bool view_enabled = program_.toolbar_button_enabled(IDM_VIEW);
                const bool delete_all_enabled = program_.toolbar_button_enabled(IDM_DELETE_ALL);
                const std::string status = counts();
                const std::string expected = "Message(s): " + std::to_string(rows.size()) +
                                             " / Unread message(s): " + std::to_string(unread);
                last = "rows say " + expected + ", status says " + status + ", View " +
                       (view_enabled ? "enabled" : "greyed");
                return status == expected && view_enabled == !rows.empty() &&
                       delete_all_enabled == !rows.empty();
            },
            3000);
        if (settled) return ::testing::AssertionSuccess();
        ++mismatches_;
        return ::testing::AssertionFailure() << last;
    }

    std::map<std::string, std::string> texts_;  // recipient field -> text
    int written_ = 0;
    std::string settled_;  // the last message seen listed
    int answers_sent_ = 0;
    int identity_checks_ = 0;
    int tray_tries_ = 0;
    int mismatches_ = 0;
};

TEST_F(Stress, AThousandInterleavedMessagesAndCommandsKeepTheDisplayTrue) {
    store_dword("cond", 1);
    store_dword("conda", 1);
    start_program();
    std::mt19937 random(20261207);
    for (int step = 1; step <= 1000; ++step) {
        const unsigned pick = random() % 100;
        if (pick < 42) {
            ASSERT_TRUE(arrive(random));
        } else if (pick < 50) {
            view(random);
        } else if (pick < 56) {
            answer(random);
        } else if (pick < 68) {
            delete_one(random);
        } else if (pick < 71) {
            delete_all(random);
        } else if (pick < 90) {
            select_some_row(random);
            program_.send_command(IDM_MARK_READ);
        } else {
            program_.send_command(IDM_MARK_ALL_READ);
        }
        ASSERT_TRUE(display_matches_rows()) << "after step " << step << " (pick " << pick << ")";
        ASSERT_FALSE(HasFailure()) << "at step " << step;
    }
    std::printf(
        "%d messages written, %d answers sent, %d identity checks, %d tray tries over "
        "dialogs, %d mismatches, %d rows left\n",
        written_, answers_sent_, identity_checks_, tray_tries_, mismatches_, program_.row_count());
    EXPECT_GT(answers_sent_, 0);
    EXPECT_EQ(mismatches_, 0);
    save_screenshot(program_.main_window(), artifact_path("main-window-after-stress.png"));

    const DWORD start = GetTickCount();
    program_.post_command(IDM_EXIT);
    const auto code = program_.wait_exit(5000);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    std::printf("exit took %lu ms\n", GetTickCount() - start);
    EXPECT_EQ(*code, 0u);
}

// Every datagram of a flood is received once and the rows that the user did
// not delete keep the arrival order, newest first.
TEST_F(Stress, AFloodOfTenThousandWhileTheUserViewsAndDeletesLosesAndReordersNothing) {
    store_dword("cond", 0);
    store_dword("mlrm", 0);
    start_program();
    constexpr int kFlood = 10000;
    std::atomic<int> written{0};
    std::thread writer([&] {
        UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        for (int i = 0; i < kFlood; ++i) {
            const std::string bytes = datagram("F" + std::to_string(i), "ME", "x");
            DWORD done = 0;
            if (!WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done,
                           nullptr)) {
                return;
            }
            ++written;
        }
    });
    std::mt19937 random(18);
    int deletes = 0, views = 0;
    const DWORD start = GetTickCount();
    while (written < kFlood && GetTickCount() - start < 120000) {
        const int count = program_.row_count();
        if (count <= 0 || !program_.select_row(static_cast<int>(random() % count))) continue;
        if (random() % 3 == 0) {
            program_.post_command(IDM_VIEW);
            if (HWND view = wait_for_dialog("View Message")) close(view);
            ++views;
        } else {
            program_.send_command(IDM_DELETE);
            ++deletes;
        }
    }
    writer.join();
    ASSERT_EQ(written, kFlood);

    // Received counts every listed message, deleted or not.
    program_.post_command(IDM_ABOUT);
    HWND about = wait_for_dialog("Received:");
    ASSERT_NE(about, nullptr);
    const std::string received = "Received: " + std::to_string(kFlood);
    EXPECT_TRUE(wait_until(
        [&] { return window_text(GetDlgItem(about, IDC_STAT_RECEIVED)) == received; }, 60000))
        << window_text(GetDlgItem(about, IDC_STAT_RECEIVED));
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(about); }));

    const std::vector<ListRow> rows = program_.rows();
    int previous = kFlood;
    for (const ListRow& row : rows) {
        const int index = std::atoi(row.from.c_str() + 1);
        ASSERT_LT(index, previous) << "row " << row.from << " out of order";
        previous = index;
    }
    EXPECT_GE(static_cast<int>(rows.size()), kFlood - deletes);
    EXPECT_TRUE(display_matches_rows());
    std::printf("%d written, %d delete commands, %d views, %zu rows left, %lu ms\n", kFlood,
                deletes, views, rows.size(), GetTickCount() - start);
    exit_program();
}

}  // namespace
