#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
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
// them (by path and by the editor's refresh), host threads save and restore the state. No
// access may race, every state the host receives is whole, and so is the final state.
TEST (SettingsConcurrency, BlocksPresetsAndHostStateRunTogether)
{
    constexpr int numStates = 4;
    constexpr int audioBlocks = 1500;
    constexpr int messageRounds = 120;
    constexpr int hostRounds = 400;

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
    const auto startTogether = [&ready] { ready.fetch_add (1); while (ready.load() < 4) std::this_thread::yield(); };

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

    // Two host threads: one restores states, the other saves them meanwhile.
    std::thread hostRestoring ([&]
    {
        startTogether();

        for (int n = 0; n < hostRounds; ++n)
        {
            const auto& state = known.stateBlobs[(size_t) (n % numStates)];
            processor.setStateInformation (state.getData(), (int) state.getSize());
        }
    });

    std::thread hostSaving ([&]
    {
        startTogether();
        juce::MemoryBlock blob;
        const auto layout = processor.getSettingsLayout();

        for (int n = 0; n < hostRounds; ++n)
        {
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
    hostRestoring.join();
    hostSaving.join();
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

// The same with MIDI: blocks carry program changes and controllers that drive learned parameters,
// while the message thread also switches learn and unlearn, arms parameters and builds the
// last-moved display. A controller moves one parameter at a time, so states are no longer whole;
// each parameter must still hold a value and a binding that some order of these calls gives.
TEST (SettingsConcurrency, LearnedControllersMoveParametersWhilePresetsAndStateChange)
{
    constexpr int numStates = 4;
    constexpr int audioBlocks = 1200;
    constexpr int messageRounds = 100;
    constexpr int hostRounds = 150;
    const int controllers[] = { 20, 21, 22 };

    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 44100.0, 64);
    processor.prepareToPlay (44100.0, 64);

    // Per parameter, every value and binding it may end with.
    std::vector<std::set<float>> allowedValues (98);
    std::vector<std::set<int>> allowedControllers (98, std::set<int> { -1, 20, 21, 22 });
    std::vector<juce::MemoryBlock> stateBlobs;

    for (int i = 0; i < 98; ++i)
    {
        allowedValues[(size_t) i].insert (processor.getParameter (i));
        for (int v = 0; v < 128; ++v)
            allowedValues[(size_t) i].insert ((float) v / 127.0f);
    }

    {
        VarluneAudioProcessor source;
        for (int k = 0; k < numStates; ++k)
        {
            const auto settings = setRandomSettings (source, 2000u + (unsigned) k, "S" + juce::String (k));
            for (int i = 0; i < 98; ++i)
            {
                allowedValues[(size_t) i].insert (settings.values[(size_t) i]);
                source.parameters.getUnchecked (i)->setMidiCC ((i + k) % 4 == 0 ? -1 : controllers[(i + k) % 3]);
            }
            source.getStateInformation (stateBlobs.emplace_back());
        }
    }

    for (int j = 0; j < 3; ++j)
        processor.savePresetAs (presetFolder().getChildFile ("P" + juce::String (j) + ".vlp"));

    std::atomic<int> ready { 0 };
    std::atomic<int> badStates { 0 };
    const auto startTogether = [&ready] { ready.fetch_add (1); while (ready.load() < 3) std::this_thread::yield(); };

    const auto isAllowed = [&] (int i, float value, int controller)
    {
        return allowedValues[(size_t) i].count (value) > 0 && allowedControllers[(size_t) i].count (controller) > 0;
    };

    std::thread audio ([&]
    {
        startTogether();
        juce::AudioSampleBuffer buffer (2, 64);
        juce::MidiBuffer midi;

        for (int n = 0; n < audioBlocks; ++n)
        {
            midi.clear();
            midi.addEvent (juce::MidiMessage::controllerEvent (1, controllers[n % 3], (n * 7) % 128), n % 64);
            midi.addEvent (juce::MidiMessage::controllerEvent (2, controllers[(n + 1) % 3], (n * 3) % 128), 63);
            if (n % 6 == 0)
                midi.addEvent (juce::MidiMessage::programChange (1, (n / 6) % 5), 10);

            buffer.clear();
            processor.processBlock (buffer, midi);
        }
    });

    std::thread message ([&]
    {
        startTogether();

        for (int n = 0; n < messageRounds; ++n)
        {
            processor.midiLearnActive = n % 3 != 0;
            processor.midiUnlearnActive = n % 4 == 0;
            processor.parameters.getUnchecked ((n * 13) % 98)->setLearnArmed (true);
            if (processor.midiUnlearnActive)
                processor.parameters.getUnchecked ((n * 17) % 98)->setMidiCC (-1);

            processor.savePresetAs (presetFolder().getChildFile ("P" + juce::String (n % 3) + ".vlp"));
            if (n % 3 == 1)
                processor.loadPresetFromFile (presetFolder().getChildFile ("P0.vlp").getFullPathName());
            processor.loadPendingPreset();

            processor.updateLastMovedDisplay();
            EXPECT_FALSE (processor.lastParamText.isEmpty());
        }
    });

    std::thread host ([&]
    {
        startTogether();
        juce::MemoryBlock blob;
        const auto layout = processor.getSettingsLayout();

        for (int n = 0; n < hostRounds; ++n)
        {
            const auto& state = stateBlobs[(size_t) (n % numStates)];
            processor.setStateInformation (state.getData(), (int) state.getSize());
            processor.getStateInformation (blob);

            const auto read = SettingsDocument::readStateBlob (blob.getData(), (int) blob.getSize(), layout);
            if (! read)
                badStates.fetch_add (1);
            else
                for (int i = 0; i < 98; ++i)
                    if (! isAllowed (i, read->values[(size_t) i], read->midiCCs[(size_t) i]))
                        badStates.fetch_add (1);
        }
    });

    audio.join();
    message.join();
    host.join();
    processor.loadPendingPreset();
    processor.updateLastMovedDisplay();

    EXPECT_EQ (badStates.load(), 0);
    for (int i = 0; i < 98; ++i)
        EXPECT_TRUE (isAllowed (i, processor.getParameter (i), processor.parameters.getUnchecked (i)->getMidiCC())) << i;
    EXPECT_FALSE (processor.isPresetLoadPending());
}
