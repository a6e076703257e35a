#include "platform/win32/win32_platform.h"

namespace platform::win32 {

// The instance lock goes first, so nothing after it can keep the next start
// away. A download thread may still be inside urlmon or wininet: ExitProcess
// would kill it wherever it is, perhaps holding a lock that a library's
// detach code, or the runtime's exit code, then waits for for ever. While one
// runs, the process ends here at once, running no more code of its own or of
// any library, and the system deletes the downloads' files once every thread
// is gone.
void Win32Platform::end_program(int exit_code)
{
    runtime.release_instance();
    if (!internet.download_running())
        return;
    internet.delete_files_when_the_process_ends();
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exit_code));
}

} // namespace platform::win32
