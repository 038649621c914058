// String lists to and from real list boxes and combo boxes (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/string_list_win.h"

namespace {

// A hidden top-level window holding one control, destroyed with the fixture.
class BoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND make(const char* cls, DWORD style) {
        return CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 150, 150, parent_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }

    HWND parent_ = nullptr;
};

std::string item_text(HWND box, UINT get_text, WPARAM i) {
    char buffer[64] = {};
    SendMessageA(box, get_text, i, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

TEST_F(BoxTest, ComboBoxReadSkipsEmptyItemsAndKeepsOrder) {
    HWND combo = make("COMBOBOX", CBS_DROPDOWN);
    ASSERT_NE(combo, nullptr);
    for (const char* s : {"x", "", "y"})
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)s);

    StringList list;
    list.append_copy("stale");
    read_from_combo_box(combo, &list);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list[0], "x");
    EXPECT_EQ(list[1], "y");
}

TEST_F(BoxTest, ComboBoxFillAppendsWithoutClearing) {
    HWND combo = make("COMBOBOX", CBS_DROPDOWN);
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "first");
    StringList list;
    list.append_copy("ANN");
    list.append_copy("BOB");
    fill_combo_box(combo, &list);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(item_text(combo, CB_GETLBTEXT, 0), "first");
    EXPECT_EQ(item_text(combo, CB_GETLBTEXT, 2), "BOB");
}

TEST_F(BoxTest, ListBoxRoundTripKeepsEveryNonEmptyItem) {
    HWND box = make("LISTBOX", 0);
    ASSERT_NE(box, nullptr);
    StringList original;
    for (const char* s : {"spam", "Spam offer", "a", "spam"})
        original.append_copy(s);
    fill_list_box(box, &original);
    SendMessageA(box, LB_ADDSTRING, 0, (LPARAM) "");

    StringList read;
    read_from_list_box(box, &read);
    EXPECT_EQ(read, original);
}

TEST_F(BoxTest, NullWindowOrListDoesNothing) {
    HWND box = make("LISTBOX", 0);
    SendMessageA(box, LB_ADDSTRING, 0, (LPARAM) "kept");
    StringList list;
    list.append_copy("kept too");
    read_from_list_box(nullptr, &list);
    read_from_list_box(box, nullptr);
    fill_list_box(box, nullptr);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(SendMessageA(box, LB_GETCOUNT, 0, 0), 1);
}

}  // namespace
