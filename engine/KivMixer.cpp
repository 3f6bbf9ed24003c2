#include "KivMixer.h"

void KivMixer::setValue (float v) noexcept
{
    value = v;

    switch (mode)
    {
        case 0: coefficient = v; break;
        case 1: coefficient = v; break;
        case 2: coefficient = 2.0f * v; break;
        case 3: coefficient = v * v; break;
        case 4: coefficient = v; break;
        default: break;  // unknown modes keep the previous coefficient
    }
}

float KivMixer::process (float a, float b, int channel) noexcept
{
    const float c = coefficient;
    float out;

    switch (mode)
    {
        case 0: out = (1.0f - c) * a + b * c; break;
        case 1: out = a * b; break;
        case 2: out = a * c; break;
        case 3: out = (1.0f - c) * lastOutput + a * c; break;
        case 4: out = channel == 0 ? a : b; break;
        default: out = 0.0f; break;
    }

    lastOutput = out;
    return out;
}
