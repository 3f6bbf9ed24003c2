#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

namespace mordwickLib
{

/** One automatable parameter: its normalised value (0..1, what hosts, presets and the host state
    exchange), the real value in its own unit, its range, default, curve, name and MIDI-learn state.

    Values are stored from the host's threads, the message thread and the audio thread without a
    lock. Every field that more than one thread writes or reads while another writes is atomic with
    relaxed ordering: plain loads and stores on x86, but no data race. The normalised value and the
    real value derived from it are one atomic word, so that two stores at once can never leave the
    normalised value of one with the real value of the other. */
class PluginParameter
{
public:
    PluginParameter() = default;

    void init (float min, float max, float defaultValue, bool discrete,
               juce::String parameterName, juce::String label, bool curved, bool curveSqrt);

    /** Stores n as the normalised value together with the real value derived from it.
        No range test: callers pass values in 0..1. Allocation- and lock-free. */
    void storeNormalised (float n);

    /** The real value for a normalised value, by this parameter's mapping. */
    float toReal (float n) const;

    float getNormalised() const noexcept   { return value.load (std::memory_order_relaxed).normalised; }
    float getReal() const noexcept         { return value.load (std::memory_order_relaxed).real; }
    int getMidiCC() const noexcept         { return midiCC.load (std::memory_order_relaxed); }
    void setMidiCC (int cc) noexcept       { midiCC.store (cc, std::memory_order_relaxed); }
    bool isLearnArmed() const noexcept     { return learnArmed.load (std::memory_order_relaxed); }
    void setLearnArmed (bool armed) noexcept { learnArmed.store (armed, std::memory_order_relaxed); }

    struct Value
    {
        float normalised;   // 0..1: what the host, presets and the host state exchange
        float real;         // in the parameter's unit: what the engine computes with
    };

    std::atomic<Value> value { Value { 0.0f, 0.0f } };
    static_assert (std::atomic<Value>::is_always_lock_free, "the audio thread stores values too");
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
