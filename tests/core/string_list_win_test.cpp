// String lists to and from real list boxes and combo boxes (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <string_view>

#include "core/string_list_win.h"

namespace {

class BoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND make(const char* cls, DWORD style, std::initializer_list<const char*> items) {
        HWND box = CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 150, 150, parent_, nullptr,
                                   nullptr, nullptr);
        const UINT add = std::string_view(cls) == "LISTBOX" ? LB_ADDSTRING : CB_ADDSTRING;
        for (const char* item : items)
            SendMessageA(box, add, 0, reinterpret_cast<LPARAM>(item));
        return box;
    }
    static StringList list_of(std::initializer_list<const char*> items) {
        StringList list;
        for (const char* item : items)
            list.append_copy(item);
        return list;
    }

    HWND parent_ = nullptr;
};

TEST_F(BoxTest, ComboBoxReadSkipsEmptyItemsAndFillAppends) {
    HWND combo = make("COMBOBOX", CBS_DROPDOWN, {"x", "", "y"});
    StringList list = list_of({"stale"});
    read_from_combo_box(combo, &list);
    EXPECT_EQ(list, list_of({"x", "y"}));

    const StringList more = list_of({"ANN", "BOB"});
    fill_combo_box(combo, &more);
    read_from_combo_box(combo, &list);
    EXPECT_EQ(list, list_of({"x", "y", "ANN", "BOB"}));
}

TEST_F(BoxTest, ListBoxRoundTripKeepsEveryNonEmptyItem) {
    HWND box = make("LISTBOX", 0, {});
    const StringList original = list_of({"spam", "Spam offer", "a", "spam"});
    fill_list_box(box, &original);
    SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    StringList read;
    read_from_list_box(box, &read);
    EXPECT_EQ(read, original);

    read_from_list_box(nullptr, &read);
    read_from_list_box(box, nullptr);
    fill_list_box(box, nullptr);
    EXPECT_EQ(read, original);
    EXPECT_EQ(SendMessageA(box, LB_GETCOUNT, 0, 0), 5);
}

}  // namespace
