// The message store's receiving side: the insert request WM_INSERT_MESSAGE
// that the receiver thread sends to the main dialog, and its handler on the
// user-interface thread (Windows only).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/lock.h"
#include "incoming/incoming.h"
#include "resources/resource.h"

// Guards the message list's rows and records and the two counters below.
extern Lock g_message_list_lock;
// Rows in the message list, and rows still unread. Read and written only on
// the user-interface thread, under g_message_list_lock.
extern std::atomic<uint32_t> g_total_messages;
extern std::atomic<uint32_t> g_unread_messages;

// The handler of the insert request, for the main dialog's procedure: inserts
// the record's row at the top of `list_view`, counts it and queues the
// auto-answer when one is due. While a command holds the list the record is
// kept and listed when the command ends (WM_LIST_DEFERRED).
// `on_first_message` runs when the list stops being empty.
LRESULT handle_insert_request(HWND list_view, WPARAM token,
                              const std::function<void()>& on_first_message);
// The handler of WM_LIST_DEFERRED: lists what waited, oldest first.
void list_deferred_messages(HWND list_view, const std::function<void()>& on_first_message);

// Held by every command that reads or changes the rows, for as long as it
// does. No row is inserted meanwhile, even when the command waits for
// another thread or process and handles the messages sent to its windows.
class ListCommand {
public:
    ListCommand();
    ~ListCommand();
    ListCommand(const ListCommand&) = delete;
    ListCommand& operator=(const ListCommand&) = delete;

private:
    ScopedLock hold_;
};
bool list_command_running();

// The row that carries the message numbered `serial`, or -1.
int find_row(HWND list_view, uint32_t serial);

// The send the auto-answer uses: transport_send, or a test's stand-in.
using AnswerSend = int (*)(const char* from, const char* to, const char* text);
void set_auto_answer_send(AnswerSend send);

// Repainting around the receiver's runs of inserts (user-interface thread):
// the list is not redrawn during a run, and is redrawn once when it is over,
// and every kRunRepaintPeriodMs meanwhile.
constexpr DWORD kRunRepaintPeriodMs = 250;
void begin_insert_run(HWND list_view);
void end_insert_run(HWND list_view);
bool insert_run_open();
// Whether the status line and tray should show the counts after an insert:
// always outside a run; within one when the tray's picture changes (the
// first unread message) or they have waited kRunRepaintPeriodMs.
bool counts_due_in_run();

// The receiver thread's way to the message store: the insert request sent
// synchronously to the main dialog, which shows the counts after each insert.
// pop_up and dialog_open run their hooks on the receiver thread; without a
// hook nothing pops up and no dialog is open.
class DialogStoreLink final : public MessageStoreLink {
public:
    using PopUpHook = std::function<void()>;
    using DialogOpenHook = std::function<bool()>;

    DialogStoreLink(HWND dialog, PopUpHook pop_up, DialogOpenHook dialog_open = nullptr);

    int insert(MessageRecord* record) override;
    bool dialog_open() const override { return dialog_open_ && dialog_open_(); }
    void pop_up() override;
    void set_more_waiting(bool more_waiting) override { more_waiting_ = more_waiting; }
    void run_over() override;

private:
    void end_run();

    HWND dialog_;
    bool more_waiting_ = false;  // receiver thread only, like the one below
    bool run_open_ = false;      // WM_INSERT_RUN_BEGIN sent, WM_INSERT_RUN_OVER not yet
    PopUpHook pop_up_;
    DialogOpenHook dialog_open_;
};
