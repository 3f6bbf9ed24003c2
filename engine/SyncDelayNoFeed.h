#pragma once

#include <juce_core/juce_core.h>

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

    /** Replaces the ring with a zero-filled one of the given length and restarts writing. */
    void resizeRing (int newLength);

    /** Takes up a new sample rate: the ring and the glide length are scaled by the ratio of the
        rates and the ring is cleared; the target is left to the next block. */
    void followSampleRate (double newSampleRate);

    /** Zeroes the ring and the positions; the delay and its glide stay. */
    void clear();

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

    /** The delay after one glide step. */
    static float glideStepWithinRing (float current, float step, float target, float length) noexcept
    {
        return keptInRing (current + step, target, length);
    }

    int ringLength = 4410;
    float targetDelay = 441.0f;
    float feedbackGain = 0.0f;
    double sampleRate = 44100.0;
    std::unique_ptr<float[]> ringBuffer;
    float readPosition = 0.0f;
    int writeIndex = 0;
    float currentDelay = 441.0f;
    float glideStep = 0.0f;
    int glideLength = 0;

private:
    JUCE_DECLARE_NON_COPYABLE (SyncDelayNoFeed)
};

} // namespace mordwickLib
