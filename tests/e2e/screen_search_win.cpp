// Finding an icon's picture on the screen (Windows only, test support).
#include "e2e/screen_search_win.h"

#include <cstdint>
#include <vector>

namespace {

// Pixels of a rectangle of `source` (a DC), as 0x00RRGGBB, top row first.
std::vector<uint32_t> grab(HDC source, int x, int y, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = p[i] & 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return pixels;
}

}  // namespace

RECT tray_area() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    return {width - 160, height - 40, width, height};
}

bool screen_shows_icon(HICON icon, int size, const RECT& area) {
    HDC screen = GetDC(nullptr);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const std::vector<uint32_t> region = grab(screen, area.left, area.top, width, height);

    // The icon as the shell draws it: over the area's own background.
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(memory, canvas);
    const uint32_t background =
        region.empty() ? 0 : region[static_cast<size_t>(height - 1) * width];
    HBRUSH brush =
        CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
    RECT all{0, 0, size, size};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    const std::vector<uint32_t> picture = grab(memory, 0, 0, size, size);
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    for (int y = 0; y + size <= height; ++y) {
        for (int x = 0; x + size <= width; ++x) {
            bool same = true;
            for (int row = 0; row < size && same; ++row) {
                const uint32_t* a = &region[static_cast<size_t>(y + row) * width + x];
                const uint32_t* b = &picture[static_cast<size_t>(row) * size];
                for (int col = 0; col < size && same; ++col)
                    same = a[col] == b[col];
            }
            if (same) return true;
        }
    }
    return false;
}
