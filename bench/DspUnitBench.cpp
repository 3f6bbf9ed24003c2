#include "KivMixer.h"
#include "Lfo.h"
#include "SyncDelayNoFeed.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
constexpr int frames = 4096;

std::vector<float> noise()
{
    std::vector<float> v (frames);
    juce::Random random (42);
    for (auto& x : v)
        x = random.nextFloat() * 2.0f - 1.0f;
    return v;
}

// Cost per sample of one delay line at a fractional, gliding delay in a 12 s ring.
void BM_DelayLine (benchmark::State& state)
{
    mordwickLib::SyncDelayNoFeed line;
    line.resizeRing (576002);
    line.targetDelay = 2880.5f;
    line.currentDelay = 2000.25f;
    line.glideLength = 12000;
    line.glideStep = (line.targetDelay - line.currentDelay) / 12000.0f;
    line.feedbackGain = 0.384f;
    const auto input = noise();
    float feedback = 0.0f;

    for (auto _ : state)
        for (int i = 0; i < frames; ++i)
            feedback = line.process (&input[(size_t) i], feedback);

    benchmark::DoNotOptimize (feedback);
    state.SetItemsProcessed (state.iterations() * frames);
}
BENCHMARK (BM_DelayLine);

void BM_Lfo (benchmark::State& state)
{
    mordwickLib::Lfo lfo;
    lfo.wave = (int) state.range (0);
    lfo.rate = 3.7f;
    lfo.phaseIncrement = (float) lfo.tableSize / 48000.0f * lfo.rate;
    float sum = 0.0f;

    for (auto _ : state)
        for (int i = 0; i < frames; ++i)
            sum += lfo.getSample (false);

    benchmark::DoNotOptimize (sum);
    state.SetItemsProcessed (state.iterations() * frames);
}
BENCHMARK (BM_Lfo)->DenseRange (0, 5);

void BM_Mixer (benchmark::State& state)
{
    KivMixer mixer;
    mixer.setMode ((int) state.range (0));
    mixer.setValue (0.3f);
    const auto a = noise();
    float sum = 0.0f;

    for (auto _ : state)
        for (int i = 0; i < frames; ++i)
            sum += mixer.process (a[(size_t) i], a[(size_t) (frames - 1 - i)], i & 1);

    benchmark::DoNotOptimize (sum);
    state.SetItemsProcessed (state.iterations() * frames);
}
BENCHMARK (BM_Mixer)->DenseRange (0, 4);
} // namespace
