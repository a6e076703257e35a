#pragma once

#include <windows.h>

#include <deque>
#include <functional>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

// Tasks run on the thread's message queue after the messages already in it,
// through a message-only window of their own. A quit message that comes first
// ends the loop before them: they never run.
class PostedTasks {
public:
    explicit PostedTasks(HINSTANCE instance);
    PostedTasks(const PostedTasks&) = delete;
    PostedTasks& operator=(const PostedTasks&) = delete;

    void post(std::function<void()> task);

private:
    friend LRESULT CALLBACK window_procedure<PostedTasks>(HWND, UINT, WPARAM, LPARAM);
    LRESULT window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void window_destroyed() { window_.release(); }

    std::deque<std::function<void()>> tasks_;
    UniqueWindow window_;
};

} // namespace platform::win32
