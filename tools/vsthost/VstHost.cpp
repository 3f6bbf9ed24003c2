#include "VstHost.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace
{
// The host answering while VSTPluginMain runs, before the effect's record can point back to it.
thread_local VstHost* hostBeingLoaded = nullptr;
} // namespace

VstHost::VstHost (const std::string& libraryPath)
{
    library = dlopen (libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* message = dlerror();
        error = message != nullptr ? message : "cannot load " + libraryPath;
        return;
    }

    auto entry = reinterpret_cast<PluginEntryProc> (dlsym (library, "VSTPluginMain"));
    if (entry == nullptr)
        entry = reinterpret_cast<PluginEntryProc> (dlsym (library, "main"));
    if (entry == nullptr)
    {
        error = "no VSTPluginMain or main in " + libraryPath;
        return;
    }

    hostBeingLoaded = this;
    effect = entry (&VstHost::callback);
    hostBeingLoaded = nullptr;

    if (effect == nullptr)
    {
        error = "the plug-in returned no effect";
        return;
    }
    if (effect->magic != kEffectMagic)
    {
        error = "the plug-in's record has the wrong magic";
        effect = nullptr;
        return;
    }

    effect->user = this;
}

VstHost::~VstHost()
{
    close();
    if (library != nullptr)
        dlclose (library);
}

void VstHost::close()
{
    if (effect == nullptr)
        return;

    stop();
    dispatch (EffectOpcode::Close);
    effect = nullptr;
}

std::int64_t VstHost::dispatch (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
{
    return effect != nullptr ? effect->dispatcherProc (effect, opcode, index, value, ptr, opt) : 0;
}

void VstHost::setTempo (double bpm, bool valid)        { tempo = bpm; tempoValid = valid; }
void VstHost::setTimeInfoAvailable (bool available)    { timeInfoAvailable = available; }
void VstHost::setProcessLevel (std::int32_t level)     { processLevel = level; }
void VstHost::setMasterVersion (std::int64_t version)  { masterVersion = version; }

void VstHost::start (double newSampleRate, int newBlockSize)
{
    sampleRate = newSampleRate;
    blockSize = newBlockSize;
    samplePosition = 0.0;
    dispatch (EffectOpcode::Open);
    dispatch (EffectOpcode::SetSampleRate, 0, 0, nullptr, (float) sampleRate);
    dispatch (EffectOpcode::SetBlockSize, 0, blockSize);
    dispatch (EffectOpcode::MainsChanged, 0, 1);
    running = true;
}

void VstHost::stop()
{
    if (running)
        dispatch (EffectOpcode::MainsChanged, 0, 0);
    running = false;
}

void VstHost::process (float** channels, int frames, const std::vector<MidiEvent>& midi)
{
    if (effect == nullptr)
        return;

    if (! midi.empty())
    {
        const auto count = (std::int32_t) midi.size();
        eventStorage.assign (eventListSize (count) + sizeof (VstMidiEvent) * midi.size(), 0);
        auto* list = reinterpret_cast<VstEvents*> (eventStorage.data());
        auto* events = reinterpret_cast<VstMidiEvent*> (eventStorage.data() + eventListSize (count));
        list->numEvents = count;

        for (std::int32_t i = 0; i < count; ++i)
        {
            auto& e = events[i];
            e.type = EventType::Midi;
            e.byteSize = sizeof (VstMidiEvent);
            e.deltaFrames = midi[(size_t) i].frame;
            std::memcpy (e.midiData, midi[(size_t) i].bytes, 3);
            (&list->events[0])[i] = reinterpret_cast<VstEvent*> (&e);
        }

        dispatch (EffectOpcode::ProcessEvents, 0, 0, list);
    }

    effect->processReplacingProc (effect, channels, channels, frames);
    samplePosition += frames;
}

std::vector<std::vector<float>> VstHost::render (const std::vector<std::vector<float>>& input, int blockFrames,
                                                 const std::vector<MidiEvent>& midi)
{
    const int numChannels = std::max (2, effect != nullptr ? effect->numOutputs : 2);
    const int total = input.empty() ? 0 : (int) input[0].size();

    std::vector<std::vector<float>> output ((size_t) numChannels, std::vector<float> ((size_t) total));
    for (int c = 0; c < numChannels; ++c)
        if (! input.empty())
            std::copy (input[(size_t) std::min (c, (int) input.size() - 1)].begin(),
                       input[(size_t) std::min (c, (int) input.size() - 1)].end(), output[(size_t) c].begin());

    std::vector<float*> pointers ((size_t) numChannels);
    std::vector<MidiEvent> blockEvents;

    for (int start = 0; start < total; start += blockFrames)
    {
        const int frames = std::min (blockFrames, total - start);
        blockEvents.clear();
        for (const auto& e : midi)
            if (e.frame >= start && e.frame < start + frames)
                blockEvents.push_back ({ e.frame - start, { e.bytes[0], e.bytes[1], e.bytes[2] } });

        for (int c = 0; c < numChannels; ++c)
            pointers[(size_t) c] = output[(size_t) c].data() + start;
        process (pointers.data(), frames, blockEvents);
    }

    return output;
}

float VstHost::getParameter (int index)
{
    return effect != nullptr ? effect->getParameterProc (effect, index) : 0.0f;
}

void VstHost::setParameter (int index, float value)
{
    if (effect != nullptr)
        effect->setParameterProc (effect, index, value);
}

std::string VstHost::getText (std::int32_t opcode, std::int32_t index)
{
    char text[256] = {};
    dispatch (opcode, index, 0, text);
    text[255] = 0;
    return text;
}

std::string VstHost::getParameterName (int index)    { return getText (EffectOpcode::GetParameterName, index); }
std::string VstHost::getParameterDisplay (int index) { return getText (EffectOpcode::GetParameterDisplay, index); }

std::vector<char> VstHost::getChunk (bool preset)
{
    void* data = nullptr;
    const auto size = dispatch (EffectOpcode::GetChunk, preset ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0)
        return {};
    const auto* bytes = static_cast<const char*> (data);
    return std::vector<char> (bytes, bytes + size);
}

std::int64_t VstHost::setChunk (const std::vector<char>& data, bool preset)
{
    return dispatch (EffectOpcode::SetChunk, preset ? 1 : 0, (std::int64_t) data.size(),
                     const_cast<char*> (data.data()));
}

std::vector<VstHost::Report> VstHost::takeReports()
{
    const std::lock_guard<std::mutex> lock (reportsLock);
    std::vector<Report> taken;
    taken.swap (reports);
    return taken;
}

std::int64_t VstHost::callback (AEffect* effect, std::int32_t opcode, std::int32_t index,
                                std::int64_t value, void* ptr, float opt)
{
    VstHost* host = effect != nullptr && effect->user != nullptr ? static_cast<VstHost*> (effect->user)
                                                                  : hostBeingLoaded;
    if (host == nullptr)
        return opcode == HostOpcode::Version ? kVstVersion : 0;

    return host->answer (opcode, index, value, ptr, opt);
}

std::int64_t VstHost::answer (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
{
    switch (opcode)
    {
        case HostOpcode::Version:
            return masterVersion;

        case HostOpcode::Automate:
        case HostOpcode::BeginEdit:
        case HostOpcode::EndEdit:
        case HostOpcode::SizeWindow:
        {
            const auto kind = opcode == HostOpcode::Automate  ? Report::Automate
                            : opcode == HostOpcode::BeginEdit ? Report::BeginEdit
                            : opcode == HostOpcode::EndEdit   ? Report::EndEdit
                                                              : Report::SizeWindow;
            const std::lock_guard<std::mutex> lock (reportsLock);
            reports.push_back ({ kind, index, opt, value });
            return 1;
        }

        case HostOpcode::GetTime:
        {
            if (! timeInfoAvailable)
                return 0;
            timeInfo = {};
            timeInfo.samplePosition = samplePosition;
            timeInfo.sampleRate = sampleRate;
            timeInfo.tempo = tempo;
            timeInfo.ppqPosition = samplePosition / sampleRate * tempo / 60.0;
            timeInfo.timeSigNumerator = 4;
            timeInfo.timeSigDenominator = 4;
            timeInfo.flags = TimeInfoFlag::TransportPlaying | TimeInfoFlag::PpqPositionValid
                           | TimeInfoFlag::TimeSignatureValid | (tempoValid ? TimeInfoFlag::TempoValid : 0);
            return (std::int64_t) (std::intptr_t) &timeInfo;
        }

        case HostOpcode::GetSampleRate:          return (std::int64_t) sampleRate;
        case HostOpcode::GetBlockSize:           return blockSize;
        case HostOpcode::GetCurrentProcessLevel: return processLevel;

        case HostOpcode::CanDo:
        {
            if (ptr == nullptr)
                return 0;
            const std::string capability (static_cast<const char*> (ptr));
            for (const char* known : { "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                       "sizeWindow", "supplyIdle" })
                if (capability == known)
                    return 1;
            return 0;
        }

        case HostOpcode::GetVendorString:
        case HostOpcode::GetProductString:
            if (ptr != nullptr)
                std::strcpy (static_cast<char*> (ptr), opcode == HostOpcode::GetVendorString ? "Varlune" : "Test host");
            return 1;

        case HostOpcode::GetVendorVersion:
            return 1;

        default:
            (void) index;
            return 0;
    }
}
