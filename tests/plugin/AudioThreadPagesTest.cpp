// The thread that processes, as a host runs the library with no window open: it takes no page
// faults on the delay rings, whoever starts a line and whatever the host does beside it. And the
// thread that keeps the rings' pages, however the host opens and unloads the library.
#include "VstHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#if defined (__SANITIZE_ADDRESS__)
 #include <sanitizer/lsan_interface.h>
#endif

namespace
{
long pageFaultsOfThisThread()
{
    rusage usage {};
    getrusage (RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

int threadsOfThisProcess()
{
    int count = 0;
    if (DIR* tasks = opendir ("/proc/self/task"))
    {
        while (const dirent* entry = readdir (tasks))
            count += entry->d_name[0] != '.';
        closedir (tasks);
    }
    return count;
}

// The thread id of the library's page worker, or 0 when it has none.
pid_t pageWorker()
{
    pid_t found = 0;
    if (DIR* tasks = opendir ("/proc/self/task"))
    {
        while (const dirent* entry = readdir (tasks))
        {
            std::string name;
            std::getline (std::ifstream (std::string ("/proc/self/task/") + entry->d_name + "/comm"), name);
            if (name == "Varlune pages")
                found = (pid_t) std::atoi (entry->d_name);
        }
        closedir (tasks);
    }
    return found;
}

class HostPlaying
{
public:
    static constexpr int blockSize = 256;

    HostPlaying() : host (VARLUNE_PLUGIN_PATH), left (blockSize), right (blockSize)
    {
        host.start (48000.0, blockSize);
    }

    // Blocks of noise, one every 5.3 ms as an audio device asks for them, or as fast as they go;
    // the page faults of this thread while they run.
    long play (double seconds, bool inRealTime = true)
    {
        const long before = pageFaultsOfThisThread();
        auto due = std::chrono::steady_clock::now();

        for (int done = 0; done < (int) (seconds * 48000.0); done += blockSize)
        {
            if (inRealTime)
            {
                due += std::chrono::microseconds (blockSize * 1000000 / 48000);
                std::this_thread::sleep_until (due);
            }

            for (int i = 0; i < blockSize; ++i)
            {
                left[(size_t) i] = (float) ((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f;
                right[(size_t) i] = -left[(size_t) i];
            }

            float* channels[] = { left.data(), right.data() };
            host.process (channels, blockSize);
        }

        return pageFaultsOfThisThread() - before;
    }

    VstHost host;

private:
    std::vector<float> left, right;
    unsigned seed = 5;
};
} // namespace

TEST (AudioThreadPages, LinesStartedByTheHostGetTheirPagesWithNoWindowOpen)
{
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory takes page faults of its own";
#endif

    HostPlaying playing;
    playing.play (1.0, false);

    // Hosts send automation on the thread that processes, just before the block.
    const long before = pageFaultsOfThisThread();
    for (int k = 0; k < 4; ++k)
        playing.host.setParameter (10 * k + 4, 1.0f / 13.0f);  // each line's input: the plug-in input
    const long faults = pageFaultsOfThisThread() - before + playing.play (13.0);

    std::printf ("page faults in 13 s after the four lines started: %ld\n", faults);
    EXPECT_LE (faults, 100);
}

TEST (AudioThreadPages, AHostThatForksCostsTheAudioThreadNothing)
{
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory takes page faults of its own";
#endif

    HostPlaying playing;
    playing.play (1.0, false);

    const pid_t child = fork();
    if (child == 0)
    {
        execl ("/bin/true", "true", (char*) nullptr);
        _exit (127);
    }
    ASSERT_GT (child, 0);
    int status = 0;
    ASSERT_EQ (waitpid (child, &status, 0), child);

    const long faults = playing.play (13.0);
    std::printf ("page faults in 13 s after the host forked: %ld\n", faults);
    EXPECT_LE (faults, 100);
}

TEST (AudioThreadPages, NoThreadOfTheLibraryOutlivesItsLastInstance)
{
    const int before = threadsOfThisProcess();
    {
        HostPlaying first, second;
        first.play (0.1, false);
        second.play (0.1, false);
    }
    EXPECT_EQ (threadsOfThisProcess(), before);
}

TEST (AudioThreadPages, ThePageWorkerTimeSharesEvenWhenTheFirstInstanceOpensOnARealTimeThread)
{
    bool realTime = false;
    int workerPolicy = -1;

    std::thread audio ([&]
    {
        const sched_param fifo { 70 };
        realTime = pthread_setschedparam (pthread_self(), SCHED_FIFO, &fifo) == 0;
        if (! realTime)
            return;

        const VstHost first (VARLUNE_PLUGIN_PATH);
        const pid_t worker = pageWorker();
        workerPolicy = worker != 0 ? sched_getscheduler (worker) : -1;
    });
    audio.join();

    if (! realTime)
        GTEST_SKIP() << "this process may not run a SCHED_FIFO thread";

    EXPECT_TRUE (workerPolicy == SCHED_OTHER || workerPolicy == SCHED_BATCH || workerPolicy == SCHED_IDLE)
        << "policy " << workerPolicy;
}

TEST (AudioThreadPages, AHostThatUnloadsTheLibraryWithAnInstanceOpenLivesOn)
{
    void* library = dlopen (VARLUNE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE (library, nullptr);
    auto entry = reinterpret_cast<AEffect* (*) (HostCallbackProc)> (dlsym (library, "VSTPluginMain"));
    ASSERT_NE (entry, nullptr);

    // The instance is lost with the library; that much a careless host may lose.
#if defined (__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    AEffect* effect = entry (&VstHost::callback);
    ASSERT_NE (effect, nullptr);
    auto dispatch = [effect] (std::int32_t opcode, std::int64_t value = 0, float opt = 0.0f)
    {
        return effect->dispatcherProc (effect, opcode, 0, value, nullptr, opt);
    };
    dispatch (EffectOpcode::Open);
    dispatch (EffectOpcode::SetSampleRate, 0, 48000.0f);
    dispatch (EffectOpcode::SetBlockSize, 256);
    dispatch (EffectOpcode::MainsChanged, 1);

    std::vector<float> left (256, 0.25f), right (256, -0.25f);
    float* channels[] = { left.data(), right.data() };
    for (int block = 0; block < 10; ++block)
        effect->processReplacingProc (effect, channels, channels, 256);
#if defined (__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    ASSERT_NE (pageWorker(), 0);

    dlclose (library);

    ASSERT_EQ (dlopen (VARLUNE_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library was not unloaded";
    EXPECT_EQ (pageWorker(), 0) << "a thread runs code that is no longer mapped";
}
