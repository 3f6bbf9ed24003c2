#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

namespace mordwickLib
{

/** One automatable parameter: its normalised value (0..1, what hosts, presets and the host state
    exchange), the real value in its own unit, its range, default, curve, name and MIDI-learn state.

    Values are stored from the host's threads, the message thread and the audio thread without a
    lock. Every field that more than one thread writes or reads while another writes is atomic with
    relaxed ordering: plain loads and stores on x86, but no data race. */
class PluginParameter
{
public:
    PluginParameter() = default;

    void init (float min, float max, float defaultValue, bool discrete,
               juce::String parameterName, juce::String label, bool curved, bool curveSqrt);

    /** Stores n as the normalised value and derives the copy and the real value from it.
        No range test: callers pass values in 0..1. Allocation- and lock-free. */
    void storeNormalised (float n);

    /** The real value for a normalised value, by this parameter's mapping. */
    float toReal (float n) const;

    float getNormalised() const noexcept   { return normalisedCopy.load (std::memory_order_relaxed); }
    float getReal() const noexcept         { return realValue.load (std::memory_order_relaxed); }
    int getMidiCC() const noexcept         { return midiCC.load (std::memory_order_relaxed); }
    void setMidiCC (int cc) noexcept       { midiCC.store (cc, std::memory_order_relaxed); }
    bool isLearnArmed() const noexcept     { return learnArmed.load (std::memory_order_relaxed); }
    void setLearnArmed (bool armed) noexcept { learnArmed.store (armed, std::memory_order_relaxed); }

    std::atomic<float> normalisedValue { 0.0f };
    std::atomic<float> normalisedCopy { 0.0f };
    std::atomic<float> realValue { 0.0f };
    float minValue = 0.0f;
    float maxValue = 1.0f;
    float defaultNormalised = 0.0f;
    bool isDiscrete = false;
    std::atomic<int> midiCC { -1 };
    std::atomic<bool> learnArmed { false };
    juce::String name { "Parameter" };
    juce::String unitLabel;
    bool isCurved = false;
    bool curveIsSqrt = false;

private:
    JUCE_DECLARE_NON_COPYABLE (PluginParameter)
};

} // namespace mordwickLib
