#include "VarluneVstBridge.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
// Copies at most maxLength characters and always terminates.
void copyText (char* destination, const juce::String& text, int maxLength)
{
    if (destination == nullptr)
        return;

    const auto utf8 = text.toRawUTF8();
    const auto length = std::min ((size_t) maxLength, std::strlen (utf8));
    std::memcpy (destination, utf8, length);
    destination[length] = 0;
}

// A host's sample position that an int64 cannot hold (NaN, infinite, beyond 2^63) is left out.
bool holdsSamplePosition (double position)
{
    return position >= -0x1p63 && position < 0x1p63;
}

int midiMessageLength (std::uint8_t status)
{
    // Real-time, SysEx and undefined status bytes carry no data bytes the processor uses.
    if (status < 0x80)
        return 0;
    return juce::MidiMessage::getMessageLengthFromFirstByte (status);
}
} // namespace

//==============================================================================
VarluneVstBridge::VarluneVstBridge (HostCallbackProc hostCallbackToUse, juce::AudioProcessor* processorToWrap,
                                    VstEditorHost::OpeningBounds windowOpeningBounds)
    : AudioEffectX (hostCallbackToUse, processorToWrap->getNumPrograms(), processorToWrap->getNumParameters()),
      processor (processorToWrap),
      editorHost (*processor, std::move (windowOpeningBounds), *this)
{
    setUniqueID (uniqueId);
    setNumInputs (numChannels);
    setNumOutputs (numChannels);
    canProcessReplacing (true);
    programsAreChunks (true);
    setInitialDelay (processor->getLatencySamples());
    isSynth (false);
    // Neither "no sound in stop" nor a tail size, whatever the processor's tail length says: an
    // echo rings on after its input stops and an LFO routed to the output sounds with no input,
    // so a host must keep processing. The base answers the tail query with 0, "not known".
    effectRecord.version = versionNumber;
    setFlag (EffectFlag::HasEditor, processor->hasEditor());

    processor->setPlayConfigDetails (numChannels, numChannels, getSampleRate(), getBlockSize());
    processor->setPlayHead (this);
    processor->addListener (this);
    midiEvents.ensureSize (midiBytesReserved);
}

VarluneVstBridge::~VarluneVstBridge()
{
    editorHost.close();
    processor->removeListener (this);
    processor->setPlayHead (nullptr);
}

void VarluneVstBridge::open() {}

void VarluneVstBridge::close()
{
    editorHost.close();
}

//==============================================================================
void VarluneVstBridge::resume()
{
    // Only a clear no stops the questions: many hosts that send it answer "don't know".
    char timeInfo[] = "sendVstTimeInfo";
    hostSendsTimeInfo.store (callHost (HostOpcode::CanDo, 0, 0, timeInfo) != -1, std::memory_order_relaxed);

    processor->setNonRealtime (getCurrentProcessLevel() == ProcessLevel::Offline);

    {
        const juce::ScopedLock lock (processor->getCallbackLock());
        midiEvents.clear();
        prepared = false;

        // The rings are large: when they cannot be had, the effect stays silent until a later
        // resume succeeds, rather than letting the exception reach the host.
        try
        {
            processor->setPlayConfigDetails (numChannels, numChannels, getSampleRate(), getBlockSize());
            processor->setRateAndBufferSizeDetails (getSampleRate(), getBlockSize());
            processor->prepareToPlay (getSampleRate(), getBlockSize());
            prepared = true;
        }
        catch (const std::bad_alloc&)
        {
        }
    }

    setInitialDelay (processor->getLatencySamples());
    AudioEffectX::resume();  // asks the host for MIDI events
}

void VarluneVstBridge::suspend()
{
    const juce::ScopedLock lock (processor->getCallbackLock());
    if (prepared)
        processor->releaseResources();
    prepared = false;
    midiEvents.clear();
}

std::int32_t VarluneVstBridge::startProcess() { return 0; }
std::int32_t VarluneVstBridge::stopProcess()  { return 0; }

void VarluneVstBridge::processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames)
{
    // Suspending and resuming hold this lock while they prepare the processor; a block that
    // meets them is silent rather than waiting on the audio thread, and leaves the events alone.
    const juce::ScopedTryLock lock (processor->getCallbackLock());

    if (outputs == nullptr || sampleFrames <= 0 || outputs[0] == nullptr || outputs[1] == nullptr)
    {
        if (lock.isLocked())
            midiEvents.clear();
        return;
    }

    // The processor works in place on the output channels.
    for (int c = 0; c < numChannels; ++c)
    {
        const float* in = inputs != nullptr ? inputs[c] : nullptr;
        if (in == nullptr)
            std::fill (outputs[c], outputs[c] + sampleFrames, 0.0f);
        else if (in != outputs[c])
            std::memmove (outputs[c], in, sizeof (float) * (size_t) sampleFrames);
    }

    juce::AudioSampleBuffer buffer (outputs, numChannels, sampleFrames);

    if (! lock.isLocked())
    {
        buffer.clear();
        return;
    }

    if (! prepared || processor->isSuspended())
        buffer.clear();
    else
        processor->processBlock (buffer, midiEvents);

    midiEvents.clear();
}

std::int32_t VarluneVstBridge::processEvents (VstEvents* events)
{
    if (events == nullptr)
        return 0;

    // Events that arrive while the host suspends or resumes the effect are dropped, as that
    // clears the list anyway.
    const juce::ScopedTryLock lock (processor->getCallbackLock());
    if (! lock.isLocked())
        return 1;

    for (std::int32_t i = 0; i < events->numEvents; ++i)
    {
        const auto* event = eventAt (*events, i);

        if (event == nullptr || event->type != EventType::Midi)
            continue;

        const auto& midi = *reinterpret_cast<const VstMidiEvent*> (event);
        const auto* bytes = reinterpret_cast<const std::uint8_t*> (midi.midiData);
        const int length = midiMessageLength (bytes[0]);

        // Beyond the reserved space the event is dropped rather than allocating on this thread.
        if (length <= 0 || length > 3 || midiEvents.data.size() + 16 > midiBytesReserved)
            continue;

        midiEvents.addEvent (bytes, length, std::max (0, (int) midi.deltaFrames));
    }

    return 1;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> VarluneVstBridge::getPosition() const
{
    if (! hostSendsTimeInfo.load (std::memory_order_relaxed))
        return {};

    auto* self = const_cast<VarluneVstBridge*> (this);
    const HostTimeInfo* info = self->getTimeInfo (TimeInfoFlag::TempoValid | TimeInfoFlag::PpqPositionValid);

    if (info == nullptr)
        return {};

    PositionInfo position;
    if (holdsSamplePosition (info->samplePosition))
        position.setTimeInSamples ((juce::int64) info->samplePosition);

    position.setIsPlaying ((info->flags & TimeInfoFlag::TransportPlaying) != 0);

    if ((info->flags & TimeInfoFlag::TempoValid) != 0)
        position.setBpm (info->tempo);

    if ((info->flags & TimeInfoFlag::PpqPositionValid) != 0)
        position.setPpqPosition (info->ppqPosition);

    return position;
}

//==============================================================================
void VarluneVstBridge::setParameter (std::int32_t index, float value)
{
    processor->setParameter (index, value);
}

float VarluneVstBridge::getParameter (std::int32_t index)
{
    return processor->getParameter (index);
}

void VarluneVstBridge::getParameterName (std::int32_t index, char* text)
{
    copyText (text, processor->getParameterName (index, maxNameLength), maxNameLength);
}

void VarluneVstBridge::getParameterDisplay (std::int32_t index, char* text)
{
    copyText (text, processor->getParameterText (index, maxTextLength), maxTextLength);
}

void VarluneVstBridge::getParameterLabel (std::int32_t, char* label)
{
    copyText (label, {}, 0);  // the unit travels inside the display text
}

bool VarluneVstBridge::canParameterBeAutomated (std::int32_t index)
{
    return juce::isPositiveAndBelow (index, processor->getNumParameters());
}

void VarluneVstBridge::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value)
{
    callHost (HostOpcode::Automate, index, 0, nullptr, value);
}

void VarluneVstBridge::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    beginEdit (index);
}

void VarluneVstBridge::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    endEdit (index);
}

void VarluneVstBridge::audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details)
{
    if (details.latencyChanged)
    {
        setInitialDelay (processor->getLatencySamples());
        ioChanged();
    }

    if (details.programChanged || details.parameterInfoChanged)
        updateDisplay();
}

//==============================================================================
std::int32_t VarluneVstBridge::getProgram()
{
    return processor->getCurrentProgram();
}

void VarluneVstBridge::setProgram (std::int32_t program)
{
    if (juce::isPositiveAndBelow (program, processor->getNumPrograms()))
        processor->setCurrentProgram (program);
}

void VarluneVstBridge::setProgramName (char* name)
{
    if (name != nullptr)
        processor->changeProgramName (processor->getCurrentProgram(), juce::String::fromUTF8 (name));
}

void VarluneVstBridge::getProgramName (char* name)
{
    copyText (name, processor->getProgramName (processor->getCurrentProgram()), TextLimit::ProgramName);
}

bool VarluneVstBridge::getProgramNameIndexed (std::int32_t, std::int32_t index, char* text)
{
    if (text == nullptr)
        return false;

    copyText (text, processor->getProgramName (index), TextLimit::ProgramName);
    return true;
}

std::int32_t VarluneVstBridge::getChunk (void** data, bool isPreset)
{
    if (data == nullptr)
        return 0;

    const std::lock_guard<std::mutex> lock (chunkLock);
    chunk.reset();

    if (isPreset)
        processor->getCurrentProgramStateInformation (chunk);
    else
        processor->getStateInformation (chunk);

    *data = chunk.getSize() > 0 ? chunk.getData() : nullptr;
    return (std::int32_t) chunk.getSize();
}

std::int32_t VarluneVstBridge::setChunk (void* data, std::int32_t byteSize, bool isPreset)
{
    if (data == nullptr || byteSize < 1)
        return 0;

    if (isPreset)
        processor->setCurrentProgramStateInformation (data, byteSize);
    else
        processor->setStateInformation (data, byteSize);

    return 1;
}

//==============================================================================
bool VarluneVstBridge::getInputProperties (std::int32_t index, VstPinProperties* properties)
{
    if (properties == nullptr || ! juce::isPositiveAndBelow (index, numChannels))
        return false;

    std::memset (properties, 0, sizeof (*properties));
    copyText (properties->label, "Input " + juce::String (index + 1), TextLimit::PinLabel - 1);
    copyText (properties->shortLabel, "In" + juce::String (index + 1), TextLimit::PinShortLabel - 1);
    properties->flags = PinFlag::IsActive | PinFlag::IsStereo;
    properties->arrangementType = SpeakerArrangementType::Stereo;
    return true;
}

bool VarluneVstBridge::getOutputProperties (std::int32_t index, VstPinProperties* properties)
{
    if (properties == nullptr || ! juce::isPositiveAndBelow (index, numChannels))
        return false;

    std::memset (properties, 0, sizeof (*properties));
    copyText (properties->label, "Output " + juce::String (index + 1), TextLimit::PinLabel - 1);
    copyText (properties->shortLabel, "Out" + juce::String (index + 1), TextLimit::PinShortLabel - 1);
    properties->flags = PinFlag::IsActive | PinFlag::IsStereo;
    properties->arrangementType = SpeakerArrangementType::Stereo;
    return true;
}

bool VarluneVstBridge::setSpeakerArrangement (VstSpeakerArrangement* input, VstSpeakerArrangement* output)
{
    // Only the stereo layout the plug-in announces.
    return input != nullptr && output != nullptr
        && input->numChannels == numChannels && output->numChannels == numChannels;
}

bool VarluneVstBridge::setBypass (bool)
{
    return false;
}

//==============================================================================
bool VarluneVstBridge::getEffectName (char* name)
{
    copyText (name, processor->getName(), TextLimit::EffectName);
    return name != nullptr;
}

bool VarluneVstBridge::getVendorString (char* text)
{
    copyText (text, "Mordwick", TextLimit::VendorString);
    return text != nullptr;
}

bool VarluneVstBridge::getProductString (char* text)
{
    copyText (text, "Varlune", TextLimit::ProductString);
    return text != nullptr;
}

std::int32_t VarluneVstBridge::getVendorVersion()
{
    return versionNumber;
}

std::int32_t VarluneVstBridge::canDo (char* text)
{
    if (text == nullptr)
        return 0;

    const juce::String capability (text);

    if (capability == "receiveVstEvents" || capability == "receiveVstMidiEvent")
        return processor->acceptsMidi() ? 1 : -1;

    if (capability == "sendVstEvents" || capability == "sendVstMidiEvent")
        return processor->producesMidi() ? 1 : -1;

    return 0;
}

std::int32_t VarluneVstBridge::getPlugCategory()
{
    return PlugCategory::Effect;
}

//==============================================================================
std::int64_t VarluneVstBridge::dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value,
                                           void* ptr, float opt)
{
    if (VstEditorHost::isWindowOpcode (opcode))
        return editorHost.dispatch (opcode, ptr);

    return AudioEffectX::dispatcher (opcode, index, value, ptr, opt);
}
