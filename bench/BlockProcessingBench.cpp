// processBlock at 48 kHz, stereo, blocks of noise, on the default and the full patch, at several
// block sizes. "x_realtime" is audio seconds per CPU second. Instructions per frame:
// bench/instructions.sh.
#include "BenchPatches.h"
#include "ReferenceModel.h"
#include "VarluneAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;   // the reference model's blocks
constexpr int numBuffers = 64;   // noise blocks cycled through, so the input is not one short loop

// Arguments: the patch (0 default, 1 full) and the frames per block.
void BM_ProcessBlock (benchmark::State& state)
{
    const int frames = (int) state.range (1);
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, rate, frames);
    processor.prepareToPlay (rate, frames);

    if (state.range (0) == 1)
        benchpatch::applyFullPatch ([&] (int index, float value) { processor.setParameter (index, value); });

    juce::Random random (1234);
    std::vector<juce::AudioSampleBuffer> inputs ((size_t) numBuffers, juce::AudioSampleBuffer (2, frames));
    for (auto& b : inputs)
        benchpatch::fillNoise (b, random);

    juce::AudioSampleBuffer buffer (2, frames);
    juce::MidiBuffer midi;
    size_t next = 0;

    // Settle the glides and the silence bookkeeping before measuring.
    for (int i = 0; i < 100000 / frames + 200; ++i)
    {
        buffer.makeCopyOf (inputs[next++ % inputs.size()], true);
        processor.processBlock (buffer, midi);
    }

    // The copy of the input is timed too; it costs a few nanoseconds per block.
    for (auto _ : state)
    {
        buffer.makeCopyOf (inputs[next++ % inputs.size()], true);
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }

    state.counters["x_realtime"] = benchmark::Counter ((double) frames / rate,
                                                       benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel (state.range (0) == 0 ? "default patch" : "full patch");
}
BENCHMARK (BM_ProcessBlock)->ArgsProduct ({ { 0, 1 }, { 16, 32, 64, 512, 4096 } });

// The plain reference model of the tests on the same patches: what a literal implementation costs.
void BM_ReferenceModel (benchmark::State& state)
{
    ReferenceModel model;
    model.prepareToPlay (rate);

    // The model knows parameters by the names the processor gives them.
    if (state.range (0) == 1)
    {
        VarluneAudioProcessor names;
        benchpatch::applyFullPatch ([&] (int index, float value) { model.setParameter (names.getParameterName (index), value); });
    }

    juce::Random random (1234);
    juce::AudioSampleBuffer input (2, blockSize), buffer (2, blockSize);
    benchpatch::fillNoise (input, random);
    juce::MidiBuffer midi;

    for (auto _ : state)
    {
        buffer.makeCopyOf (input, true);
        model.processBlock (buffer, midi, 2, 2, nullptr);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }

    state.counters["x_realtime"] = benchmark::Counter ((double) blockSize / rate,
                                                       benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel (state.range (0) == 0 ? "default patch, literal" : "full patch, literal");
}
BENCHMARK (BM_ReferenceModel)->Arg (0)->Arg (1);
} // namespace
