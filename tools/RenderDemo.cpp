// Renders a short test signal through the processor and reports what came out.
#include "VarluneAudioProcessor.h"

#include <cmath>
#include <cstdio>
#include <memory>

int main()
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;
    constexpr int seconds = 2;

    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    processor->setPlayConfigDetails (2, 2, rate, blockSize);
    processor->prepareToPlay (rate, blockSize);

    std::printf ("%s: %d parameters, %d inputs, %d outputs at %.0f Hz\n",
                 processor->getName().toRawUTF8(), processor->getNumParameters(),
                 processor->getTotalNumInputChannels(), processor->getTotalNumOutputChannels(), rate);

    juce::AudioSampleBuffer buffer (2, blockSize);
    juce::MidiBuffer midi;
    float inputPeak = 0.0f, outputPeak = 0.0f;
    double outputEnergy = 0.0;
    int blocks = 0;

    for (int start = 0; start < (int) rate * seconds; start += blockSize, ++blocks)
    {
        // A click at the start of every half second, then a decaying 440 Hz tone.
        for (int i = 0; i < blockSize; ++i)
        {
            const int n = (start + i) % (int) (rate / 2);
            const float tone = n < 4800 ? 0.5f * std::sin (2.0f * 3.14159265f * 440.0f * (float) n / (float) rate)
                                              * (1.0f - (float) n / 4800.0f)
                                        : 0.0f;
            const float sample = n == 0 ? 0.9f : tone;
            buffer.setSample (0, i, sample);
            buffer.setSample (1, i, sample);
            inputPeak = std::max (inputPeak, std::abs (sample));
        }

        processor->processBlock (buffer, midi);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < blockSize; ++i)
            {
                const float y = buffer.getSample (c, i);
                outputPeak = std::max (outputPeak, std::abs (y));
                outputEnergy += (double) y * y;
            }
    }

    processor->releaseResources();
    std::printf ("rendered %d blocks of %d frames: input peak %.3f, output peak %.3f, output energy %.3f\n",
                 blocks, blockSize, inputPeak, outputPeak, outputEnergy);
    for (int i = 0; i < 4; ++i)
        std::printf ("  %s = %s\n", processor->getParameterName (i).toRawUTF8(),
                     processor->getParameterText (i).toRawUTF8());
    return 0;
}
