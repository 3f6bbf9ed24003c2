#pragma once

#include "AudioEffectX.h"
#include "VstEditorHost.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <memory>
#include <mutex>

/** Presents one juce::AudioProcessor to a VST 2.4 host: the host's dispatcher calls become
    processor calls, the processor's own parameter changes and gestures go back to the host as
    automation, and the host's transport answers the processor's play head. */
class VarluneVstBridge : public AudioEffectX,
                         private juce::AudioProcessorListener,
                         private juce::AudioPlayHead
{
public:
    static constexpr std::int32_t uniqueId = fourCharCode ("zuTa");
    static constexpr std::int32_t versionNumber = 110;
    static constexpr int numChannels = 2;
    static constexpr int maxNameLength = 32;
    static constexpr int maxTextLength = 24;

    /** Takes ownership of the processor; its window opens at the bounds the function gives. */
    VarluneVstBridge (HostCallbackProc hostCallback, juce::AudioProcessor* processorToWrap,
                      VstEditorHost::OpeningBounds windowOpeningBounds);
    ~VarluneVstBridge() override;

    juce::AudioProcessor& getProcessor() const noexcept { return *processor; }

    std::int64_t dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt) override;

    void open() override;
    void close() override;
    void suspend() override;
    void resume() override;
    void processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames) override;
    std::int32_t processEvents (VstEvents* events) override;

    void setParameter (std::int32_t index, float value) override;
    float getParameter (std::int32_t index) override;
    void getParameterName (std::int32_t index, char* text) override;
    void getParameterDisplay (std::int32_t index, char* text) override;
    void getParameterLabel (std::int32_t index, char* label) override;
    bool canParameterBeAutomated (std::int32_t index) override;

    std::int32_t getProgram() override;
    void setProgram (std::int32_t program) override;
    void setProgramName (char* name) override;
    void getProgramName (char* name) override;
    bool getProgramNameIndexed (std::int32_t category, std::int32_t index, char* text) override;

    std::int32_t getChunk (void** data, bool isPreset) override;
    std::int32_t setChunk (void* data, std::int32_t byteSize, bool isPreset) override;

    bool getInputProperties (std::int32_t index, VstPinProperties* properties) override;
    bool getOutputProperties (std::int32_t index, VstPinProperties* properties) override;
    bool setSpeakerArrangement (VstSpeakerArrangement* input, VstSpeakerArrangement* output) override;
    bool setBypass (bool onOff) override;
    std::int32_t startProcess() override;
    std::int32_t stopProcess() override;

    bool getEffectName (char* name) override;
    bool getVendorString (char* text) override;
    bool getProductString (char* text) override;
    std::int32_t getVendorVersion() override;
    std::int32_t canDo (char* text) override;
    std::int32_t getPlugCategory() override;

private:
    // Host events are collected here before each block; reserved ahead so the audio thread does
    // not allocate.
    static constexpr int midiBytesReserved = 1 << 16;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override;
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;

    juce::Optional<PositionInfo> getPosition() const override;

    std::unique_ptr<juce::AudioProcessor> processor;

    // Whether the host may be asked for its transport: asked of the host at each resume, read by
    // the play head on the audio thread.
    std::atomic<bool> hostSendsTimeInfo { false };

    // Both under the processor's callback lock; the audio thread only ever tries it.
    juce::MidiBuffer midiEvents;
    bool prepared = false;

    // Handed out by getChunk, valid until the next request; any host thread may ask.
    std::mutex chunkLock;
    juce::MemoryBlock chunk;

    VstEditorHost editorHost;
};
