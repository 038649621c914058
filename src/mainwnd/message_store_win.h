// The message store's receiving side: the insert request 1026 that the
// receiver thread sends to the main dialog, and its handler on the
// user-interface thread (Windows only).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/incoming.h"
#include "core/lock.h"

// The insert request: lParam an LVITEMA describing row 0; answers 1 when the
// row was added, 0 when not. wParam kInsertMoreWaiting: more rows follow at
// once, so the list may wait for the end of the run to repaint.
constexpr UINT kInsertRequestMessage = WM_USER + 2;
constexpr WPARAM kInsertMoreWaiting = 1;
// Sent by the receiver when a run of inserts ended without a row that said so.
constexpr UINT kRunOverMessage = WM_USER + 4;

// Guards the message list's rows and records and the two counters below.
extern Lock g_message_list_lock;
// Rows in the message list, and rows still unread. Written only on the
// user-interface thread under g_message_list_lock; read anywhere for display.
extern std::atomic<uint32_t> g_total_messages;
extern std::atomic<uint32_t> g_unread_messages;

// The handler of the insert request, for the main dialog's procedure: inserts
// the described row at the top of `list_view`, counts it and sends the
// auto-answer when one is due. `on_first_message` runs when the list stops
// being empty (the main window enables its message toolbar and menu there).
LRESULT handle_insert_request(HWND list_view, LPARAM item,
                              const std::function<void()>& on_first_message);

// Repainting around the receiver's runs of inserts (user-interface thread):
// the list is not redrawn while rows said more follow, and is redrawn once
// when the run is over, and at least every kRunRepaintPeriodMs meanwhile.
constexpr DWORD kRunRepaintPeriodMs = 250;
void before_insert_in_run(HWND list_view, WPARAM insert_flags);
void after_insert_in_run(HWND list_view, WPARAM insert_flags);
void end_insert_run(HWND list_view);

// The receiver thread's way to the message store: the insert request sent
// synchronously to the main dialog. The hooks run on the receiver thread.
class DialogStoreLink final : public MessageStoreLink {
public:
    using CountsHook = std::function<void(uint32_t total, uint32_t unread)>;
    using PopUpHook = std::function<void()>;

    DialogStoreLink(HWND dialog, CountsHook counts_changed, PopUpHook pop_up);

    int insert(MessageRecord* record) override;
    void counts_changed() override;
    void pop_up() override;
    void set_more_waiting(bool more_waiting) override { more_waiting_ = more_waiting; }
    void run_over() override;

private:
    HWND dialog_;
    bool more_waiting_ = false;  // receiver thread only, like the two below
    bool run_open_ = false;      // the last insert said more would follow
    bool counts_pending_ = false;
    DWORD counts_shown_ = 0;
    CountsHook counts_changed_;
    PopUpHook pop_up_;
};
