// Process-wide state that the modules share (portable). Each item names the
// lock that guards it; the statistics counters change only atomically.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/lock.h"

// 1 on Windows NT/2000 (receive through the Messenger service's popups, send
// with NetMessageBufferSend), 0 on Windows 95/98/ME (own mailslot). Set once
// at startup before any other thread exists.
extern int g_platform_flag;

// This computer's name: the sender of every message, at most 15 characters.
extern char g_sender_name[16];

// Statistics counted from program start, shown by the About dialog.
struct Statistics {
    std::atomic<uint32_t> sent{0};
    std::atomic<uint32_t> received{0};
    std::atomic<uint32_t> ignored{0};
};
extern Statistics g_statistics;

// The stop flag tells the receiver thread to end; guarded by g_stop_lock.
extern Lock g_stop_lock;
extern int g_stop_flag;

void set_stop_flag(int value);  // under the stop lock
bool stop_requested();          // reads the flag under the stop lock
