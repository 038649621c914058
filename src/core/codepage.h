// The ANSI/OEM code-page pair the message text moves between (portable seam).
// Win32 uses the system's CharToOemA/OemToCharA; elsewhere a 1252/850 pair.
#pragma once

// Both convert a NUL-terminated string in place, byte for byte, so the length
// never changes. A null pointer does nothing.
void ansi_to_oem(char* text);
void oem_to_ansi(char* text);
