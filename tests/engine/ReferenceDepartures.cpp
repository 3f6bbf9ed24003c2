#include "ReferenceDepartures.h"

#include <cmath>

namespace reference
{
float inputEnteringGraph (float x)
{
    return std::isfinite (x) ? x : 0.0f;
}

float delayWithinRing (float delay, int ringLength, float fallback)
{
    const float length = (float) ringLength;

    if (delay > length)
        return length;
    if (delay > 0.0f)
        return delay;
    return fallback;
}

float boundedGraphValue (float y)
{
    const float bound = 1.0e6f;

    if (y != y)
        return bound;
    if (y > bound)
        return bound;
    if (y < -bound)
        return -bound;
    return y;
}

float readPositionInRing (float r, int ringLength)
{
    const float length = (float) ringLength;

    while (r >= length)
        r -= length;
    while (r < 0.0f)
        r += length;

    if (! (r < length))
        return 0.0f;
    return r;
}

bool isUsableTempo (double bpm)
{
    if (! (bpm > 0.0) || ! std::isfinite (bpm))
        return false;

    const float wholeNoteMs = (60000.0f / (float) bpm) * 4.0f;
    return wholeNoteMs > 0.0f && wholeNoteMs <= 1.0e30f;
}

float silenceForNaN (float output)
{
    return output != output ? 0.0f : output;
}

bool isUsableSampleRate (double rate)
{
    return rate > 0.0 && rate <= 768000.0;
}

float phaseInTable (float next, float tableSize)
{
    if (next >= tableSize)
        next = std::fmod (next, tableSize);

    if (! (next >= 0.0f && next < tableSize))
        return 0.0f;
    return next;
}
} // namespace reference
