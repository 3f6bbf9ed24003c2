#pragma once

#include <atomic>

/** The hand-over of PANIC's silent rings between the threads that ask for silence and the audio
    thread, which silences the delay lines by swapping each one's ring for its spare (all +0) at
    the start of a block. Each state hands the spares to one side:

    - sparesSilent: off the audio thread; the spares are released and may be made ready;
    - swapRequested: the audio thread's, which swaps at its next block;
    - swapped: off the audio thread again; the spares hold the rings swapped out, full of old
      audio, and are released before any further swap.

    Off the audio thread the callers take turns under their owner's lock; the audio thread never
    waits. Every decision is taken from one reading of the state: a swap that finishes between two
    readings would hand the rings it swapped out, unreleased, to the next swap, bringing the old
    echo back. The state type is a parameter so that tests can step the other side in between. */
template <typename State = std::atomic<int>>
class SilentRingSwap
{
public:
    enum : int { sparesSilent, swapRequested, swapped };

    /** Off the audio thread: asks for silence. A swap still due is left as it is: it silences the
        lines after this request too. Rings a finished swap left are released first; then the
        spares are made ready and handed over. */
    template <typename Release, typename MakeReady>
    void request (Release&& releaseSpares, MakeReady&& makeSparesReady)
    {
        const int seen = state.load (std::memory_order_acquire);

        if (seen == swapRequested)
            return;

        if (seen == swapped)
            releaseSpares();

        makeSparesReady();
        state.store (swapRequested, std::memory_order_release);
    }

    /** Off the audio thread: releases the rings a finished swap left in the spares. */
    template <typename Release>
    void releaseSwappedOut (Release&& releaseSpares)
    {
        if (state.load (std::memory_order_acquire) != swapped)
            return;

        releaseSpares();
        state.store (sparesSilent, std::memory_order_release);
    }

    /** Off the audio thread: whether a swap is due, so that which ring is in use may change at
        any moment. */
    bool isDue() const noexcept { return state.load (std::memory_order_acquire) == swapRequested; }

    /** The audio thread: carries out a requested swap; whether there was one. Once swap returns
        the other side may release the rings swapped out: nothing on the audio thread may point
        at them any more. */
    template <typename Swap>
    bool swapIfRequested (Swap&& swap) noexcept
    {
        if (state.load (std::memory_order_acquire) != swapRequested)
            return false;

        swap();
        state.store (swapped, std::memory_order_release);
        return true;
    }

private:
    State state { sparesSilent };
};
