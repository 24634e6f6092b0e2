#pragma once
// Pauses go through this seam, so tests never wait.

#include <chrono>

namespace prov {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    // Blocks the calling thread for `duration`.
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace prov
