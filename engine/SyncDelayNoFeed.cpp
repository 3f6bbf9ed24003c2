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
    ringBuffer[writeIndex] = ringInput (*input, feedback, feedbackGain);

    if (++writeIndex >= ringLength)
        writeIndex = 0;

    currentDelay = glided (currentDelay, glideStep, targetDelay, glideLength, (float) ringLength);
    readPosition = wrappedReadPosition (writeIndex, currentDelay, (float) ringLength);
    return readRing (ringBuffer.get(), readPosition, ringLength);
}

} // namespace mordwickLib
