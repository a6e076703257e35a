#pragma once

namespace platform {

// Services the language runtime gave the original program.
class Runtime {
public:
    virtual ~Runtime() = default;
    // True when another instance of this program is already running.
    virtual bool previous_instance() = 0;
};

} // namespace platform
