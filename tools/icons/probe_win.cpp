// Icon probe (Windows-only tool): draws its linked icons as the program loads them, to files.
//
// Usage: probe.exe OUT_DIR ID...
// The icons are linked into the probe as resources, as into the program. For every id, size and
// way of loading it draws the icon on a button face and writes OUT_DIR\icon_<id>_<way>_<size>.rgb
// (size x size x 3 bytes, rows top down). The ways:
//   ddb   LoadImageA with LR_LOADMAP3DCOLORS into an ILC_COLORDDB | ILC_MASK image list
//   mono  LoadImageA with LR_MONOCHROME into the same kind of image list (the disabled look)
//   c32   LoadImageA with LR_LOADMAP3DCOLORS into an ILC_COLOR32 | ILC_MASK image list
//   icon  LoadImageA with no flags, drawn straight with DrawIconEx (window and tray icons)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kFace = RGB(236, 233, 226);

struct IconHandle {
    HICON h;
    explicit IconHandle(HICON icon) : h(icon) {}
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    ~IconHandle() {
        if (h) DestroyIcon(h);
    }
};

struct ImageListHandle {
    HIMAGELIST h;
    explicit ImageListHandle(HIMAGELIST list) : h(list) {}
    ImageListHandle(const ImageListHandle&) = delete;
    ImageListHandle& operator=(const ImageListHandle&) = delete;
    ~ImageListHandle() {
        if (h) ImageList_Destroy(h);
    }
};

// A size x size 32-bit top-down DIB section selected into a memory DC, filled with the face colour.
class Canvas {
public:
    explicit Canvas(int size) : size_(size), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = size;
        bi.bmiHeader.biHeight = -size;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < size * size; ++i)
            bits_[i] = (GetRValue(kFace) << 16) | (GetGValue(kFace) << 8) | GetBValue(kFace);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    bool save(const std::string& path) const {
        GdiFlush();
        std::vector<unsigned char> rgb;
        for (int i = 0; i < size_ * size_; ++i) {
            rgb.push_back(static_cast<unsigned char>(bits_[i] >> 16));
            rgb.push_back(static_cast<unsigned char>(bits_[i] >> 8));
            rgb.push_back(static_cast<unsigned char>(bits_[i]));
        }
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    int size_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

HICON load_icon(int id, int size, UINT flags) {
    return static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, flags));
}

bool draw_through_list(int id, int size, UINT load_flags, UINT list_flags, const Canvas& canvas) {
    IconHandle icon(load_icon(id, size, load_flags));
    if (!icon.h) return false;
    ImageListHandle list(ImageList_Create(size, size, list_flags, 1, 1));
    if (!list.h || ImageList_ReplaceIcon(list.h, -1, icon.h) < 0) return false;
    return ImageList_Draw(list.h, 0, canvas.dc(), 0, 0, ILD_NORMAL) != FALSE;
}

bool draw_direct(int id, int size, const Canvas& canvas) {
    IconHandle icon(load_icon(id, size, 0));
    return icon.h && DrawIconEx(canvas.dc(), 0, 0, icon.h, size, size, 0, nullptr, DI_NORMAL);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: probe OUT_DIR ID...\n");
        return 2;
    }
    InitCommonControls();
    const std::string out = argv[1];
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string id_text = argv[i];
        const int id = std::atoi(argv[i]);
        for (int size : {16, 20, 24, 32, 48}) {
            struct Way {
                const char* name;
                UINT load;
                UINT list;
            };
            for (const Way& way :
                 {Way{"ddb", LR_LOADMAP3DCOLORS, ILC_COLORDDB | ILC_MASK},
                  Way{"mono", LR_MONOCHROME, ILC_COLORDDB | ILC_MASK},
                  Way{"c32", LR_LOADMAP3DCOLORS, ILC_COLOR32 | ILC_MASK}, Way{"icon", 0, 0}}) {
                Canvas canvas(size);
                bool drawn = way.list ? draw_through_list(id, size, way.load, way.list, canvas)
                                      : draw_direct(id, size, canvas);
                std::string path = out + "\\icon_" + id_text + "_" + way.name + "_" +
                                   std::to_string(size) + ".rgb";
                if (!drawn || !canvas.save(path)) {
                    std::fprintf(stderr, "icon %d: %s at %d failed\n", id, way.name, size);
                    ++failures;
                }
            }
        }
    }
    return failures ? 1 : 0;
}
