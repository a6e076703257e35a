#pragma once

#include <windows.h>

namespace platform::win32 {

// A CRITICAL_SECTION for its lifetime; neither copied nor moved, as the system
// keeps its address.
class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    // Holds the section from its construction to its end.
    class Hold {
    public:
        explicit Hold(CriticalSection& held) : held_(held) { ::EnterCriticalSection(&held_.section_); }
        ~Hold() { ::LeaveCriticalSection(&held_.section_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CriticalSection& held_;
    };

private:
    CRITICAL_SECTION section_;
};

} // namespace platform::win32
