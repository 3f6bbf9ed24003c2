#pragma once

#include <functional>
#include <memory>

/** One low-priority thread for the whole process that keeps the delay rings' pages: every few
    milliseconds it calls each registered keeper, which readies the rings its lines run on and
    releases what a PANIC swapped out. The audio thread never wakes it (that would be a system
    call): it only leaves word in an atomic that the keeper reads. Hosts run the framework's
    message loop only while a window is open, if at all, so the work cannot wait for it.

    The thread starts with the first registration and is joined when the last one goes, so that
    no code of the library runs once the host has closed every instance and may unload it. A
    process that ends with instances open ends with the thread still running. */
class RingPageWorker
{
    struct Thread;
    static std::shared_ptr<Thread> sharedThread();

public:
    /** How often the keepers are called. */
    static constexpr int pollMilliseconds = 10;

    /** Keeps calling keep until destroyed; the destructor waits for a call that is under way. */
    class Registration
    {
    public:
        explicit Registration (std::function<void()> keep);
        ~Registration();

        Registration (const Registration&) = delete;
        Registration& operator= (const Registration&) = delete;

    private:
        // Shared, so that the thread's state lasts as long as anyone registered, also past the
        // static destructors of a process that ends with instances open.
        std::shared_ptr<Thread> worker;
        std::function<void()> keeper;
    };
};
