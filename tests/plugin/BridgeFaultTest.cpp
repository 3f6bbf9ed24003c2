// What the host hands the bridge that it cannot trust: memory that runs out while an instance is
// built or prepared, transport positions no 64-bit integer holds, and a host that sends no
// transport at all. Large allocations of this
// program fail on request (operator new, malloc, calloc and mmap, the engine and JUCE linked with
// them wrapped).
#include "EffectRecordCalls.h"
#include "VarluneVstBridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include <sys/mman.h>

extern "C" AEffect* VSTPluginMain (HostCallbackProc hostCallback);

namespace
{
// A ring is megabytes; nothing else the plug-in allocates comes near.
constexpr size_t largeAllocation = 1 << 20;
std::atomic<bool> largeAllocationsFail { false };

bool refused (size_t size)
{
    return size >= largeAllocation && largeAllocationsFail.load();
}
} // namespace

extern "C"
{
void* __real_malloc (size_t);
void* __real_calloc (size_t, size_t);
void* __real_mmap (void*, size_t, int, int, int, off_t);
void* __wrap_malloc (size_t size)            { return refused (size) ? nullptr : __real_malloc (size); }
void* __wrap_calloc (size_t n, size_t size)  { return n != 0 && refused (n * size) ? nullptr : __real_calloc (n, size); }
void* __wrap_mmap (void* address, size_t size, int protection, int flags, int file, off_t offset)
{
    return refused (size) ? MAP_FAILED : __real_mmap (address, size, protection, flags, file, offset);
}
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new (size_t size)
{
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[] (size_t size) { return operator new (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, size_t) noexcept { std::free (p); }
void operator delete[] (void* p, size_t) noexcept { std::free (p); }
#pragma GCC diagnostic pop

namespace
{
HostTimeInfo timeInfo {};
std::int64_t sendsTimeInfo = 0;  // the host's answer: 1 yes, 0 not known, -1 no
int timeRequests = 0;

std::int64_t host (AEffect*, std::int32_t opcode, std::int32_t, std::int64_t, void* ptr, float)
{
    switch (opcode)
    {
        case HostOpcode::Version: return kVstVersion;
        case HostOpcode::GetTime: ++timeRequests; return (std::int64_t) (std::intptr_t) &timeInfo;
        case HostOpcode::CanDo: return std::strcmp (static_cast<const char*> (ptr), "sendVstTimeInfo") == 0 ? sendsTimeInfo : 0;
        default: return 0;
    }
}

void start (AEffect* e, float sampleRate)
{
    dispatch (e, EffectOpcode::SetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch (e, EffectOpcode::SetBlockSize, 0, 512);
    dispatch (e, EffectOpcode::MainsChanged, 0, 1);
}

// An impulse through the effect, in blocks of 512, left channel.
std::vector<float> impulseResponse (AEffect* e, int frames)
{
    std::vector<float> left ((size_t) frames), right ((size_t) frames);
    left[0] = right[0] = 1.0f;

    for (int at = 0; at < frames; at += 512)
    {
        float* channels[] = { left.data() + at, right.data() + at };
        e->processReplacingProc (e, channels, channels, std::min (512, frames - at));
    }

    return left;
}
} // namespace

TEST (BridgeFaults, MemoryRunningOutLeavesNoEffectOrASilentOne)
{
    largeAllocationsFail = true;
    EXPECT_EQ (VSTPluginMain (&host), nullptr);
    largeAllocationsFail = false;

    AEffect* e = VSTPluginMain (&host);
    ASSERT_NE (e, nullptr);
    e->setParameterProc (e, 3, 0.25f);
    const auto state = chunkOf (e);

    // Preparing at a new rate needs new rings.
    largeAllocationsFail = true;
    start (e, 96000.0f);
    largeAllocationsFail = false;

    for (float x : impulseResponse (e, 8192))
        ASSERT_EQ (x, 0.0f);
    EXPECT_EQ (chunkOf (e), state);
    EXPECT_EQ (e->getParameterProc (e, 3), 0.25f);

    // Once memory is there again, the next resume makes it the effect a fresh one is.
    dispatch (e, EffectOpcode::MainsChanged, 0, 0);
    dispatch (e, EffectOpcode::MainsChanged, 0, 1);
    AEffect* fresh = VSTPluginMain (&host);
    ASSERT_NE (fresh, nullptr);
    fresh->setParameterProc (fresh, 3, 0.25f);
    start (fresh, 96000.0f);
    const auto expected = impulseResponse (fresh, 48000);
    EXPECT_EQ (impulseResponse (e, 48000), expected);
    EXPECT_GT (*std::max_element (expected.begin() + 1, expected.end()), 0.1f);  // the echo

    dispatch (fresh, EffectOpcode::Close);
    dispatch (e, EffectOpcode::Close);
}

TEST (BridgeFaults, SamplePositionsOutsideAnInt64AreLeftOut)
{
    AEffect* e = VSTPluginMain (&host);
    ASSERT_NE (e, nullptr);
    start (e, 44100.0f);
    auto* playHead = static_cast<VarluneVstBridge*> (e->effectObject)->getProcessor().getPlayHead();
    ASSERT_NE (playHead, nullptr);

    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct { double position; bool held; } cases[] = {
        { 0.0, true }, { 123456.75, true }, { -512.0, true }, { 0x1p62, true }, { -0x1p63, true },
        { 0x1p63, false }, { 1e300, false }, { -1e300, false }, { inf, false }, { -inf, false },
        { std::numeric_limits<double>::quiet_NaN(), false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.position);
        timeInfo.samplePosition = c.position;
        const auto position = playHead->getPosition();
        ASSERT_TRUE (position.hasValue());
        const auto samples = position->getTimeInSamples();
        ASSERT_EQ (samples.hasValue(), c.held);
        if (c.held)
        {
            EXPECT_EQ (*samples, (juce::int64) c.position);
        }

        // A block with that position plays as any other.
        for (float x : impulseResponse (e, 512))
            ASSERT_TRUE (std::isfinite (x));
    }

    dispatch (e, EffectOpcode::Close);
}

TEST (BridgeFaults, OnlyAHostThatSaysItSendsNoTransportIsNotAskedForIt)
{
    for (const std::int64_t answer : { 1, 0, -1 })
    {
        SCOPED_TRACE (answer);
        sendsTimeInfo = answer;
        AEffect* e = VSTPluginMain (&host);
        ASSERT_NE (e, nullptr);
        start (e, 44100.0f);
        timeRequests = 0;
        impulseResponse (e, 512);
        EXPECT_EQ (timeRequests > 0, answer != -1);
        dispatch (e, EffectOpcode::Close);
    }

    sendsTimeInfo = 0;
}
