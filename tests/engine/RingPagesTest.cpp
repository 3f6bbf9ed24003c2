// The delay rings' memory off the audio thread: PANIC's hand-over of silent rings, whatever the
// audio thread does in between, populating pages on kernels that only know how to lock them, and
// the thread that keeps the pages: what it gives back, where it runs, in a process that ends with
// instances open and in the child of a fork.
#include "RingPageWorker.h"
#include "RingPages.h"
#include "SilentRingSwap.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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

size_t residentPages (const float* ring, size_t bytes)
{
    const size_t page = (size_t) sysconf (_SC_PAGESIZE);
    std::vector<unsigned char> pages ((bytes + page - 1) / page);
    if (mincore (const_cast<float*> (ring), bytes, pages.data()) != 0)
        return pages.size();
    return (size_t) std::count_if (pages.begin(), pages.end(), [] (unsigned char p) { return (p & 1) != 0; });
}

size_t residentPages (const mordwickLib::SyncDelayNoFeed& line)
{
    return residentPages (line.ringBuffer, sizeof (float) * (size_t) line.ringLength);
}

// How long a test waits on the page worker before it fails: a worker that runs at all, even under
// a sanitizer on a busy machine, takes far less.
constexpr std::chrono::seconds workerWait { 5 };

// A keeper of its own beside the processors': once it has been called three times, every keeper
// has had a whole pass that began after the wait did.
class WorkerPasses
{
public:
    WorkerPasses() { registration.setPlaying (true); }

    testing::AssertionResult waitForWholePass()
    {
        std::unique_lock<std::mutex> lock (mutex);
        const int target = calls + 3;
        if (called.wait_for (lock, workerWait, [&] { return calls >= target; }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the page worker made no whole pass in " << workerWait.count() << " s";
    }

private:
    std::mutex mutex;
    std::condition_variable called;
    int calls = 0;
    RingPageWorker::Registration registration { [this]
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            ++calls;
        }
        called.notify_all();
    } };
};

struct PlayingProcessor
{
    PlayingProcessor()
    {
        processor.setPlayConfigDetails (2, 2, 48000.0, 256);
        processor.prepareToPlay (48000.0, 256);
    }

    void play (double seconds)
    {
        juce::AudioSampleBuffer buffer (2, 256);
        juce::MidiBuffer midi;
        for (int done = 0; done < (int) (seconds * 48000.0); done += 256)
        {
            for (int i = 0; i < 256; ++i)
            {
                const float noise = (float) ((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f;
                buffer.setSample (0, i, noise);
                buffer.setSample (1, i, -noise);
            }
            processor.processBlock (buffer, midi);
        }
    }

    void feedLine (int k, bool fed) { processor.setParameter (10 * k + 4, fed ? 1.0f / 13.0f : 0.0f); }

    const mordwickLib::SyncDelayNoFeed& line (int k, int c) { return *processor.delayLines[k][c]; }

    VarluneAudioProcessor processor;
    unsigned seed = 7;
};
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

TEST (RingPages, LockingPopulatesAWholeRingWithinWhatTheDefaultLockLimitLeavesAndLeavesItSo)
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
    long lockedByHost = -1, lockedAfterPopulating = -1;

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

        // Memory the host has locked counts against the same limit.
        const size_t page = (size_t) sysconf (_SC_PAGESIZE);
        void* hostPage = mmap (nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        const bool hostLocked = hostPage != MAP_FAILED && mlock (hostPage, page) == 0;
        lockedByHost = lockedKilobytes();  // 0 under AddressSanitizer, whose mlock does nothing
        populated = hostLocked && mordwickLib::populateRingPagesByLocking (ring, bytes) == mordwickLib::Population::done;
        lockedAfterPopulating = lockedKilobytes();
        if (hostPage != MAP_FAILED)
            munmap (hostPage, page);

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
    EXPECT_EQ (lockedAfterPopulating, lockedByHost);
#if ! defined (__SANITIZE_ADDRESS__) && ! defined (__SANITIZE_THREAD__)
    EXPECT_EQ (faultsWriting, 0);  // a sanitizer's shadow memory faults on the writes
#endif
    EXPECT_EQ (lockedKilobytes(), 0);
    mordwickLib::unmapRingPages (ring, bytes);
}

TEST (RingPageWorker, GivesBackTheRingsAPanicSwappedOut)
{
    PlayingProcessor playing;
    playing.play (1.0);
    const float* swappedOut = playing.line (0, 0).ringBuffer;
    const size_t bytes = sizeof (float) * (size_t) playing.line (0, 0).ringLength;
    ASSERT_GT (residentPages (swappedOut, bytes), 0u);

    playing.processor.panic();
    playing.play (0.01);
    ASSERT_NE (playing.line (0, 0).ringBuffer, swappedOut);

    ASSERT_TRUE (WorkerPasses().waitForWholePass());
    EXPECT_EQ (residentPages (swappedOut, bytes), 0u);
}

TEST (RingPageWorker, AfterASuspendKeepsOnlyTheRingsOfTheLinesThatStillRun)
{
    PlayingProcessor playing;
    for (int k = 0; k < 4; ++k)
        playing.feedLine (k, true);
    playing.play (1.0);

    // Three lines stop as the host suspends; the prepare of its resume clears every ring.
    for (int k = 1; k < 4; ++k)
        playing.feedLine (k, false);
    playing.processor.releaseResources();
    playing.processor.prepareToPlay (48000.0, 256);

    // The worker looks before the first block, after it and after many.
    WorkerPasses passes;
    ASSERT_TRUE (passes.waitForWholePass());
    playing.play (256.0 / 48000.0);
    ASSERT_TRUE (passes.waitForWholePass());
    playing.play (1.0);
    ASSERT_TRUE (passes.waitForWholePass());

    // A stopped line runs on until its last output from before the suspend has gone through: a
    // page written at most, and one read.
    for (int k = 0; k < 4; ++k)
    {
        for (int c = 0; c < 2; ++c)
        {
            if (k == 0)
                EXPECT_GT (residentPages (playing.line (k, c)), 100u);
            else
                EXPECT_LE (residentPages (playing.line (k, c)), 2u) << "line " << k + 1 << ", channel " << c;
        }
    }
}

TEST (RingPages, RefusedPagesAreNotAskedForAgainUntilTheOwnerSaysSo)
{
    mordwickLib::SyncDelayNoFeed line;
    line.resizeRing (576001);  // 12 s at 48 kHz
    float* ring = line.ringBuffer;
    const size_t page = (size_t) sysconf (_SC_PAGESIZE);
    const size_t bytes = sizeof (float) * 576001 / page * page;
    const auto now = std::chrono::steady_clock::now();

    // Near its end, a page of an empty file, where a write would raise SIGBUS: the system refuses
    // to populate the ring, after the pieces before.
    const int emptyFile = memfd_create ("empty", 0);
    ASSERT_GE (emptyFile, 0);
    ASSERT_NE (mmap (reinterpret_cast<char*> (ring) + bytes - page, page, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_FIXED, emptyFile, 0), MAP_FAILED);
    close (emptyFile);
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now);
    ASSERT_GT (residentPages (ring, page), 0u);

    // Asked again at every poll, the first page would come back.
    ASSERT_EQ (madvise (ring, page, MADV_DONTNEED), 0);
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now + std::chrono::seconds (1));
    EXPECT_EQ (residentPages (ring, page), 0u);

    line.retryRefusedRings();
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now + std::chrono::seconds (1));
    EXPECT_GT (residentPages (ring, page), 0u);
}

TEST (RingPages, PagesRefusedForNowAreAskedForAgainSoon)
{
    mordwickLib::SyncDelayNoFeed line;
    line.resizeRing (576001);  // 12 s at 48 kHz
    float* ring = line.ringBuffer;
    const size_t page = (size_t) sysconf (_SC_PAGESIZE);
    char* hole = reinterpret_cast<char*> (ring) + sizeof (float) * 576001 / page * page - page;
    const auto now = std::chrono::steady_clock::now();

    // Near its end, a page that is not mapped: the system answers that memory is short, after the
    // pieces before.
    ASSERT_EQ (munmap (hole, page), 0);
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now);
    ASSERT_GT (residentPages (ring, page), 0u);
    ASSERT_EQ (madvise (ring, page, MADV_DONTNEED), 0);

    // Once the page is back, the ring is populated a moment later, the lines unchanged; not at
    // every poll while it is refused.
    ASSERT_NE (mmap (hole, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0), MAP_FAILED);
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now);
    EXPECT_EQ (residentPages (ring, page), 0u);
    line.makeRingsReady (mordwickLib::SyncDelayNoFeed::Rings::inUse, now + std::chrono::seconds (1));
    EXPECT_GT (residentPages (ring, page), 0u);
}

TEST (RingPageWorker, RunsNeverAheadOfTheThreadThatStartedItNorPinnedWithIt)
{
    cpu_set_t processCpus;
    ASSERT_EQ (sched_getaffinity (getpid(), sizeof (processCpus), &processCpus), 0);

    std::mutex mutex;
    std::condition_variable called;
    bool seen = false;
    int workerNice = 0;
    cpu_set_t workerCpus;
    std::unique_ptr<RingPageWorker::Registration> registration;

    // The first registration comes from a thread at nice 15 pinned to one CPU.
    std::thread opener ([&]
    {
        cpu_set_t one;
        CPU_ZERO (&one);
        CPU_SET (sched_getcpu(), &one);
        (void) setpriority (PRIO_PROCESS, (id_t) gettid(), 15);
        (void) sched_setaffinity (0, sizeof (one), &one);

        registration = std::make_unique<RingPageWorker::Registration> ([&]
        {
            const std::lock_guard<std::mutex> lock (mutex);
            workerNice = getpriority (PRIO_PROCESS, (id_t) gettid());
            (void) sched_getaffinity (0, sizeof (workerCpus), &workerCpus);
            seen = true;
            called.notify_all();
        });
    });
    opener.join();
    registration->setPlaying (true);

    std::unique_lock<std::mutex> lock (mutex);
    ASSERT_TRUE (called.wait_for (lock, workerWait, [&] { return seen; })) << "the page worker called no keeper";
    EXPECT_GE (workerNice, 15);
    EXPECT_TRUE (CPU_EQUAL (&workerCpus, &processCpus)) << CPU_COUNT (&workerCpus) << " of " << CPU_COUNT (&processCpus) << " CPUs";
}

TEST (RingPageWorker, AForkedChildThatLeavesThroughExitWaitsForNothingOfItsParent)
{
    // A keeper of the test's own holds the worker's lock until the test lets it go.
    std::mutex mutex;
    std::condition_variable changed;
    bool keeping = false, letGo = false;
    RingPageWorker::Registration registration { [&]
    {
        std::unique_lock<std::mutex> lock (mutex);
        keeping = true;
        changed.notify_all();
        changed.wait_for (lock, 2 * workerWait, [&] { return letGo; });
    } };
    registration.setPlaying (true);

    {
        std::unique_lock<std::mutex> lock (mutex);
        ASSERT_TRUE (changed.wait_for (lock, workerWait, [&] { return keeping; }))
            << "the page worker called no keeper";
    }

    const pid_t child = fork();
    if (child == 0)
        std::exit (0);
    ASSERT_GT (child, 0);

    const int childExit = (int) syscall (SYS_pidfd_open, child, 0);
    pollfd exited { childExit, POLLIN, 0 };
    const bool left = poll (&exited, 1, (int) std::chrono::milliseconds (workerWait).count()) == 1;
    if (! left)
        kill (child, SIGKILL);
    int status = 0;
    waitpid (child, &status, 0);
    close (childExit);

    {
        const std::lock_guard<std::mutex> lock (mutex);
        letGo = true;
    }
    changed.notify_all();
    EXPECT_TRUE (left) << "the child waits on its parent's page worker";
}

TEST (RingPageWorker, AProcessMayEndWithProcessorsStillOpen)
{
    GTEST_FLAG_SET (death_test_style, "threadsafe");
    EXPECT_EXIT (
        {
            alarm ((unsigned) workerWait.count());  // a child that waits on the worker at exit fails, not hangs

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
