// Drives the program from outside as a user would, inside the same Wine
// desktop: reads and answers message boxes, finds the popup menu, looks at
// the tray icon's pixels. Texts are printed in UTF-8.
//
//   wine_driver box-text TIMEOUT_MS        text of the program's message box
//   wine_driver box-buttons TIMEOUT_MS     its button captions, one a line
//   wine_driver click-box ID               presses button ID (1 OK, 6 Yes, 7 No)
//   wine_driver no-box MS                  fails if a box shows within MS
//   wine_driver menu-rect TIMEOUT_MS       screen rectangle of the open popup menu
//   wine_driver no-menu TIMEOUT_MS         waits until no popup menu is open
//   wine_driver tooltip TIMEOUT_MS         text of the tooltip on show
//   wine_driver tray-icon                  "X Y RED" of our icon, or "none"
//   wine_driver screenshot FILE.bmp        the whole desktop, for a person to look at
//   wine_driver follow-time START TIMEOUT_MS  sets USBSTOR Start, prints the ms until
//                                          the tray icon shows that state
//   wine_driver window TIMEOUT_MS TITLE    waits for a visible window of that title
//   wine_driver post-quit                  posts WM_QUIT to the thread of the program's
//                                          hidden main window, as any process may
//
// Exit code 0 on success, 1 when the thing looked for is not there in time.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const TITLE = "Varnhollow";

void print_utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring text_of(HWND control)
{
    wchar_t buffer[4096] = {};
    ::SendMessageW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

HWND find_visible(const char* window_class, const char* title)
{
    HWND found = nullptr;
    while ((found = ::FindWindowExA(nullptr, found, window_class, title)) != nullptr)
        if (::IsWindowVisible(found))
            return found;
    return nullptr;
}

HWND wait_for(const char* window_class, const char* title, DWORD timeout)
{
    const DWORD start = ::GetTickCount();
    do {
        if (HWND hwnd = find_visible(window_class, title))
            return hwnd;
        ::Sleep(50);
    } while (::GetTickCount() - start < timeout);
    return nullptr;
}

BOOL CALLBACK print_button(HWND child, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Button") == 0 && ::IsWindowVisible(child)) {
        print_utf8(text_of(child).c_str());
        print_utf8(L"\n");
    }
    return TRUE;
}

bool is_red(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

bool is_blue(COLORREF c)
{
    return GetBValue(c) > 200 && GetRValue(c) < 80 && GetGValue(c) < 80;
}

struct TrayIcon {
    bool found = false;
    int x = 0;
    int y = 0;
    int red = 0; // pixels of the band around the icon
};

// The bottom strip of the screen, copied once: reading it pixel by pixel
// from the screen costs a round trip each under Wine.
class ScreenStrip {
public:
    ScreenStrip(int left, int top, int width, int height) : left_(left), top_(top), width_(width), height_(height)
    {
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<const std::uint32_t*>(bits);
        HGDIOBJ old = ::SelectObject(memory, bitmap_);
        ::BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
    }
    ~ScreenStrip() { ::DeleteObject(bitmap_); }
    ScreenStrip(const ScreenStrip&) = delete;
    ScreenStrip& operator=(const ScreenStrip&) = delete;

    // The colour at screen coordinates; black outside the strip.
    COLORREF at(int x, int y) const
    {
        x -= left_;
        y -= top_;
        if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_)
            return 0;
        const std::uint32_t p = pixels_[y * width_ + x]; // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int left_, top_, width_, height_;
    HBITMAP bitmap_ = nullptr;
    const std::uint32_t* pixels_ = nullptr;
};

// Our icon is the only thing in the notification area drawn in pure blue.
TrayIcon find_tray_icon()
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    const ScreenStrip strip(width / 2 - 8, height - 48, width / 2 + 8, 48);
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = height - 40; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            if (is_blue(strip.at(x, y))) {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
            }
    int red = 0;
    for (int y = top - 8; y <= bottom + 8 && right >= 0; ++y)
        for (int x = left - 8; x <= right + 8; ++x)
            red += is_red(strip.at(x, y));
    if (right < 0)
        return {};
    return {true, (left + right) / 2, (top + bottom) / 2, red};
}

int tray_icon()
{
    const TrayIcon icon = find_tray_icon();
    char line[64];
    if (!icon.found)
        std::snprintf(line, sizeof line, "none\n");
    else
        std::snprintf(line, sizeof line, "%d %d %d\n", icon.x, icon.y, icon.red);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    return 0;
}

// Sets USBSTOR Start from this process, then looks at the tray until the
// icon shows the state that value means; prints the milliseconds it took.
int follow_time(DWORD start, DWORD timeout)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\USBSTOR", 0, KEY_SET_VALUE,
                        &key) != ERROR_SUCCESS)
        return 1;
    const DWORD began = ::GetTickCount();
    const LONG status =
        ::RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start), sizeof start);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 1;
    const bool locked = start == 4;
    do {
        const TrayIcon icon = find_tray_icon();
        if (icon.found && (icon.red > 20) == locked) {
            std::printf("%lu\n", static_cast<unsigned long>(::GetTickCount() - began));
            return 0;
        }
        ::Sleep(10);
    } while (::GetTickCount() - began < timeout);
    return 1;
}

int screenshot(const char* path)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD image_size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + image_size;
    FILE* out = std::fopen(path, "wb");
    if (out) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, image_size, 1, out);
        std::fclose(out);
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    const DWORD number = argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 0;

    if (command == "box-text" || command == "box-buttons") {
        HWND box = wait_for("#32770", TITLE, number);
        if (!box)
            return 1;
        if (command == "box-text")
            print_utf8(text_of(::GetDlgItem(box, 0xFFFF)).c_str());
        else
            ::EnumChildWindows(box, print_button, 0);
        return 0;
    }
    if (command == "click-box") {
        HWND box = wait_for("#32770", TITLE, 5000);
        HWND button = box ? ::GetDlgItem(box, static_cast<int>(number)) : nullptr;
        if (!button)
            return 1;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(number, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return 0;
    }
    if (command == "no-box")
        return wait_for("#32770", TITLE, number) ? 1 : 0;
    if (command == "menu-rect") {
        HWND menu = wait_for("#32768", nullptr, number);
        if (!menu)
            return 1;
        RECT r;
        ::GetWindowRect(menu, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (command == "no-menu") {
        const DWORD start = ::GetTickCount();
        while (find_visible("#32768", nullptr)) {
            if (::GetTickCount() - start > number)
                return 1;
            ::Sleep(50);
        }
        return 0;
    }
    if (command == "tooltip") {
        const DWORD start = ::GetTickCount();
        do {
            HWND tip = find_visible("tooltips_class32", nullptr);
            if (tip && !text_of(tip).empty()) {
                print_utf8(text_of(tip).c_str());
                return 0;
            }
            ::Sleep(50);
        } while (::GetTickCount() - start < number);
        return 1;
    }
    if (command == "tray-icon")
        return tray_icon();
    if (command == "follow-time" && argc > 3)
        return follow_time(number, static_cast<DWORD>(std::atol(argv[3])));
    if (command == "window" && argc > 3)
        return wait_for(nullptr, argv[3], number) ? 0 : 1;
    if (command == "post-quit") {
        HWND main_window = ::FindWindowExA(nullptr, nullptr, "VarnhollowForm", TITLE);
        const DWORD thread = main_window ? ::GetWindowThreadProcessId(main_window, nullptr) : 0;
        return thread && ::PostThreadMessageA(thread, WM_QUIT, 0, 0) ? 0 : 1;
    }
    if (command == "screenshot" && argc > 2)
        return screenshot(argv[2]);
    return 2;
}
