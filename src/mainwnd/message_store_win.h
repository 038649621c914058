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
// row was added, 0 when not.
constexpr UINT kInsertRequestMessage = WM_USER + 2;
// Sent by the receiver around a run of inserts that follow each other at once
// (more datagrams waited): the list is not repainted in between.
constexpr UINT kRunBeginMessage = WM_USER + 4;
constexpr UINT kRunOverMessage = WM_USER + 5;

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
// the list is not redrawn during a run, and is redrawn once when it is over,
// and every kRunRepaintPeriodMs meanwhile.
constexpr DWORD kRunRepaintPeriodMs = 250;
void begin_insert_run(HWND list_view);
void end_insert_run(HWND list_view);
bool insert_run_open();

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
    void end_run();

    HWND dialog_;
    bool more_waiting_ = false;  // receiver thread only, like the two below
    bool run_open_ = false;      // kRunBeginMessage sent, kRunOverMessage not yet
    bool counts_pending_ = false;
    DWORD counts_shown_ = 0;
    CountsHook counts_changed_;
    PopUpHook pop_up_;
};
