// A test that runs the real program from the stored defaults, without the
// exit question (Windows only, test support).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/program_driver_win.h"
#include "resources/resource.h"

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
        ASSERT_TRUE(program_.wait_until([&] { return program_.rows().size() == before + count; }));
    }

    // Waits for the program's box or dialog holding `text`.
    HWND wait_for_dialog(const std::string& text) {
        HWND box = nullptr;
        program_.wait_until(
            [&] { return (box = program_.find_dialog_with_text(text)) != nullptr; });
        return box;
    }

    // Answers the message box holding `text` with `button`.
    void answer_box(const std::string& text, int button) {
        HWND box = wait_for_dialog(text);
        ASSERT_NE(box, nullptr) << "no message box saying " << text;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        ASSERT_TRUE(program_.wait_until([&] { return !IsWindow(box); }));
    }

    std::string counts() const { return program_.status_text(0) + " / " + program_.status_text(1); }

    ProgramDriver program_;
};
