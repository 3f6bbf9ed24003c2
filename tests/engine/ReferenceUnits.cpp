#include "ReferenceUnits.h"

#include "ReferenceDepartures.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>

namespace reference
{
//==============================================================================
Lfo::Lfo()
{
    const int n = tableSize;

    for (auto& table : tables)
        table.assign ((size_t) n, 0.0f);

    juce::Random random;

    for (int i = 0; i < n; ++i)
    {
        // 0.0061359233 is the single-precision value nearest 2 pi / 1024.
        const float angle = (float) i * 0.0061359233f;
        tables[sine][(size_t) i] = (float) std::sin ((double) angle);

        tables[square][(size_t) i] = i < 512 ? 1.0f : -1.0f;

        const float x = (float) i / (float) n;
        tables[sawUp][(size_t) i] = x + x - 1.0f;
        tables[sawDown][(size_t) i] = (1.0f - x) + (1.0f - x) - 1.0f;

        const float h = (float) i * 0.001953125f;
        if (i <= 511)
            tables[triangle][(size_t) i] = h + h - 1.0f;
        else
            tables[triangle][(size_t) i] = (1.0f - h) + (1.0f - h) + 1.0f;

        tables[sampleAndHold][(size_t) i] = 2.0f * random.nextFloat() - 1.0f;
    }
}

void Lfo::useRandomTable (const float* values)
{
    tables[sampleAndHold].assign (values, values + tableSize);
}

float Lfo::incrementForRate() const
{
    return (float) tableSize / (float) sampleRate * rate;
}

float Lfo::nextSample()
{
    const float size = (float) tableSize;
    const float current = phase;

    float next = phaseIncrement + current;
    if (next >= size)
        next = next - size;
    next = phaseInTable (next, size);

    const int index = (int) current;
    phase = next;

    float value = 0.0f;

    if (wave >= sine && wave <= triangle)
    {
        value = tables[wave][(size_t) index];
    }
    else if (wave == sampleAndHold)
    {
        // A new held value once per cycle: at the first index below the previous one.
        if (index < previousIndex)
        {
            holdIndex = holdIndex + 1;
            if (holdIndex >= tableSize)
                holdIndex = holdIndex - tableSize;
        }

        value = tables[sampleAndHold][(size_t) holdIndex];
    }

    previousIndex = index;
    return value;
}

//==============================================================================
DelayLine::DelayLine()
    : ring (4410, 0.0f)
{
}

void DelayLine::replaceRing (int length)
{
    ring.assign ((size_t) length, 0.0f);
    writeIndex = 0;
}

void DelayLine::takeUpSampleRate (double newRate)
{
    if (sampleRate == newRate)
        return;

    const float ratio = (float) (newRate / sampleRate);
    sampleRate = newRate;
    replaceRing ((int) ((float) ringLength() * ratio + 1.0f));
    glideLength = (int) ((float) glideLength * ratio);
    targetDelay = delayWithinRing (targetDelay, ringLength(), targetDelay);
    currentDelay = delayWithinRing (currentDelay, ringLength(), currentDelay);

    if (glideLength == 0)
        currentDelay = targetDelay;
    else
        glideStep = (targetDelay - currentDelay) / (float) glideLength;
}

void DelayLine::clear()
{
    std::fill (ring.begin(), ring.end(), 0.0f);
    readPosition = 0.0f;
    writeIndex = 0;
}

float DelayLine::process (float input, float feedback)
{
    const int length = ringLength();

    ring[(size_t) writeIndex] = feedback * feedbackGain + input;

    writeIndex = writeIndex + 1;
    if (writeIndex == length)
        writeIndex = 0;

    // The glide is not clipped at the target: its last step may pass it.
    if (glideLength != 0)
    {
        if ((glideStep >= 0.0f && targetDelay > currentDelay) || (glideStep < 0.0f && currentDelay > targetDelay))
            currentDelay = delayWithinRing (currentDelay + glideStep, length, targetDelay);
    }

    const float r = readPositionInRing ((float) writeIndex - currentDelay, length);
    readPosition = r;

    const int i = (int) std::floor (r);
    const float f = r - (float) i;
    const float a = ring[(size_t) i];
    const float b = i <= length - 2 ? ring[(size_t) i + 1] : ring[0];
    return f * (b - a) + a;
}

//==============================================================================
void Mixer::setValue (float v)
{
    value = v;

    switch (mode)
    {
        case mix:     coefficient = v; break;
        case ringmod: coefficient = v; break;
        case gain:    coefficient = 2.0f * v; break;
        case damp:    coefficient = v * v; break;
        case pan:     coefficient = v; break;
        default:      break;
    }
}

float Mixer::process (float a, float b, int channel)
{
    const float c = coefficient;
    float out = 0.0f;

    switch (mode)
    {
        case mix:     out = (1.0f - c) * a + b * c; break;
        case ringmod: out = a * b; break;
        case gain:    out = a * c; break;
        case damp:    out = (1.0f - c) * lastOutput + a * c; break;
        case pan:     out = channel == 0 ? a : b; break;
        default:      out = 0.0f; break;
    }

    lastOutput = out;
    return out;
}
} // namespace reference
