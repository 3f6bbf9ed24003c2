#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace settingstest;

namespace
{
// Every whole set of settings the threads below can produce: the processor's first one and the
// host's states. Presets are saved from, and so hold, one of these value sets.
struct KnownSettings
{
    std::vector<std::vector<float>> values;
    std::vector<std::vector<int>> controllers;
    std::vector<juce::MemoryBlock> stateBlobs;

    bool knowsValues (const std::vector<float>& v) const
    {
        return std::find (values.begin(), values.end(), v) != values.end();
    }

    bool knowsControllers (const std::vector<int>& c) const
    {
        return std::find (controllers.begin(), controllers.end(), c) != controllers.end();
    }

    // A snapshot is whole when its values and controllers are known ones, and when its name is a
    // host state's ("S<k>"), they are that state's.
    bool isWhole (const std::vector<float>& v, const std::vector<int>& c, const juce::String& name) const
    {
        if (! knowsValues (v) || ! knowsControllers (c))
            return false;

        if (name.startsWith ("S"))
        {
            const auto k = (size_t) name.getTrailingIntValue() + 1;
            return k < values.size() && values[k] == v && controllers[k] == c;
        }

        return true;
    }
};
} // namespace

// An audio thread runs blocks with program changes, a message thread saves presets and loads
// them (by path and by the editor's refresh), a host thread saves and restores the state. No
// access may race, every state the host receives is whole, and so is the final state.
// Learned controllers moved by MIDI from the audio thread are not part of this run yet.
TEST (SettingsConcurrency, BlocksPresetsAndHostStateRunTogether)
{
    constexpr int numStates = 4;
    constexpr int audioBlocks = 1500;
    constexpr int messageRounds = 120;
    constexpr int hostRounds = 200;

    KnownSettings known;
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 44100.0, 64);
    processor.prepareToPlay (44100.0, 64);
    known.values.push_back (valuesOf (processor));
    known.controllers.push_back (controllersOf (processor));

    {
        VarluneAudioProcessor source;
        for (int k = 0; k < numStates; ++k)
        {
            const auto settings = setRandomSettings (source, 1000u + (unsigned) k, "S" + juce::String (k));
            known.values.emplace_back (settings.values.begin(), settings.values.end());
            known.controllers.emplace_back (settings.midiCCs.begin(), settings.midiCCs.end());
            source.getStateInformation (known.stateBlobs.emplace_back());
        }
    }

    // A few presets to start from, so that early program changes find files.
    for (int j = 0; j < 3; ++j)
        processor.savePresetAs (presetFolder().getChildFile ("P" + juce::String (j) + ".vlp"));

    std::atomic<int> ready { 0 };
    std::atomic<int> brokenStates { 0 };
    const auto startTogether = [&ready] { ready.fetch_add (1); while (ready.load() < 3) std::this_thread::yield(); };

    std::thread audio ([&]
    {
        startTogether();
        juce::AudioSampleBuffer buffer (2, 64);
        juce::MidiBuffer midi;

        for (int n = 0; n < audioBlocks; ++n)
        {
            if (n % 4 == 0)
                processor.triggerProgramChange ((n / 4) % 5);  // as a MIDI program change does

            buffer.clear();
            processor.processBlock (buffer, midi);
        }
    });

    std::thread message ([&]
    {
        startTogether();

        for (int n = 0; n < messageRounds; ++n)
        {
            const auto file = presetFolder().getChildFile ("P" + juce::String (n % 3) + ".vlp");
            processor.savePresetAs (file);

            if (n % 3 == 1)
                processor.loadPresetFromFile (file.getFullPathName());

            processor.loadPendingPreset();
            (void) processor.presetManager.getFileNames();
            (void) processor.getProgramName (0);
        }
    });

    std::thread host ([&]
    {
        startTogether();
        juce::MemoryBlock blob;
        const auto layout = processor.getSettingsLayout();

        for (int n = 0; n < hostRounds; ++n)
        {
            const auto& state = known.stateBlobs[(size_t) (n % numStates)];
            processor.setStateInformation (state.getData(), (int) state.getSize());

            processor.getStateInformation (blob);
            const auto read = SettingsDocument::readStateBlob (blob.getData(), (int) blob.getSize(), layout);

            if (! read || ! known.isWhole (std::vector<float> (read->values.begin(), read->values.end()),
                                           std::vector<int> (read->midiCCs.begin(), read->midiCCs.end()),
                                           read->presetName))
                brokenStates.fetch_add (1);
        }
    });

    audio.join();
    message.join();
    host.join();
    processor.loadPendingPreset();

    EXPECT_EQ (brokenStates.load(), 0);
    EXPECT_TRUE (known.isWhole (valuesOf (processor), controllersOf (processor), processor.getCurrentPresetName()));
    EXPECT_FALSE (processor.isPresetLoadPending());

    // Every preset on disk is whole too.
    for (const auto& name : processor.presetManager.getFileNames())
    {
        processor.loadPresetFromFile (presetFolder().getChildFile (name + ".vlp").getFullPathName());
        processor.loadPendingPreset();
        EXPECT_TRUE (known.knowsValues (valuesOf (processor))) << name;
        EXPECT_EQ (processor.getCurrentPresetName(), name);
    }
}
