// The Save As step shared by the message and list exports (Windows only).
#include "dialogs/save_as_win.h"

#include <commdlg.h>

#include <vector>

#include "core/program_name.h"
#include "export/file_names.h"

std::optional<SaveChoice> ask_save_path(HWND owner, const char* title, const char* filters,
                                        const std::string& proposed) {
    std::vector<char> path(kSavePathSize, '\0');
    proposed.copy(path.data(), kSavePathSize - 1);

    OPENFILENAMEA dialog{};
    // The size without the Windows 2000 additions, which Windows 9x refuses.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kSavePathSize;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&dialog) || path[0] == '\0') return std::nullopt;
    return SaveChoice{path.data(), dialog.nFilterIndex};
}

namespace {

bool replace_confirmed(HWND owner, const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    const std::string text = path + " already exists.\nDo you want to replace it?";
    return MessageBoxA(owner, text.c_str(), kProgramTitle,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

bool save_with_extension(HWND owner, const std::string& chosen, const char* extension,
                         const std::function<bool(const char* path)>& write) {
    const std::optional<std::string> path = path_with_extension(chosen, extension, kSavePathSize);
    if (path && *path != chosen && !replace_confirmed(owner, *path)) return false;
    if (path && write(path->c_str())) return true;
    const std::string shown = path ? *path : chosen + extension;
    const std::string text = "Error saving file <" + shown + ">";
    MessageBoxA(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
    return false;
}
