#pragma once

// Calls into an effect's record as a host makes them.
#include "VstInterface.h"

#include <cstdint>
#include <vector>

inline std::int64_t dispatch (AEffect* e, std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                              void* ptr = nullptr, float opt = 0.0f)
{
    return e->dispatcherProc (e, opcode, index, value, ptr, opt);
}

/** The effect's state chunk, copied out of the effect's own buffer. */
inline std::vector<char> chunkOf (AEffect* e)
{
    void* data = nullptr;
    const auto size = dispatch (e, EffectOpcode::GetChunk, 0, 0, &data);
    return size > 0 ? std::vector<char> ((char*) data, (char*) data + size) : std::vector<char>();
}
