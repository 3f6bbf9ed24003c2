#pragma once

// A host for the window tests: it can resize its window, and records what the effect asks of it,
// from any thread.
#include "VstInterface.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

struct HostCall
{
    std::int32_t opcode, index;
    std::int64_t value;
};

inline std::mutex hostCallsLock;
inline std::vector<HostCall> hostCalls;

inline std::int64_t recordingHost (AEffect*, std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float)
{
    {
        const std::lock_guard<std::mutex> lock (hostCallsLock);
        hostCalls.push_back ({ opcode, index, value });
    }
    if (opcode == HostOpcode::Version)
        return kVstVersion;
    if (opcode == HostOpcode::CanDo && ptr != nullptr)
        return std::strcmp (static_cast<const char*> (ptr), "sizeWindow") == 0 ? 1 : 0;
    return 0;
}

inline void forgetHostCalls()
{
    const std::lock_guard<std::mutex> lock (hostCallsLock);
    hostCalls.clear();
}

/** The SizeWindow requests recorded since the calls were last forgotten. */
inline std::vector<HostCall> sizeRequests()
{
    const std::lock_guard<std::mutex> lock (hostCallsLock);
    std::vector<HostCall> requests;
    for (const auto& call : hostCalls)
        if (call.opcode == HostOpcode::SizeWindow)
            requests.push_back (call);
    return requests;
}
