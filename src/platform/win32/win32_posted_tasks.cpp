#include "platform/win32/win32_posted_tasks.h"

#include <utility>

namespace platform::win32 {

namespace {

constexpr char TASKS_CLASS[] = "VarnhollowTasks";
constexpr UINT RUN_TASK_MESSAGE = WM_APP;

} // namespace

PostedTasks::PostedTasks(HINSTANCE instance)
{
    register_window_class(instance, {.name = TASKS_CLASS, .procedure = window_procedure<PostedTasks>});
    window_.reset(::CreateWindowExA(0, TASKS_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
}

// One message per task, so the tasks keep their place among the messages.
// A task that cannot be queued is dropped: what it would have done stays
// undone, which every task the program posts allows for.
void PostedTasks::post(std::function<void()> task)
{
    tasks_.push_back(std::move(task));
    if (!window_ || !::PostMessageA(window_.get(), RUN_TASK_MESSAGE, 0, 0))
        tasks_.pop_back();
}

LRESULT PostedTasks::window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != RUN_TASK_MESSAGE || tasks_.empty())
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    const std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front(); // before it runs: it may post more
    task();
    return 0;
}

} // namespace platform::win32
