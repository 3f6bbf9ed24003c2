// PANIC pressed on the message thread while the audio thread runs blocks of a full patch: no data
// race, and the block that follows a press, given silence, gives silence. Every other press waits
// until the audio thread holds still between blocks: a block that began while that press was under
// way could carry out its request and fill the silent rings before the block that is checked.
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
    std::atomic<int> heldStillFor { 0 };
    int silentBlocksChecked = 0;

    std::thread audio ([&]
    {
        juce::AudioSampleBuffer buffer (2, 256);
        juce::MidiBuffer midi;
        juce::Random random (11);
        int seen = 0;

        while (seen < presses)
        {
            const int next = seen + 1;
            const bool holdStill = next % 2 == 0 && pressed.load (std::memory_order_acquire) == seen;

            if (holdStill)
            {
                heldStillFor.store (next, std::memory_order_release);
                while (pressed.load (std::memory_order_acquire) < next)
                    std::this_thread::yield();
            }

            const int now = pressed.load (std::memory_order_acquire);

            if (holdStill)
            {
                // No block began since the press: this one carries out its request.
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

            seen = now;
        }
    });

    std::thread message ([&]
    {
        for (int n = 1; n <= presses; ++n)
        {
            // Let echo build up again, then press while a block runs, or between blocks.
            for (int k = 1; k <= 4; ++k)
                processor.setParameterNotifyingHost (ParameterIndex::delayBase (k) + ParameterIndex::delayFeedback, 0.45f);

            for (int spin = 0; spin < 20000 * n; ++spin)
                (void) processor.getParameter (spin % 98);

            if (n % 2 == 0)
                while (heldStillFor.load (std::memory_order_acquire) != n)
                    std::this_thread::yield();

            processor.panic();
            pressed.store (n, std::memory_order_release);
        }
    });

    message.join();
    audio.join();
    EXPECT_EQ (silentBlocksChecked, presses / 2);
}
