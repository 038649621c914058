// A thousand incoming messages and commands (View, Answer with a send,
// Delete, Delete All, Mark As Read, Mark All As Read), randomly interleaved,
// with the counts checked against the rows throughout; and a flood of 10,000
// arriving while the user views and deletes (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <random>
#include <string>
#include <thread>

#include "e2e/png_win.h"
#include "e2e/program_test_win.h"

namespace {

class Stress : public ProgramTest {
protected:
    // Commands that open no window run to their end before this returns.
    void command(int id) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(program_.main_window(), WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL,
                            5000, &ignored);
    }

    // The marked row, or -1 for none.
    int select_some_row(std::mt19937& random) {
        const int count = program_.row_count();
        if (count <= 0) return -1;
        const int index = static_cast<int>(random() % count);
        return program_.select_row(index) ? index : -1;
    }

    // Answers the marked message: with a reply when it came from ".", which
    // the answer reaches through this computer's own mailslot; otherwise the
    // dialog is cancelled (which leaves the message read). The dialog says
    // whom it answers: a message arriving meanwhile may have taken the mark.
    void answer(int index) {
        if (index < 0) return;
        program_.post_command(IDM_ANSWER);
        HWND dialog = wait_for_dialog("Answer Message");
        ASSERT_NE(dialog, nullptr);
        if (window_text(GetDlgItem(dialog, IDC_ANSWER_FROM)) == ".") {
            HWND reply = GetDlgItem(dialog, IDC_ANSWER_REPLY);
            for (char c : std::string("ok"))
                SendMessageA(reply, WM_CHAR, c, 1);
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            ++answers_sent_;
            if (program_.wait_until([&] { return !IsWindow(dialog); }, 1000)) return;
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(program_.wait_until([&] { return !IsWindow(dialog); }))
            << "the Answer dialog did not close; an error box may hold it";
    }

    // Opens the View dialog on the marked message and closes it again.
    void view() {
        program_.post_command(IDM_VIEW);
        HWND view = wait_for_dialog("View Message");
        if (!view) return;  // nothing marked
        PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(program_.wait_until([&] { return !IsWindow(view); }));
    }

    // The counts the status bar shows agree with the rows.
    // Messages may still be arriving, so a mismatch must persist to count.
    ::testing::AssertionResult counts_match_rows() {
        std::string last;
        const bool settled = program_.wait_until(
            [&] {
                const std::vector<ListRow> rows = program_.rows();
                const auto unread = std::count_if(rows.begin(), rows.end(),
                                                  [](const ListRow& r) { return r.image == 0; });
                const std::string status = counts();
                const std::string expected = "Message(s): " + std::to_string(rows.size()) +
                                             " / Unread message(s): " + std::to_string(unread);
                last = "rows say " + expected + ", status says " + status;
                return status == expected;
            },
            3000);
        if (settled) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << last;
    }

    int answers_sent_ = 0;
};

TEST_F(Stress, AThousandInterleavedMessagesAndCommandsKeepTheCountsTrue) {
    store_dword("cond", 0);
    store_dword("conda", 0);
    start_program();
    std::mt19937 random(20261207);
    int written = 0;
    for (int step = 1; step <= 1000; ++step) {
        const unsigned pick = random() % 100;
        if (pick < 45) {
            const unsigned peer = random() % 9;
            const std::string from = peer < 3 ? "." : "PEER" + std::to_string(peer);
            ASSERT_TRUE(write_datagram(datagram(from, "ME", "message " + std::to_string(step))));
            ++written;
        } else if (pick < 52) {
            select_some_row(random);
            view();
        } else if (pick < 58) {
            answer(select_some_row(random));
        } else if (pick < 72) {
            select_some_row(random);
            command(IDM_DELETE);
        } else if (pick < 74) {
            command(IDM_DELETE_ALL);
        } else if (pick < 92) {
            select_some_row(random);
            command(IDM_MARK_READ);
        } else {
            command(IDM_MARK_ALL_READ);
        }
        if (step % 50 == 0) {
            ASSERT_TRUE(counts_match_rows()) << "after step " << step;
        }
    }
    ASSERT_TRUE(counts_match_rows()) << "at the end";
    std::printf("%d messages written, %d answers sent, %d rows left\n", written, answers_sent_,
                program_.row_count());
    EXPECT_GT(answers_sent_, 0);
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
        if (select_some_row(random) < 0) continue;
        if (random() % 3 == 0) {
            view();
            ++views;
        } else {
            command(IDM_DELETE);
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
    EXPECT_TRUE(program_.wait_until(
        [&] { return window_text(GetDlgItem(about, IDC_STAT_RECEIVED)) == received; }, 60000))
        << window_text(GetDlgItem(about, IDC_STAT_RECEIVED));
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(program_.wait_until([&] { return !IsWindow(about); }));

    const std::vector<ListRow> rows = program_.rows();
    int previous = kFlood;
    for (const ListRow& row : rows) {
        const int index = std::atoi(row.from.c_str() + 1);
        ASSERT_LT(index, previous) << "row " << row.from << " out of order";
        previous = index;
    }
    EXPECT_GE(static_cast<int>(rows.size()), kFlood - deletes);
    EXPECT_TRUE(counts_match_rows());
    std::printf("%d written, %d delete commands, %d views, %zu rows left, %lu ms\n", kFlood,
                deletes, views, rows.size(), GetTickCount() - start);
    exit_program();
}

}  // namespace
