// The NT receiver thread: the popup capture loop feeding incoming processing (Windows only).
#include "incoming/incoming.h"
#include "transport/popup_capture_win.h"

DWORD WINAPI popup_capture_thread(void* /*unused*/) {
    MessageStoreLink* store = receiver_store();
    if (!store) return 0;
    try {
        // Owns the duplicate memory, which is freed when the loop ends.
        IncomingProcessor processor(*store, ArrivingText::ansi);
        run_popup_capture(
            [&](MessagePtr record) { processor.process_incoming(std::move(record)); });
        processor.clear_duplicate_memory();
    } catch (...) {
        // Nothing may escape a thread entry; the receiver simply ends.
    }
    return 0;
}
