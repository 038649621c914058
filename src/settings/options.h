// The options record: every user setting under the name of its registry
// value, with its default (portable). Loading and saving go through the
// value store of settings/value_store.h.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/lock.h"
#include "core/string_list.h"
#include "settings/value_store.h"

struct Options {
    int32_t iff = 0;      // ignore senders listed in ifl
    int32_t itf = 0;      // ignore recipients listed in itl
    int32_t icf = 0;      // ignore texts containing an entry of icl
    StringList ifl;       // guarded by g_lists_lock
    StringList itl;       // guarded by g_lists_lock
    StringList usrcombo;  // recent recipients; user-interface thread only
    StringList icl;       // guarded by g_lists_lock
    StringList ppfroml;   // guarded by g_lists_lock
    int32_t shown = 1;    // network pane shown
    int32_t x_pos = 0;    // main window position
    int32_t y_pos = 0;
    int32_t tray_only = 0;  // minimise to the tray icon only
    int32_t ppmode = 1;     // 0 popup on any message, 1 never, 2 from ppfroml
    int32_t showmmode = 0;  // 0 show all, 1 kill duplicates, 2 kill beyond dnum
    int32_t dnum = 2;
    int32_t defact = 0;              // double click: 0 view, 1 answer, 2 delete
    int32_t mcopy = 0;               // quote the message in answers
    int32_t cone = 1;                // confirm exit
    int32_t cond = 0;                // confirm delete (and delete all)
    int32_t conda = 1;               // confirm delete all
    int32_t start_p = 0;             // settings page shown last
    int32_t dcsd = 1;                // 1: send dialogs stay open after a send
    int32_t aam = 0;                 // auto-answer mode
    std::optional<std::string> aat;  // auto-answer text
    int32_t mlrm = 1;                // select the message last received
    int32_t keepmsgs = 1;            // keep messages after exit (the message journal)
    std::string wins;                // the name server's IPv4 address, dotted; empty: none

    bool operator==(const Options&) const = default;
};

// The process's options record. Scalars, aat and wins are guarded by
// g_options_lock; the four filter lists by
// g_lists_lock; usrcombo belongs to the user-interface thread.
extern Options g_options;
extern Lock g_options_lock;
extern Lock g_lists_lock;

// Sets every field to its default and empties every list.
void reset_options(Options* options);

// Fills the record from the store: a missing or unreadable value takes its
// default, then each field is brought into its range (x_pos below
// screen_width, y_pos below screen_height, the primary screen's size in
// pixels; a name server address that does not parse is none). Takes g_lists_lock while it fills the
// four filter lists. When the key cannot be opened every field takes its default.
void load_options(Options* options, ValueStore& store, int32_t screen_width, int32_t screen_height);

// A name server's address from its text: four decimal numbers of 0 to 255
// joined by dots, spaces around allowed, in host byte order. Nothing for any
// other text (leading zeros included: some readers take them as octal), and
// for addresses no server can have: 0.0.0.0, multicast and above.
std::optional<uint32_t> parse_name_server_address(std::string_view text);

// Writes the record to the store (yes/no fields as 0 or 1). Consumes aat:
// afterwards the field is none; a record without aat stores aam as 0 and
// deletes the stored text; no name server deletes its value. When the key
// cannot be opened nothing changes.
void save_options(Options* options, ValueStore& store);

// What a list may hold: its first 1000 entries, as far as their texts fit in
// 64 KiB together (a Windows 9x list box holds 64 KB of text). A stored list
// loads only that much, and the settings sheet shows only that much; the
// rest is left out, and gone once the list is stored again.
inline constexpr int kListMaxEntries = 1000;
inline constexpr size_t kListMaxBytes = 64 * 1024;
StringList bounded_list(const StringList& list);

// Move one string list between an open key and the record. An empty list
// deletes its value; a value that cannot be read leaves the list empty. The
// list read is bounded (above).
void read_list_value(ValueKey& key, const char* name, StringList* list);
void write_list_value(ValueKey& key, const char* name, const StringList* list);

// The stored form of a list: each non-empty string with its NUL, then two
// NULs; nothing at all for a list without a non-empty string.
std::vector<uint8_t> build_multi_string(const StringList& list);

// The strings of a stored list, from the start up to the first empty string
// or the end of the data. A last string that the data cuts off without its
// NUL is kept.
StringList parse_multi_string(std::span<const uint8_t> data);
