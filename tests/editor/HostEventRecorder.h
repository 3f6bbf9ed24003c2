#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

namespace actiontest
{
/** What a host hears from the processor, in the order it hears it. */
struct HostEvent
{
    enum Kind { begin, change, end };

    Kind kind;
    int index;
    float value;

    bool operator== (const HostEvent& other) const
    {
        return kind == other.kind && index == other.index && value == other.value;
    }
};

inline std::ostream& operator<< (std::ostream& out, const HostEvent& e)
{
    static const char* const names[] = { "begin", "change", "end" };
    return out << names[e.kind] << " " << e.index << " " << e.value;
}

/** Listens to a processor for its lifetime and records every gesture and value change. */
class HostEventRecorder : public juce::AudioProcessorListener
{
public:
    explicit HostEventRecorder (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
    ~HostEventRecorder() override { processor.removeListener (this); }

    /** The parameter changes alone, as (index, value) events. */
    std::vector<HostEvent> changesOnly() const
    {
        std::vector<HostEvent> result;
        for (const auto& e : events)
            if (e.kind == HostEvent::change)
                result.push_back (e);
        return result;
    }

    bool hasGestures() const
    {
        for (const auto& e : events)
            if (e.kind != HostEvent::change)
                return true;
        return false;
    }

    std::vector<HostEvent> events;

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        events.push_back ({ HostEvent::change, index, value });
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ HostEvent::begin, index, 0.0f });
    }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ HostEvent::end, index, 0.0f });
    }

    juce::AudioProcessor& processor;
};
} // namespace actiontest
