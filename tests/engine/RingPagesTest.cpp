// The delay rings' memory off the audio thread: PANIC's hand-over of silent rings, whatever the
// audio thread does in between, populating pages on kernels that only know how to lock them, and
// the thread that keeps the pages in a process that ends with instances open.
#include "RingPages.h"
#include "SilentRingSwap.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
// A state that runs the audio thread's step just before one chosen access of the other side.
int accessesBeforeStep = -1;
std::function<void()> step;

struct SteppedState
{
    int value;

    int load (std::memory_order) const
    {
        if (accessesBeforeStep-- == 0)
            step();
        return value;
    }

    void store (int newValue, std::memory_order)
    {
        (void) load (std::memory_order_relaxed);
        value = newValue;
    }
};

// One delay line's two rings: which one is in use, which hold audio.
struct Line
{
    int inUse = 0;
    bool holdsAudio[2] = { false, false };
    bool swappedInAudio = false;
};

enum class Action { press, block, keep };

// Runs the actions; before access `accessIndex` of each press and keep, a block runs.
bool anySwapTookAudio (const std::vector<Action>& actions, int accessIndex)
{
    Line line;
    SilentRingSwap<SteppedState> handOver;

    auto block = [&]
    {
        handOver.swapIfRequested ([&]
        {
            line.inUse = 1 - line.inUse;
            line.swappedInAudio = line.swappedInAudio || line.holdsAudio[line.inUse];
        });
        line.holdsAudio[line.inUse] = true;
    };
    auto release = [&] { line.holdsAudio[1 - line.inUse] = false; };

    for (auto action : actions)
    {
        accessesBeforeStep = action == Action::block ? -1 : accessIndex;
        step = block;

        if (action == Action::press)
            handOver.request (release, [] {});
        else if (action == Action::keep)
            handOver.releaseSwappedOut (release);
        else
            block();
    }

    accessesBeforeStep = -1;
    block();
    block();
    return line.swappedInAudio;
}
} // namespace

TEST (SilentRingSwap, NoPressInAnyOrderWithBlocksSwapsInARingHoldingAudio)
{
    constexpr int length = 5;
    int sequences = 0;

    for (int code = 0; code < 243; ++code)  // every sequence of five actions
    {
        std::vector<Action> actions;
        for (int i = 0, c = code; i < length; ++i, c /= 3)
            actions.push_back ((Action) (c % 3));

        for (int accessIndex = -1; accessIndex < 3; ++accessIndex)
        {
            EXPECT_FALSE (anySwapTookAudio (actions, accessIndex)) << "sequence " << code << ", block before access " << accessIndex;
            ++sequences;
        }
    }

    EXPECT_EQ (sequences, 243 * 4);
}

TEST (RingPages, LockingPopulatesAWholeRingWithinTheDefaultLockLimitAndLeavesNothingLocked)
{
    auto lockedKilobytes = []
    {
        long kilobytes = -1;
        char line[256];
        if (FILE* status = std::fopen ("/proc/self/status", "r"))
        {
            while (std::fgets (line, sizeof (line), status) != nullptr)
                if (std::sscanf (line, "VmLck: %ld", &kilobytes) == 1)
                    break;
            std::fclose (status);
        }
        return kilobytes;
    };

    const size_t bytes = sizeof (float) * 576001;  // 12 s at 48 kHz
    float* ring = mordwickLib::mapRingPages (bytes);
    ASSERT_NE (ring, nullptr);

    rlimit saved {};
    ASSERT_EQ (getrlimit (RLIMIT_MEMLOCK, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ (setrlimit (RLIMIT_MEMLOCK, &limited), 0);

    bool populated = false;
    long faultsWriting = -1;

    // Capabilities belong to a thread: this one runs without the right to lock past the limit.
    std::thread unprivileged ([&]
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct capabilities[2] {};
        if (syscall (SYS_capget, &header, capabilities) == 0)
        {
            capabilities[0].effective &= ~(1u << CAP_IPC_LOCK);
            (void) syscall (SYS_capset, &header, capabilities);
        }

        populated = mordwickLib::populateRingPagesByLocking (ring, bytes);

        rusage before {}, after {};
        getrusage (RUSAGE_THREAD, &before);
        for (size_t i = 0; i < bytes / sizeof (float); i += 1024)
            ring[i] = 1.0f;
        getrusage (RUSAGE_THREAD, &after);
        faultsWriting = after.ru_minflt - before.ru_minflt;
    });
    unprivileged.join();

    setrlimit (RLIMIT_MEMLOCK, &saved);
    EXPECT_TRUE (populated);
#if ! defined (__SANITIZE_ADDRESS__) && ! defined (__SANITIZE_THREAD__)
    EXPECT_EQ (faultsWriting, 0);  // a sanitizer's shadow memory faults on the writes
#endif
    EXPECT_EQ (lockedKilobytes(), 0);
    mordwickLib::unmapRingPages (ring, bytes);
}

TEST (RingPageWorker, AProcessMayEndWithProcessorsStillOpen)
{
    GTEST_FLAG_SET (death_test_style, "threadsafe");
    EXPECT_EXIT (
        {
            // One destroyed after the worker's own statics, one never: hosts that exit without
            // closing their plug-ins do both.
            static std::unique_ptr<VarluneAudioProcessor> closedLast;
            closedLast = std::make_unique<VarluneAudioProcessor>();
            static auto* neverClosed = new VarluneAudioProcessor();
            (void) neverClosed;
            std::exit (0);
        },
        testing::ExitedWithCode (0), "");
}
