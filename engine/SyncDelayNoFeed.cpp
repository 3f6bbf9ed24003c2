#include "SyncDelayNoFeed.h"

#include <algorithm>
#include <new>

#include <sys/mman.h>

namespace mordwickLib
{

namespace
{
// Fresh anonymous pages read as zero and take memory only once written, so a ring costs what its
// line has written, not its 12 seconds. (The heap would do the same only for some sizes and
// histories, and zero-filling touches every page.)
std::unique_ptr<float[], SyncDelayNoFeed::RingRelease> allocateZeroedRing (int length)
{
    const size_t bytes = sizeof (float) * (size_t) length;
    void* pages = mmap (nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);

    if (pages == MAP_FAILED)
        throw std::bad_alloc();

    return { static_cast<float*> (pages), { bytes } };
}
} // namespace

void SyncDelayNoFeed::RingRelease::operator() (float* ring) const noexcept
{
    munmap (ring, bytes);
}

SyncDelayNoFeed::SyncDelayNoFeed()
    : ringBuffer (allocateZeroedRing (4410))
{
}

void SyncDelayNoFeed::resizeRing (int newLength)
{
    ringBuffer = allocateZeroedRing (newLength);
    ringLength = newLength;
    writeIndex = 0;
}

bool SyncDelayNoFeed::followSampleRate (double newSampleRate)
{
    if (sampleRate == newSampleRate)
        return false;

    const float ratio = (float) (newSampleRate / sampleRate);
    resizeRing ((int) ((float) ringLength * ratio + 1.0f));
    sampleRate = newSampleRate;
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

    return true;
}

void SyncDelayNoFeed::clear()
{
    std::fill (ringBuffer.get(), ringBuffer.get() + ringLength, 0.0f);
    restart();
}

void SyncDelayNoFeed::restart() noexcept
{
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
