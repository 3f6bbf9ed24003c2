// The block that carries out a PANIC, beside an ordinary block, at 48 kHz in blocks of 256 frames
// with all four delay lines fed from the input. "not resident": the press comes after 1 s of audio,
// when most of the rings' pages have never been written; "resident": after 13 s, when every page
// has been. The press itself (the message thread's part) is not timed.
#include "BenchPatches.h"
#include "VarluneAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace
{
constexpr double rate = 48000.0;
constexpr int frames = 256;

struct FedLines
{
    FedLines()
    {
        processor->setPlayConfigDetails (2, 2, rate, frames);
        processor->prepareToPlay (rate, frames);

        for (int k = 1; k <= 4; ++k)
        {
            processor->setParameter (benchpatch::delayBase (k) + benchpatch::delayInput, benchpatch::source (sourceInput));
            processor->setParameter (benchpatch::delayBase (k) + benchpatch::delayTime, 0.2f * (float) k);
        }
    }

    void run (double seconds)
    {
        for (int done = 0; done < (int) (seconds * rate); done += frames)
            block();
    }

    double timedBlock()
    {
        const auto start = std::chrono::steady_clock::now();
        block();
        return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    }

    void block()
    {
        benchpatch::fillNoise (buffer, random);
        processor->processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }

    std::unique_ptr<VarluneAudioProcessor> processor = std::make_unique<VarluneAudioProcessor>();
    juce::AudioSampleBuffer buffer { 2, frames };
    juce::MidiBuffer midi;
    juce::Random random { 99 };
};

void BM_PanicBlock (benchmark::State& state)
{
    const int kind = (int) state.range (0);  // 0: ordinary block, 1: PANIC, resident, 2: PANIC, not resident
    auto lines = std::make_unique<FedLines>();
    lines->run (kind == 2 ? 1.0 : 13.0);

    for (auto _ : state)
    {
        if (kind == 2)
        {
            lines = std::make_unique<FedLines>();
            lines->run (1.0);
        }

        if (kind != 0)
            lines->processor->panic();

        state.SetIterationTime (lines->timedBlock());
    }

    const char* labels[] = { "ordinary block", "PANIC, rings resident", "PANIC, rings not yet resident" };
    state.SetLabel (labels[kind]);
}
BENCHMARK (BM_PanicBlock)->Arg (0)->UseManualTime()->Unit (benchmark::kMillisecond);
// Each press costs the message thread milliseconds of page work, and a press on rings not yet
// resident a fresh processor and a second of audio: a fixed number of presses.
BENCHMARK (BM_PanicBlock)->Arg (1)->Arg (2)->Iterations (100)->UseManualTime()->Unit (benchmark::kMillisecond);
} // namespace
