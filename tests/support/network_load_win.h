// A flood on UDP port 138 while the program sends to this computer and a
// local process holds its mailslot open: what the program listed (Windows
// only, test support; Winsock started by the caller).
#pragma once

#include <string>

#include "support/program_driver_win.h"

struct NetworkLoad {
    int packets = 0;        // sent to port 138, from L0, L1, ...
    int listed = 0;         // of those, rows in the list
    int dropped = 0;        // what the status bar says was lost
    bool in_order = false;  // the listed ones newest first, none twice
    int sends = 0;          // Send dialog sends to this computer
    int sends_ok = 0;       // of those, counted by the dialog without an error
    int sends_listed = 0;   // of those, rows in the list
    double settle_ms = 0;   // from the last packet to the last row
    bool mailslot_held = false;
    std::string problem;  // empty when the run itself worked
};

// `rate` packets a second for `seconds`, and `sends` sends spread over that
// time, into a program with an empty list whose main window is ready.
NetworkLoad run_network_load(const ProgramDriver& program, int rate, int seconds, int sends);
std::string describe(const NetworkLoad& load, int rate, int seconds);
