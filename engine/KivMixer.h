#pragma once

#include "Lanes.h"

/** Two-input mixer with five modes (mix, ring modulation, gain, damp, pan) and one control value. */
class KivMixer
{
public:
    void setMode (int newMode) noexcept { mode = newMode; }
    void setValue (float v) noexcept;
    float process (float a, float b, int channel) noexcept;
    void reset() noexcept { lastOutput = 0.0f; }
    void setSamplerate (double rate) noexcept { sampleRate = rate; }

    // The per-sample rule, shared by setValue, process and block processing, over a lane type: one
    // value, the two channels side by side (Stereo) or four frames of one channel (Four).

    /** The coefficient for a control value; unknown modes keep the previous coefficient. */
    template <typename T>
    static T coefficientFor (int mode, T v, T previous) noexcept
    {
        switch (mode)
        {
            case 0:  return v;
            case 1:  return v;
            case 2:  return lanes::broadcast<T> (2.0f) * v;
            case 3:  return v * v;
            case 4:  return v;
            default: return previous;
        }
    }

    /** The output for inputs a and b with coefficient c; last is the previous output ("Damp"). */
    template <typename T>
    static T mixed (int mode, T c, T last, T a, T b, int channel) noexcept
    {
        switch (mode)
        {
            case 0:  return (lanes::broadcast<T> (1.0f) - c) * a + b * c;
            case 1:  return a * b;
            case 2:  return a * c;
            case 3:  return (lanes::broadcast<T> (1.0f) - c) * last + a * c;
            case 4:  return panned (a, b, channel);
            default: return lanes::broadcast<T> (0.0f);
        }
    }

    /** "Pan": channel 0 takes input a, channel 1 input b. Stereo lanes are the two channels. */
    static float panned (float a, float b, int channel) noexcept { return channel == 0 ? a : b; }
    static lanes::Four panned (lanes::Four a, lanes::Four b, int channel) noexcept { return channel == 0 ? a : b; }
    static lanes::Stereo panned (lanes::Stereo a, lanes::Stereo b, int) noexcept { return lanes::Stereo { a[0], b[1] }; }

    float value = 0.0f;
    float coefficient = 0.0f;
    int mode = 0;
    float lastOutput = 0.0f;
    double sampleRate = 44100.0;
};
