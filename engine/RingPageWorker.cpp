#include "RingPageWorker.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

struct RingPageWorker::Thread
{
    // Starting and stopping the thread take turns under lifecycleLock; the thread itself takes
    // only keepersLock, and calls the keepers under it.
    std::mutex lifecycleLock;
    std::mutex keepersLock;
    std::condition_variable stopRequested;
    std::vector<const std::function<void()>*> keepers;
    bool stopping = false;
    std::thread thread;

    void run()
    {
        // Behind the host's own work: this only spares the audio thread page faults to come.
        pthread_setname_np (pthread_self(), "Varlune pages");
        (void) setpriority (PRIO_PROCESS, (id_t) gettid(), 10);

        std::unique_lock<std::mutex> lock (keepersLock);

        while (! stopping)
        {
            for (const auto* keep : keepers)
                (*keep)();

            stopRequested.wait_for (lock, std::chrono::milliseconds (RingPageWorker::pollMilliseconds),
                                    [this] { return stopping; });
        }
    }
};

std::shared_ptr<RingPageWorker::Thread> RingPageWorker::sharedThread()
{
    static const auto instance = std::make_shared<Thread>();
    return instance;
}

RingPageWorker::Registration::Registration (std::function<void()> keep)
    : worker (sharedThread()), keeper (std::move (keep))
{
    auto& w = *worker;
    const std::lock_guard<std::mutex> lifecycle (w.lifecycleLock);

    {
        const std::lock_guard<std::mutex> lock (w.keepersLock);
        w.keepers.push_back (&keeper);
        w.stopping = false;
    }

    // Without the thread the audio thread takes the page faults itself, as it would anyway.
    if (! w.thread.joinable())
    {
        try
        {
            w.thread = std::thread ([&w] { w.run(); });
        }
        catch (const std::system_error&)
        {
        }
    }
}

RingPageWorker::Registration::~Registration()
{
    auto& w = *worker;
    const std::lock_guard<std::mutex> lifecycle (w.lifecycleLock);
    bool last = false;

    {
        const std::lock_guard<std::mutex> lock (w.keepersLock);
        w.keepers.erase (std::find (w.keepers.begin(), w.keepers.end(), &keeper));
        last = w.keepers.empty();
        w.stopping = last;
    }

    if (last && w.thread.joinable())
    {
        w.stopRequested.notify_one();
        w.thread.join();
    }
}
