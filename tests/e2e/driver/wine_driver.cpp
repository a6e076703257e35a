// Drives the program from outside as a user would, inside the same Wine
// desktop: reads and answers message boxes, finds the popup menu, looks at
// the tray icon's pixels. Texts are printed in UTF-8.
//
//   wine_driver box-text TIMEOUT_MS        text of the program's message box
//   wine_driver box-buttons TIMEOUT_MS     its button captions, one a line
//   wine_driver box-default TIMEOUT_MS     the caption of its default button
//   wine_driver box-icon TIMEOUT_MS        its icon: error, warning, question, information or none
//   wine_driver click-box ID               presses button ID (1 OK, 6 Yes, 7 No)
//   wine_driver no-box MS                  fails if a box shows within MS
//   wine_driver menu-rect TIMEOUT_MS       screen rectangle of the open popup menu
//   wine_driver no-menu TIMEOUT_MS         waits until no popup menu is open
//   wine_driver tooltip TIMEOUT_MS         text of the tooltip on show
//   wine_driver tray-icon                  "X Y RED" of our icon, or "none"
//   wine_driver screenshot FILE.bmp        the whole desktop, for a person to look at
//   wine_driver start-to-icon EXE TIMEOUT_MS   starts EXE, prints ms until an icon shows
//   wine_driver click-and-wait-start X Y VALUE TIMEOUT_MS
//                                          clicks X Y, prints ms until USBSTOR Start = VALUE
//   wine_driver follow-time START TIMEOUT_MS  sets USBSTOR Start, prints the ms until
//                                          the tray icon shows that state
//   wine_driver post-quit                  posts WM_QUIT to the thread of the program's
//                                          hidden main window, as any process may
//   wine_driver menu-rects TIMEOUT_MS      rectangles of every open popup menu, one a line
//   wine_driver window TITLE TIMEOUT_MS    outer size of the window, then its controls:
//                                          class|text|shown|enabled|x y w h (client pixels);
//                                          shown: visible and inside the window's client area
//   wine_driver no-window TITLE TIMEOUT_MS waits until no such window is visible
//   wine_driver focus TITLE                the focused control: class x y
//   wine_driver type TITLE TEXT            types TEXT (Windows-1252) into the focused control
//   wine_driver key TITLE enter|tab|escape presses a key in the focused control
//   wine_driver click-button TITLE CAPTION presses the shown button with that caption
//   wine_driver close TITLE                the window's close box
//   wine_driver browser LOG URL            a stand-in web browser: appends URL to LOG
//   wine_driver screen-rect TITLE [CLASS [TEXT]]  "LEFT TOP RIGHT BOTTOM" on the screen of the
//                                          window, or of its first visible control of that
//                                          class (and text)
//   wine_driver colour-count L T R B RRGGBB  screen pixels of that colour in the rectangle
//   wine_driver mouse-message X Y MESSAGE  posts the mouse message (hex) to the window at
//                                          screen X Y, as the system does for a click there
//   wine_driver dpi                        the screen's logical resolution: "X Y" dots per inch
//   wine_driver tray-key context|enter     what the shell sends the icon's window when a keyboard
//                                          user selects the icon and presses Shift+F10 or the
//                                          context-menu key (context), or Enter (enter)
//   wine_driver menu-key down|enter|CHAR   a key for the open popup menu: an arrow, Enter or
//                                          the character of an underlined letter
//   wine_driver client-size TITLE          width and height of the window's client area
//   wine_driver window-fit TITLE           fits|Title|title|text w h|room w h: the title in the
//                                          caption font against its room in the title bar, then
//                                          "outside|class|text|..." for each shown control but a
//                                          label that leaves its window or frame; exit code 1
//                                          when the title is cut or a control is outside
//   wine_driver set-text TITLE TEXT        sets the focused control's text with WM_SETTEXT,
//                                          as any program of the desktop may
//
// Exit code 0 on success, 1 when the thing looked for is not there in time.

#include <windows.h>
#include <shellapi.h>

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

BOOL CALLBACK print_default_button(HWND child, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(cls, "Button") == 0 && ::IsWindowVisible(child) && (style & 0x0F) == BS_DEFPUSHBUTTON)
        print_utf8(text_of(child).c_str());
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

double milliseconds_since(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Starts a program and prints the milliseconds until its icon is in the tray.
int start_to_icon(const char* program, DWORD timeout)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = std::string("\"") + program + "\"";
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    while (milliseconds_since(start) < timeout) {
        if (find_tray_icon().found) {
            std::printf("%.1f\n", milliseconds_since(start));
            return 0;
        }
        ::Sleep(1);
    }
    return 1;
}

// Runs the command line held by a file, exactly as written there (as an
// installer's custom action starts a program), waits for it to end and
// returns its exit code; 255 when it could not be started, 254 when it had
// not ended within 30 s.
int run_line(const char* file_holding_the_line)
{
    std::string line;
    if (FILE* file = std::fopen(file_holding_the_line, "rb")) {
        char chunk[512];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            line.append(chunk, got);
        std::fclose(file);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (line.empty() ||
        !::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 255;
    ::CloseHandle(process.hThread);
    DWORD code = 254; // still running after 30 s: stuck
    if (::WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

DWORD usbstor_start()
{
    HKEY key = nullptr;
    DWORD value = 0, size = sizeof value;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\USBSTOR", 0, KEY_QUERY_VALUE,
                        &key) == ERROR_SUCCESS) {
        ::RegQueryValueExA(key, "Start", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        ::RegCloseKey(key);
    }
    return value;
}

// Clicks the screen point and prints the milliseconds until USBSTOR Start
// holds the value.
int click_and_wait_start(int x, int y, DWORD value, DWORD timeout)
{
    ::SetCursorPos(x, y);
    ::Sleep(200);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    ::SendInput(2, clicks, sizeof clicks[0]);
    while (milliseconds_since(start) < timeout) {
        if (usbstor_start() == value) {
            std::printf("%.1f\n", milliseconds_since(start));
            return 0;
        }
    }
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

// Icon handles are per process, so the box's icon is recognised by its
// pixels: each system icon is drawn here on the box's background and compared.
const wchar_t* box_icon(HWND box)
{
    HWND control = ::GetDlgItem(box, 0x0440);
    if (!control || !::IsWindowVisible(control) || !::SendMessageA(control, STM_GETICON, 0, 0))
        return L"none";
    RECT r;
    ::GetWindowRect(control, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    HBRUSH background = ::CreateSolidBrush(::GetPixel(screen, r.left, r.top));
    const struct {
        LPCSTR id;
        const wchar_t* name;
    } icons[] = {{IDI_HAND, L"error"}, {IDI_EXCLAMATION, L"warning"}, {IDI_QUESTION, L"question"},
                 {IDI_ASTERISK, L"information"}};
    const wchar_t* best = L"other";
    int fewest = width * height / 20; // at most 5 % of the pixels may differ
    for (const auto& icon : icons) {
        const RECT all{0, 0, width, height};
        ::FillRect(memory, &all, background);
        ::DrawIconEx(memory, 0, 0, ::LoadIconA(nullptr, icon.id), 0, 0, 0, nullptr, DI_NORMAL);
        int different = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                different += ::GetPixel(memory, x, y) != ::GetPixel(screen, r.left + x, r.top + y);
        if (different < fewest) {
            fewest = different;
            best = icon.name;
        }
    }
    ::DeleteObject(background);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return best;
}

BOOL CALLBACK print_menu_rect(HWND hwnd, LPARAM)
{
    char cls[16] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32768") == 0 && ::IsWindowVisible(hwnd)) {
        RECT r;
        ::GetWindowRect(hwnd, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    }
    return TRUE;
}

std::string class_of(HWND hwnd)
{
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

// A control's rectangle in its window's client coordinates.
RECT client_rect_of(HWND control)
{
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Visible and not cut off at the bottom of the client area: what the user
// can see.
bool shown_to_user(HWND control)
{
    RECT client;
    ::GetClientRect(::GetParent(control), &client);
    const RECT r = client_rect_of(control);
    return ::IsWindowVisible(control) && r.bottom <= client.bottom && r.left < client.right;
}

BOOL CALLBACK print_control(HWND child, LPARAM)
{
    const RECT r = client_rect_of(child);
    std::printf("%s|", class_of(child).c_str());
    std::fflush(stdout);
    print_utf8(text_of(child).c_str());
    std::printf("|%d|%d|%ld %ld %ld %ld\n", shown_to_user(child) ? 1 : 0, ::IsWindowEnabled(child) ? 1 : 0, r.left,
                r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    return TRUE;
}

HWND focus_in(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus && ::GetAncestor(info.hwndFocus, GA_ROOT) == window ? info.hwndFocus : nullptr;
}

struct ButtonSearch {
    std::wstring caption;
    HWND found;
};

BOOL CALLBACK find_button(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    if (_stricmp(class_of(child).c_str(), "Button") == 0 && shown_to_user(child) && text_of(child) == search->caption) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

std::wstring wide(const char* ansi)
{
    wchar_t buffer[256] = {};
    ::MultiByteToWideChar(CP_ACP, 0, ansi, -1, buffer, 256);
    return buffer;
}

void press(HWND target, UINT key)
{
    const UINT scan = ::MapVirtualKeyA(key, 0);
    ::PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16));
    ::PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

struct ControlSearch {
    std::string window_class;
    const char* text;
    HWND found;
};

BOOL CALLBACK find_control(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<ControlSearch*>(data);
    if (class_of(child) == search->window_class && ::IsWindowVisible(child) &&
        (!search->text || text_of(child) == wide(search->text))) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

int screen_rect(HWND window, int argc, char** argv)
{
    HWND target = window;
    if (argc > 3) {
        ControlSearch search{argv[3], argc > 4 ? argv[4] : nullptr, nullptr};
        ::EnumChildWindows(window, find_control, reinterpret_cast<LPARAM>(&search));
        target = search.found;
    }
    if (!target)
        return 1;
    RECT r;
    ::GetWindowRect(target, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

int count_colour(char** argv)
{
    const unsigned long rgb = std::strtoul(argv[6], nullptr, 16);
    const COLORREF wanted = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    HDC screen = ::GetDC(nullptr);
    int count = 0;
    for (int y = std::atoi(argv[3]); y < std::atoi(argv[5]); ++y)
        for (int x = std::atoi(argv[2]); x < std::atoi(argv[4]); ++x)
            count += ::GetPixel(screen, x, y) == wanted;
    ::ReleaseDC(nullptr, screen);
    std::printf("%d\n", count);
    return 0;
}

// --- whether a window shows its title and its controls whole ----------------
// (Font handles belong to their process: the labels' own fonts are measured
// by the test program that shows the windows, tests/win32/window_texts_test.)

// The title bar's text runs from after the window's small icon to before its
// close box; measured with the system's caption font.
bool title_fits(HWND window)
{
    const auto style = static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE));
    if ((style & WS_CAPTION) != WS_CAPTION)
        return true;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT caption_font = ::CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, caption_font);
    char title[256] = {};
    const int length = ::GetWindowTextA(window, title, sizeof title);
    SIZE size{};
    ::GetTextExtentPoint32A(dc, title, length, &size);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(caption_font);
    RECT outer, client;
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    const int border = (outer.right - outer.left - client.right) / 2;
    const int icon = (style & WS_SYSMENU) ? ::GetSystemMetrics(SM_CXSMICON) + 2 : 0;
    const int close_box = (style & WS_SYSMENU) ? ::GetSystemMetrics(SM_CXSIZE) : 0;
    const int room = outer.right - outer.left - 2 * border - icon - close_box - 2;
    std::printf("%s|Title|%s|%ld %ld|%d %d\n", size.cx <= room ? "fits" : "cut", title, size.cx, size.cy, room,
                metrics.iCaptionHeight);
    return size.cx <= room && size.cy <= metrics.iCaptionHeight;
}

// A label may reach past its window's edge by design (its text is checked
// where it is seen); every other shown control lies wholly inside its window
// or frame.
BOOL CALLBACK check_control_inside(HWND child, LPARAM data)
{
    if (!shown_to_user(child) || class_of(child) == "Static")
        return TRUE;
    RECT room;
    ::GetClientRect(::GetParent(child), &room);
    const RECT r = client_rect_of(child);
    if (r.left >= 0 && r.top >= 0 && r.right <= room.right && r.bottom <= room.bottom)
        return TRUE;
    *reinterpret_cast<bool*>(data) = false;
    std::printf("outside|%s|", class_of(child).c_str());
    std::fflush(stdout);
    print_utf8(text_of(child).c_str());
    std::printf("|%ld %ld %ld %ld|%ld %ld\n", r.left, r.top, r.right, r.bottom, room.right, room.bottom);
    return TRUE;
}

int window_fit(HWND window)
{
    bool inside = true;
    const bool title = title_fits(window);
    ::EnumChildWindows(window, check_control_inside, reinterpret_cast<LPARAM>(&inside));
    std::fflush(stdout);
    return title && inside ? 0 : 1;
}

// What the system posts for a click it has already classified: lets the bench
// give the tray icon a right-button double-click without racing the clock.
int mouse_message(int x, int y, UINT message)
{
    const POINT at{x, y};
    HWND target = ::WindowFromPoint(at);
    if (!target)
        return 1;
    POINT client = at;
    ::ScreenToClient(target, &client);
    const WPARAM keys = message == WM_RBUTTONDBLCLK || message == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
    return ::PostMessageA(target, message, keys, MAKELPARAM(client.x, client.y)) ? 0 : 1;
}

// The program's tray window, which hears the icon's notifications.
HWND tray_window()
{
    return ::FindWindowExA(nullptr, nullptr, "VarnhollowTray", nullptr);
}

// The notification area tells the icon's window with its callback message
// (WM_APP + 1 here), the icon's id and, with version 3, the action.
int tray_key(const std::string& key)
{
    const LPARAM action = key == "context" ? WM_CONTEXTMENU : NIN_KEYSELECT;
    HWND tray = tray_window();
    return tray && ::PostMessageA(tray, WM_APP + 1, 1, action) ? 0 : 1;
}

// The popup menu's own loop takes the keys of its thread, whichever window
// they are posted to.
int menu_key(const std::string& key)
{
    HWND tray = tray_window();
    if (!tray || !find_visible("#32768", nullptr))
        return 1;
    if (key == "down" || key == "enter") {
        const WPARAM virtual_key = key == "down" ? VK_DOWN : VK_RETURN;
        ::PostMessageA(tray, WM_KEYDOWN, virtual_key, 1);
        ::PostMessageA(tray, WM_KEYUP, virtual_key, 0xC0000001);
        return 0;
    }
    return key.size() == 1 && ::PostMessageA(tray, WM_CHAR, static_cast<unsigned char>(key[0]), 1) ? 0 : 1;
}

int window_command(const std::string& command, int argc, char** argv)
{
    const char* title = argv[2];
    const DWORD timeout = argc > 3 ? static_cast<DWORD>(std::atol(argv[3])) : 0;
    if (command == "no-window") {
        const DWORD start = ::GetTickCount();
        while (find_visible(nullptr, title)) {
            if (::GetTickCount() - start > timeout)
                return 1;
            ::Sleep(50);
        }
        return 0;
    }
    HWND window = wait_for(nullptr, title, command == "window" ? timeout : 5000);
    if (!window)
        return 1;
    if (command == "window") {
        RECT r;
        ::GetWindowRect(window, &r);
        std::printf("%ld %ld\n", r.right - r.left, r.bottom - r.top);
        std::fflush(stdout);
        ::EnumChildWindows(window, print_control, 0);
        return 0;
    }
    if (command == "screen-rect")
        return screen_rect(window, argc, argv);
    if (command == "client-size") {
        RECT client;
        ::GetClientRect(window, &client);
        std::printf("%ld %ld\n", client.right, client.bottom);
        return 0;
    }
    if (command == "window-fit")
        return window_fit(window);
    if (command == "close") {
        ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (command == "click-button" && argc > 3) {
        ButtonSearch search{wide(argv[3]), nullptr};
        ::EnumChildWindows(window, find_button, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            return 1;
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(search.found), BN_CLICKED),
                       reinterpret_cast<LPARAM>(search.found));
        return 0;
    }
    HWND focus = focus_in(window);
    if (!focus)
        return 1;
    if (command == "focus") {
        const RECT r = client_rect_of(focus);
        std::printf("%s %ld %ld\n", class_of(focus).c_str(), r.left, r.top);
        return 0;
    }
    if (command == "type" && argc > 3) {
        for (const char* c = argv[3]; *c; ++c)
            ::PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(*c), 1);
        return 0;
    }
    if (command == "set-text" && argc > 3) {
        ::SendMessageA(focus, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        return 0;
    }
    if (command == "key" && argc > 3) {
        const std::string key = argv[3];
        press(focus, key == "enter" ? VK_RETURN : key == "tab" ? VK_TAB : VK_ESCAPE);
        return 0;
    }
    return 2;
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
    if (command == "box-default") {
        HWND box = wait_for("#32770", TITLE, number);
        if (!box)
            return 1;
        ::EnumChildWindows(box, print_default_button, 0);
        return 0;
    }
    if (command == "box-icon") {
        HWND box = wait_for("#32770", TITLE, number);
        if (!box)
            return 1;
        ::Sleep(300); // let it paint
        print_utf8(box_icon(box));
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
    if (command == "mouse-message" && argc > 4)
        return mouse_message(std::atoi(argv[2]), std::atoi(argv[3]),
                             static_cast<UINT>(std::strtoul(argv[4], nullptr, 16)));
    if (command == "colour-count" && argc > 6)
        return count_colour(argv);
    if (command == "start-to-icon" && argc > 3)
        return start_to_icon(argv[2], static_cast<DWORD>(std::atol(argv[3])));
    if (command == "click-and-wait-start" && argc > 5)
        return click_and_wait_start(std::atoi(argv[2]), std::atoi(argv[3]), static_cast<DWORD>(std::atol(argv[4])),
                                    static_cast<DWORD>(std::atol(argv[5])));
    if (command == "browser" && argc > 3) {
        FILE* log = std::fopen(argv[2], "ab");
        if (!log)
            return 1;
        std::fprintf(log, "%s\n", argv[3]);
        std::fclose(log);
        return 0;
    }
    if (command == "run-line" && argc > 2)
        return run_line(argv[2]);
    if (command == "follow-time" && argc > 3)
        return follow_time(number, static_cast<DWORD>(std::atol(argv[3])));
    if (command == "post-quit") {
        HWND main_window = ::FindWindowExA(nullptr, nullptr, "VarnhollowForm", TITLE);
        const DWORD thread = main_window ? ::GetWindowThreadProcessId(main_window, nullptr) : 0;
        return thread && ::PostThreadMessageA(thread, WM_QUIT, 0, 0) ? 0 : 1;
    }
    if (command == "tray-key" && argc > 2)
        return tray_key(argv[2]);
    if (command == "menu-key" && argc > 2)
        return menu_key(argv[2]);
    if (command == "dpi") {
        HDC screen = ::GetDC(nullptr);
        std::printf("%d %d\n", ::GetDeviceCaps(screen, LOGPIXELSX), ::GetDeviceCaps(screen, LOGPIXELSY));
        ::ReleaseDC(nullptr, screen);
        return 0;
    }
    if (command == "screenshot" && argc > 2)
        return screenshot(argv[2]);
    if (command == "menu-rects") {
        const DWORD start = ::GetTickCount();
        while (!find_visible("#32768", nullptr) && ::GetTickCount() - start < number)
            ::Sleep(50);
        ::EnumWindows(print_menu_rect, 0);
        return 0;
    }
    if (argc > 2 && (command == "window" || command == "no-window" || command == "focus" || command == "type" ||
                     command == "key" || command == "set-text" || command == "click-button" || command == "close" ||
                     command == "screen-rect" || command == "client-size" || command == "window-fit"))
        return window_command(command, argc, argv);
    return 2;
}
