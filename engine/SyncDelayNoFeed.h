#pragma once

#include <juce_core/juce_core.h>

#include <chrono>
#include <memory>

namespace mordwickLib
{

/** One channel of one delay unit: a ring written once per sample and read back at a fractional,
    gliding delay by linear interpolation. The second input is whatever the routing feeds back,
    scaled by feedbackGain. The owner writes the fields directly and keeps 2 <= ringLength,
    0 <= writeIndex < ringLength and targetDelay in (0, ringLength). */
class SyncDelayNoFeed
{
public:
    SyncDelayNoFeed();

    /** Writes input + feedback * feedbackGain, then returns the sample currentDelay - 1 calls back. */
    float process (const float* input, float& feedback);

    /** Replaces the ring and its spare with zero-filled ones of the given length and restarts
        writing. New rings' pages cost no memory until they are written. When the memory cannot be
        had, std::bad_alloc is thrown and the line is left as it was. */
    void resizeRing (int newLength);

    /** Takes up a new sample rate: the ring and the glide length are scaled by the ratio of the
        rates and the ring is cleared; the target is left to the next block. True when the rate
        was new and the ring replaced; a failed allocation leaves the line at its old rate. */
    bool followSampleRate (double newSampleRate);

    /** Zeroes the ring and the positions; the delay and its glide stay. The ring's pages go back
        to the system, so that a line that no longer runs costs no memory. Not while process runs. */
    void clear();

    // The spare ring, as long as the ring in use and holding only +0: silencing a line at once is
    // then a swap, not a write of every entry. The audio thread swaps; the owner releases and
    // readies pages off the audio thread, at times when no swap can run, except where noted.

    /** Puts the spare ring in use, writing from entry 0; the ring it replaces becomes the spare,
        to be released before the next swap. */
    void swapInSpareRing() noexcept;

    /** Gives the spare ring's pages back to the system: it holds only +0 again. */
    void releaseSpareRing() noexcept;

    /** The rings makeRingsReady prepares; `both` reads nothing that a swap writes, so it may run
        while one is due. */
    enum class Rings { inUse, spare, both };

    /** Gives the rings' pages memory now (the steady clock's time), keeping what they hold, so
        that process writes no fresh page: on the audio thread each would be a page fault, and a
        wait on the kernel. Pages refused for now are asked for again after a wait that doubles
        while they are refused, up to half a second; a ring refused for good is left alone until
        retryRefusedRings, its release or a clear: asked again, the system would only refuse
        again. */
    void makeRingsReady (Rings which, std::chrono::steady_clock::time_point now) noexcept;

    /** Lets makeRingsReady ask again at once for pages it was refused. */
    void retryRefusedRings() noexcept;

    /** Returns a ring's pages to the system. */
    struct RingRelease
    {
        size_t bytes;
        void operator() (float* ring) const noexcept;
    };

    // The per-sample rule, shared by process and block processing. Written over a lane type where
    // block processing runs it on both channels or four frames at once.

    /** The ring's new entry: the input plus the feedback scaled by the gain. */
    template <typename T>
    static T ringInput (T input, T feedback, T gain) noexcept   { return feedback * gain + input; }

    /** A delay kept within the ring (0, length]. The last step of a glide may pass its target by
        up to a step; near either end of the ring that would wrap the read position round to the
        newest or the oldest samples, a long echo turning into a comb. Past the end the delay stays
        at the end, below the start on its target. */
    static float keptInRing (float delay, float target, float length) noexcept
    {
        if (delay > length)
            return length;

        return delay > 0.0f ? delay : target;
    }

    /** The delay after one call's glide: a step toward the target while it lies ahead. The step
        is not clipped at the target, only at the ring. */
    static float glided (float current, float step, float target, int glideLength, float length) noexcept
    {
        if (glideLength != 0 && ((step >= 0.0f && target > current) || (step < 0.0f && current > target)))
            return keptInRing (current + step, target, length);

        return current;
    }

    /** The read position for the advanced write index and a delay, wrapped by the full length, so
        that a delay of D always reads the input of D - 1 calls back. */
    static float wrappedReadPosition (int write, float delay, float length) noexcept
    {
        float r = (float) write - delay;

        while (r >= length)
            r -= length;
        while (r < 0.0f)
            r += length;

        // r + L can round up to exactly L; that position is entry 0.
        return r < length ? r : 0.0f;
    }

    /** Between two neighbouring entries, by the fraction of the read position. */
    template <typename T>
    static T interpolated (T a, T b, T fraction) noexcept   { return fraction * (b - a) + a; }

    /** The ring read at a position in [0, length). */
    static float readRing (const float* ring, float position, int length) noexcept
    {
        const int i = (int) position;  // position >= 0: truncation is the floor
        const float a = ring[i];
        const float b = i <= length - 2 ? ring[i + 1] : ring[0];
        return interpolated (a, b, position - (float) i);
    }

    /** A target delay in samples brought into the ring: at or below 0 it becomes one sample, at
        or above the ring length it is halved until it fits. A NaN leaves the previous target. */
    static float targetInRing (float s, float previous, float length) noexcept
    {
        if (s > 0.0f && s < length)
            return s;
        if (s <= 0.0f)
            return 1.0f;
        if (s >= length)
        {
            while (s >= length)
                s = s * 0.5f;
            return s;
        }
        return previous;
    }

    int ringLength = 4410;
    float targetDelay = 441.0f;
    float feedbackGain = 0.0f;
    double sampleRate = 44100.0;
    float* ringBuffer = nullptr;  // the ring in use: one of rings
    float readPosition = 0.0f;
    int writeIndex = 0;
    float currentDelay = 441.0f;
    float glideStep = 0.0f;
    int glideLength = 0;

private:
    void restart() noexcept;
    int slotInUse() const noexcept   { return ringBuffer == rings[0].get() ? 0 : 1; }
    size_t ringBytes() const noexcept { return sizeof (float) * (size_t) ringLength; }

    // The ring in use and the spare, and whether each one's pages have memory; pages refused for
    // now are asked for again at askAgainAt, after waiting backOff.
    enum class Pages { unready, ready, refusedForNow, refused };
    struct PageState
    {
        Pages pages = Pages::unready;
        std::chrono::steady_clock::time_point askAgainAt {};
        std::chrono::milliseconds backOff {};
    };
    std::unique_ptr<float[], RingRelease> rings[2];
    PageState pageStates[2];

    JUCE_DECLARE_NON_COPYABLE (SyncDelayNoFeed)
};

} // namespace mordwickLib
