#include "SyncDelayNoFeed.h"

#include "RingPages.h"

#include <algorithm>
#include <new>

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

    if (float* pages = mapRingPages (bytes))
        return { pages, { bytes } };

    throw std::bad_alloc();
}

// Memory short for the moment is often so for a fraction of a second: asked again soon, and less
// often while the refusal lasts.
constexpr std::chrono::milliseconds firstBackOff { 20 }, longestBackOff { 500 };
} // namespace

void SyncDelayNoFeed::RingRelease::operator() (float* ring) const noexcept
{
    unmapRingPages (ring, bytes);
}

SyncDelayNoFeed::SyncDelayNoFeed()
{
    resizeRing (4410);
}

void SyncDelayNoFeed::resizeRing (int newLength)
{
    auto first = allocateZeroedRing (newLength);
    auto second = allocateZeroedRing (newLength);
    rings[0] = std::move (first);
    rings[1] = std::move (second);
    pageStates[0].pages = pageStates[1].pages = Pages::unready;
    ringBuffer = rings[0].get();
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
    releaseRingPages (ringBuffer, ringBytes());
    pageStates[slotInUse()].pages = Pages::unready;
    restart();
}

void SyncDelayNoFeed::swapInSpareRing() noexcept
{
    ringBuffer = rings[1 - slotInUse()].get();
    restart();
}

void SyncDelayNoFeed::releaseSpareRing() noexcept
{
    const int spare = 1 - slotInUse();
    releaseRingPages (rings[spare].get(), ringBytes());
    pageStates[spare].pages = Pages::unready;
}

void SyncDelayNoFeed::makeRingsReady (Rings which, std::chrono::steady_clock::time_point now) noexcept
{
    for (int slot = 0; slot < 2; ++slot)
    {
        auto& state = pageStates[slot];
        const bool wanted = which == Rings::both || (slot == slotInUse()) == (which == Rings::inUse);
        const bool due = state.pages == Pages::unready
                      || (state.pages == Pages::refusedForNow && now >= state.askAgainAt);

        if (! wanted || ! due)
            continue;

        switch (populateRingPages (rings[slot].get(), ringBytes()))
        {
            case Population::done:      state.pages = Pages::ready; break;
            case Population::refused:   state.pages = Pages::refused; break;
            case Population::refusedForNow:
                state.backOff = state.pages == Pages::refusedForNow ? std::min (2 * state.backOff, longestBackOff)
                                                                    : firstBackOff;
                state.askAgainAt = now + state.backOff;
                state.pages = Pages::refusedForNow;
                break;
        }
    }
}

void SyncDelayNoFeed::retryRefusedRings() noexcept
{
    for (auto& state : pageStates)
        if (state.pages == Pages::refused || state.pages == Pages::refusedForNow)
            state.pages = Pages::unready;
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
    return readRing (ringBuffer, readPosition, ringLength);
}

} // namespace mordwickLib
