// Incoming processing: filters, duplicate memory, popup decision and the
// hand-over to the message store (portable).
#include "incoming/incoming.h"

#include <new>

#include "core/codepage.h"
#include "core/process_state.h"
#include "settings/options.h"

namespace {

// The options processing depends on, copied at once so that one message is
// judged by one consistent set of settings.
struct Snapshot {
    int32_t iff = 0;
    int32_t itf = 0;
    int32_t icf = 0;
    int32_t ppmode = 1;
    int32_t showmmode = 0;
    int32_t dnum = 2;
};

Snapshot take_snapshot() {
    ScopedLock hold(g_options_lock);
    return Snapshot{g_options.iff,    g_options.itf,       g_options.icf,
                    g_options.ppmode, g_options.showmmode, g_options.dnum};
}

// An absent field is never listed.
bool listed_exactly(const StringList& list, const std::optional<std::string>& field) {
    if (!field) return false;
    ScopedLock hold(g_lists_lock);
    return list.find_exact(std::string_view(*field)) != nullptr;
}

bool contains_listed(const StringList& list, const std::optional<std::string>& field) {
    if (!field) return false;
    ScopedLock hold(g_lists_lock);
    return list.contains_any(std::string_view(*field)) != 0;
}

// A copy that cannot be allocated is left absent: the memory becomes partial.
std::optional<std::string> copy_of(const std::optional<std::string>& field) {
    if (!field) return std::nullopt;
    try {
        return *field;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool complete(const std::optional<std::string>& from, const std::optional<std::string>& to,
              const std::optional<std::string>& text) {
    return from && to && text;
}

}  // namespace

IncomingProcessor::IncomingProcessor(MessageStoreLink& store, ArrivingText text)
    : store_(store), text_(text) {}

IncomingProcessor::~IncomingProcessor() = default;

void IncomingProcessor::clear_duplicate_memory() {
    memory_.from.reset();
    memory_.to.reset();
    memory_.text.reset();
}

bool IncomingProcessor::duplicate_memory_empty() const {
    return !memory_.from && !memory_.to && !memory_.text;
}

void IncomingProcessor::remember(const MessageRecord& record) {
    memory_.from = copy_of(record.from);
    memory_.to = copy_of(record.to);
    memory_.text = copy_of(record.text);
}

bool IncomingProcessor::is_duplicate(const MessageRecord& record, int32_t showmmode, int32_t dnum) {
    if (showmmode != 1 && showmmode != 2) {
        clear_duplicate_memory();
        memory_.repeat_count = 0;
        return false;
    }
    if (duplicate_memory_empty()) {
        remember(record);
        memory_.repeat_count = 1;
        return false;
    }
    if (!complete(memory_.from, memory_.to, memory_.text)) {
        remember(record);  // a partial memory is replaced; the count stays
        return false;
    }
    // A record with an absent field breaks the run like a differing one: the
    // count restarts at 1.
    const bool same = complete(record.from, record.to, record.text) &&
                      *record.from == *memory_.from && *record.to == *memory_.to &&
                      *record.text == *memory_.text;
    if (!same) {
        remember(record);
        memory_.repeat_count = 1;
        return false;
    }
    if (showmmode == 1) return true;
    return memory_.repeat_count.fetch_add(1) + 1 > dnum;
}

int IncomingProcessor::process_incoming(MessagePtr record, bool more_waiting) {
    if (!record) return 0;
    const Snapshot options = take_snapshot();

    bool ignored = options.iff && listed_exactly(g_options.ifl, record->from);
    if (!ignored && options.itf) ignored = listed_exactly(g_options.itl, record->to);
    if (!ignored && options.icf) ignored = contains_listed(g_options.icl, record->text);
    // Filtered messages never reach the duplicate memory, so they cannot break a run.
    if (ignored || is_duplicate(*record, options.showmmode, options.dnum)) {
        g_statistics.ignored.fetch_add(1);
        return 0;
    }

    bool popup = options.ppmode == 0 ||
                 (options.ppmode == 2 && contains_listed(g_options.ppfroml, record->from));
    if (popup && store_.dialog_open()) popup = false;

    record->listed = 1;
    // Remembered above, but never listed or counted.
    if (!record->from || record->from->empty()) return 1;

    // Converted before the hand-over rather than after it: once the store
    // owns the record, the user-interface thread may read its text at once.
    if (record->text && text_ == ArrivingText::oem) oem_to_ansi(record->text->data());
    store_.set_more_waiting(more_waiting);
    if (store_.insert(record.get()) == 1)
        record.release();  // the store owns it now
    else
        record.reset();

    if (popup) store_.pop_up();
    return 1;
}

namespace {
std::atomic<MessageStoreLink*> g_receiver_store{nullptr};
}  // namespace

void set_receiver_store(MessageStoreLink* store) {
    g_receiver_store.store(store);
}

MessageStoreLink* receiver_store() {
    return g_receiver_store.load();
}
