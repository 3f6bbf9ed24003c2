// PANIC pressed on the message thread while the audio thread runs blocks of a full patch: no data
// race, and the block that follows a press, given silence, gives silence.
#include "BenchPatches.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST (PanicConcurrency, PressedWhileBlocksRunLeavesNoEchoTail)
{
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 48000.0, 256);
    processor.prepareToPlay (48000.0, 256);
    benchpatch::applyFullPatch ([&] (int i, float v) { processor.setParameter (i, v); });

    constexpr int presses = 20;
    std::atomic<int> pressed { 0 };
    int silentBlocksChecked = 0;

    std::thread audio ([&]
    {
        juce::AudioSampleBuffer buffer (2, 256);
        juce::MidiBuffer midi;
        juce::Random random (11);
        int seen = 0;

        while (seen < presses)
        {
            const int now = pressed.load (std::memory_order_acquire);

            if (now != seen)
            {
                // A press finished before this block began: its request is carried out first.
                seen = now;
                buffer.clear();
                processor.processBlock (buffer, midi);
                EXPECT_EQ (buffer.getMagnitude (0, 256), 0.0f) << "after press " << now;
                ++silentBlocksChecked;
            }
            else
            {
                benchpatch::fillNoise (buffer, random);
                processor.processBlock (buffer, midi);
            }
        }
    });

    std::thread message ([&]
    {
        for (int n = 1; n <= presses; ++n)
        {
            // Let echo build up again, then press while a block runs.
            for (int k = 1; k <= 4; ++k)
                processor.setParameterNotifyingHost (ParameterIndex::delayBase (k) + ParameterIndex::delayFeedback, 0.45f);

            for (int spin = 0; spin < 20000 * n; ++spin)
                (void) processor.getParameter (spin % 98);

            processor.panic();
            pressed.store (n, std::memory_order_release);
        }
    });

    message.join();
    audio.join();
    EXPECT_GE (silentBlocksChecked, 1);
}
