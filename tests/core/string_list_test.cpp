// String list searches.
#include "core/string_list.h"

#include <gtest/gtest.h>

namespace {

StringList list_of(std::initializer_list<const char*> items) {
    StringList list;
    for (const char* s : items)
        list.append_copy(s);
    return list;
}

TEST(StringList, FindExactIsCaseSensitiveAndWholeString) {
    const StringList list = list_of({"alice", "Bob"});
    ASSERT_NE(list.find_exact("Bob"), nullptr);
    EXPECT_EQ(*list.find_exact("Bob"), "Bob");
    EXPECT_EQ(list.find_exact("bob"), nullptr);
    EXPECT_EQ(list.find_exact("Bo"), nullptr);
    EXPECT_EQ(list.find_exact("Bobby"), nullptr);
    EXPECT_EQ(list.find_exact(static_cast<const char*>(nullptr)), nullptr);
}

TEST(StringList, FindExactAnswersTheFirstOfEqualEntries) {
    const StringList list = list_of({"x", "y", "y"});
    EXPECT_EQ(list.find_exact("y"), &list[1]);
}

TEST(StringList, ContainsAnySearchesEachEntryInsideTheText) {
    const StringList list = list_of({"free"});
    EXPECT_EQ(list.contains_any("Get it FREE now"), 0);
    EXPECT_EQ(list.contains_any("freeware"), 1);
    EXPECT_EQ(list.contains_any("a free lunch"), 1);
    EXPECT_EQ(list.contains_any("fre"), 0);
    EXPECT_EQ(list.contains_any(static_cast<const char*>(nullptr)), 0);
}

TEST(StringList, AnEmptyEntryOccursInEveryText) {
    const StringList list = list_of({"zzz", ""});
    EXPECT_EQ(list.contains_any(""), 1);
    EXPECT_EQ(list.contains_any("anything"), 1);
}

TEST(StringList, EmptyListFindsNothing) {
    const StringList list;
    EXPECT_EQ(list.find_exact(""), nullptr);
    EXPECT_EQ(list.contains_any("text"), 0);
    EXPECT_EQ(list.count(), 0);
}

TEST(StringList, AppendKeepsOrderAndDuplicatesAndIgnoresNull) {
    StringList list = list_of({"b", "a", "b"});
    list.append_copy(static_cast<const char*>(nullptr));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list[0], "b");
    EXPECT_EQ(list[1], "a");
    EXPECT_EQ(list[2], "b");
    list.free_all();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.empty());
}

TEST(StringList, AppendStoresACopy) {
    char buffer[] = "abc";
    StringList list;
    list.append_copy(buffer);
    buffer[0] = 'X';
    EXPECT_EQ(list[0], "abc");
}

}  // namespace
