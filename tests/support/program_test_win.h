// The fixture of the end-to-end tests: the real program from the stored
// defaults, without the exit question, and what the tests do with it again
// and again (Windows only, test support).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "support/png_win.h"
#include "support/program_driver_win.h"
#include "support/save_dialog_win.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        delete_stored_options();
        store_dword("cone", 0);
    }

    void start_program() {
        ASSERT_TRUE(program_.start());
        ASSERT_TRUE(program_.wait_ready()) << "the main window did not become ready";
    }

    void exit_program() {
        program_.post_command(IDM_EXIT);
        const auto code = program_.wait_exit(5000);
        ASSERT_TRUE(code.has_value()) << "the program did not end";
        EXPECT_EQ(*code, 0u);
    }

    // Messages from SENDER1..SENDERn, the last one the newest (row 0).
    void receive(int count) {
        const size_t before = program_.rows().size();
        for (int i = 1; i <= count; ++i) {
            ASSERT_TRUE(write_datagram(datagram("SENDER" + std::to_string(i), "ME", "text")));
        }
        ASSERT_TRUE(wait_until([&] { return program_.rows().size() == before + count; }));
    }

    // Waits for the program's box or dialog holding `text`.
    HWND wait_for_dialog(const std::string& text, DWORD timeout_ms = 5000) {
        HWND box = nullptr;
        wait_until([&] { return (box = program_.find_dialog_with_text(text)) != nullptr; },
                   timeout_ms);
        return box;
    }

    // Waits for the program's window titled exactly `title`.
    HWND wait_for_titled(const std::string& title, DWORD timeout_ms = 5000) const {
        return wait_for_window(program_.pid(), title, timeout_ms);
    }

    // Answers the message box holding `text` with `button`.
    void answer_box(const std::string& text, int button) {
        HWND box = wait_for_dialog(text);
        ASSERT_NE(box, nullptr) << "no message box saying " << text;
        press(box, button);
        ASSERT_TRUE(wait_gone(box));
    }

    // Cancels a dialog and waits until it has gone.
    void cancel(HWND dialog) {
        press(dialog, IDCANCEL);
        ASSERT_TRUE(wait_gone(dialog)) << "the dialog did not close";
    }

    // A screenshot of `window` (the whole screen for null) in the artifacts,
    // painted in full first: one taken just after typing may be half drawn.
    static void capture(HWND window, const char* name) {
        if (window) {
            RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        pump_for(400);
        save_screenshot(window, artifact_path(name));
    }

    std::string counts() const { return program_.status_text(0) + " / " + program_.status_text(1); }

    ProgramDriver program_;
};
