#include "KivMixer.h"

void KivMixer::setValue (float v) noexcept
{
    value = v;
    coefficient = coefficientFor (mode, v, coefficient);
}

float KivMixer::process (float a, float b, int channel) noexcept
{
    lastOutput = mixed (mode, coefficient, lastOutput, a, b, channel);
    return lastOutput;
}
