#include "SyncDelayNoFeed.h"

#include <algorithm>

namespace mordwickLib
{

SyncDelayNoFeed::SyncDelayNoFeed()
    : ringBuffer (new float[4410]())
{
}

void SyncDelayNoFeed::resizeRing (int newLength)
{
    ringBuffer.reset (new float[(size_t) newLength]());
    ringLength = newLength;
    writeIndex = 0;
}

void SyncDelayNoFeed::followSampleRate (double newSampleRate)
{
    if (sampleRate == newSampleRate)
        return;

    const float ratio = (float) (newSampleRate / sampleRate);
    sampleRate = newSampleRate;
    resizeRing ((int) ((float) ringLength * ratio + 1.0f));
    glideLength = (int) ((float) glideLength * ratio);

    // Both delays are still counted in the old rate's samples. Past a shrunk ring the read position
    // would wrap round to the newest samples, and the geometric glide can stall before it is back
    // inside; the next block sets the target anew.
    targetDelay = std::min (targetDelay, (float) ringLength);
    currentDelay = std::min (currentDelay, (float) ringLength);

    if (glideLength == 0)
        currentDelay = targetDelay;
    else
        glideStep = (targetDelay - currentDelay) / (float) glideLength;
}

void SyncDelayNoFeed::clear()
{
    std::fill (ringBuffer.get(), ringBuffer.get() + ringLength, 0.0f);
    readPosition = 0.0f;
    writeIndex = 0;
}

float SyncDelayNoFeed::process (const float* input, float& feedback)
{
    const int length = ringLength;
    float* const ring = ringBuffer.get();

    ring[writeIndex] = feedback * feedbackGain + *input;

    if (++writeIndex >= length)
        writeIndex = 0;

    if (glideLength != 0)
    {
        if ((glideStep >= 0.0f && targetDelay > currentDelay)
             || (glideStep < 0.0f && currentDelay > targetDelay))
            currentDelay = glideStepWithinRing (currentDelay, glideStep, targetDelay, (float) length);
    }

    // Wrapped by the full ring length, so a delay of D always reads the input of D - 1 calls back.
    const float lengthF = (float) length;
    float r = (float) writeIndex - currentDelay;

    while (r >= lengthF)
        r -= lengthF;
    while (r < 0.0f)
        r += lengthF;

    // r + L can round up to exactly L; that position is entry 0.
    if (! (r < lengthF))
        r = 0.0f;

    readPosition = r;

    const int i = (int) r;  // r >= 0: truncation is the floor
    const float f = r - (float) i;
    const float a = ring[i];
    const float b = i <= length - 2 ? ring[i + 1] : ring[0];
    return f * (b - a) + a;
}

} // namespace mordwickLib
