// The thread that processes, as a host runs the library with no window open: it takes no page
// faults on the delay rings, whoever starts a line and whatever the host does beside it.
#include "VstHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

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
