// Functions looked up at run time in a library the program loads itself
// (Windows only): what exists only on some Windows versions, or may be
// missing, is called through these. The library is held by a UniqueModule.
#pragma once

#include <windows.h>

#include "core/handles_win.h"

// Looks `name` up in `module` as a `Function`; null when the module is null
// or lacks it.
template <class Function>
void resolve(HMODULE module, const char* name, Function& function) {
    function =
        module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}
