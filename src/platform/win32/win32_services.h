#pragma once

// The Win32 implementations of the simple platform services.

#include "platform/message_box.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/runtime.h"
#include "platform/system_info.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32Registry : public Registry {
public:
    program::Result<RegistryValue, RegistryFailure> read_value(const std::string& path,
                                                               const std::string& name) override;
    program::Result<void, RegistryFailure> write_dword(const std::string& path, const std::string& name,
                                                       std::uint32_t number) override;
};

class Win32SystemInfo : public SystemInfo {
public:
    std::optional<SystemVersion> version() override;
    std::string windows_directory() override;
};

class Win32MessageBoxes : public MessageBoxes {
public:
    int show(const std::string& text, Buttons buttons, BoxIcon icon) override;
    int show_owned(std::uintptr_t owner, const std::string& text, Buttons buttons, BoxIcon icon) override;
};

// One instance per session: a named mutex held until the program ends.
class Win32Runtime : public Runtime {
public:
    bool previous_instance() override;
    bool start_program(const std::string& command_line) override;
    // Lets another instance start from now on.
    void release_instance() { instance_mutex_.reset(); }

private:
    UniqueKernelHandle instance_mutex_;
    bool another_instance_ = false;
};

class Win32RecordFiles : public RecordFiles {
public:
    program::Result<std::string, FileError> read_start(const std::string& path, std::size_t size) override;
    program::Result<void, FileError> write_start(const std::string& path, const std::string& bytes) override;
};

} // namespace platform::win32
