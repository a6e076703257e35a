#pragma once

#include <string>

namespace platform {

// Services the language runtime gave the original program.
class Runtime {
public:
    virtual ~Runtime() = default;
    // True when another instance of this program is already running.
    virtual bool previous_instance() = 0;
    // Starts the program a command line names, its window shown normally and
    // activated, without waiting for it. False when it could not be started;
    // callers may ignore that.
    virtual bool start_program(const std::string& command_line) = 0;
};

} // namespace platform
