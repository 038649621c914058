// Mailslot transport: receiver poll cycle and thread, mailslot send (Windows only).
#include "transport/mailslot_win.h"

#include <new>
#include <optional>
#include <vector>

#include "core/handles_win.h"
#include "core/message.h"
#include "core/process_state.h"
#include "core/time_text.h"
#include "transport/netbios_path_win.h"

namespace {

// A datagram too long for the read buffer would fail every read on Windows
// and stay in front of the others for ever: read it whole and forget it.
bool discard_datagram(HANDLE mailslot, DWORD size) {
    std::vector<char> scratch;
    try {
        scratch.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD read = 0;
    return ReadFile(mailslot, scratch.data(), size, &read, nullptr) != 0;
}

}  // namespace

PollCycle poll_mailslot(HANDLE mailslot, IncomingProcessor& processor) {
    PollCycle cycle;
    char buffer[kMailslotReadBufferSize];
    // Windows reports how many datagrams wait, Wine 1 whenever any does: the
    // next-message size, asked again after every read, is right on both.
    const auto next_size = [&] {
        DWORD size = MAILSLOT_NO_MESSAGE;
        if (!GetMailslotInfo(mailslot, nullptr, &size, nullptr, nullptr))
            size = MAILSLOT_NO_MESSAGE;
        return size;
    };
    DWORD size = next_size();
    for (int reads = 0; reads < kMailslotMaxReadsPerCycle; ++reads) {
        if (size == MAILSLOT_NO_MESSAGE) return cycle;

        // Windows fails a read into a too-small buffer and keeps the datagram,
        // Wine truncates it: deciding from the size first treats both alike.
        if (size > sizeof buffer) {
            if (!discard_datagram(mailslot, size)) return cycle;
            size = next_size();
            continue;
        }
        DWORD length = 0;
        BOOL read = ReadFile(mailslot, buffer, sizeof buffer, &length, nullptr);
        // Wine fails a zero-length datagram with ERROR_BROKEN_PIPE (and
        // removes it) where Windows reads 0 bytes: take both as 0 bytes.
        if (!read && size == 0 && GetLastError() == ERROR_BROKEN_PIPE) {
            read = TRUE;
            length = 0;
        }
        if (!read) return cycle;  // skipped; the next cycle tries again

        size = next_size();
        const int64_t arrived = now_seconds();
        processor.process_incoming(parse_datagram(buffer, length, arrived),
                                   size != MAILSLOT_NO_MESSAGE);
        ++cycle.handed_over;
    }
    cycle.more_waiting = size != MAILSLOT_NO_MESSAGE;
    return cycle;
}

PollCycle poll_queue(DatagramQueue& queue, IncomingProcessor& processor) {
    PollCycle cycle;
    for (int reads = 0; reads < kMailslotMaxReadsPerCycle; ++reads) {
        bool more = false;
        std::optional<std::vector<char>> datagram = queue.pop(more);
        if (!datagram) return cycle;
        const int64_t arrived = now_seconds();
        processor.process_incoming(parse_datagram(datagram->data(), datagram->size(), arrived),
                                   more);
        ++cycle.handed_over;
        if (!more) return cycle;
    }
    cycle.more_waiting = true;
    return cycle;
}

void run_mailslot_receiver(HANDLE mailslot, IncomingProcessor& processor,
                           const InProcessArrivals& in_process) {
    for (;;) {
        bool more = poll_mailslot(mailslot, processor).more_waiting;
        if (in_process.queue) more = poll_queue(*in_process.queue, processor).more_waiting || more;
        if (!more) {
            processor.run_over();
            // A mailslot gives no notice of arrivals; the in-process ones do.
            if (in_process.arrived)
                WaitForSingleObject(in_process.arrived, kMailslotPollPeriodMs);
            else
                Sleep(kMailslotPollPeriodMs);
        }
        if (stop_requested()) break;
    }
    processor.clear_duplicate_memory();
}

DWORD WINAPI mailslot_receiver_thread(LPVOID mailslot) {
    MessageStoreLink* store = receiver_store();
    if (!store) return 0;
    try {
        IncomingProcessor processor(*store);
        InProcessArrivals in_process;
        if (netbios_path_active()) in_process = {netbios_received(), netbios_arrival_event()};
        run_mailslot_receiver(static_cast<HANDLE>(mailslot), processor, in_process);
    } catch (...) {
        // Nothing may leave a thread entry; the receiving side reports nothing.
    }
    return 0;
}

std::string mailslot_path(const char* to) {
    return std::string("\\\\") + (to ? to : "") + "\\mailslot\\messngr";
}

int mailslot_send(const char* from, const char* to, const char* text) {
    if (!from || !to || !text) return 0;
    try {
        const std::string path = mailslot_path(to);
        UniqueFile slot(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!slot) return 0;

        const std::vector<char> datagram = build_datagram(from, to, text);
        if (datagram.empty()) return 0;

        DWORD written = 0;
        if (!WriteFile(slot.get(), datagram.data(), static_cast<DWORD>(datagram.size()), &written,
                       nullptr) ||
            written == 0) {
            return 0;
        }
        g_statistics.sent.fetch_add(1);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
