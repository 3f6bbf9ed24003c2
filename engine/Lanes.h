#pragma once

// Lane types: the same single-precision arithmetic on several values side by side, lane by lane,
// with the results of the scalar expressions. A per-sample rule written once over a lane type T
// runs on one value (float), on the two channels of a frame (Stereo) or on four frames of one
// channel (Four).
#include <cstdint>
#include <cstring>

#if defined (__SSE__)
 #include <xmmintrin.h>
#endif

namespace lanes
{
using Stereo = float __attribute__ ((vector_size (8)));
using StereoIndex = int32_t __attribute__ ((vector_size (8)));
using StereoDouble = double __attribute__ ((vector_size (16)));

using Four = float __attribute__ ((vector_size (16)));
using FourIndex = int32_t __attribute__ ((vector_size (16)));
using FourDouble = double __attribute__ ((vector_size (32)));

template <typename T> inline T broadcast (float x) noexcept;
template <> inline float broadcast<float> (float x) noexcept   { return x; }
template <> inline Stereo broadcast<Stereo> (float x) noexcept { return Stereo { x, x }; }
template <> inline Four broadcast<Four> (float x) noexcept     { return Four { x, x, x, x }; }

template <typename T>
inline T load (const float* p) noexcept
{
    T v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

template <typename T>
inline void store (float* p, T v) noexcept
{
    std::memcpy (p, &v, sizeof (v));
}

// a < b ? a : b and a > b ? a : b, lane by lane: b where either is a NaN. These are single min and
// max instructions, which is why the rules that bound and clamp are written in these forms.
inline float lessOf (float a, float b) noexcept    { return a < b ? a : b; }
inline float greaterOf (float a, float b) noexcept { return a > b ? a : b; }
inline Stereo lessOf (Stereo a, Stereo b) noexcept    { return a < b ? a : b; }
inline Stereo greaterOf (Stereo a, Stereo b) noexcept { return a > b ? a : b; }

inline Four lessOf (Four a, Four b) noexcept
{
#if defined (__SSE__)
    return (Four) _mm_min_ps ((__m128) a, (__m128) b);
#else
    return a < b ? a : b;
#endif
}

inline Four greaterOf (Four a, Four b) noexcept
{
#if defined (__SSE__)
    return (Four) _mm_max_ps ((__m128) a, (__m128) b);
#else
    return a > b ? a : b;
#endif
}

// x where x is a number, otherwise (a NaN) the replacement.
inline float numberOr (float x, float replacement) noexcept { return x == x ? x : replacement; }
inline Stereo numberOr (Stereo x, Stereo replacement) noexcept { return x == x ? x : replacement; }
inline Four numberOr (Four x, Four replacement) noexcept { return x == x ? x : replacement; }

// Milliseconds to samples at a line's rate, the product formed in double precision.
inline float msToSamples (float ms, double rate) noexcept
{
    return (float) ((double) ms * 0.001 * rate);
}

inline Stereo msToSamples (Stereo ms, double rate) noexcept
{
    return __builtin_convertvector (__builtin_convertvector (ms, StereoDouble) * StereoDouble { 0.001, 0.001 }
                                        * StereoDouble { rate, rate }, Stereo);
}

inline Four msToSamples (Four ms, double rate) noexcept
{
    const FourDouble d = __builtin_convertvector (ms, FourDouble) * 0.001 * rate;
    return __builtin_convertvector (d, Four);
}
} // namespace lanes
