#pragma once

#include "SettingsDocument.h"
#include "VarluneAudioProcessor.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace settingstest
{
inline juce::File homeFolder()
{
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory);
}

inline juce::File presetFolder()
{
    return homeFolder().getChildFile ("Library/Audio/Presets/Mordwick/Varlune");
}

inline juce::File preferencesFile()
{
    return homeFolder().getChildFile ("Mordwick/Varlune.prefs");
}

inline juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock data;
    (void) file.loadFileAsData (data);
    return data;
}

inline std::string textOf (const juce::MemoryBlock& data)
{
    return std::string (static_cast<const char*> (data.getData()), data.getSize());
}

// A value as the C library prints a double with 20 significant digits ("%.20g"), which is what
// the file formats ask for; the writers under test have their own formatting.
inline std::string printed (float value)
{
    char text[64];
    std::snprintf (text, sizeof (text), "%.20g", (double) value);
    return text;
}

inline juce::MemoryBlock blockOf (const std::string& text)
{
    return juce::MemoryBlock (text.data(), text.size());
}

inline juce::MemoryBlock stateBlob (const std::string& xml, juce::uint32 magic = SettingsDocument::stateMagic)
{
    juce::MemoryOutputStream out;
    out.writeInt ((int) magic);
    out.writeInt ((int) xml.size());
    out.write (xml.data(), xml.size());
    out.writeByte (0);
    return out.getMemoryBlock();
}

/** Sets every parameter to a value and a controller drawn from seed, and names the preset. */
inline SettingsSnapshot setRandomSettings (VarluneAudioProcessor& processor, unsigned seed, const juce::String& name)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> value (0.0f, 1.0f);
    std::uniform_int_distribution<int> controller (-1, 127);
    SettingsSnapshot settings;
    settings.presetName = name;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        settings.values[(size_t) i] = value (random);
        settings.midiCCs[(size_t) i] = controller (random);
        processor.setParameter (i, settings.values[(size_t) i]);
        processor.parameters.getUnchecked (i)->setMidiCC (settings.midiCCs[(size_t) i]);
    }

    processor.setCurrentPresetName (name);
    return settings;
}

inline std::vector<float> valuesOf (VarluneAudioProcessor& processor)
{
    std::vector<float> values;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
        values.push_back (processor.getParameter (i));

    return values;
}

inline std::vector<int> controllersOf (const VarluneAudioProcessor& processor)
{
    std::vector<int> controllers;

    for (auto* parameter : processor.parameters)
        controllers.push_back (parameter->getMidiCC());

    return controllers;
}

inline std::vector<float> defaultsOf (const VarluneAudioProcessor& processor)
{
    std::vector<float> values;

    for (auto* parameter : processor.parameters)
        values.push_back (parameter->defaultNormalised);

    return values;
}

/** Records what the processor reports to a host. */
struct RecordingListener : juce::AudioProcessorListener
{
    std::vector<std::pair<int, float>> changes;
    int gestures = 0;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        changes.emplace_back (index, value);
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gestures; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override   { ++gestures; }
};

/** Runs one short block, so that a pending program change is taken up. */
inline void runBlock (VarluneAudioProcessor& processor)
{
    juce::AudioSampleBuffer buffer (2, 16);
    buffer.clear();
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
}
} // namespace settingstest
