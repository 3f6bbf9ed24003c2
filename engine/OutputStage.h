#pragma once

#include "Lanes.h"

/** The output stage's sample: the wet signal (already scaled by the input level and the gain) and
    the dry input mixed by the dry/wet value, clamped to -1..1. A NaN, which only a non-finite value
    could cause, becomes silence. */
template <typename T>
inline T outputSample (T wet, T dryWet, T dry) noexcept
{
    using namespace lanes;
    const T mix = wet * dryWet + (broadcast<T> (1.0f) - dryWet) * dry;
    const T clamped = greaterOf (broadcast<T> (-1.0f), lessOf (broadcast<T> (1.0f), mix));
    return numberOr (clamped, broadcast<T> (0.0f));
}
