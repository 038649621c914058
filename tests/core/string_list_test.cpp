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
    const StringList list = list_of({"alice", "Bob", "Bob"});
    EXPECT_EQ(list.find_exact("Bob"), &list[1]);
    for (const char* missing : {"bob", "Bo", "Bobby", ""})
        EXPECT_EQ(list.find_exact(missing), nullptr) << missing;
    EXPECT_EQ(list.find_exact(static_cast<const char*>(nullptr)), nullptr);
}

TEST(StringList, ContainsAnySearchesEachEntryCaseSensitively) {
    const StringList list = list_of({"free"});
    EXPECT_EQ(list.contains_any("Get it FREE now"), 0);
    EXPECT_EQ(list.contains_any("freeware"), 1);
    EXPECT_EQ(list.contains_any("a free lunch"), 1);
    EXPECT_EQ(list.contains_any("fre"), 0);
    EXPECT_EQ(list.contains_any(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(StringList().contains_any("text"), 0);
    // An empty entry occurs in every text.
    EXPECT_EQ(list_of({"zzz", ""}).contains_any(""), 1);
    EXPECT_EQ(list_of({"zzz", ""}).contains_any("anything"), 1);
}

TEST(StringList, AppendCopiesInOrderKeepingDuplicatesAndIgnoringNull) {
    char buffer[] = "b";
    StringList list = list_of({buffer, "a", "b"});
    buffer[0] = 'X';
    list.append_copy(static_cast<const char*>(nullptr));
    EXPECT_EQ(list, list_of({"b", "a", "b"}));
    list.free_all();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.empty());
}

}  // namespace
