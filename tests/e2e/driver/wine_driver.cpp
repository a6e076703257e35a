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
//   wine_driver menu-rects TIMEOUT_MS N    screen rectangles of N open menus (a sub-menu open)
//   wine_driver window TITLE TIMEOUT_MS    the program's visible window TITLE: its screen
//                                          rectangle, then one line per control inside it:
//                                          CLASS<TAB>LEFT TOP RIGHT BOTTOM<TAB>VISIBLE<TAB>TEXT
//   wine_driver no-window TITLE TIMEOUT_MS waits until no such window is visible
//   wine_driver colour-count L T R B RRGGBB  screen pixels of that colour in the rectangle
//
// Exit code 0 on success, 1 when the thing looked for is not there in time.

#include <windows.h>

#include <algorithm>
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

// Our icon is the only thing in the notification area drawn in pure blue.
int tray_icon()
{
    HDC screen = ::GetDC(nullptr);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = height - 40; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            if (is_blue(::GetPixel(screen, x, y))) {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
            }
    int red = 0;
    for (int y = top - 8; y <= bottom + 8 && right >= 0; ++y)
        for (int x = left - 8; x <= right + 8; ++x)
            red += is_red(::GetPixel(screen, x, y));
    ::ReleaseDC(nullptr, screen);
    char line[64];
    if (right < 0)
        std::snprintf(line, sizeof line, "none\n");
    else
        std::snprintf(line, sizeof line, "%d %d %d\n", (left + right) / 2, (top + bottom) / 2, red);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    return 0;
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

void print_line(const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string rect_text(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    char text[64];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
    return text;
}

BOOL CALLBACK print_control(HWND child, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    print_line(std::string(cls) + '\t' + rect_text(child) + '\t' + (::IsWindowVisible(child) ? "1" : "0") + '\t');
    print_utf8(text_of(child).c_str());
    print_line("\n");
    return TRUE;
}

BOOL CALLBACK collect_menu(HWND hwnd, LPARAM list)
{
    char cls[16] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32768") == 0 && ::IsWindowVisible(hwnd))
        reinterpret_cast<std::string*>(list)->append(rect_text(hwnd) + "\n");
    return TRUE;
}

int count_colour(int left, int top, int right, int bottom, unsigned long rgb)
{
    HDC screen = ::GetDC(nullptr);
    const COLORREF wanted = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += ::GetPixel(screen, x, y) == wanted;
    ::ReleaseDC(nullptr, screen);
    print_line(std::to_string(count) + "\n");
    return 0;
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
    if (command == "screenshot" && argc > 2)
        return screenshot(argv[2]);
    if (command == "menu-rects" && argc > 3) {
        const DWORD start = ::GetTickCount();
        const int wanted = std::atoi(argv[3]);
        do {
            std::string rects;
            ::EnumWindows(collect_menu, reinterpret_cast<LPARAM>(&rects));
            if (std::count(rects.begin(), rects.end(), '\n') >= wanted) {
                print_line(rects);
                return 0;
            }
            ::Sleep(50);
        } while (::GetTickCount() - start < number);
        return 1;
    }
    if ((command == "window" || command == "no-window") && argc > 3) {
        const DWORD timeout = static_cast<DWORD>(std::atol(argv[3]));
        if (command == "no-window") {
            const DWORD start = ::GetTickCount();
            while (find_visible(nullptr, argv[2])) {
                if (::GetTickCount() - start > timeout)
                    return 1;
                ::Sleep(50);
            }
            return 0;
        }
        HWND window = wait_for(nullptr, argv[2], timeout);
        if (!window)
            return 1;
        print_line(rect_text(window) + "\n");
        ::EnumChildWindows(window, print_control, 0);
        return 0;
    }
    if (command == "colour-count" && argc > 6)
        return count_colour(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                            std::strtoul(argv[6], nullptr, 16));
    return 2;
}
