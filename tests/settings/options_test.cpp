// The options model against an in-memory store: round trips, defaults, range
// repairs, stored layouts and hand-edited values (portable).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <thread>

#include "settings/memory_store.h"
#include "settings/options.h"
#include "settings/options_support.h"

using namespace std::string_view_literals;
using namespace std::chrono_literals;

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

Options load_from(MemoryStore& store) {
    Options options;
    load_options(&options, store, kWidth, kHeight);
    return options;
}

// Saves `saved`, expects `stored` under `name` and the same record loaded back.
void expect_round_trip(const Options& saved, const char* name, const StoredValue& stored) {
    SCOPED_TRACE(name);
    Options saving = saved;
    MemoryStore store;
    save_options(&saving, store);
    EXPECT_EQ(store.values[name], stored);
    EXPECT_EQ(load_from(store), saved);
}

TEST(OptionsRoundTrip, EachFieldIsStoredUnderItsNameInItsLayoutAndLoadsBack) {
    const Options sample = sample_record();
    for (const ScalarField& f : kScalarFields) {
        Options saved;
        saved.*f.field = sample.*f.field;
        if (f.field == &Options::aam) saved.aat = "back soon";  // kept only with a text
        expect_round_trip(saved, f.name, dword_value(sample.*f.field));
    }
    for (const ListField& f : kListFields) {
        Options saved;
        saved.*f.field = list_of({"A", "BC"});
        expect_round_trip(saved, f.name, raw_value(kValueMultiString, "A\0BC\0\0\0"sv));
    }
    Options text;
    text.aat = "back soon";
    expect_round_trip(text, "aat", raw_value(kValueString, "back soon\0"sv));
    Options server;
    server.wins = "10.0.2.1";
    expect_round_trip(server, "wins", raw_value(kValueString, "10.0.2.1\0"sv));
    MemoryStore scratch;
    save_options(&text, scratch);
    EXPECT_FALSE(text.aat.has_value()) << "the save consumes the text";
}

TEST(OptionsRoundTrip, WholeRecordSurvivesAndSavesAgainIdentically) {
    Options saved = sample_record();
    const Options expected = saved;
    MemoryStore first;
    save_options(&saved, first);
    Options loaded = load_from(first);
    EXPECT_EQ(loaded, expected);

    MemoryStore second;
    save_options(&loaded, second);
    EXPECT_EQ(second.values, first.values);
}

TEST(OptionsDefaults, EmptyStoreUnopenableKeyAndUnreadableValuesGiveTheDefaults) {
    MemoryStore empty;
    MemoryStore unopenable;
    unopenable.unopenable = true;
    MemoryStore unreadable;
    Options stored = sample_record();
    save_options(&stored, unreadable);
    for (const auto& [name, value] : unreadable.values)
        unreadable.unreadable.insert(name);

    for (MemoryStore* store : {&empty, &unopenable, &unreadable}) {
        Options options = sample_record();
        load_options(&options, *store, kWidth, kHeight);
        EXPECT_EQ(options, Options{});
    }
    EXPECT_TRUE(empty.values.empty());
}

TEST(OptionsLoad, RangeRulesRepairStoredScalars) {
    struct Case {
        const char* name;
        int32_t stored;
        int32_t Options::*field;
        int32_t loaded;
    };
    const Case cases[] = {
        {"ppmode", 7, &Options::ppmode, 1},
        {"ppmode", -1, &Options::ppmode, 1},
        {"ppmode", 0, &Options::ppmode, 0},
        {"showmmode", -1, &Options::showmmode, 0},
        {"showmmode", 3, &Options::showmmode, 0},
        {"showmmode", 2, &Options::showmmode, 2},
        {"defact", 3, &Options::defact, 0},
        {"defact", 2, &Options::defact, 2},
        {"dnum", -5, &Options::dnum, 2},
        {"dnum", 0, &Options::dnum, 0},
        {"start_p", 6, &Options::start_p, 0},
        {"start_p", -1, &Options::start_p, 0},
        {"start_p", 5, &Options::start_p, 5},
        {"x_pos", kWidth, &Options::x_pos, 0},
        {"x_pos", -1, &Options::x_pos, 0},
        {"x_pos", kWidth - 1, &Options::x_pos, kWidth - 1},
        {"y_pos", kHeight, &Options::y_pos, 0},
        {"y_pos", -20, &Options::y_pos, 0},
        {"y_pos", kHeight - 1, &Options::y_pos, kHeight - 1},
        {"iff", 5, &Options::iff, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " stored as " + std::to_string(c.stored));
        MemoryStore store;
        store.values[c.name] = dword_value(c.stored);
        EXPECT_EQ(load_from(store).*c.field, c.loaded);
    }
}

TEST(OptionsLoad, AutoAnswerWithoutTextIsOffAndSavedOffWithTheTextDeleted) {
    MemoryStore store;
    store.values["aam"] = dword_value(1);
    Options options = load_from(store);
    EXPECT_EQ(options.aam, 0);
    EXPECT_FALSE(options.aat.has_value());

    // Turned on again without a text (the menu command can do that).
    options.aam = 1;
    store.values["aat"] = raw_value(kValueString, "stale\0"sv);
    save_options(&options, store);
    EXPECT_EQ(options.aam, 0);
    EXPECT_EQ(store.values["aam"], dword_value(0));
    EXPECT_EQ(store.values.count("aat"), 0u);
}

TEST(OptionsSave, YesNoFieldsAreStoredAsOne) {
    const std::set<std::string> yes_no = {"iff",   "itf",  "icf",     "shown", "tray_only",
                                          "mcopy", "cone", "cond",    "conda", "dcsd",
                                          "aam",   "mlrm", "keepmsgs"};
    Options options;
    options.aat = "text";
    for (const ScalarField& f : kScalarFields)
        if (yes_no.count(f.name)) options.*f.field = 5;
    MemoryStore store;
    save_options(&options, store);
    for (const std::string& name : yes_no)
        EXPECT_EQ(store.values[name], dword_value(1)) << name;
}

TEST(OptionsSave, EmptyListsDeleteTheirValuesAndEmptyStringsAreLeftOut) {
    struct Case {
        const char* what;
        StringList list;
        std::optional<StoredValue> stored;
    };
    const Case cases[] = {
        {"empty list", {}, std::nullopt},
        {"only empty strings", list_of({"", ""}), std::nullopt},
        // An empty string would end the stored list and lose C.
        {"empty string inside", list_of({"A", "", "C"}),
         raw_value(kValueMultiString, "A\0C\0\0\0"sv)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStore store;
        store.values["ifl"] = raw_value(kValueMultiString, "OLD\0\0\0"sv);
        Options options;
        options.ifl = c.list;
        save_options(&options, store);
        const auto it = store.values.find("ifl");
        EXPECT_EQ(it == store.values.end() ? std::nullopt : std::optional(it->second), c.stored);
    }
}

TEST(OptionsSave, UnopenableKeyWritesNothingAndKeepsTheRecord) {
    MemoryStore store;
    store.unopenable = true;
    Options options = sample_record();
    save_options(&options, store);
    EXPECT_EQ(options, sample_record());
    EXPECT_TRUE(store.values.empty());
}

TEST(OptionsBadData, ScalarsTakeFourBytesOfAnyTypeAndWidenShorterOnes) {
    struct Case {
        const char* what;
        StoredValue stored;
        int32_t loaded;  // into cone, whose default is 1
    };
    const Case cases[] = {
        {"dword", dword_value(7), 7},
        {"all bits set", raw_value(kValueDword, "\xFF\xFF\xFF\xFF"sv), -1},
        {"binary of 4 bytes", raw_value(3, "\x2A\0\0\0"sv), 42},
        {"text of 3 bytes", raw_value(kValueString, "ab\0"sv), 0x6261},
        {"one byte", raw_value(3, "\xFF"sv), 255},
        {"two bytes", raw_value(3, "\x10\x01"sv), 0x110},
        {"no bytes", raw_value(3, ""sv), 1},
        {"eight bytes", raw_value(11, "\1\0\0\0\0\0\0\0"sv), 1},
        {"long text", raw_value(kValueString, "12345\0"sv), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStore store;
        store.values["cone"] = c.stored;
        EXPECT_EQ(load_from(store).cone, c.loaded);
    }
}

TEST(OptionsBadData, TextEndsAtItsFirstNulOrItsLastByte) {
    struct Case {
        const char* what;
        std::optional<StoredValue> stored;
        std::optional<std::string> aat;
        int32_t aam;  // stored as 1
    };
    const Case cases[] = {
        {"as saved", raw_value(kValueString, "hi\0"sv), "hi", 1},
        {"no NUL", raw_value(kValueString, "hi"sv), "hi", 1},
        {"only the NUL", raw_value(kValueString, "\0"sv), "", 1},
        {"no bytes", raw_value(kValueString, ""sv), std::nullopt, 0},
        {"bytes after the NUL", raw_value(kValueString, "a\0b\0"sv), "a", 1},
        {"other type", raw_value(2, "%x%\0"sv), "%x%", 1},
        {"absent", std::nullopt, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStore store;
        store.values["aam"] = dword_value(1);
        if (c.stored) store.values["aat"] = *c.stored;
        const Options options = load_from(store);
        EXPECT_EQ(options.aat, c.aat);
        EXPECT_EQ(options.aam, c.aam);
    }
}

TEST(OptionsBadData, ListsTakeTheStringsFoundWithinTheData) {
    // A list holds 1000 entries of 64 KiB of text in all.
    const std::string huge(64 * 1024, 'x');
    std::string many;
    StringList first_thousand;
    for (int i = 0; i < 1001; ++i) {
        const std::string entry = "N" + std::to_string(i);
        many += entry + '\0';
        if (i < 1000) first_thousand.append_copy(std::string_view(entry));
    }
    struct Case {
        const char* what;
        StoredValue stored;
        StringList loaded;
    };
    const Case cases[] = {
        {"as saved", raw_value(kValueMultiString, "A\0BC\0\0\0"sv), list_of({"A", "BC"})},
        {"one final NUL", raw_value(kValueMultiString, "A\0BC\0\0"sv), list_of({"A", "BC"})},
        {"no final NULs", raw_value(kValueMultiString, "A\0BC\0"sv), list_of({"A", "BC"})},
        {"last string cut off", raw_value(kValueMultiString, "A\0BC"sv), list_of({"A", "BC"})},
        {"odd size", raw_value(kValueMultiString, "AB\0C"sv), list_of({"AB", "C"})},
        {"empty string ends it", raw_value(kValueMultiString, "A\0\0B\0\0"sv), list_of({"A"})},
        {"only NULs", raw_value(kValueMultiString, "\0\0"sv), {}},
        {"no bytes", raw_value(kValueMultiString, ""sv), {}},
        {"a text value", raw_value(kValueString, "A\0"sv), list_of({"A"})},
        {"one string of the largest size", raw_value(kValueMultiString, huge),
         list_of({huge.c_str()})},
        {"texts beyond the largest size",
         raw_value(kValueMultiString, std::string("A\0", 2) + huge), list_of({"A"})},
        {"entries beyond the largest number", raw_value(kValueMultiString, many), first_thousand},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStore store;
        store.values["icl"] = c.stored;
        EXPECT_EQ(load_from(store).icl, c.loaded);
    }
}

// Only an address a name server can have is kept; anything else stored is no
// server, and no server deletes the value.
TEST(OptionsBadData, NameServerIsADottedAddressOrNone) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"192.168.2.1", "192.168.2.1"},
        {" 10.0.0.5\t", "10.0.0.5"},
        {"223.255.255.254", "223.255.255.254"},
        {"1.2.3.255", "1.2.3.255"},
        {"", ""},
        {"server", ""},
        {"1.2.3", ""},
        {"1.2.3.4.", ""},
        {"1.2.3.4.5", ""},
        {"1..3.4", ""},
        {"256.1.1.1", ""},
        {"1.2.3.1000", ""},
        {"010.1.1.1", ""},
        {"-1.2.3.4", ""},
        {"1.2.3.4x", ""},
        {"1.2. 3.4", ""},
        {"0.0.0.0", ""},
        {"224.0.0.1", ""},
        {"255.255.255.255", ""},
        {"\x0A\0\0\x01"sv, ""},  // a number stored where the text belongs
    };
    for (const auto& [stored, loaded] : cases) {
        SCOPED_TRACE(quoted(std::string(stored)));
        MemoryStore store;
        store.values["wins"] = raw_value(kValueString, std::string(stored) + '\0');
        Options options = load_from(store);
        EXPECT_EQ(options.wins, loaded);
        EXPECT_EQ(parse_name_server_address(stored).has_value(), !loaded.empty());
        save_options(&options, store);
        EXPECT_EQ(store.values.count("wins"), loaded.empty() ? 0u : 1u);
    }
}

TEST(OptionsNull, MissingArgumentsDoNothing) {
    MemoryStore store;
    store.values["ifl"] = raw_value(kValueMultiString, "A\0\0\0"sv);
    const auto before = store.values;
    load_options(nullptr, store, kWidth, kHeight);
    save_options(nullptr, store);
    reset_options(nullptr);
    const std::unique_ptr<ValueKey> key = store.open(ValueStore::Access::write);
    StringList list = list_of({"kept"});
    read_list_value(*key, nullptr, &list);
    write_list_value(*key, "ifl", nullptr);
    write_list_value(*key, nullptr, &list);
    EXPECT_EQ(list, list_of({"kept"}));
    EXPECT_EQ(store.values, before);
}

// While the load reads each value, a second thread tries the lists lock: it
// gets it at once unless the load holds it.
TEST(OptionsLocking, LoadHoldsTheListsLockForTheFilterListsOnly) {
    MemoryStore store;
    std::deque<std::atomic<bool>> taken;
    std::vector<std::thread> probes;
    std::map<std::string, bool> lock_free;
    store.on_size_query = [&](const char* name) {
        std::atomic<bool>& flag = taken.emplace_back(false);
        probes.emplace_back([&flag] {
            ScopedLock hold(g_lists_lock);
            flag = true;
        });
        for (int i = 0; i < 100 && !flag; ++i)
            std::this_thread::sleep_for(5ms);
        lock_free[name] = flag;
    };
    Options options;
    load_options(&options, store, kWidth, kHeight);
    for (std::thread& probe : probes)
        probe.join();
    const std::map<std::string, bool> expected = {
        {"aat", true},  {"wins", true}, {"usrcombo", true}, {"ifl", false},
        {"itl", false}, {"icl", false}, {"ppfroml", false},
    };
    EXPECT_EQ(lock_free, expected);
}

}  // namespace
