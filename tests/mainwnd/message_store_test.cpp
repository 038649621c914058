// The insert request against a real list view in a test window: rows,
// counters, the first-message hook, refusal and auto-answer (Windows only).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "core/process_state.h"
#include "mainwnd/message_store_win.h"
#include "settings/options.h"
#include "support/mailslot_helpers_win.h"

namespace {

const char kMessengerSlot[] = "\\\\.\\mailslot\\messngr";

// Stands in for the main dialog: routes the insert request to its handler
// and shows the counts (here: notes the total) when the main dialog would.
struct TestDialog {
    HWND window = nullptr;
    HWND list = nullptr;
    int first_message_calls = 0;
    int runs_over = 0;
    int rows_in_runs = 0;
    std::vector<uint32_t> shown;
};

LRESULT CALLBACK test_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* dialog = reinterpret_cast<TestDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_INSERT_MESSAGE && dialog) {
        if (insert_run_open()) ++dialog->rows_in_runs;
        const LRESULT inserted = handle_insert_request(dialog->list, wparam,
                                                       [dialog] { ++dialog->first_message_calls; });
        if (counts_due_in_run()) dialog->shown.push_back(g_total_messages.load());
        return inserted;
    }
    if (message == WM_INSERT_RUN_BEGIN && dialog) {
        begin_insert_run(dialog->list);
        return 0;
    }
    if (message == WM_INSERT_RUN_OVER && dialog) {
        ++dialog->runs_over;
        end_insert_run(dialog->list);
        dialog->shown.push_back(g_total_messages.load());
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A list that refuses every row, as a list view does when it runs out of memory.
LRESULT CALLBACK refusing_list_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == LVM_INSERTITEMA) return -1;
    return DefWindowProcA(window, message, wparam, lparam);
}

void register_class(const char* name, WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

class MessageStore : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
        register_class("QvaTestDialog", test_dialog_proc);
        register_class("QvaRefusingList", refusing_list_proc);
        g_options = Options{};
        std::strcpy(g_sender_name, "HOST");
        dialog_.window = CreateWindowExA(0, "QvaTestDialog", "", WS_POPUP, 0, 0, 400, 300, nullptr,
                                         nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(dialog_.window, nullptr);
        SetWindowLongPtrA(dialog_.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dialog_));
    }
    void TearDown() override {
        if (dialog_.list) {
            // The rows own their records.
            const int rows = static_cast<int>(SendMessageA(dialog_.list, LVM_GETITEMCOUNT, 0, 0));
            for (int i = 0; i < rows; ++i)
                delete record_at(i);
        }
        DestroyWindow(dialog_.window);
        g_options = Options{};
    }

    void make_list(const char* window_class) {
        dialog_.list = CreateWindowExA(0, window_class, "", WS_CHILD | LVS_REPORT, 0, 0, 300, 200,
                                       dialog_.window, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(dialog_.list, nullptr);
    }
    int row_count() { return static_cast<int>(SendMessageA(dialog_.list, LVM_GETITEMCOUNT, 0, 0)); }
    LVITEMA row(int i, char* text_buffer) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.pszText = text_buffer;
        item.cchTextMax = 64;
        SendMessageA(dialog_.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    MessageRecord* record_at(int i) {
        char text[64] = {};
        return reinterpret_cast<MessageRecord*>(row(i, text).lParam);
    }
    // Hands a record over as the receiver thread does, taking it back when refused.
    int insert(DialogStoreLink& link, MessagePtr record) {
        const int answer = link.insert(record.get());
        if (answer == 1) record.release();
        return answer;
    }

    TestDialog dialog_;
};

TEST_F(MessageStore, RowsGoToTheTopUnreadAndAreCountedOnce) {
    make_list(WC_LISTVIEWA);
    DialogStoreLink link(dialog_.window, nullptr);
    const uint32_t received = g_statistics.received.load();

    MessagePtr first = new_record("PC1", "HOST", "one", 0);
    MessagePtr second = new_record("PC2", "HOST", "two", 0);
    MessageRecord* second_record = second.get();
    EXPECT_EQ(insert(link, std::move(first)), 1);
    EXPECT_EQ(dialog_.first_message_calls, 1);
    EXPECT_EQ(insert(link, std::move(second)), 1);
    EXPECT_EQ(dialog_.first_message_calls, 1);  // only when the list stops being empty

    ASSERT_EQ(row_count(), 2);
    char text[64] = {};
    const LVITEMA top = row(0, text);
    EXPECT_STREQ(text, "PC2");
    EXPECT_EQ(top.iImage, 0);
    EXPECT_EQ(reinterpret_cast<MessageRecord*>(top.lParam), second_record);
    EXPECT_EQ(g_total_messages.load(), 2u);
    EXPECT_EQ(g_unread_messages.load(), 2u);
    EXPECT_EQ(g_statistics.received.load(), received + 2);
}

// Within a run the status line waits for its end, except when the tray's
// picture changes (the first unread message); a run that ends on a row that
// had company, or on a message that was never listed, still shows its counts.
TEST_F(MessageStore, ARunOfRowsShowsItsCountsAtItsEnd) {
    make_list(WC_LISTVIEWA);
    const std::vector<uint32_t>& shown = dialog_.shown;
    DialogStoreLink link(dialog_.window, nullptr);
    const auto receive = [&](bool more_waiting) {
        link.set_more_waiting(more_waiting);
        EXPECT_EQ(insert(link, new_record("PC1", "HOST", "x", 0)), 1);
    };
    for (int i = 0; i < 5; ++i)
        receive(true);
    receive(false);
    // A slow machine may add a refresh after a repaint period, no more.
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), 1u);
    EXPECT_EQ(shown.back(), 6u);
    EXPECT_LT(shown.size(), 6u);
    EXPECT_EQ(dialog_.runs_over, 1);
    EXPECT_EQ(dialog_.rows_in_runs, 6) << "the last row of a run is inserted before it ends";
    EXPECT_FALSE(insert_run_open());

    receive(true);
    receive(true);
    link.run_over();  // the run's last message was filtered out
    EXPECT_EQ(shown.back(), 8u);
    EXPECT_EQ(dialog_.runs_over, 2);
    EXPECT_FALSE(insert_run_open());
    EXPECT_EQ(row_count(), 8);
}

TEST_F(MessageStore, RefusedRowAnswersZeroAndCountsNothing) {
    make_list("QvaRefusingList");
    UniqueFile messenger(create_test_mailslot(kMessengerSlot));
    ASSERT_TRUE(messenger);
    g_options.aam = 1;
    g_options.aat = "away";
    DialogStoreLink link(dialog_.window, nullptr);
    const uint32_t received = g_statistics.received.load();

    EXPECT_EQ(insert(link, new_record(".", "HOST", "one", 0)), 0);
    EXPECT_EQ(g_total_messages.load(), 0u);
    EXPECT_EQ(g_unread_messages.load(), 0u);
    EXPECT_EQ(g_statistics.received.load(), received);
    EXPECT_EQ(dialog_.first_message_calls, 0);
    EXPECT_TRUE(mailslot_empty(messenger.get()));  // no auto-answer either
}

TEST_F(MessageStore, AutoAnswerGoesOutOnceToTheSender) {
    make_list(WC_LISTVIEWA);
    // Under Wine only "." can be reached: it stands for the other computer.
    UniqueFile messenger(create_test_mailslot(kMessengerSlot));
    ASSERT_TRUE(messenger);
    g_options.aam = 1;
    g_options.aat = "Out of office";
    DialogStoreLink link(dialog_.window, nullptr);
    const uint32_t sent = g_statistics.sent.load();

    EXPECT_EQ(insert(link, new_record(".", "HOST", "are you there?", 0)), 1);
    // The answer goes out on a thread of its own.
    for (int i = 0; i < 150 && g_statistics.sent.load() == sent; ++i)
        Sleep(20);
    EXPECT_EQ(read_all_datagrams(messenger.get()),
              std::vector<std::string>{datagram("HOST", ".", "Out of office")});
    EXPECT_EQ(g_statistics.sent.load(), sent + 1);

    // Its answer to our answer arrives at once: not answered again.
    EXPECT_EQ(insert(link, new_record(".", "HOST", "Out of office", 0)), 1);
    Sleep(200);
    EXPECT_TRUE(mailslot_empty(messenger.get()));
    EXPECT_EQ(g_statistics.sent.load(), sent + 1);
    EXPECT_EQ(row_count(), 2);
}

// A send that takes as long as an unreachable computer does, until released.
HANDLE g_send_release = nullptr;
std::atomic<int> g_slow_sends{0};
int slow_send(const char*, const char*, const char*) {
    WaitForSingleObject(g_send_release, 5000);
    ++g_slow_sends;
    return 1;
}

TEST_F(MessageStore, TheAutoAnswerDoesNotHoldUpTheInsert) {
    make_list(WC_LISTVIEWA);
    g_options.aam = 1;
    g_options.aat = "away";
    g_send_release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    set_auto_answer_send(slow_send);
    DialogStoreLink link(dialog_.window, nullptr);
    const int before = g_slow_sends.load();

    const DWORD start = GetTickCount();
    EXPECT_EQ(insert(link, new_record("FAR", "HOST", "hello", 0)), 1);
    EXPECT_LT(GetTickCount() - start, 1000u) << "the insert waited for the answer's send";
    SetEvent(g_send_release);
    const DWORD released = GetTickCount();
    while (g_slow_sends.load() == before && GetTickCount() - released < 5000)
        Sleep(10);
    EXPECT_EQ(g_slow_sends.load(), before + 1) << "the answer still goes out";
    set_auto_answer_send(nullptr);
    CloseHandle(g_send_release);
}

}  // namespace
