#include "RingPageWorker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace
{
// Set in the child of a fork, which has only the thread that forked: the worker stays behind, and
// so does any lock a thread of the parent held at the fork, for good.
std::atomic<bool> inChildOfFork { false };
} // namespace

struct RingPageWorker::Thread
{
    // Starting and stopping the thread take turns under lifecycleLock; the thread itself takes
    // only keepersLock, and calls the keepers under it.
    std::mutex lifecycleLock;
    std::mutex keepersLock;
    std::condition_variable wake;
    Registration* registrations = nullptr;  // linked through next: the state, never destroyed, holds no memory
    int playing = 0;
    bool stopping = false;

    // Under lifecycleLock.
    pthread_t thread {};
    bool running = false;
    bool stoppedForGood = false;

    void run()
    {
        // Behind the host's own work, and never ahead of the thread that started it, whose nice it
        // inherits: this only spares the audio thread page faults to come.
        const auto self = (id_t) gettid();
        (void) setpriority (PRIO_PROCESS, self, std::max (10, getpriority (PRIO_PROCESS, self)));

        // Not pinned beside the thread that started it, which may be a host's audio thread: the
        // process's own affinity is its main thread's, what the host was started with, whichever
        // threads it has pinned since.
        cpu_set_t processCpus;
        if (sched_getaffinity (getpid(), sizeof (processCpus), &processCpus) == 0)
            (void) sched_setaffinity (0, sizeof (processCpus), &processCpus);

        std::unique_lock<std::mutex> lock (keepersLock);

        while (! stopping)
        {
            for (const auto* r = registrations; r != nullptr; r = r->next)
                if (r->playing)
                    r->keeper();

            if (playing > 0)
                wake.wait_for (lock, std::chrono::milliseconds (RingPageWorker::pollMilliseconds),
                               [this] { return stopping; });
            else
                wake.wait (lock, [this] { return stopping || playing > 0; });
        }
    }

    // lifecycleLock held. Without the thread the audio thread takes the page faults itself, as it
    // would anyway.
    void start()
    {
        if (running || stoppedForGood)
            return;

        stopping = false;

        // A new thread takes its creator's policy unless told otherwise; the first instance may
        // be opened on a host's real-time thread, where this one would take the core from audio.
        pthread_attr_t attributes;
        pthread_attr_init (&attributes);
        sched_param timeShared {};
        pthread_attr_setinheritsched (&attributes, PTHREAD_EXPLICIT_SCHED);
        pthread_attr_setschedpolicy (&attributes, SCHED_OTHER);
        pthread_attr_setschedparam (&attributes, &timeShared);

        running = pthread_create (&thread, &attributes, [] (void* self) -> void*
        {
            static_cast<Thread*> (self)->run();
            return nullptr;
        }, this) == 0;

        pthread_attr_destroy (&attributes);

        if (running)
            pthread_setname_np (thread, "Varlune pages");
    }

    // lifecycleLock held.
    void stop()
    {
        if (! running)
            return;

        {
            const std::lock_guard<std::mutex> lock (keepersLock);
            stopping = true;
        }

        wake.notify_one();
        pthread_join (thread, nullptr);
        running = false;
    }
};

// Its destructor runs as the library is unloaded or the process ends: no thread may go on running
// the library's code past either, whatever instances are still open.
struct RingPageWorker::SharedThread
{
    Thread& thread;

    explicit SharedThread (Thread& t) : thread (t)
    {
        (void) pthread_atfork (nullptr, nullptr, [] { inChildOfFork.store (true, std::memory_order_relaxed); });
    }

    ~SharedThread()
    {
        if (inChildOfFork.load (std::memory_order_relaxed))
            return;

        const std::lock_guard<std::mutex> lifecycle (thread.lifecycleLock);
        thread.stop();
        thread.stoppedForGood = true;
    }
};

RingPageWorker::Thread* RingPageWorker::thisProcessWorker() noexcept
{
    // Never destroyed: registrations may go after the static destructors, and a forked child
    // would wait on what the parent's threads left of it.
    alignas (Thread) static unsigned char storage[sizeof (Thread)];
    static Thread& thread = *new (storage) Thread;
    static SharedThread shared (thread);
    return inChildOfFork.load (std::memory_order_relaxed) ? nullptr : &thread;
}

RingPageWorker::Registration::Registration (std::function<void()> keep)
    : keeper (std::move (keep))
{
    auto* w = thisProcessWorker();

    if (w == nullptr)
        return;

    const std::lock_guard<std::mutex> lifecycle (w->lifecycleLock);

    {
        const std::lock_guard<std::mutex> lock (w->keepersLock);
        next = w->registrations;
        w->registrations = this;
    }

    w->start();
}

RingPageWorker::Registration::~Registration()
{
    auto* w = thisProcessWorker();

    if (w == nullptr)
        return;

    const std::lock_guard<std::mutex> lifecycle (w->lifecycleLock);
    bool last = false;

    {
        const std::lock_guard<std::mutex> lock (w->keepersLock);
        w->playing -= playing ? 1 : 0;
        auto** link = &w->registrations;
        while (*link != this)
            link = &(*link)->next;
        *link = next;
        last = w->registrations == nullptr;
    }

    if (last)
        w->stop();
}

void RingPageWorker::Registration::setPlaying (bool shouldPlay)
{
    auto* w = thisProcessWorker();

    if (w == nullptr)
        return;

    {
        const std::lock_guard<std::mutex> lock (w->keepersLock);

        if (playing == shouldPlay)
            return;

        playing = shouldPlay;
        w->playing += shouldPlay ? 1 : -1;
    }

    if (shouldPlay)
        w->wake.notify_one();
}
