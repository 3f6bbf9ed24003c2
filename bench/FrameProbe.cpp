// Runs processBlock on one patch for a number of stereo blocks at 48 kHz, for counting instructions
// under callgrind (bench/instructions.sh): frameprobe default|full [blocks] [frames per block]
#include "BenchPatches.h"
#include "VarluneAudioProcessor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main (int argc, char** argv)
{
    const bool full = argc > 1 && std::strcmp (argv[1], "full") == 0;
    const int blocks = argc > 2 ? std::atoi (argv[2]) : 200;
    const int blockSize = argc > 3 ? std::atoi (argv[3]) : 512;

    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 48000.0, blockSize);
    processor.prepareToPlay (48000.0, blockSize);

    if (full)
        benchpatch::applyFullPatch ([&] (int index, float value) { processor.setParameter (index, value); });

    juce::Random random (1234);
    juce::AudioSampleBuffer buffer (2, blockSize);
    juce::MidiBuffer midi;
    double sum = 0.0;

    for (int i = 0; i < blocks; ++i)
    {
        benchpatch::fillNoise (buffer, random);
        processor.processBlock (buffer, midi);
        sum += buffer.getSample (0, blockSize - 1);
    }

    std::printf ("%s patch: %d blocks of %d frames (%g)\n", full ? "full" : "default", blocks, blockSize, sum);
    return 0;
}
