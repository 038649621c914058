// Process-wide state that the modules share (portable).
#include "core/process_state.h"

int g_platform_flag = 0;
char g_sender_name[16] = "";
Statistics g_statistics;
Lock g_stop_lock;
int g_stop_flag = 0;

void set_stop_flag(int value) {
    ScopedLock hold(g_stop_lock);
    g_stop_flag = value;
}

bool stop_requested() {
    ScopedLock hold(g_stop_lock);
    return g_stop_flag != 0;
}
