#include "Lfo.h"

#include <cmath>

namespace mordwickLib
{

Lfo::Lfo()
    : sineTable (new float[1024]()), squareTable (new float[1024]()), sawUpTable (new float[1024]()),
      sawDownTable (new float[1024]()), triangleTable (new float[1024]()), randomTable (new float[1024]())
{
    juce::Random random;
    const int n = tableSize;

    for (int i = 0; i < n; ++i)
    {
        const float angle = (float) i * 0.0061359233f;
        sineTable[i] = (float) std::sin ((double) angle);

        squareTable[i] = i < 512 ? 1.0f : -1.0f;

        const float x = (float) i / (float) n;
        sawUpTable[i] = x + x - 1.0f;
        sawDownTable[i] = (1.0f - x) + (1.0f - x) - 1.0f;

        const float h = (float) i * 0.001953125f;
        triangleTable[i] = i <= 511 ? h + h - 1.0f : (1.0f - h) + (1.0f - h) + 1.0f;

        randomTable[i] = 2.0f * random.nextFloat() - 1.0f;
    }
}

const float* Lfo::getTable (int waveIndex) const noexcept
{
    switch (waveIndex)
    {
        case 0: return sineTable.get();
        case 1: return squareTable.get();
        case 2: return sawUpTable.get();
        case 3: return sawDownTable.get();
        case 4: return triangleTable.get();
        case 5: return randomTable.get();
        default: return nullptr;
    }
}

float Lfo::getSample (bool reset)
{
    if (reset)
    {
        phase = 0.0f;
        holdIndex = 0;
        previousIndex = tableSize - 1;
    }

    const float* table = wave >= 0 && wave <= 4 ? getTable (wave) : nullptr;
    return step<true> (phase, previousIndex, holdIndex, phaseIncrement, (float) tableSize, tableSize, table,
                       randomTable.get(), wave);
}

} // namespace mordwickLib
