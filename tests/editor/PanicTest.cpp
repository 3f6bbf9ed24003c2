// PANIC on the processor: what the next block finds in the delay lines; the menu's revert.
#include "BenchPatches.h"
#include "EditorTestSupport.h"
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

using editortest::HostEvent;
using editortest::HostRecorder;

namespace
{
bool ringIsSilent (const mordwickLib::SyncDelayNoFeed& line)
{
    for (int i = 0; i < line.ringLength; ++i)
        if (line.ringBuffer[i] != 0.0f)
            return false;
    return true;
}

// An echo that goes round through the routing alone, past every feedback amount: delay 1 (1 ms)
// takes mixer 1, which mixes the input with delay 1 and feeds the output.
template <typename Setter>
void applyRoutingLoop (Setter&& set)
{
    using namespace ParameterIndex;
    set (delayBase (1) + delayTime, 0.0f);
    set (delayBase (1) + delayInput, benchpatch::source (sourceMixer1));
    set (delayBase (1) + delayFeedbackInput, 0.0f);
    set (mixerBase (1) + mixerInputA, benchpatch::source (sourceInput));
    set (mixerBase (1) + mixerInputB, benchpatch::source (sourceDelay1));
    set (outInputSource, benchpatch::source (sourceMixer1));
    set (dryWet, 1.0f);
}

struct PatchedProcessor
{
    explicit PatchedProcessor (bool routingLoop = false)
    {
        processor.setPlayConfigDetails (2, 2, 48000.0, 512);
        processor.prepareToPlay (48000.0, 512);
        auto set = [this] (int i, float v) { processor.setParameter (i, v); };

        if (routingLoop)
            applyRoutingLoop (set);
        else
            benchpatch::applyFullPatch (set);
    }

    void runNoise (int blocks)
    {
        for (int b = 0; b < blocks; ++b)
        {
            benchpatch::fillNoise (buffer, random);
            processor.processBlock (buffer, midi);
        }
    }

    VarluneAudioProcessor processor;
    juce::AudioSampleBuffer buffer { 2, 512 };
    juce::MidiBuffer midi;
    juce::Random random { 7 };
};
} // namespace

TEST (Panic, TheNextBlockStartsFromSilentLinesAndLeavesNoEchoTail)
{
    for (const bool routingLoop : { false, true })
    {
        SCOPED_TRACE (routingLoop ? "routing loop" : "full patch");
        PatchedProcessor patched (routingLoop);
        auto& processor = patched.processor;
        patched.runNoise (60);
        processor.copyGraphStateToUnits();

        float delays[4][2];
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 2; ++c)
                delays[k][c] = processor.delayLines[k][c]->currentDelay;

        processor.panic();

        // Nothing is cleared on this thread: the lines still hold the echo until the next block.
        EXPECT_FALSE (ringIsSilent (*processor.delayLines[0][0]));

        juce::AudioSampleBuffer empty (2, 0);
        processor.processBlock (empty, patched.midi);
        processor.copyGraphStateToUnits();

        for (int k = 0; k < 4; ++k)
        {
            for (int c = 0; c < 2; ++c)
            {
                const auto& line = *processor.delayLines[k][c];
                EXPECT_TRUE (ringIsSilent (line)) << k << " " << c;
                EXPECT_EQ (line.writeIndex, 0);
                EXPECT_EQ (line.readPosition, 0.0f);
                EXPECT_EQ (line.currentDelay, delays[k][c]);   // no samples ran: the glide did not move
                EXPECT_EQ (line.ringLength, 576002);
            }
        }

        // With the patch's feedback back on, silence in gives silence out: no echo is left anywhere.
        for (int k = 1; k <= 4; ++k)
            processor.setParameter (ParameterIndex::delayBase (k) + ParameterIndex::delayFeedback, 0.45f);

        for (int block = 0; block < 3; ++block)
        {
            patched.buffer.clear();
            processor.processBlock (patched.buffer, patched.midi);
            EXPECT_EQ (patched.buffer.getMagnitude (0, 512), 0.0f) << block;
        }

        // The request is carried out once: new input echoes again.
        patched.runNoise (30);
        patched.buffer.clear();
        processor.processBlock (patched.buffer, patched.midi);
        EXPECT_GT (patched.buffer.getMagnitude (0, 512), 0.0f);
    }
}

TEST (MenuResets, RevertToDefaultSettingsKeepsLearnedControllers)
{
    VarluneAudioProcessor processor;
    juce::Random random (3);

    for (int i = 0; i < 98; ++i)
    {
        processor.setParameter (i, random.nextFloat());
        processor.parameters.getUnchecked (i)->setMidiCC (i % 3 == 0 ? -1 : i);
    }

    HostRecorder host (processor);
    processor.revertToDefaultSettings();

    ASSERT_EQ (host.events.size(), 98u);
    for (int i = 0; i < 98; ++i)
    {
        const float value = processor.parameters.getUnchecked (i)->defaultNormalised;
        EXPECT_EQ (host.events[(size_t) i], (HostEvent { HostEvent::set, i, value }));
        EXPECT_EQ (processor.getParameter (i), value) << i;
        EXPECT_EQ (processor.parameters.getUnchecked (i)->getMidiCC(), i % 3 == 0 ? -1 : i) << i;
    }
}
