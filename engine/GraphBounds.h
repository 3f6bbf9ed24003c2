#pragma once

#include "Lanes.h"

#include <cmath>
#include <limits>

// Where values enter and travel through the signal graph.

/** A NaN or infinite input sample (a broken upstream plug-in or host) enters the graph as silence:
    left in, the graph bound would turn it into a full-scale value circulating in the feedback paths. */
inline float finiteInput (float x) noexcept
{
    return std::abs (x) <= std::numeric_limits<float>::max() ? x : 0.0f;
}

/** Values that travel through the graph (every delay and mixer output) are kept within this bound.
    A feedback loop with a gain above one (a delay fed by itself twice, a "Gain" mixer in a loop)
    would otherwise grow into infinity and then NaN, which never leaves the rings again; bounded, it
    stays finite and decays once the loop is opened. No patch that does not run away comes near it. */
constexpr float graphLimit = 1.0e6f;

/** A graph value within the bound; a NaN goes to the upper bound. */
template <typename T>
inline T bounded (T y) noexcept
{
    return lanes::greaterOf (lanes::lessOf (y, lanes::broadcast<T> (graphLimit)), lanes::broadcast<T> (-graphLimit));
}
