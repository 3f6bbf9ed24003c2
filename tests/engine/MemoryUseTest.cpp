// Memory and the audio thread. Resident memory follows the delay lines that run: rings cost nothing
// until written, and a ring that only ever held silence is not written to clear it. The audio
// thread takes no page faults on the rings: their pages are made ready before blocks play them.
#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>
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

long pageFaultsOfThisThread()
{
    rusage usage {};
    getrusage (RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Runs blocks of noise; returns the page faults taken inside processBlock.
long runSeconds (VarluneAudioProcessor& processor, double seconds, unsigned& seed, int frames = 512)
{
    juce::AudioSampleBuffer buffer (2, frames);
    juce::MidiBuffer midi;
    long faults = 0;

    for (int done = 0; done < (int) (seconds * 48000.0); done += frames)
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                buffer.setSample (c, i, (float) ((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f);

        const long before = pageFaultsOfThisThread();
        processor.processBlock (buffer, midi);
        faults += pageFaultsOfThisThread() - before;
    }

    return faults;
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

TEST (MemoryUse, TheAudioThreadTakesNoPageFaultsOnTheRings)
{
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory takes page faults of its own";
#endif

    unsigned seed = 3;
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 48000.0, 256);
    processor.prepareToPlay (48000.0, 256);

    // The default patch's line writes every page of its two rings within 12 s.
    const long afterPrepare = runSeconds (processor, 13.0, seed, 256);
    std::printf ("page faults in 13 s of blocks after prepareToPlay: %ld\n", afterPrepare);
    EXPECT_LE (afterPrepare, 100);

    // Now with all four lines fed, and pressed while they hold echoes.
    for (int k = 1; k <= 4; ++k)
        processor.setParameter (ParameterIndex::delayBase (k) + ParameterIndex::delayInput, 1.0f / 13.0f);
    runSeconds (processor, 1.0, seed, 256);
    processor.panic();
    const long afterPanic = runSeconds (processor, 2.0, seed, 256);
    std::printf ("page faults in 2 s of blocks after PANIC: %ld\n", afterPanic);
    EXPECT_LE (afterPanic, 20);
}
