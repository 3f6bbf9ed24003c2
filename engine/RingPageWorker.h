#pragma once

#include <functional>

/** One low-priority thread for the whole process that keeps the delay rings' pages: every few
    milliseconds it calls the keeper of each registration that plays, which readies the rings its
    lines run on and releases what a PANIC swapped out. The audio thread never wakes it (that would
    be a system call): it only leaves word in an atomic that the keeper reads. Hosts run the
    framework's message loop only while a window is open, if at all, so the work cannot wait for it.
    While nothing plays the thread sleeps until something does.

    The thread starts with the first registration and is joined when the last one goes, or when
    the library is unloaded or the process ends with registrations left: no code of the library
    runs after that. The child of a fork has no worker, and waits for nothing of its parent's.

    It runs under time-sharing scheduling at a low priority, never ahead of the thread that started
    it, on every CPU the process may use: hosts open plug-ins from real-time threads too, pinned
    ones among them. */
class RingPageWorker
{
    struct Thread;
    struct SharedThread;
    static Thread* thisProcessWorker() noexcept;

public:
    /** How often the keepers are called. */
    static constexpr int pollMilliseconds = 10;

    /** Keeps calling keep while playing, until destroyed; the destructor waits for a call that is
        under way. Keepers are called one after another, never at once. */
    class Registration
    {
    public:
        /** Registered not playing. */
        explicit Registration (std::function<void()> keep);
        ~Registration();

        /** Whether keep is to be called: an owner that is suspended has no pages to keep. Not
            from within keep. */
        void setPlaying (bool shouldPlay);

        Registration (const Registration&) = delete;
        Registration& operator= (const Registration&) = delete;

    private:
        friend struct RingPageWorker::Thread;

        std::function<void()> keeper;
        // The worker's lock held.
        bool playing = false;
        Registration* next = nullptr;
    };
};
