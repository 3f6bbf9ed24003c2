#include "AudioEffect.h"

#include "EffectEditor.h"

#include <cmath>
#include <cstring>

namespace
{
// Copies at most maxLen characters of source and a zero byte; a negative maxLen writes nothing.
void copyCut (char* text, const char* source, std::int32_t maxLen)
{
    if (text == nullptr || maxLen < 0)
        return;

    std::int32_t n = 0;
    while (n < maxLen && source[n] != 0)
    {
        text[n] = source[n];
        ++n;
    }
    text[n] = 0;
}

inline AudioEffect* objectOf (AEffect* e)
{
    return static_cast<AudioEffect*> (e->effectObject);
}

// The host is C: an exception from an effect ends at the record's entry point, which then answers
// as an effect that did nothing.
template <typename Call>
auto answerWithoutThrowing (Call&& call, decltype (call()) fallback) noexcept
{
    try
    {
        return call();
    }
    catch (...)
    {
        return fallback;
    }
}

template <typename Call>
void runWithoutThrowing (Call&& call) noexcept
{
    try
    {
        call();
    }
    catch (...)
    {
    }
}
} // namespace

//==============================================================================
AudioEffect::AudioEffect (HostCallbackProc callback, std::int32_t programs, std::int32_t params)
    : hostCallback (callback),
      editor (nullptr),
      sampleRate (44100.0f),
      blockSize (1024),
      numPrograms (programs),
      numParams (params),
      currentProgram (0)
{
    std::memset (&effectRecord, 0, sizeof (effectRecord));
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcherProc = dispatchEffectClass;
    effectRecord.processDeprecatedProc = __processClassDeprecated;
    effectRecord.setParameterProc = setParameterClass;
    effectRecord.getParameterProc = getParameterClass;
    effectRecord.numPrograms = programs;
    effectRecord.numParams = params;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.flags = EffectFlag::CanReplacing;
    effectRecord.ratio = 1.0f;
    effectRecord.effectObject = this;
    effectRecord.uniqueID = kNoEffectId;
    effectRecord.version = 1;
    effectRecord.processReplacingProc = processClassReplacing;
    effectRecord.processDoubleReplacingProc = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

//==============================================================================
std::int64_t AudioEffect::dispatchEffectClass (AEffect* e, std::int32_t opcode, std::int32_t index,
                                               std::int64_t value, void* ptr, float opt)
{
    AudioEffect* effect = objectOf (e);

    if (opcode == EffectOpcode::Close)
    {
        runWithoutThrowing ([&] { effect->dispatcher (opcode, index, value, ptr, opt); });
        delete effect;
        return 1;
    }

    return answerWithoutThrowing ([&] { return effect->dispatcher (opcode, index, value, ptr, opt); }, std::int64_t {});
}

float AudioEffect::getParameterClass (AEffect* e, std::int32_t index)
{
    return answerWithoutThrowing ([&] { return objectOf (e)->getParameter (index); }, 0.0f);
}

void AudioEffect::setParameterClass (AEffect* e, std::int32_t index, float value)
{
    runWithoutThrowing ([&] { objectOf (e)->setParameter (index, value); });
}

void AudioEffect::__processClassDeprecated (AEffect* e, float** inputs, float** outputs, std::int32_t sampleFrames)
{
    runWithoutThrowing ([&] { objectOf (e)->__processDeprecated (inputs, outputs, sampleFrames); });
}

void AudioEffect::processClassReplacing (AEffect* e, float** inputs, float** outputs, std::int32_t sampleFrames)
{
    runWithoutThrowing ([&] { objectOf (e)->processReplacing (inputs, outputs, sampleFrames); });
}

void AudioEffect::processClassDoubleReplacing (AEffect* e, double** inputs, double** outputs, std::int32_t sampleFrames)
{
    runWithoutThrowing ([&] { objectOf (e)->processDoubleReplacing (inputs, outputs, sampleFrames); });
}

//==============================================================================
std::int64_t AudioEffect::dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
{
    if (static_cast<std::uint32_t> (opcode) > static_cast<std::uint32_t> (EffectOpcode::SetChunk))
        return 0;

    char* text = static_cast<char*> (ptr);

    switch (opcode)
    {
        case EffectOpcode::Open:                open(); break;
        case EffectOpcode::Close:               close(); break;

        case EffectOpcode::SetProgram:
            if (value < numPrograms)
                setProgram (static_cast<std::int32_t> (value));
            break;

        case EffectOpcode::GetProgram:          return getProgram();
        case EffectOpcode::SetProgramName:      setProgramName (text); break;
        case EffectOpcode::GetProgramName:      getProgramName (text); break;
        case EffectOpcode::GetParameterLabel:   getParameterLabel (index, text); break;
        case EffectOpcode::GetParameterDisplay: getParameterDisplay (index, text); break;
        case EffectOpcode::GetParameterName:    getParameterName (index, text); break;
        case EffectOpcode::SetSampleRate:       setSampleRate (opt); break;
        case EffectOpcode::SetBlockSize:        setBlockSize (static_cast<std::int32_t> (value)); break;

        case EffectOpcode::MainsChanged:
            if (value != 0)
                resume();
            else
                suspend();
            break;

        case EffectOpcode::EditorGetRect:
            return editor != nullptr && editor->getWindowRect (static_cast<EditorRect**> (ptr)) ? 1 : 0;

        case EffectOpcode::EditorOpen:
            return editor != nullptr && editor->openWindow (ptr) ? 1 : 0;

        case EffectOpcode::EditorClose:
            if (editor != nullptr)
                editor->closeWindow();
            break;

        case EffectOpcode::EditorIdle:
            if (editor != nullptr)
                editor->idle();
            break;

        case EffectOpcode::IdentifyDeprecated:  return kIdentifyAnswer;
        case EffectOpcode::GetChunk:            return getChunk (static_cast<void**> (ptr), index != 0);
        case EffectOpcode::SetChunk:            return setChunk (ptr, static_cast<std::int32_t> (value), index != 0);

        default: break;
    }

    return 0;
}

//==============================================================================
void AudioEffect::processDoubleReplacing (double**, double**, std::int32_t) {}
void AudioEffect::setParameter (std::int32_t, float) {}
float AudioEffect::getParameter (std::int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated (std::int32_t index, float value)
{
    setParameter (index, value);
    callHost (HostOpcode::Automate, index, 0, nullptr, value);
}

void AudioEffect::setProgramName (char*) {}
void AudioEffect::getProgramName (char* name) { *name = 0; }
void AudioEffect::getParameterLabel (std::int32_t, char* label) { *label = 0; }
void AudioEffect::getParameterDisplay (std::int32_t, char* text) { *text = 0; }
void AudioEffect::getParameterName (std::int32_t, char* text) { *text = 0; }

std::int32_t AudioEffect::getChunk (void**, bool) { return 0; }
std::int32_t AudioEffect::setChunk (void*, std::int32_t, bool) { return 0; }

//==============================================================================
void AudioEffect::setFlag (std::int32_t bit, bool state)
{
    if (state)
        effectRecord.flags |= bit;
    else
        effectRecord.flags &= ~bit;
}

void AudioEffect::setUniqueID (std::int32_t id) { effectRecord.uniqueID = id; }
void AudioEffect::setNumInputs (std::int32_t inputs) { effectRecord.numInputs = inputs; }
void AudioEffect::setNumOutputs (std::int32_t outputs) { effectRecord.numOutputs = outputs; }
void AudioEffect::canProcessReplacing (bool state) { setFlag (EffectFlag::CanReplacing, state); }
void AudioEffect::canDoubleReplacing (bool state) { setFlag (EffectFlag::CanDoubleReplacing, state); }
void AudioEffect::programsAreChunks (bool state) { setFlag (EffectFlag::ProgramChunks, state); }
void AudioEffect::setInitialDelay (std::int32_t delay) { effectRecord.initialDelay = delay; }

void AudioEffect::__processDeprecated (float**, float**, std::int32_t) {}
float AudioEffect::__getVuDeprecated() { return 0.0f; }
void AudioEffect::__hasVuDeprecated (bool state) { setFlag (EffectFlag::HasVuDeprecated, state); }
void AudioEffect::__hasClipDeprecated (bool state) { setFlag (EffectFlag::HasClipDeprecated, state); }
void AudioEffect::__canMonoDeprecated (bool state) { setFlag (EffectFlag::CanMonoDeprecated, state); }
void AudioEffect::__setRealtimeQualitiesDeprecated (std::int32_t qualities) { effectRecord.realtimeQualities = qualities; }
void AudioEffect::__setOfflineQualitiesDeprecated (std::int32_t qualities) { effectRecord.offlineQualities = qualities; }

//==============================================================================
std::int64_t AudioEffect::callHost (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
{
    return hostCallback != nullptr ? hostCallback (&effectRecord, opcode, index, value, ptr, opt) : 0;
}

std::int32_t AudioEffect::getMasterVersion()
{
    // Hosts that predate the version query answer 0: they speak version 1.
    const auto version = static_cast<std::int32_t> (callHost (HostOpcode::Version));
    return version != 0 ? version : 1;
}

std::int32_t AudioEffect::getCurrentUniqueId()
{
    return static_cast<std::int32_t> (callHost (HostOpcode::CurrentId));
}

void AudioEffect::masterIdle()
{
    callHost (HostOpcode::Idle);
}

bool AudioEffect::__isInputConnectedDeprecated (std::int32_t input)
{
    // The host answers 0 for a connected pin; a missing host counts as connected too.
    return static_cast<std::int32_t> (callHost (HostOpcode::PinConnectedDeprecated, input, 0)) == 0;
}

bool AudioEffect::__isOutputConnectedDeprecated (std::int32_t output)
{
    return static_cast<std::int32_t> (callHost (HostOpcode::PinConnectedDeprecated, output, 1)) == 0;
}

//==============================================================================
void AudioEffect::dB2string (float value, char* text, std::int32_t maxLen)
{
    if (value <= 0.0f)
    {
        copyCut (text, "-oo", maxLen);
        return;
    }

    float2string (static_cast<float> (20.0 * std::log10 (static_cast<double> (value))), text, maxLen);
}

void AudioEffect::Hz2string (float samples, char* text, std::int32_t maxLen)
{
    const float rate = getSampleRate();

    if (samples == 0.0f)
        float2string (0.0f, text, maxLen);
    else
        float2string (rate / samples, text, maxLen);
}

void AudioEffect::ms2string (float samples, char* text, std::int32_t maxLen)
{
    const float rate = getSampleRate();
    float2string (static_cast<float> (static_cast<double> (samples) * 1000.0 / static_cast<double> (rate)), text, maxLen);
}

void AudioEffect::float2string (float value, char* text, std::int32_t maxLen)
{
    // Eight characters: sign, integer digits and point, then as many decimals as fit. Digits
    // are cut, not rounded.
    constexpr int budget = 8;

    if (std::isnan (value))
    {
        copyCut (text, "NaN", maxLen);
        return;
    }

    const bool negative = value < 0.0f;

    if ((negative && value < -9999999.0f) || (! negative && static_cast<double> (value) > 99999999.0))
    {
        copyCut (text, "Huge!", maxLen);
        return;
    }

    const double magnitude = std::fabs (static_cast<double> (value));
    const double whole = std::floor (magnitude);

    // An integer part wider than the budget would lose its highest digits.
    const double firstTooWide = negative ? 1000000.0 : 10000000.0;
    if (whole >= firstTooWide)
    {
        copyCut (text, "Huge!", maxLen);
        return;
    }

    int used = negative ? 3 : 2;
    char digits[budget];
    int numDigits = 0;

    digits[numDigits++] = static_cast<char> ('0' + static_cast<int> (std::fmod (whole, 10.0)));

    for (double q = whole / 10.0; q >= 1.0 && used < budget; q /= 10.0)
    {
        digits[numDigits++] = static_cast<char> ('0' + static_cast<int> (std::fmod (q, 10.0)));
        ++used;
    }

    char result[2 * budget];
    int length = 0;

    if (negative)
        result[length++] = '-';

    while (numDigits > 0)
        result[length++] = digits[--numDigits];

    result[length++] = '.';

    const int decimals = budget - used;
    double x = std::fmod (magnitude, 1.0);

    for (int i = 0; i < decimals; ++i)
        x *= 10.0;

    for (int i = decimals - 1; i >= 0; --i)
    {
        result[length + i] = static_cast<char> ('0' + (x > 0.0 ? static_cast<int> (std::fmod (x, 10.0)) : 0));
        x /= 10.0;
    }

    length += decimals;
    result[length] = 0;
    copyCut (text, result, maxLen);
}

void AudioEffect::int2string (std::int32_t value, char* text, std::int32_t maxLen)
{
    if (value >= 100000000)
    {
        copyCut (text, "Huge!", maxLen);
        return;
    }

    char result[16];
    int length = 0;

    if (value < 0)
        result[length++] = '-';
    else if (text != nullptr && maxLen >= 0)
        std::memset (text, 0, static_cast<std::size_t> (maxLen) + 1);

    // Unsigned, so that the most negative value has a magnitude too; ten divisors give every
    // number its full digits.
    auto magnitude = value < 0 ? 0u - static_cast<std::uint32_t> (value) : static_cast<std::uint32_t> (value);
    bool started = false;

    for (std::uint32_t divisor = 1000000000u; divisor > 0; divisor /= 10)
    {
        const auto digit = magnitude / divisor;
        magnitude -= digit * divisor;

        if (digit != 0 || started || divisor == 1)
        {
            result[length++] = static_cast<char> ('0' + digit);
            started = true;
        }
    }

    result[length] = 0;
    copyCut (text, result, maxLen);
}
