#include "AudioEffectX.h"

#include "EffectEditor.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace
{
inline std::int64_t asBool (bool b)
{
    return b ? 1 : 0;
}

template <typename T>
T* asPointer (std::int64_t value)
{
    return reinterpret_cast<T*> (static_cast<std::intptr_t> (value));
}

template <typename T>
std::int64_t asValue (T* pointer)
{
    return static_cast<std::int64_t> (reinterpret_cast<std::intptr_t> (pointer));
}

// The host's float truncated toward zero; NaN and values beyond the int32 range, which a plain
// conversion would leave undefined, give 0 and the nearest end of the range.
std::int32_t truncateToInt32 (float f)
{
    if (std::isnan (f))
        return 0;
    if (f <= -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    if (f >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t> (f);
}

EditorKeyCode makeKeyCode (std::int32_t index, std::int64_t value, float opt)
{
    EditorKeyCode key;
    key.character = index;
    key.virtualKey = static_cast<std::uint8_t> (value & 0xff);
    key.modifiers = static_cast<std::uint8_t> (truncateToInt32 (opt) & 0xff);
    return key;
}
} // namespace

//==============================================================================
AudioEffectX::AudioEffectX (HostCallbackProc callback, std::int32_t programs, std::int32_t params)
    : AudioEffect (callback, programs, params)
{
}

AudioEffectX::~AudioEffectX() = default;

std::int64_t AudioEffectX::dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
{
    if (static_cast<std::uint32_t> (opcode) - 25u > 54u)
        return AudioEffect::dispatcher (opcode, index, value, ptr, opt);

    char* text = static_cast<char*> (ptr);
    const auto value32 = static_cast<std::int32_t> (value);

    switch (opcode)
    {
        case EffectOpcode::ProcessEvents:           return processEvents (static_cast<VstEvents*> (ptr));
        case EffectOpcode::CanBeAutomated:          return asBool (canParameterBeAutomated (index));
        case EffectOpcode::StringToParameter:       return asBool (string2parameter (index, text));
        case EffectOpcode::GetProgramNameIndexed:   return asBool (getProgramNameIndexed (value32, index, text));
        case EffectOpcode::GetInputProperties:      return asBool (getInputProperties (index, static_cast<VstPinProperties*> (ptr)));
        case EffectOpcode::GetOutputProperties:     return asBool (getOutputProperties (index, static_cast<VstPinProperties*> (ptr)));
        case EffectOpcode::GetPlugCategory:         return static_cast<std::uint32_t> (getPlugCategory());
        case EffectOpcode::OfflineNotify:           return asBool (offlineNotify (static_cast<VstAudioFile*> (ptr), value32, index != 0));
        case EffectOpcode::OfflinePrepare:          return asBool (offlinePrepare (static_cast<VstOfflineTask*> (ptr), value32));
        case EffectOpcode::OfflineRun:              return asBool (offlineRun (static_cast<VstOfflineTask*> (ptr), value32));
        case EffectOpcode::ProcessVariableIo:       return asBool (processVariableIo (static_cast<VstVariableIo*> (ptr)));

        case EffectOpcode::SetSpeakerArrangement:
            return asBool (setSpeakerArrangement (asPointer<VstSpeakerArrangement> (value),
                                                  static_cast<VstSpeakerArrangement*> (ptr)));

        case EffectOpcode::SetBypass:               return asBool (setBypass (value != 0));
        case EffectOpcode::GetEffectName:           return asBool (getEffectName (text));
        case EffectOpcode::GetVendorString:         return asBool (getVendorString (text));
        case EffectOpcode::GetProductString:        return asBool (getProductString (text));
        case EffectOpcode::GetVendorVersion:        return getVendorVersion();
        case EffectOpcode::VendorSpecific:          return vendorSpecific (index, value, ptr, opt);
        case EffectOpcode::CanDo:                   return canDo (text);
        case EffectOpcode::GetTailSize:             return getGetTailSize();
        case EffectOpcode::GetParameterProperties:  return asBool (getParameterProperties (index, static_cast<VstParameterProperties*> (ptr)));
        case EffectOpcode::GetVstVersion:           return getVstVersion();

        case EffectOpcode::EditorKeyDown:
        {
            if (editor == nullptr)
                return 0;
            auto key = makeKeyCode (index, value, opt);
            return asBool (editor->keyDown (key));
        }

        case EffectOpcode::EditorKeyUp:
        {
            if (editor == nullptr)
                return 0;
            auto key = makeKeyCode (index, value, opt);
            return asBool (editor->keyUp (key));
        }

        case EffectOpcode::SetEditorKnobMode:
            return editor != nullptr ? asBool (editor->setKnobMode (value32)) : 0;

        case EffectOpcode::GetMidiProgramName:      return getMidiProgramName (index, static_cast<MidiProgramName*> (ptr));
        case EffectOpcode::GetCurrentMidiProgram:   return getCurrentMidiProgram (index, static_cast<MidiProgramName*> (ptr));
        case EffectOpcode::GetMidiProgramCategory:  return getMidiProgramCategory (index, static_cast<MidiProgramCategory*> (ptr));
        case EffectOpcode::HasMidiProgramsChanged:  return asBool (hasMidiProgramsChanged (index));
        case EffectOpcode::GetMidiKeyName:          return asBool (getMidiKeyName (index, static_cast<MidiKeyName*> (ptr)));
        case EffectOpcode::BeginSetProgram:         return asBool (beginSetProgram());
        case EffectOpcode::EndSetProgram:           return asBool (endSetProgram());

        case EffectOpcode::GetSpeakerArrangement:
            return asBool (getSpeakerArrangement (asPointer<VstSpeakerArrangement*> (value),
                                                  static_cast<VstSpeakerArrangement**> (ptr)));

        case EffectOpcode::ShellGetNextPlugin:      return getNextShellPlugin (text);
        case EffectOpcode::StartProcess:            return startProcess();
        case EffectOpcode::StopProcess:             return stopProcess();
        case EffectOpcode::SetTotalSampleToProcess: return setTotalSampleToProcess (value32);
        case EffectOpcode::SetPanLaw:               return asBool (setPanLaw (value32, opt));
        case EffectOpcode::BeginLoadBank:           return beginLoadBank (static_cast<VstPatchChunkInfo*> (ptr));
        case EffectOpcode::BeginLoadProgram:        return beginLoadProgram (static_cast<VstPatchChunkInfo*> (ptr));
        case EffectOpcode::SetProcessPrecision:     return asBool (setProcessPrecision (value32));
        case EffectOpcode::GetNumMidiInputChannels: return getNumMidiInputChannels();
        case EffectOpcode::GetNumMidiOutputChannels: return getNumMidiOutputChannels();

        default:
            // Deprecated opcodes in this range; the base answers 0.
            return AudioEffect::dispatcher (opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume()
{
    char receiveMidi[] = "receiveVstMidiEvent";

    if ((effectRecord.flags & EffectFlag::IsSynth) != 0 || canDo (receiveMidi) == 1)
        __wantEventsDeprecated (1);
}

//==============================================================================
// Neutral defaults.

bool AudioEffectX::canParameterBeAutomated (std::int32_t) { return true; }
bool AudioEffectX::string2parameter (std::int32_t, char*) { return false; }
bool AudioEffectX::getParameterProperties (std::int32_t, VstParameterProperties*) { return false; }
bool AudioEffectX::getProgramNameIndexed (std::int32_t, std::int32_t, char*) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }
std::int32_t AudioEffectX::beginLoadBank (VstPatchChunkInfo*) { return 0; }
std::int32_t AudioEffectX::beginLoadProgram (VstPatchChunkInfo*) { return 0; }
bool AudioEffectX::getInputProperties (std::int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties (std::int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::setSpeakerArrangement (VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

bool AudioEffectX::getSpeakerArrangement (VstSpeakerArrangement** input, VstSpeakerArrangement** output)
{
    // A host may leave either address out.
    if (input != nullptr)
        *input = nullptr;
    if (output != nullptr)
        *output = nullptr;
    return false;
}

bool AudioEffectX::setBypass (bool) { return false; }
bool AudioEffectX::setPanLaw (std::int32_t, float) { return false; }
bool AudioEffectX::setProcessPrecision (std::int32_t) { return false; }
std::int32_t AudioEffectX::getNumMidiInputChannels() { return 0; }
std::int32_t AudioEffectX::getNumMidiOutputChannels() { return 0; }
std::int32_t AudioEffectX::processEvents (VstEvents*) { return 0; }
std::int32_t AudioEffectX::startProcess() { return 0; }
std::int32_t AudioEffectX::stopProcess() { return 0; }
bool AudioEffectX::processVariableIo (VstVariableIo*) { return false; }
std::int32_t AudioEffectX::setTotalSampleToProcess (std::int32_t value) { return value; }
void AudioEffectX::isSynth (bool state) { setFlag (EffectFlag::IsSynth, state); }
void AudioEffectX::noTail (bool state) { setFlag (EffectFlag::NoSoundInStop, state); }
std::int32_t AudioEffectX::getGetTailSize() { return 0; }
bool AudioEffectX::getEffectName (char*) { return false; }
bool AudioEffectX::getVendorString (char*) { return false; }
bool AudioEffectX::getProductString (char*) { return false; }
std::int32_t AudioEffectX::getVendorVersion() { return 0; }
std::int64_t AudioEffectX::vendorSpecific (std::int32_t, std::int64_t, void*, float) { return 0; }
std::int32_t AudioEffectX::canDo (char*) { return 0; }
std::int32_t AudioEffectX::getVstVersion() { return kVstVersion; }

std::int32_t AudioEffectX::getPlugCategory()
{
    return (effectRecord.flags >> 7) & 2;
}

std::int32_t AudioEffectX::getMidiProgramName (std::int32_t, MidiProgramName*) { return 0; }
std::int32_t AudioEffectX::getCurrentMidiProgram (std::int32_t, MidiProgramName*) { return -1; }
std::int32_t AudioEffectX::getMidiProgramCategory (std::int32_t, MidiProgramCategory*) { return 0; }
bool AudioEffectX::hasMidiProgramsChanged (std::int32_t) { return false; }
bool AudioEffectX::getMidiKeyName (std::int32_t, MidiKeyName*) { return false; }
std::int32_t AudioEffectX::getNextShellPlugin (char*) { return 0; }
bool AudioEffectX::offlineNotify (VstAudioFile*, std::int32_t, bool) { return false; }
bool AudioEffectX::offlinePrepare (VstOfflineTask*, std::int32_t) { return false; }
bool AudioEffectX::offlineRun (VstOfflineTask*, std::int32_t) { return false; }
std::int32_t AudioEffectX::offlineGetNumPasses() { return 0; }
std::int32_t AudioEffectX::offlineGetNumMetaPasses() { return 0; }
std::int32_t AudioEffectX::__getNumCategoriesDeprecated() { return 1; }
bool AudioEffectX::__copyProgramDeprecated (std::int32_t) { return false; }
void AudioEffectX::__inputConnectedDeprecated (std::int32_t, bool) {}
void AudioEffectX::__outputConnectedDeprecated (std::int32_t, bool) {}
void AudioEffectX::__wantAsyncOperationDeprecated (bool state) { setFlag (EffectFlag::ExtIsAsyncDeprecated, state); }
void AudioEffectX::__hasExternalBufferDeprecated (bool state) { setFlag (EffectFlag::ExtHasBufferDeprecated, state); }
std::int32_t AudioEffectX::__reportCurrentPositionDeprecated() { return 0; }
float* AudioEffectX::__reportDestinationBufferDeprecated() { return nullptr; }

void AudioEffectX::__setBlockSizeAndSampleRateDeprecated (std::int32_t newBlockSize, float newSampleRate)
{
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

bool AudioEffectX::__getErrorTextDeprecated (char*) { return false; }
void* AudioEffectX::__getIconDeprecated() { return nullptr; }
bool AudioEffectX::__setViewPositionDeprecated (std::int32_t, std::int32_t) { return false; }
std::int32_t AudioEffectX::__fxIdleDeprecated() { return 0; }
bool AudioEffectX::__keysRequiredDeprecated() { return false; }

//==============================================================================
// Questions to the host. Without a host callback each answers as if the host had said 0.

bool AudioEffectX::beginEdit (std::int32_t index) { return callHost (HostOpcode::BeginEdit, index) != 0; }
bool AudioEffectX::endEdit (std::int32_t index) { return callHost (HostOpcode::EndEdit, index) != 0; }
bool AudioEffectX::ioChanged() { return callHost (HostOpcode::IoChanged) != 0; }

double AudioEffectX::updateSampleRate()
{
    const auto answer = callHost (HostOpcode::GetSampleRate);

    if (answer > 0)
        sampleRate = static_cast<float> (answer);

    return sampleRate;
}

std::int32_t AudioEffectX::updateBlockSize()
{
    const auto answer = static_cast<std::int32_t> (callHost (HostOpcode::GetBlockSize));

    if (answer > 0)
        blockSize = answer;

    return blockSize;
}

std::int32_t AudioEffectX::getInputLatency() { return static_cast<std::int32_t> (callHost (HostOpcode::GetInputLatency)); }
std::int32_t AudioEffectX::getOutputLatency() { return static_cast<std::int32_t> (callHost (HostOpcode::GetOutputLatency)); }

HostTimeInfo* AudioEffectX::getTimeInfo (std::int32_t filter)
{
    return asPointer<HostTimeInfo> (callHost (HostOpcode::GetTime, 0, filter));
}

std::int32_t AudioEffectX::getCurrentProcessLevel() { return static_cast<std::int32_t> (callHost (HostOpcode::GetCurrentProcessLevel)); }
std::int32_t AudioEffectX::getAutomationState() { return static_cast<std::int32_t> (callHost (HostOpcode::GetAutomationState)); }

bool AudioEffectX::getHostVendorString (char* text) { return callHost (HostOpcode::GetVendorString, 0, 0, text) != 0; }
bool AudioEffectX::getHostProductString (char* text) { return callHost (HostOpcode::GetProductString, 0, 0, text) != 0; }
std::int32_t AudioEffectX::getHostVendorVersion() { return static_cast<std::int32_t> (callHost (HostOpcode::GetVendorVersion)); }

std::int64_t AudioEffectX::hostVendorSpecific (std::int32_t arg1, std::int64_t arg2, void* ptrArg, float floatArg)
{
    return callHost (HostOpcode::VendorSpecific, arg1, arg2, ptrArg, floatArg);
}

std::int32_t AudioEffectX::canHostDo (char* text) { return callHost (HostOpcode::CanDo, 0, 0, text) != 0 ? 1 : 0; }
std::int32_t AudioEffectX::getHostLanguage() { return static_cast<std::int32_t> (callHost (HostOpcode::GetLanguage)); }
void* AudioEffectX::getDirectory() { return asPointer<void> (callHost (HostOpcode::GetDirectory)); }
bool AudioEffectX::updateDisplay() { return callHost (HostOpcode::UpdateDisplay) != 0; }
bool AudioEffectX::sizeWindow (std::int32_t width, std::int32_t height) { return callHost (HostOpcode::SizeWindow, width, height) != 0; }

bool AudioEffectX::openFileSelector (VstFileSelect* selector)
{
    return selector != nullptr && callHost (HostOpcode::OpenFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::closeFileSelector (VstFileSelect* selector)
{
    return selector != nullptr && callHost (HostOpcode::CloseFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::offlineRead (VstOfflineTask* offline, VstOfflineOption option, bool readSource)
{
    return callHost (HostOpcode::OfflineRead, readSource ? 1 : 0, static_cast<std::uint32_t> (option), offline) != 0;
}

bool AudioEffectX::offlineWrite (VstOfflineTask* offline, VstOfflineOption option)
{
    return callHost (HostOpcode::OfflineWrite, 0, static_cast<std::uint32_t> (option), offline) != 0;
}

bool AudioEffectX::offlineStart (VstAudioFile* audioFiles, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles)
{
    return callHost (HostOpcode::OfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}

std::int32_t AudioEffectX::offlineGetCurrentPass() { return callHost (HostOpcode::OfflineGetCurrentPass) != 0 ? 1 : 0; }
std::int32_t AudioEffectX::offlineGetCurrentMetaPass() { return callHost (HostOpcode::OfflineGetCurrentMetaPass) != 0 ? 1 : 0; }

void AudioEffectX::__wantEventsDeprecated (std::int32_t filter) { callHost (HostOpcode::WantMidiDeprecated, 0, filter); }

std::int32_t AudioEffectX::__tempoAtDeprecated (std::int32_t position)
{
    return static_cast<std::int32_t> (callHost (HostOpcode::TempoAtDeprecated, 0, position));
}

std::int32_t AudioEffectX::__getNumAutomatableParametersDeprecated()
{
    return static_cast<std::int32_t> (callHost (HostOpcode::GetNumAutomatableParametersDeprecated));
}

std::int32_t AudioEffectX::__getParameterQuantizationDeprecated()
{
    return static_cast<std::int32_t> (callHost (HostOpcode::GetParameterQuantizationDeprecated));
}

bool AudioEffectX::__needIdleDeprecated() { return callHost (HostOpcode::NeedIdleDeprecated) != 0; }

// The host is not told which pin is meant: the old interface never passed it.
AEffect* AudioEffectX::__getPreviousPlugDeprecated (std::int32_t)
{
    return asPointer<AEffect> (callHost (HostOpcode::GetPreviousPlugDeprecated));
}

AEffect* AudioEffectX::__getNextPlugDeprecated (std::int32_t)
{
    return asPointer<AEffect> (callHost (HostOpcode::GetNextPlugDeprecated));
}

std::int32_t AudioEffectX::__willProcessReplacingDeprecated()
{
    return static_cast<std::int32_t> (callHost (HostOpcode::WillReplaceOrAccumulateDeprecated));
}

void AudioEffectX::__setOutputSamplerateDeprecated (float rate)
{
    callHost (HostOpcode::SetOutputSampleRateDeprecated, 0, 0, nullptr, rate);
}

VstSpeakerArrangement* AudioEffectX::__getInputSpeakerArrangementDeprecated()
{
    return asPointer<VstSpeakerArrangement> (callHost (HostOpcode::GetInputSpeakerArrangementDeprecated));
}

VstSpeakerArrangement* AudioEffectX::__getOutputSpeakerArrangementDeprecated()
{
    return asPointer<VstSpeakerArrangement> (callHost (HostOpcode::GetOutputSpeakerArrangementDeprecated));
}

void* AudioEffectX::__openWindowDeprecated (__VstWindowDeprecated* window)
{
    return asPointer<void> (callHost (HostOpcode::OpenWindowDeprecated, 0, 0, window));
}

bool AudioEffectX::__closeWindowDeprecated (__VstWindowDeprecated* window)
{
    return callHost (HostOpcode::CloseWindowDeprecated, 0, 0, window) != 0;
}

bool AudioEffectX::__getChunkFileDeprecated (void* nativePath)
{
    return nativePath != nullptr && callHost (HostOpcode::GetChunkFileDeprecated, 0, 0, nativePath) != 0;
}

//==============================================================================
// Speaker arrangements.

bool AudioEffectX::allocateArrangement (VstSpeakerArrangement** arrangement, std::int32_t numChannels)
{
    if (arrangement == nullptr)
        return false;

    delete[] reinterpret_cast<char*> (*arrangement);
    *arrangement = nullptr;

    // Sized in 64 bits: a count whose block would pass the int32 range is refused rather than
    // wrapped round to a block too small for it.
    const auto size = static_cast<std::int64_t> (numChannels) * static_cast<std::int64_t> (sizeof (VstSpeakerProperties))
                      + static_cast<std::int64_t> (offsetof (VstSpeakerArrangement, speakers));

    if (numChannels < 0 || size > std::numeric_limits<std::int32_t>::max())
        return false;

    auto* block = new (std::nothrow) char[static_cast<std::size_t> (size)];
    if (block == nullptr)
        return false;

    std::memset (block, 0, static_cast<std::size_t> (size));
    *arrangement = reinterpret_cast<VstSpeakerArrangement*> (block);
    (*arrangement)->numChannels = numChannels;
    return true;
}

bool AudioEffectX::deallocateArrangement (VstSpeakerArrangement** arrangement)
{
    if (arrangement != nullptr)
    {
        delete[] reinterpret_cast<char*> (*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker (VstSpeakerProperties* to, VstSpeakerProperties* from)
{
    if (to == nullptr || from == nullptr)
        return false;

    if (to == from)
        return true;

    // At most 63 characters, zero-filled behind, so the name always ends inside its 64 bytes.
    constexpr std::size_t lastName = sizeof (to->speakerName) - 1;
    std::size_t n = 0;
    for (; n < lastName && from->speakerName[n] != 0; ++n)
        to->speakerName[n] = from->speakerName[n];
    std::memset (to->speakerName + n, 0, sizeof (to->speakerName) - n);

    to->speakerType = from->speakerType;
    std::memcpy (to->coordinates, from->coordinates, sizeof (to->coordinates));
    std::memcpy (to->trailingBytes, from->trailingBytes, sizeof (to->trailingBytes));
    return true;
}

bool AudioEffectX::matchArrangement (VstSpeakerArrangement** to, VstSpeakerArrangement* from)
{
    if (to == nullptr || from == nullptr)
        return false;

    // Releasing the destination would release the source with it.
    if (*to == from)
        return true;

    if (! deallocateArrangement (to))
        return false;

    if (! allocateArrangement (to, from->numChannels))
        return false;

    (*to)->arrangementType = from->arrangementType;

    for (std::int32_t i = 0; i < (*to)->numChannels; ++i)
        if (! copySpeaker (speakerAt (**to, i), speakerAt (*from, i)))
            return false;

    return true;
}
