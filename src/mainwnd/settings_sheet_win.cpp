// The settings sheet and its four page procedures (Windows only).
#include "mainwnd/settings_sheet_win.h"

#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "core/dialog_items_win.h"
#include "core/ipv4_text.h"
#include "core/string_list_win.h"
#include "mainwnd/ui_state_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

enum Page { kIgnorePage = 0, kPopupPage = 1, kMessagesPage = 2, kMiscPage = 3, kPageCount };

// The page showing now; copied to start_p when the sheet closes. Only the
// user-interface thread runs the sheet.
int g_current_page = kIgnorePage;

LRESULT list_count(HWND page, int list) {
    return SendDlgItemMessageA(page, list, LB_GETCOUNT, 0, 0);
}

// Add: the edit's text at the end of the list, unless it is empty or the
// list holds it already in any letter case. The edit keeps its text.
void add_entry(HWND page, int edit, int list) {
    const std::string text = item_text(page, edit);
    if (text.empty()) return;
    if (SendDlgItemMessageA(page, list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(text.c_str())) != LB_ERR) {
        return;
    }
    SendDlgItemMessageA(page, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Delete: the selected entry; the selection moves to the entry that takes
// its place, or to the first when the last one went.
void delete_entry(HWND page, int list) {
    const LRESULT selected = SendDlgItemMessageA(page, list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    const LRESULT count = list_count(page, list);
    SendDlgItemMessageA(page, list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    if (count >= 2) {
        const LRESULT next = selected < count - 1 ? selected : 0;
        SendDlgItemMessageA(page, list, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
    }
}

// A notification's answer goes through DWLP_MSGRESULT.
INT_PTR answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

// Ignore page (template 128) --------------------------------------------------

struct IgnoreColumn {
    int check, edit, list, add, del;
    int32_t Options::*flag;
    StringList Options::*names;
};

constexpr IgnoreColumn kIgnoreColumns[] = {
    {IDC_IGNORE_FROM_CHECK, IDC_IGNORE_FROM_EDIT, IDC_IGNORE_FROM_LIST, IDC_IGNORE_FROM_ADD,
     IDC_IGNORE_FROM_DELETE, &Options::iff, &Options::ifl},
    {IDC_IGNORE_TO_CHECK, IDC_IGNORE_TO_EDIT, IDC_IGNORE_TO_LIST, IDC_IGNORE_TO_ADD,
     IDC_IGNORE_TO_DELETE, &Options::itf, &Options::itl},
    {IDC_IGNORE_TEXT_CHECK, IDC_IGNORE_TEXT_EDIT, IDC_IGNORE_TEXT_LIST, IDC_IGNORE_TEXT_ADD,
     IDC_IGNORE_TEXT_DELETE, &Options::icf, &Options::icl},
};

// An active column has its edit, list and Delete enabled; Add waits for text.
void set_column_active(HWND page, const IgnoreColumn& column, bool active) {
    enable(page, column.add, false);
    enable(page, column.del, active);
    enable(page, column.list, active);
    enable(page, column.edit, active);
}

// The lists are copied under their lock, as far as a list may hold, and the
// list boxes filled after: receiving waits for that lock.
BOOL ignore_init(HWND page) {
    StringList shown[3];
    {
        ScopedLock hold(g_lists_lock);
        for (int i = 0; i < 3; ++i)
            shown[i] = bounded_list(g_options.*kIgnoreColumns[i].names);
    }
    bool listed[3];
    for (int i = 0; i < 3; ++i) {
        fill_list_box(GetDlgItem(page, kIgnoreColumns[i].list), &shown[i]);
        listed[i] = !shown[i].empty();
    }
    bool flags[3];
    {
        ScopedLock hold(g_options_lock);
        for (int i = 0; i < 3; ++i)
            flags[i] = g_options.*kIgnoreColumns[i].flag != 0;
    }
    for (int i = 0; i < 3; ++i) {
        const bool active = flags[i] && listed[i];
        set_column_active(page, kIgnoreColumns[i], active);
        check(page, kIgnoreColumns[i].check, active);
    }
    return TRUE;
}

BOOL ignore_command(HWND page, int id, int code) {
    for (const IgnoreColumn& column : kIgnoreColumns) {
        if (id == column.edit && code == EN_CHANGE) {
            enable(page, column.add, checked(page, column.check) && has_text(page, column.edit));
            return TRUE;
        }
        if (code != BN_CLICKED) continue;
        if (id == column.check) {
            set_column_active(page, column, checked(page, column.check));
            SetDlgItemTextA(page, column.edit, "");
            return TRUE;
        }
        if (id == column.add) {
            add_entry(page, column.edit, column.list);
            return TRUE;
        }
        if (id == column.del) {
            delete_entry(page, column.list);
            return TRUE;
        }
    }
    return FALSE;
}

// The lists reach the options on every notification, Cancel included; the
// checkboxes only on OK.
INT_PTR ignore_notify(HWND page, const NMHDR& header) {
    INT_PTR handled = FALSE;
    if (header.code == static_cast<UINT>(PSN_APPLY)) {
        int32_t flags[3];
        for (int i = 0; i < 3; ++i) {
            const IgnoreColumn& column = kIgnoreColumns[i];
            flags[i] = checked(page, column.check) && list_count(page, column.list) > 0 ? 1 : 0;
        }
        {
            ScopedLock hold(g_options_lock);
            for (int i = 0; i < 3; ++i)
                g_options.*kIgnoreColumns[i].flag = flags[i];
        }
        handled = answer(page, PSNRET_NOERROR);
    } else if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        g_current_page = kIgnorePage;
        handled = answer(page, 0);
    }
    StringList read[3];
    for (int i = 0; i < 3; ++i)
        read_from_list_box(GetDlgItem(page, kIgnoreColumns[i].list), &read[i]);
    ScopedLock hold(g_lists_lock);
    for (int i = 0; i < 3; ++i)
        g_options.*kIgnoreColumns[i].names = std::move(read[i]);
    return handled;
}

// Popup page (template 129) ---------------------------------------------------

constexpr int kPopupFromControls[] = {IDC_POPUP_LIST, IDC_POPUP_ADD, IDC_POPUP_DELETE,
                                      IDC_POPUP_EDIT};

void enable_popup_from(HWND page, bool on) {
    for (int id : kPopupFromControls)
        enable(page, id, on);
}

BOOL popup_init(HWND page) {
    StringList shown;
    {
        ScopedLock hold(g_lists_lock);
        shown = bounded_list(g_options.ppfroml);
    }
    fill_list_box(GetDlgItem(page, IDC_POPUP_LIST), &shown);
    int32_t ppmode, tray_only;
    {
        ScopedLock hold(g_options_lock);
        ppmode = g_options.ppmode;
        tray_only = g_options.tray_only;
    }
    if (ppmode == 0) {
        check(page, IDC_POPUP_ANY, true);
    } else if (ppmode == 2) {
        check(page, IDC_POPUP_FROM, true);
        enable_popup_from(page, true);
    } else {
        check(page, IDC_POPUP_NEVER, true);
    }
    check(page, IDC_POPUP_TRAY_ONLY, tray_only != 0);
    return TRUE;
}

BOOL popup_command(HWND page, int id, int code) {
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_POPUP_ANY:
        case IDC_POPUP_NEVER:
            if (enabled(page, IDC_POPUP_LIST)) enable_popup_from(page, false);
            return TRUE;
        case IDC_POPUP_FROM:
            if (!enabled(page, IDC_POPUP_LIST)) enable_popup_from(page, true);
            return TRUE;
        case IDC_POPUP_ADD:
            add_entry(page, IDC_POPUP_EDIT, IDC_POPUP_LIST);
            return TRUE;
        case IDC_POPUP_DELETE:
            delete_entry(page, IDC_POPUP_LIST);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR popup_notify(HWND page, const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        g_current_page = kPopupPage;
        return answer(page, 0);
    }
    if (header.code != static_cast<UINT>(PSN_APPLY)) return FALSE;

    int32_t ppmode = checked(page, IDC_POPUP_ANY) ? 0 : checked(page, IDC_POPUP_FROM) ? 2 : 1;
    StringList from;
    read_from_list_box(GetDlgItem(page, IDC_POPUP_LIST), &from);
    // Popping up for nobody is no popup at all.
    if (from.empty() && ppmode == 2) ppmode = 1;
    {
        ScopedLock hold(g_lists_lock);
        g_options.ppfroml = std::move(from);
    }
    const int32_t tray_only = checked(page, IDC_POPUP_TRAY_ONLY) ? 1 : 0;
    {
        ScopedLock hold(g_options_lock);
        g_options.ppmode = ppmode;
        g_options.tray_only = tray_only;
    }
    return answer(page, PSNRET_NOERROR);
}

// Messages page (template 130) ------------------------------------------------

BOOL messages_init(HWND page) {
    char number[16];
    int32_t showmmode, defact, mcopy;
    {
        ScopedLock hold(g_options_lock);
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(g_options.dnum));
        showmmode = g_options.showmmode;
        defact = g_options.defact;
        mcopy = g_options.mcopy;
    }
    check(page,
          showmmode == 1   ? IDC_MESSAGES_KILL
          : showmmode == 2 ? IDC_MESSAGES_KILL_OVER
                           : IDC_MESSAGES_SHOW_ALL,
          true);
    check(page,
          defact == 1   ? IDC_MESSAGES_ANSWERS
          : defact == 2 ? IDC_MESSAGES_DELETES
                        : IDC_MESSAGES_VIEWS,
          true);
    check(page, IDC_MESSAGES_COPY, mcopy != 0);
    SetDlgItemTextA(page, IDC_MESSAGES_NUMBER, number);
    enable(page, IDC_MESSAGES_NUMBER, showmmode == 2);
    return TRUE;
}

BOOL messages_command(HWND page, int id, int code) {
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_MESSAGES_SHOW_ALL:
        case IDC_MESSAGES_KILL:
            // The number waits for its mode greyed, never empty.
            if (!has_text(page, IDC_MESSAGES_NUMBER))
                SetDlgItemTextA(page, IDC_MESSAGES_NUMBER, "2");
            if (enabled(page, IDC_MESSAGES_NUMBER)) enable(page, IDC_MESSAGES_NUMBER, false);
            return TRUE;
        case IDC_MESSAGES_KILL_OVER:
            if (!enabled(page, IDC_MESSAGES_NUMBER)) enable(page, IDC_MESSAGES_NUMBER, true);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR messages_notify(HWND page, const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        g_current_page = kMessagesPage;
        return answer(page, 0);
    }
    if (header.code != static_cast<UINT>(PSN_APPLY)) return FALSE;

    const int32_t showmmode = checked(page, IDC_MESSAGES_SHOW_ALL)    ? 0
                              : checked(page, IDC_MESSAGES_KILL_OVER) ? 2
                                                                      : 1;
    const int32_t defact = checked(page, IDC_MESSAGES_VIEWS)     ? 0
                           : checked(page, IDC_MESSAGES_ANSWERS) ? 1
                                                                 : 2;
    const int32_t mcopy = checked(page, IDC_MESSAGES_COPY) ? 1 : 0;
    // Read whatever the mode: dnum keeps the number last shown.
    const int32_t dnum = parse_duplicate_count(item_text(page, IDC_MESSAGES_NUMBER));
    {
        ScopedLock hold(g_options_lock);
        g_options.showmmode = showmmode;
        g_options.defact = defact;
        g_options.mcopy = mcopy;
        g_options.dnum = dnum;
    }
    return answer(page, PSNRET_NOERROR);
}

// Miscellaneous page (template 135) -------------------------------------------

void show_auto_answer_state(HWND page) {
    SetDlgItemTextA(page, IDC_MISC_AUTO_ANSWER, checked(page, IDC_MISC_AUTO_ANSWER) ? "On" : "Off");
}

// The name server field holds an address or nothing. Anything else is
// refused where it was typed: a box says why and the field takes the focus
// with its text selected. True when refused.
bool refuse_name_server(HWND page) {
    const std::string text = item_text(page, IDC_MISC_NAME_SERVER);
    if (text.find_first_not_of(" \t") == std::string::npos || parse_name_server_address(text))
        return false;
    MessageBoxA(GetParent(page),
                "The name server must be an IPv4 address such as 192.168.1.1, or empty for "
                "none.",
                "Quorvanta Messenger", MB_OK | MB_ICONWARNING);
    HWND field = GetDlgItem(page, IDC_MISC_NAME_SERVER);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    return true;
}

BOOL misc_init(HWND page) {
    int32_t cone, cond, conda, dcsd, aam, mlrm, keepmsgs;
    std::optional<std::string> aat;
    std::string wins;
    {
        ScopedLock hold(g_options_lock);
        cone = g_options.cone;
        cond = g_options.cond;
        conda = g_options.conda;
        dcsd = g_options.dcsd;
        aam = g_options.aam;
        mlrm = g_options.mlrm;
        keepmsgs = g_options.keepmsgs;
        aat = g_options.aat;
        wins = g_options.wins;
    }
    check(page, IDC_MISC_EXIT, cone != 0);
    check(page, IDC_MISC_MARK_LAST, mlrm != 0);
    check(page, IDC_MISC_KEEP_MESSAGES, keepmsgs != 0);
    if (cond) {
        check(page, IDC_MISC_DELETE, true);
        enable(page, IDC_MISC_DELETE_ALL, false);
    }
    check(page, IDC_MISC_DELETE_ALL, conda != 0);
    check(page, dcsd ? IDC_MISC_CLOSE_ON_CANCEL : IDC_MISC_CLOSE_ON_SENT, true);
    if (aam) {
        check(page, IDC_MISC_AUTO_ANSWER, true);
        show_auto_answer_state(page);
    }
    if (aat) SetDlgItemTextA(page, IDC_MISC_AUTO_TEXT, aat->c_str());
    SendDlgItemMessageA(page, IDC_MISC_NAME_SERVER, EM_LIMITTEXT, 64, 0);
    SetDlgItemTextA(page, IDC_MISC_NAME_SERVER, wins.c_str());
    return TRUE;
}

BOOL misc_command(HWND page, int id, int code) {
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_MISC_DELETE:
            // "Delete all messages only" matters only while single deletes
            // are not confirmed; its check stays as it is.
            enable(page, IDC_MISC_DELETE_ALL, !checked(page, IDC_MISC_DELETE));
            return TRUE;
        case IDC_MISC_AUTO_ANSWER:
            show_auto_answer_state(page);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR misc_notify(HWND page, const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        g_current_page = kMiscPage;
        return answer(page, 0);
    }
    // Leaving the page, by OK or for another page, waits for a sound address.
    if (header.code == static_cast<UINT>(PSN_KILLACTIVE))
        return answer(page, refuse_name_server(page) ? TRUE : FALSE);
    if (header.code != static_cast<UINT>(PSN_APPLY)) return FALSE;
    if (refuse_name_server(page)) return answer(page, PSNRET_INVALID_NOCHANGEPAGE);
    const std::optional<uint32_t> server =
        parse_name_server_address(item_text(page, IDC_MISC_NAME_SERVER));
    std::string wins = server ? ipv4_text(*server) : std::string();

    const int32_t cone = checked(page, IDC_MISC_EXIT) ? 1 : 0;
    const int32_t cond = checked(page, IDC_MISC_DELETE) ? 1 : 0;
    const int32_t conda = checked(page, IDC_MISC_DELETE_ALL) ? 1 : 0;
    const int32_t dcsd = checked(page, IDC_MISC_CLOSE_ON_CANCEL) ? 1 : 0;
    const int32_t mlrm = checked(page, IDC_MISC_MARK_LAST) ? 1 : 0;
    const int32_t keepmsgs = checked(page, IDC_MISC_KEEP_MESSAGES) ? 1 : 0;
    std::optional<std::string> aat;
    int32_t aam = 0;  // no text, no auto-answer
    if (has_text(page, IDC_MISC_AUTO_TEXT)) {
        aat = item_text(page, IDC_MISC_AUTO_TEXT);
        aam = checked(page, IDC_MISC_AUTO_ANSWER) ? 1 : 0;
    }
    {
        ScopedLock hold(g_options_lock);
        g_options.cone = cone;
        g_options.cond = cond;
        g_options.conda = conda;
        g_options.dcsd = dcsd;
        g_options.aam = aam;
        g_options.mlrm = mlrm;
        g_options.keepmsgs = keepmsgs;
        g_options.aat = std::move(aat);
        g_options.wins = std::move(wins);
    }
    auto_answer_menu_check(aam);
    return answer(page, PSNRET_NOERROR);
}

// Page procedures -------------------------------------------------------------

struct PageHandlers {
    BOOL (*init)(HWND page);
    BOOL (*command)(HWND page, int id, int code);
    INT_PTR (*notify)(HWND page, const NMHDR& header);
};

template <const PageHandlers& handlers>
INT_PTR dispatch(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return handlers.init(page);
        case WM_COMMAND:
            return handlers.command(page, LOWORD(wparam), HIWORD(wparam));
        case WM_NOTIFY:
            return handlers.notify(page, *reinterpret_cast<const NMHDR*>(lparam));
        default:
            return FALSE;
    }
}

template <const PageHandlers& handlers>
INT_PTR CALLBACK page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch<handlers>, page, message, wparam, lparam);
}

constexpr PageHandlers kIgnoreHandlers{ignore_init, ignore_command, ignore_notify};
constexpr PageHandlers kPopupHandlers{popup_init, popup_command, popup_notify};
constexpr PageHandlers kMessagesHandlers{messages_init, messages_command, messages_notify};
constexpr PageHandlers kMiscHandlers{misc_init, misc_command, misc_notify};

struct PageDescription {
    int template_id;
    const char* title;
    DLGPROC procedure;
};

// The titles keep their trailing spaces.
constexpr PageDescription kPages[kPageCount] = {
    {IDD_PAGE_IGNORE, "Ignore: ", page_proc<kIgnoreHandlers>},
    {IDD_PAGE_POPUP, "Popup:  ", page_proc<kPopupHandlers>},
    {IDD_PAGE_MESSAGES, "Messages:", page_proc<kMessagesHandlers>},
    {IDD_PAGE_MISC, "Miscellaneous:", page_proc<kMiscHandlers>},
};

}  // namespace

int32_t parse_duplicate_count(std::string_view text) {
    text = text.substr(0, 19);
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    int64_t value = 0;  // stops growing past kMax, so never overflows
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        if (value <= kMax) value = value * 10 + (text[at] - '0');
    if (negative) return 0;
    return static_cast<int32_t>(value > kMax ? kMax : value);
}

void describe_settings_sheet(HWND owner, int start_page, SettingsSheetSetup& setup) {
    static_assert(kSettingsPageCount == kPageCount);
    for (int i = 0; i < kPageCount; ++i) {
        PROPSHEETPAGEA_V1& page = setup.pages[i];
        page = {};
        page.dwSize = PROPSHEETPAGEA_V1_SIZE;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = GetModuleHandleA(nullptr);
        page.pszTemplate = MAKEINTRESOURCEA(kPages[i].template_id);
        page.pszTitle = kPages[i].title;
        page.pfnDlgProc = kPages[i].procedure;
    }
    PROPSHEETHEADERA& sheet = setup.header;
    sheet = {};
    sheet.dwSize = PROPSHEETHEADERA_V1_SIZE;
    sheet.dwFlags = PSH_PROPSHEETPAGE;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszCaption = "Messenger Properties:";
    sheet.nPages = kPageCount;
    sheet.nStartPage = static_cast<UINT>(start_page);
    sheet.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(setup.pages);
}

void open_settings_sheet(HWND owner) {
    {
        ScopedLock hold(g_options_lock);
        g_current_page = g_options.start_p;
    }
    // start_p 4 and 5 pass the load but name no page: open on the first.
    if (g_current_page < 0 || g_current_page >= kPageCount) g_current_page = kIgnorePage;

    SettingsSheetSetup setup;
    describe_settings_sheet(owner, g_current_page, setup);
    {
        ModalScope modal;
        PropertySheetA(&setup.header);
    }

    ScopedLock hold(g_options_lock);
    g_options.start_p = g_current_page;
}
