// What the Send and Answer dialogs share: sending one message with the wait
// cursor and the error box, the status bar that counts the sends of one
// opening (Windows only).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The transport's signature: sender, recipient, text; 1 when sent.
using SendFunction = int (*)(const char* from, const char* to, const char* text);

// The status bar along a dialog's bottom edge with "Sent times: %d".
class SendCounter {
public:
    // Creates the bar on `dialog` and shows 0.
    void create(HWND dialog);
    // One more successful send.
    void add_one();
    int count() const { return count_; }

private:
    void show() const;

    HWND bar_ = nullptr;  // a child of the dialog, destroyed with it
    int count_ = 0;
};

// Whether `to` may be sent to: a computer name, or "*" where `everyone` is
// allowed. When not, says so in a box owned by `dialog`.
bool recipient_accepted(HWND dialog, const char* to, bool everyone);

// Sends `text` from this computer to `to` with the wait cursor showing. A
// failure (also a text that could not be read: none) shows
// "Error sending message !" owned by `dialog`. True when sent.
bool send_message(HWND dialog, SendFunction send, const char* to,
                  const std::optional<std::string>& text);

// Lets the edit control take at most `limit` bytes, typed or pasted.
void limit_text(HWND edit, size_t limit);

// Option dcsd: whether a send dialog stays open after Send.
bool stays_open_after_send();
