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

struct ScalarField {
    const char* name;
    int32_t Options::*field;
};
// Each value is stored under the name of its field.
#define QVA_FIELD(name) \
    { #name, &Options::name }
inline constexpr ScalarField kScalarFields[] = {
    QVA_FIELD(iff),       QVA_FIELD(itf),   QVA_FIELD(icf),       QVA_FIELD(shown),
    QVA_FIELD(x_pos),     QVA_FIELD(y_pos), QVA_FIELD(tray_only), QVA_FIELD(ppmode),
    QVA_FIELD(showmmode), QVA_FIELD(dnum),  QVA_FIELD(defact),    QVA_FIELD(mcopy),
    QVA_FIELD(cone),      QVA_FIELD(cond),  QVA_FIELD(conda),     QVA_FIELD(start_p),
    QVA_FIELD(dcsd),      QVA_FIELD(aam),   QVA_FIELD(mlrm),      QVA_FIELD(keepmsgs)};

struct ListField {
    const char* name;
    StringList Options::*field;
};
inline constexpr ListField kListFields[] = {QVA_FIELD(ifl), QVA_FIELD(itl), QVA_FIELD(usrcombo),
                                            QVA_FIELD(icl), QVA_FIELD(ppfroml)};
#undef QVA_FIELD

inline std::string describe(const Options& o) {
    std::string out;
    for (const ScalarField& f : kScalarFields)
        out += std::string(f.name) + "=" + std::to_string(o.*f.field) + " ";
    for (const ListField& f : kListFields) {
        out += std::string(f.name) + "=[";
        for (const std::string& item : o.*f.field)
            out += quoted(item) + ",";
        out += "] ";
    }
    return out + "aat=" + (o.aat ? quoted(*o.aat) : std::string("none")) +
           " wins=" + quoted(o.wins);
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
    o.keepmsgs = 0;
    o.wins = "192.168.2.1";
    return o;
}
