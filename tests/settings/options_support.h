// Test helpers for the options record (portable): a readable text of a
// record, and a record whose every field differs from its default.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <string>

#include "settings/options.h"

inline StringList list_of(std::initializer_list<const char*> items) {
    StringList list;
    for (const char* item : items)
        list.append_copy(item);
    return list;
}

inline std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    return out + "\"";
}

inline std::string describe(const Options& o) {
    std::string out;
    const auto scalar = [&](const char* name, int32_t value) {
        out += std::string(name) + "=" + std::to_string(value) + " ";
    };
    const auto list = [&](const char* name, const StringList& items) {
        out += std::string(name) + "=[";
        for (const std::string& item : items)
            out += quoted(item) + ",";
        out += "] ";
    };
    scalar("iff", o.iff);
    scalar("itf", o.itf);
    scalar("icf", o.icf);
    list("ifl", o.ifl);
    list("itl", o.itl);
    list("usrcombo", o.usrcombo);
    list("icl", o.icl);
    list("ppfroml", o.ppfroml);
    scalar("shown", o.shown);
    scalar("x_pos", o.x_pos);
    scalar("y_pos", o.y_pos);
    scalar("tray_only", o.tray_only);
    scalar("ppmode", o.ppmode);
    scalar("showmmode", o.showmmode);
    scalar("dnum", o.dnum);
    scalar("defact", o.defact);
    scalar("mcopy", o.mcopy);
    scalar("cone", o.cone);
    scalar("cond", o.cond);
    scalar("conda", o.conda);
    scalar("start_p", o.start_p);
    scalar("dcsd", o.dcsd);
    scalar("aam", o.aam);
    out += "aat=" + (o.aat ? quoted(*o.aat) : std::string("none")) + " ";
    scalar("mlrm", o.mlrm);
    return out;
}

inline void PrintTo(const Options& o, std::ostream* os) {
    *os << describe(o);
}

// Every field away from its default and inside its accepted range (for a
// 1024 x 768 screen), lists with several entries and bytes above 0x7F.
inline Options sample_record() {
    Options o;
    o.iff = 1;
    o.itf = 1;
    o.icf = 1;
    o.ifl = list_of({"SPAMMER", "J\xC4RGEN"});
    o.itl = list_of({"*"});
    o.usrcombo = list_of({"ALPHA", "BETA", "GAMMA"});
    o.icl = list_of({"buy now", "caf\xE9"});
    o.ppfroml = list_of({"BOSS", "A", "BC"});
    o.shown = 0;
    o.x_pos = 1023;
    o.y_pos = 767;
    o.tray_only = 1;
    o.ppmode = 2;
    o.showmmode = 2;
    o.dnum = 7;
    o.defact = 1;
    o.mcopy = 1;
    o.cone = 0;
    o.cond = 1;
    o.conda = 0;
    o.start_p = 3;
    o.dcsd = 0;
    o.aam = 1;
    o.aat = "Out of office \xB7 back at 14:00";
    o.mlrm = 0;
    return o;
}
