// The Save As step shared by the message and list exports: the common save
// dialog with a proposed name, the extension rule and the error box
// (Windows only).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Size of the path buffers handed to the save dialog.
constexpr size_t kSavePathSize = 1024;

struct SaveChoice {
    std::string path;
    DWORD filter = 1;  // 1 for the first filter of the list
};

// Shows the save dialog (explorer style, asking before an existing file is
// replaced, no path checks) with `proposed` as the file name, cut to the path buffer. `filters` is
// the dialog's list of description and pattern pairs, ending with an empty string. Nothing when the
// user cancels or chooses no name.
std::optional<SaveChoice> ask_save_path(HWND owner, const char* title, const char* filters,
                                        const std::string& proposed);

// Appends `extension` unless the chosen path holds it anywhere, then writes
// with `write`. The save dialog asked only about the name as chosen: when the
// appended extension names an existing file, the same question is asked here,
// and No writes nothing. Shows "Error saving file <path>" when the writer
// fails, or when the extended path no longer fits the path buffer (nothing is
// written then). True when the file was written.
bool save_with_extension(HWND owner, const std::string& chosen, const char* extension,
                         const std::function<bool(const char* path)>& write);
