// Builders of the main window's controls (Windows only).
#include "mainwnd/controls_win.h"

#include <commctrl.h>

#include <array>
#include <initializer_list>

#include "core/handles_win.h"
#include "mainwnd/main_window_win.h"
#include "resources/resource.h"

namespace {

struct ToolbarButton {
    int image;  // -1 for a separator
    int command;
    BYTE state;
    const char* tip;
};

constexpr ToolbarButton kMessageToolbar[] = {
    {0, IDM_NEW, TBSTATE_ENABLED, "New Message"},
    {-1, 0, 0, nullptr},
    {1, IDM_VIEW, TBSTATE_ENABLED, "View Message"},
    {-1, 0, 0, nullptr},
    {2, IDM_ANSWER, TBSTATE_ENABLED, "Answer Message"},
    {-1, 0, 0, nullptr},
    {3, IDM_DELETE, TBSTATE_ENABLED, "Delete Message"},
    {-1, 0, 0, nullptr},
    {4, IDM_DELETE_ALL, TBSTATE_ENABLED, "Delete All Messages"},
    {-1, 0, 0, nullptr},
    {5, IDM_SHOW_NETWORK, TBSTATE_ENABLED | TBSTATE_CHECKED, "Show Network [On/Off]"},
};

constexpr ToolbarButton kNetworkToolbar[] = {
    {0, IDM_NEW, TBSTATE_ENABLED, "Send Message To User/Workgroup"},
    {-1, 0, 0, nullptr},
    {2, IDM_RESCAN, 0, "Rescan Network"},
};

// An icon of the toolbars' image lists: its resource, and whether the
// monochrome twin (the look of a disabled button) is wanted.
struct ToolbarPicture {
    int id;
    bool monochrome;
};

constexpr ToolbarPicture kMessagePictures[] = {
    {IDI_NEW, false},        {IDI_VIEW, false},      {IDI_ANSWER, false}, {IDI_DELETE, false},
    {IDI_DELETE_ALL, false}, {IDI_NETWORK, false},   {IDI_VIEW, true},    {IDI_ANSWER, true},
    {IDI_DELETE, true},      {IDI_DELETE_ALL, true},
};

constexpr ToolbarPicture kNetworkPictures[] = {
    {IDI_COMPUTER, false}, {IDI_RESCAN, false}, {IDI_RESCAN, true}, {IDI_COMPUTER, true}};

RECT window_rect_in_client(HWND window, HWND dialog) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Adds icon `id` at `size` to `images`, which keeps its own copy.
void add_icon(HIMAGELIST images, HINSTANCE instance, int id, int size, UINT flags = 0) {
    const UniqueIcon icon(load_icon(instance, id, size, flags));
    if (icon) ImageList_ReplaceIcon(images, -1, icon.get());
}

// A small-icon image list holding icons `ids` in that order; null when it
// cannot be created.
HIMAGELIST small_image_list(HINSTANCE instance, std::initializer_list<int> ids) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLORDDB | ILC_MASK, 2, 3);
    if (!images) return nullptr;
    for (int id : ids)
        add_icon(images, instance, id, 16);
    return images;
}

// Creates the toolbar in the band above `anchor`: from one pixel below the
// client area's top to one pixel above the anchor, as wide as the anchor.
template <size_t PictureCount, size_t ButtonCount>
HWND create_toolbar(HINSTANCE instance, HWND dialog, HWND anchor, UINT image_flags,
                    const ToolbarPicture (&pictures)[PictureCount],
                    const ToolbarButton (&buttons)[ButtonCount], UniqueImageList& images) {
    const RECT band = window_rect_in_client(anchor, dialog);
    const int band_height = band.top - 2;
    HWND toolbar = CreateWindowExA(
        WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | CCS_NORESIZE, band.left, 1,
        band.right - band.left, band_height, dialog, nullptr, instance, nullptr);
    if (!toolbar) return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    // The band, not the toolbar's client area, which its borders make smaller.
    const int size = toolbar_image_size(band_height);
    images.reset(ImageList_Create(size, size, image_flags, 5, 7));
    if (!images) return toolbar;
    for (const ToolbarPicture& picture : pictures)
        add_icon(images.get(), instance, picture.id, size,
                 picture.monochrome ? LR_MONOCHROME : LR_LOADMAP3DCOLORS);
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));

    std::array<TBBUTTON, ButtonCount> tb{};
    for (size_t i = 0; i < ButtonCount; ++i) {
        const bool separator = buttons[i].image < 0;
        tb[i].iBitmap = separator ? 0 : buttons[i].image;
        tb[i].idCommand = buttons[i].command;
        tb[i].fsState = separator ? 0 : buttons[i].state;
        tb[i].fsStyle = separator ? TBSTYLE_SEP : TBSTYLE_BUTTON;
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
    return toolbar;
}

void add_tips(HWND toolbar, const ToolbarButton* buttons, std::initializer_list<int> order) {
    for (int index : order) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = toolbar;
        tool.uId = buttons[index].command;
        SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&tool.rect));
        tool.lpszText = const_cast<char*>(buttons[index].tip);
        SendMessageA(g_main.tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

}  // namespace

HICON load_icon(HINSTANCE instance, int id, int size, UINT flags) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, flags));
}

ColumnWidths message_list_columns(int client_width) {
    const int third = client_width / 3;
    return {third, third, client_width - (2 * client_width) / 3};
}

int toolbar_image_size(int toolbar_client_height) {
    return (2 * toolbar_client_height) / 3;
}

void load_main_icons(HINSTANCE instance) {
    MainIcons& icons = g_main.icons;
    icons.unread = LoadIconA(instance, MAKEINTRESOURCEA(IDI_UNREAD));
    // The caption and the notification area show small icons: take the
    // artwork drawn for that size rather than a shrunk 32 x 32 picture.
    const int small = GetSystemMetrics(SM_CXSMICON);
    icons.unread_small.reset(load_icon(instance, IDI_UNREAD, small));
    icons.tray_unread.reset(load_icon(instance, IDI_TRAY_UNREAD, small));
    icons.tray.reset(load_icon(instance, IDI_TRAY, small));
}

void create_tooltip(HWND dialog) {
    g_main.tooltip = CreateWindowExA(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr, WS_POPUP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     dialog, nullptr, nullptr, nullptr);
}

void set_up_message_list(HINSTANCE instance) {
    if (HIMAGELIST images = small_image_list(instance, {IDI_UNREAD, IDI_READ, IDI_ANSWERED}))
        SendMessageA(g_main.list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    RECT client{};
    if (!GetClientRect(g_main.list, &client)) return;
    const ColumnWidths widths = message_list_columns(client.right - client.left);
    const struct {
        const char* title;
        int width;
    } columns[] = {{"From:", widths.from}, {"To:", widths.to}, {"Time:", widths.time}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = columns[i].width;
        SendMessageA(g_main.list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void create_message_toolbar(HINSTANCE instance, HWND dialog) {
    g_main.message_toolbar =
        create_toolbar(instance, dialog, g_main.list, ILC_COLORDDB | ILC_MASK, kMessagePictures,
                       kMessageToolbar, g_main.message_toolbar_images);
}

void create_network_toolbar(HINSTANCE instance, HWND dialog) {
    g_main.network_toolbar =
        create_toolbar(instance, dialog, g_main.tree, ILC_COLOR32 | ILC_MASK, kNetworkPictures,
                       kNetworkToolbar, g_main.network_toolbar_images);
    if (g_main.network_toolbar) {
        SendMessageA(g_main.network_toolbar, TB_ENABLEBUTTON, IDM_RESCAN, MAKELONG(FALSE, 0));
    }
}

void set_up_network_tree(HINSTANCE instance) {
    g_main.tree_images.reset(small_image_list(instance, {IDI_NETWORK, IDI_COMPUTER}));
    if (g_main.tree_images) {
        SendMessageA(g_main.tree, TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(g_main.tree_images.get()));
    }
}

void create_status_bars(HWND dialog) {
    g_main.status_bar = CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE, 0, 0,
                                        0, 0, dialog, nullptr, nullptr, nullptr);
    if (g_main.status_bar) {
        const RECT list = window_rect_in_client(g_main.list, dialog);
        int edges[2] = {(list.left + list.right) / 2, list.left + list.right};
        SendMessageA(g_main.status_bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    }

    g_main.network_status_bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | CCS_NORESIZE, 0, 0, 0,
                        0, dialog, nullptr, nullptr, nullptr);
    if (g_main.network_status_bar && g_main.status_bar) {
        const RECT tree = window_rect_in_client(g_main.tree, dialog);
        const RECT bar = window_rect_in_client(g_main.status_bar, dialog);
        MoveWindow(g_main.network_status_bar, tree.left, bar.top, tree.right - tree.left,
                   bar.bottom - bar.top, TRUE);
    }
}

void register_toolbar_tips() {
    if (!g_main.tooltip) return;
    if (g_main.message_toolbar)
        add_tips(g_main.message_toolbar, kMessageToolbar, {0, 2, 4, 6, 8, 10});
    if (g_main.network_toolbar) add_tips(g_main.network_toolbar, kNetworkToolbar, {2, 0});
}
