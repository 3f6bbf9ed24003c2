// The message thread moves panel controls, switches learn and unlearn and refreshes the panels
// while the audio thread processes blocks whose MIDI controllers move learned parameters, some of
// them the same ones. Nothing may race.
#include "DelayComponent.h"
#include "EditorTestSupport.h"
#include "LfoComponent.h"
#include "MixerComponent.h"

#include <atomic>
#include <thread>

using namespace editortest;

TEST (PanelConcurrency, ControlsAndRefreshesWhileLearnedControllersMoveParameters)
{
    juce::ScopedJuceInitialiser_GUI framework;
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 44100.0, 256);
    processor.prepareToPlay (44100.0, 256);

    DelayComponent delay (1);
    LfoComponent lfo (2);
    MixerComponent mixer (3);
    delay.processor = lfo.processor = mixer.processor = &processor;

    // Controllers 0 to 3 drive parameters the panels also drive.
    for (int index : { 0, 3, 5, 9, 47, 48, 53, 80, 83, 85 })
        processor.parameters.getUnchecked (index)->setMidiCC (index % 4);

    std::atomic<bool> started { false };
    std::atomic<bool> editorDone { false };

    std::thread audio ([&]
    {
        juce::AudioSampleBuffer buffer (2, 256);
        juce::MidiBuffer midi;
        while (! started.load()) {}

        for (int block = 0; ! editorDone.load() || block < 50; ++block)
        {
            buffer.clear();
            buffer.setSample (0, 0, 0.5f);
            midi.clear();
            for (int e = 0; e < 8; ++e)
                midi.addEvent (juce::MidiMessage::controllerEvent (1, (block + e) % 5, (block * 7 + e * 13) % 128), e * 30);
            processor.processBlock (buffer, midi);
        }
    });

    struct Move { juce::Component& panel; const char* control; double position; };
    const Move moves[] = {
        { delay, "time knob", 0.3 }, { delay, "feed knob", 0.7 }, { delay, "in level knob", 0.2 },
        { delay, "input box", 4 }, { delay, "sync button", 1 }, { delay, "time knob", 0.9 },
        { delay, "sync button", 0 }, { lfo, "wave knob", 5 }, { lfo, "rate knob", 0.4 },
        { lfo, "rate mod box", 12 }, { lfo, "multiply button", 1 }, { mixer, "mode box", 1 },
        { mixer, "value knob", 0.1 }, { mixer, "value mod depth knob", 0.6 }, { mixer, "mode box", 0 },
    };

    started = true;

    for (int n = 0; n < 600; ++n)
    {
        processor.midiLearnActive = (n % 3) == 0;
        processor.midiUnlearnActive = (n % 7) == 0;

        const auto& move = moves[(size_t) n % std::size (moves)];
        userSets (childNamed (move.panel, move.control), move.position + (n % 2) * 0.001);

        delay.updateFromPlugin();
        lfo.updateFromPlugin();
        mixer.updateFromPlugin();
        processor.updateLastMovedDisplay();
    }

    editorDone = true;
    audio.join();

    for (auto* parameter : processor.parameters)
    {
        EXPECT_GE (parameter->getMidiCC(), -1);
        EXPECT_LE (parameter->getMidiCC(), 4);
        EXPECT_GE (parameter->getNormalised(), 0.0f);
        EXPECT_LE (parameter->getNormalised(), 1.0f);
    }

    // With both threads done, a refresh shows exactly what the processor holds.
    delay.updateFromPlugin();
    EXPECT_NEAR (child<juce::Slider> (delay, "feed knob").getValue(), processor.getParameter (3), 0.0005);
    mixer.updateFromPlugin();
    EXPECT_NEAR (child<juce::Slider> (mixer, "value knob").getValue(), processor.getParameter (83), 0.0005);
}
