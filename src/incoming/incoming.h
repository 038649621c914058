// Incoming processing: the single gate every received message passes — the
// ignore filters, duplicate suppression, the popup decision and the hand-over
// to the message store (portable).
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "core/message.h"

// The owner of the message store, reached from the receiver thread. On
// Windows this is the main dialog: insert is the synchronous private message
// WM_INSERT_MESSAGE, handled on the user-interface thread.
class MessageStoreLink {
public:
    virtual ~MessageStoreLink() = default;
    // Synchronous hand-over of a listed record. 1: the store took the record
    // and owns it from now on; 0: it did not, and the caller still owns it.
    virtual int insert(MessageRecord* record) = 0;
    // Whether one of the program's dialogs (Send, View, Answer) is open:
    // new messages then do not bring the main window forward.
    virtual bool dialog_open() const { return false; }
    // Restore the main window and bring it to the front.
    virtual void pop_up() = 0;
    // Whether more messages wait right behind the next insert: the store may
    // then put off repainting until the run is over.
    virtual void set_more_waiting(bool /*more_waiting*/) {}
    // The receiver has nothing more waiting: repaint what a run put off.
    virtual void run_over() {}
};

// The code page in which a receiver's texts arrive: OEM from the wire, ANSI
// where the system has converted them already (the Messenger service's popups).
enum class ArrivingText { oem, ansi };

// Runs on the receiver thread, which owns it; the duplicate memory lives
// inside and is freed with it (or by clear_duplicate_memory).
class IncomingProcessor {
public:
    explicit IncomingProcessor(MessageStoreLink& store, ArrivingText text = ArrivingText::oem);
    ~IncomingProcessor();
    IncomingProcessor(const IncomingProcessor&) = delete;
    IncomingProcessor& operator=(const IncomingProcessor&) = delete;

    // Takes ownership of the record in every case (null included). Answers 0
    // when it was null, filtered or a duplicate, 1 otherwise. `more_waiting`:
    // the receiver already has further messages in hand (see
    // MessageStoreLink::set_more_waiting); every rule applies all the same.
    int process_incoming(MessagePtr record, bool more_waiting = false);
    // The receiver's run of waiting messages is over.
    void run_over() { store_.run_over(); }

    void clear_duplicate_memory();
    bool duplicate_memory_empty() const;

private:
    // The last message that passed the filters, each field possibly absent.
    struct DuplicateMemory {
        std::optional<std::string> from;
        std::optional<std::string> to;
        std::optional<std::string> text;
        std::atomic<int32_t> repeat_count{0};
    };

    bool is_duplicate(const MessageRecord& record, int32_t showmmode, int32_t dnum);
    void remember(const MessageRecord& record);

    MessageStoreLink& store_;
    ArrivingText text_;
    DuplicateMemory memory_;
};

// The store the receiver thread hands its records to. The main dialog sets it
// before it starts the receiver thread and keeps it alive until the thread ends.
void set_receiver_store(MessageStoreLink* store);
MessageStoreLink* receiver_store();
