#pragma once

#include <vector>

/** The reference model's DSP units, written from their descriptions: an LFO reading six tables
    built from their formulas, a delay line on a ring with a gliding fractional delay, a two-input
    mixer. Plain fields, one sample per call, no shortcuts. */
namespace reference
{
class Lfo
{
public:
    static constexpr int tableSize = 1024;
    enum Wave { sine, square, sawUp, sawDown, triangle, sampleAndHold, numWaves };

    /** Fills the tables; the random one from a randomly seeded generator. */
    Lfo();

    /** Takes over another LFO's random table (tableSize values), so sample and hold can match it. */
    void useRandomTable (const float* values);

    /** The value at the current phase; then the phase advances by one increment. */
    float nextSample();

    /** The increment for the current rate at the LFO's own sample rate. */
    float incrementForRate() const;

    double sampleRate = 44100.0;
    float rate = 1.0f;
    int wave = sine;
    float phase = 0.0f;
    float phaseIncrement = 0.0f;
    int previousIndex = tableSize - 1;
    int holdIndex = 0;

    std::vector<float> tables[numWaves];
};

class DelayLine
{
public:
    /** A ring of 4410 zeros and a delay of 441 samples. */
    DelayLine();

    /** Writes input + feedback * feedbackGain, glides, and reads the ring currentDelay back. */
    float process (float input, float feedback);

    /** A zero-filled ring of this length, written from entry 0. */
    void replaceRing (int length);

    /** Takes up the processor's new rate: ring and glide length scaled by the ratio of the rates;
        the target is left to the next block. */
    void takeUpSampleRate (double newRate);

    /** Zeroes the ring and both positions; delays and glide stay. */
    void clear();

    int ringLength() const { return (int) ring.size(); }

    std::vector<float> ring;
    double sampleRate = 44100.0;
    float targetDelay = 441.0f;
    float currentDelay = 441.0f;
    float glideStep = 0.0f;
    int glideLength = 0;
    float feedbackGain = 0.0f;
    int writeIndex = 0;
    float readPosition = 0.0f;
};

class Mixer
{
public:
    enum Mode { mix, ringmod, gain, damp, pan };

    /** Stores the control value and derives the coefficient for the current mode. */
    void setValue (float v);

    /** The mixed sample of inputs a and b; it is also kept as the last output. */
    float process (float a, float b, int channel);

    void reset() { lastOutput = 0.0f; }

    int mode = mix;
    float value = 0.0f;
    float coefficient = 0.0f;
    float lastOutput = 0.0f;
};
} // namespace reference
