#pragma once

#include <mutex>

/** The framework keeps its windows, timers and pop-ups on one message thread, and on any other
    thread takes another path for the same calls: a pop-up that closes, for one, posts its ending
    back to the message thread, and dispatching that message elsewhere posts it again for ever.
    VST 2.4 hosts choose the threads: many make instances on one thread and open, idle and close
    their windows on another, and a later window may come from another thread still.

    So every call into the framework's windows is a turn: while a turn lasts, its thread is the
    framework's message thread, and turns taken on different threads follow one another. Between
    turns the last thread to take one stays the message thread; nothing runs the framework's
    messages then, so a request to the window (a program change, a size reset) waits for the
    next window to run it. */
class MessageThreadTurn
{
public:
    /** Waits for a turn under way on another thread; a thread may nest turns. */
    MessageThreadTurn();

    MessageThreadTurn (const MessageThreadTurn&) = delete;
    MessageThreadTurn& operator= (const MessageThreadTurn&) = delete;

private:
    std::unique_lock<std::recursive_mutex> turn;
};
