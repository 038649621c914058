// ANSI/OEM conversion with the system's own tables (Windows only).
#include <windows.h>

#include "core/codepage.h"

void ansi_to_oem(char* text) {
    if (text) CharToOemA(text, text);
}

void oem_to_ansi(char* text) {
    if (text) OemToCharA(text, text);
}
