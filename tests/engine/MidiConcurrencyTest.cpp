// An audio thread processes blocks whose MIDI moves learned parameters, while a message thread
// arms parameters, switches learn mode, marks editor moves and builds the last-moved display, and
// a host thread automates. Nothing may race, and every binding must stay a controller or none.
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST (MidiConcurrency, LearnedControllersWhileTheEditorLearnsAndReadsTheDisplay)
{
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 44100.0, 256);
    processor.prepareToPlay (44100.0, 256);

    for (int i = 0; i < 98; i += 7)
        processor.parameters.getUnchecked (i)->setMidiCC (i % 4);

    std::atomic<int> ready { 0 };
    constexpr int blocks = 300;
    std::atomic<bool> audioDone { false };

    std::thread audio ([&]
    {
        juce::AudioSampleBuffer buffer (2, 256);
        juce::MidiBuffer midi;
        ready.fetch_add (1);
        while (ready.load() < 3) {}

        for (int block = 0; block < blocks; ++block)
        {
            buffer.clear();
            buffer.setSample (0, 0, 0.5f);
            midi.clear();
            for (int e = 0; e < 8; ++e)
                midi.addEvent (juce::MidiMessage::controllerEvent (1, (block + e) % 4, (block * 13 + e) % 128), e * 30);
            if (block % 50 == 0)
                midi.addEvent (juce::MidiMessage::programChange (1, block % 7), 100);
            processor.processBlock (buffer, midi);
        }
        audioDone = true;
    });

    std::thread message ([&]
    {
        ready.fetch_add (1);
        while (ready.load() < 3) {}

        for (int n = 0; ! audioDone.load(); ++n)
        {
            processor.midiLearnActive = (n % 3) != 0;
            processor.midiUnlearnActive = (n % 5) == 0;
            processor.parameters.getUnchecked ((n * 11) % 98)->setLearnArmed (true);
            processor.setLastMovedParameter ((n * 5) % 98, (float) (n % 8) / 8.0f);
            processor.updateLastMovedDisplay();
            EXPECT_FALSE (processor.lastParamName.isEmpty());
            EXPECT_FALSE (processor.lastParamText.isEmpty());
            if (n % 7 == 0)
                processor.triggerProgramChange (n % 5);
        }
    });

    std::thread host ([&]
    {
        ready.fetch_add (1);
        while (ready.load() < 3) {}

        for (int n = 0; ! audioDone.load(); ++n)
        {
            processor.setParameter ((n * 3) % 98, (float) (n % 11) / 10.0f);
            (void) processor.getParameter (n % 98);
        }
    });

    audio.join();
    message.join();
    host.join();

    for (auto* parameter : processor.parameters)
    {
        EXPECT_GE (parameter->getMidiCC(), -1);
        EXPECT_LE (parameter->getMidiCC(), 3);
        EXPECT_GE (parameter->getNormalised(), 0.0f);
        EXPECT_LE (parameter->getNormalised(), 1.0f);
    }
}
