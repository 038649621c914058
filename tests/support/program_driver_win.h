// Drives the real program from outside, as a user and the network would:
// starts it, waits for its main window, writes datagrams into its mailslot,
// reads its list rows, status bar and windows across processes, sends it
// commands, answers its message boxes (Windows only, test support).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/handles_win.h"
#include "support/controls_win.h"
#include "support/mailslot_helpers_win.h"
#include "support/polling_win.h"

struct ListRow {
    std::string from, to, time;
    int image = -1;  // read state: 0 unread, 1 read, 2 answered
    bool selected = false;
};

class ProgramDriver {
public:
    ProgramDriver() = default;
    ~ProgramDriver();  // ends a program that is still running
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Starts the program beside the test executable. False when it cannot
    // be started.
    bool start();
    // Waits until the main window has finished its initialisation.
    bool wait_ready(DWORD timeout_ms = 15000);
    // Waits for the process to end; its exit code, or nothing on a time-out.
    // Like every wait here it handles this thread's messages meanwhile.
    std::optional<DWORD> wait_exit(DWORD timeout_ms);
    // Ends the process at once (a test that failed half-way).
    void kill();

    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_.get(); }
    HWND main_window() const { return main_; }

    std::vector<ListRow> rows() const;
    ListRow row(int index) const;
    int row_count() const;
    // The text of the message status bar's left (0) or right (1) field.
    std::string status_text(int part) const;
    void post_command(int command) const;
    // A command that opens no window, run to its end before this returns.
    void send_command(int command) const;
    // The row the user clicked last: selected, focused, the selection mark.
    bool select_row(int row) const;
    // The Delete key pressed in the message list.
    void press_delete_key() const;
    // A double-click on the row's first column.
    bool double_click_row(int row) const;
    // Whether the toolbar button `command` can be pressed.
    bool toolbar_button_enabled(int command) const;
    // A message box or dialog of the program whose static text or caption
    // contains `text`; null when there is none.
    HWND find_dialog_with_text(const std::string& text) const;
    // Every visible top-level window of the program (message boxes included).
    std::vector<HWND> top_level_windows() const;

private:
    UniqueHandle job_;
    UniqueHandle process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// The program's executable, beside the test's own.
std::string program_path();
// Where screenshots go: build/win32/artifacts (created when missing).
std::string artifact_path(const std::string& name);

// Writes one datagram (datagram(from, to, text)) into \\.\mailslot\messngr.
// False when the mailslot cannot be opened or the write fails.
bool write_datagram(const std::string& bytes);

// This computer's name, as the program sends under it.
std::string computer_name();

// The file of kept messages: %APPDATA%\Quorvanta Messenger\Messages.journal.
std::string kept_messages_path();

// Options as the program stored them in the registry.
std::optional<DWORD> stored_dword(const char* name);
// A stored list of strings (REG_MULTI_SZ); empty when absent.
std::vector<std::string> stored_strings(const char* name);
// Deletes the options and the kept messages.
void delete_stored_options();
void store_dword(const char* name, DWORD value);
void store_string(const char* name, const std::string& value);
