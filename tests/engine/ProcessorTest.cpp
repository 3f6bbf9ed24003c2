#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace
{
// Records what the processor reports to a host.
struct RecordingListener : juce::AudioProcessorListener
{
    std::vector<std::pair<int, float>> changes;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        changes.emplace_back (index, value);
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
};

bool ringIsSilent (const mordwickLib::SyncDelayNoFeed& line)
{
    for (int i = 0; i < line.ringLength; ++i)
        if (line.ringBuffer[i] != 0.0f)
            return false;
    return true;
}

// The fraction of the ring in use whose pages have memory.
double residentShare (const mordwickLib::SyncDelayNoFeed& line)
{
    const size_t page = (size_t) sysconf (_SC_PAGESIZE);
    const size_t pages = (sizeof (float) * (size_t) line.ringLength + page - 1) / page;
    std::vector<unsigned char> resident (pages);
    mincore (line.ringBuffer, sizeof (float) * (size_t) line.ringLength, resident.data());
    size_t count = 0;
    for (auto r : resident)
        count += r & 1u;
    return (double) count / (double) pages;
}
} // namespace

TEST (Processor, IdentityAnswers)
{
    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    ASSERT_NE (dynamic_cast<VarluneAudioProcessor*> (processor.get()), nullptr);

    EXPECT_EQ (processor->getName(), "Varlune");
    EXPECT_EQ (processor->getNumParameters(), 98);
    EXPECT_EQ (processor->getNumPrograms(), 0);
    EXPECT_EQ (processor->getCurrentProgram(), 0);
    EXPECT_EQ (processor->getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor->acceptsMidi());
    EXPECT_FALSE (processor->producesMidi());
    EXPECT_FALSE (static_cast<VarluneAudioProcessor&> (*processor).silenceInProducesSilenceOut());
    EXPECT_EQ (processor->getInputChannelName (0), "1");
    EXPECT_EQ (processor->getInputChannelName (1), "2");
    EXPECT_EQ (processor->getOutputChannelName (1), "2");
    EXPECT_TRUE (processor->isInputChannelStereoPair (0));
    EXPECT_TRUE (processor->isOutputChannelStereoPair (1));
    EXPECT_EQ (processor->getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor->getTotalNumOutputChannels(), 2);

    for (int index : { 0, 5, -1 })
        EXPECT_EQ (processor->getProgramName (index), "Init");
    processor->setCurrentProgram (3);
    processor->changeProgramName (0, "Other");
    EXPECT_EQ (processor->getCurrentProgram(), 0);
    EXPECT_EQ (processor->getProgramName (0), "Init");
}

TEST (Processor, ConstructionSizesEveryUnit)
{
    VarluneAudioProcessor processor;
    EXPECT_EQ (processor.lfos.size(), 4);

    for (int k = 0; k < 4; ++k)
    {
        ASSERT_EQ (processor.delayLines[k].size(), 2);
        ASSERT_EQ (processor.mixers[k].size(), 2);

        for (auto* line : processor.delayLines[k])
        {
            EXPECT_EQ (line->ringLength, 529201);
            EXPECT_EQ (line->writeIndex, 0);
            EXPECT_EQ (line->glideLength, 0);
            EXPECT_EQ (line->targetDelay, 441.0f);
            EXPECT_EQ (line->currentDelay, line->targetDelay);
            EXPECT_TRUE (ringIsSilent (*line));
        }

        for (auto* mixer : processor.mixers[k])
            EXPECT_EQ (mixer->sampleRate, 44100.0);
    }

    EXPECT_EQ (processor.delayTimeMs[3], 60.0f);
    EXPECT_EQ (processor.delaySyncedDivision[0], 4.0f);
    EXPECT_EQ (processor.mixerControl[2], 0.5f);
    EXPECT_EQ (processor.outGainFactor, 1.0f);
    EXPECT_EQ (processor.bpm, 120.0);
}

TEST (Processor, PrepareToPlayResizesByTheRatioAndClearsTheLinesThatRan)
{
    VarluneAudioProcessor processor;
    juce::AudioSampleBuffer buffer (2, 512);
    juce::MidiBuffer midi;
    const auto runBlock = [&] { buffer.clear(); processor.processBlock (buffer, midi); };
    auto& line = *processor.delayLines[0][1];  // delay 1 takes the input in the default patch

    runBlock();
    line.ringBuffer[100] = 0.5f;
    line.writeIndex = 17;
    line.readPosition = 3.0f;
    processor.prepareToPlay (44100.0, 512);
    EXPECT_EQ (line.ringLength, 529201);
    EXPECT_TRUE (ringIsSilent (line));
    EXPECT_EQ (line.writeIndex, 0);
    EXPECT_EQ (line.readPosition, 0.0f);

    line.glideLength = 11025;
    line.currentDelay = 100.0f;
    line.targetDelay = 441.0f;
    processor.prepareToPlay (48000.0, 512);

    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 2; ++c)
        {
            EXPECT_EQ (processor.delayLines[k][c]->ringLength, 576002);
            EXPECT_EQ (processor.delayLines[k][c]->sampleRate, 48000.0);
            EXPECT_EQ (processor.mixers[k][c]->sampleRate, 48000.0);
        }
    for (auto* lfo : processor.lfos)
        EXPECT_EQ (lfo->sampleRate, 48000.0);

    // The glide is rescaled with the rate; the target is left to the next block.
    EXPECT_EQ (line.glideLength, (int) (11025.0f * (float) (48000.0 / 44100.0)));
    EXPECT_FLOAT_EQ (line.glideStep, (441.0f - 100.0f) / (float) line.glideLength);
    EXPECT_EQ (line.targetDelay, 441.0f);

    runBlock();
    line.ringBuffer[5] = 1.0f;
    processor.prepareToPlay (48000.0, 256);
    EXPECT_EQ (line.ringLength, 576002);
    EXPECT_TRUE (ringIsSilent (line));

    // Clearing gives a ring's pages back: a line that does not run holds no memory, while the ring
    // of one that runs has all its pages before a block writes them.
    auto& idle = *processor.delayLines[2][1];
    runBlock();
    idle.writeIndex = 17;
    idle.ringBuffer[5] = 1.0f;  // not something the line itself could write
    processor.prepareToPlay (48000.0, 256);
    EXPECT_EQ (residentShare (idle), 0.0);
    EXPECT_EQ (residentShare (line), 1.0);
    EXPECT_EQ (idle.writeIndex, 0);
    EXPECT_EQ (idle.ringBuffer[5], 0.0f);

    processor.prepareToPlay (44100.0, 256);
    EXPECT_EQ (line.ringLength, 529202);
}

TEST (Processor, PrepareToPlayIgnoresRatesNoDeviceRuns)
{
    VarluneAudioProcessor processor;

    for (double rate : { 0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), 1.0e12 })
    {
        processor.prepareToPlay (rate, 512);
        EXPECT_EQ (processor.sampleRate, 44100.0);
        EXPECT_EQ (processor.delayLines[0][0]->ringLength, 529201);
    }
}

TEST (Processor, PrepareToPlayResetsTheMixers)
{
    VarluneAudioProcessor processor;
    auto& mixer = *processor.mixers[1][0];
    mixer.setMode (3);
    mixer.setValue (0.0f);
    mixer.lastOutput = 0.75f;
    processor.prepareToPlay (44100.0, 64);
    EXPECT_EQ (mixer.process (1.0f, 0.0f, 0), 0.0f);
}

TEST (Processor, ResetsNotifyTheHostForTheirListsOnly)
{
    VarluneAudioProcessor processor;
    RecordingListener listener;
    processor.addListener (&listener);

    for (int i = 0; i < 98; ++i)
        processor.setParameter (i, 0.6f);

    processor.resetAudioRouting();
    ASSERT_EQ (listener.changes.size(), 17u);
    EXPECT_EQ (listener.changes.front().first, 4);
    EXPECT_EQ (listener.changes.back().first, 92);
    EXPECT_FLOAT_EQ (processor.getParameter (4), 1.0f / 13.0f);
    EXPECT_FLOAT_EQ (processor.getParameter (6), 2.0f / 13.0f);
    EXPECT_FLOAT_EQ (processor.getParameter (92), 2.0f / 13.0f);
    for (int index : { 14, 16, 24, 26, 34, 36, 69, 70, 75, 76, 81, 82, 87, 88 })
        EXPECT_EQ (processor.getParameter (index), 0.0f) << index;
    EXPECT_EQ (processor.getParameter (8), 0.6f);   // modulation sources stay
    EXPECT_EQ (processor.getParameter (95), 0.6f);

    listener.changes.clear();
    processor.resetModDepths();
    ASSERT_EQ (listener.changes.size(), 13u);
    EXPECT_EQ (listener.changes.front().first, 9);
    EXPECT_EQ (listener.changes.back().first, 96);
    for (int index : { 9, 19, 29, 39, 73, 79, 85, 91, 46, 53, 60, 67, 96 })
        EXPECT_EQ (processor.getParameter (index), 0.0f) << index;
    EXPECT_EQ (processor.getParameter (3), 0.6f);

    processor.removeListener (&listener);
}

TEST (Processor, ProgramChangeRequestKeepsTheLatestIndex)
{
    VarluneAudioProcessor processor;
    EXPECT_FALSE (processor.programChangePending.load());
    processor.triggerProgramChange (3);
    processor.triggerProgramChange (5);
    EXPECT_TRUE (processor.programChangePending.load());
    EXPECT_EQ (processor.programChangeIndex.load(), 5);
}
