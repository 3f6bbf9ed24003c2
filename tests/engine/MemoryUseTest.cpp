// Resident memory follows the delay lines that run: rings cost nothing until written, and a ring
// that only ever held silence is not written to clear it. Ten instances of the default patch (one
// stereo delay line running) at 48 kHz, each past the 12 s its ring holds.
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace
{
double residentMegabytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen ("/proc/self/statm", "r"))
    {
        if (std::fscanf (statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose (statm);
    }
    return (double) resident * (double) sysconf (_SC_PAGESIZE) / (1024.0 * 1024.0);
}

void runSeconds (VarluneAudioProcessor& processor, double seconds, unsigned& seed)
{
    juce::AudioSampleBuffer buffer (2, 512);
    juce::MidiBuffer midi;

    for (int done = 0; done < (int) (seconds * 48000.0); done += 512)
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                buffer.setSample (c, i, (float) ((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f);
        processor.processBlock (buffer, midi);
    }
}

std::unique_ptr<VarluneAudioProcessor> running (double seconds, unsigned& seed)
{
    auto processor = std::make_unique<VarluneAudioProcessor>();
    processor->setPlayConfigDetails (2, 2, 48000.0, 512);
    processor->prepareToPlay (48000.0, 512);
    runSeconds (*processor, seconds, seed);

    // Preparing again clears the lines: only the one that ran has anything to clear.
    processor->prepareToPlay (48000.0, 512);
    runSeconds (*processor, 0.1, seed);
    return processor;
}
} // namespace

TEST (MemoryUse, TenDefaultInstancesAtFortyEightKilohertz)
{
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory counts as resident";
#endif

    unsigned seed = 1;
    running (1.0, seed);  // whatever the first instance sets up once for all
    const double before = residentMegabytes();

    std::vector<std::unique_ptr<VarluneAudioProcessor>> instances;
    for (int i = 0; i < 10; ++i)
        instances.push_back (running (12.5, seed));

    const double perInstance = (residentMegabytes() - before) / 10.0;
    std::printf ("resident memory per instance: %.2f MB\n", perInstance);
    EXPECT_LE (perInstance, 6.0);
}
