#pragma once

/** Two-input mixer with five modes (mix, ring modulation, gain, damp, pan) and one control value. */
class KivMixer
{
public:
    void setMode (int newMode) noexcept { mode = newMode; }
    void setValue (float v) noexcept;
    float process (float a, float b, int channel) noexcept;
    void reset() noexcept { lastOutput = 0.0f; }
    void setSamplerate (double rate) noexcept { sampleRate = rate; }

    float value = 0.0f;
    float coefficient = 0.0f;
    int mode = 0;
    float lastOutput = 0.0f;
    double sampleRate = 44100.0;
};
