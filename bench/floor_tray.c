/* The floor: the smallest tray program there is. A hidden window, one icon
   in the notification area, a message loop. Built with the same toolchain
   and flags as varnhollow.exe so that the benchmark can tell what the
   program itself costs. Ends on WM_CLOSE. */

#include <windows.h>
#include <shellapi.h>

#define ICON_ID 1

static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    WNDCLASSA window_class = {0};
    NOTIFYICONDATAA icon = {0};
    MSG message;
    HWND hwnd;
    (void)previous;
    (void)command_line;
    (void)show;

    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = "FloorTray";
    RegisterClassA(&window_class);
    hwnd = CreateWindowExA(0, "FloorTray", "FloorTray", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL, instance, NULL);

    icon.cbSize = 88;
    icon.hWnd = hwnd;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_MOUSEMOVE;
    icon.hIcon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(ICON_ID), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    lstrcpynA(icon.szTip, "Floor", sizeof icon.szTip);
    Shell_NotifyIconA(NIM_ADD, &icon);

    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
