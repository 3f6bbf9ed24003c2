// The full VST 2.4 effect: AudioEffect plus the extended dispatcher opcodes (25 to 79), the
// extended questions to the host and the speaker-arrangement helpers. Every operation has a
// neutral default, so a concrete effect overrides only what it supports.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect
{
public:
    AudioEffectX (HostCallbackProc hostCallback, std::int32_t numPrograms, std::int32_t numParams);
    ~AudioEffectX() override;

    /** Decodes opcodes 25 to 79 and hands every other opcode to AudioEffect::dispatcher. */
    std::int64_t dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt) override;
    /** Asks the host for MIDI events when the effect is a synth or can receive them. */
    void resume() override;

    virtual bool canParameterBeAutomated (std::int32_t index);
    virtual bool string2parameter (std::int32_t index, char* text);
    virtual bool getParameterProperties (std::int32_t index, VstParameterProperties* properties);
    virtual bool beginEdit (std::int32_t index);
    virtual bool endEdit (std::int32_t index);

    virtual bool getProgramNameIndexed (std::int32_t category, std::int32_t index, char* text);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual std::int32_t beginLoadBank (VstPatchChunkInfo* info);
    virtual std::int32_t beginLoadProgram (VstPatchChunkInfo* info);

    virtual bool ioChanged();
    /** Asks the host for its sample rate and keeps a positive answer; returns the stored rate. */
    virtual double updateSampleRate();
    /** Asks the host for its block size and keeps a positive answer; returns the stored size. */
    virtual std::int32_t updateBlockSize();
    virtual std::int32_t getInputLatency();
    virtual std::int32_t getOutputLatency();

    virtual bool getInputProperties (std::int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties (std::int32_t index, VstPinProperties* properties);
    virtual bool setSpeakerArrangement (VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    virtual bool getSpeakerArrangement (VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual bool setBypass (bool onOff);
    virtual bool setPanLaw (std::int32_t type, float value);
    virtual bool setProcessPrecision (std::int32_t precision);
    virtual std::int32_t getNumMidiInputChannels();
    virtual std::int32_t getNumMidiOutputChannels();

    /** The host's transport state, or null when the host gives none. */
    virtual HostTimeInfo* getTimeInfo (std::int32_t filter);
    virtual std::int32_t getCurrentProcessLevel();
    virtual std::int32_t getAutomationState();

    virtual std::int32_t processEvents (VstEvents* events);
    virtual std::int32_t startProcess();
    virtual std::int32_t stopProcess();
    virtual bool processVariableIo (VstVariableIo* io);
    virtual std::int32_t setTotalSampleToProcess (std::int32_t value);

    virtual bool getHostVendorString (char* text);
    virtual bool getHostProductString (char* text);
    virtual std::int32_t getHostVendorVersion();
    virtual std::int64_t hostVendorSpecific (std::int32_t arg1, std::int64_t arg2, void* ptrArg, float floatArg);
    /** 1 when the host says it can do `text`, otherwise 0. */
    virtual std::int32_t canHostDo (char* text);
    virtual std::int32_t getHostLanguage();

    virtual void isSynth (bool state);
    virtual void noTail (bool state);
    virtual std::int32_t getGetTailSize();
    virtual void* getDirectory();

    virtual bool getEffectName (char* name);
    virtual bool getVendorString (char* text);
    virtual bool getProductString (char* text);
    virtual std::int32_t getVendorVersion();
    virtual std::int64_t vendorSpecific (std::int32_t arg1, std::int64_t arg2, void* ptrArg, float floatArg);
    /** 1 when the effect can do `text`, -1 when it cannot, 0 when it does not know. */
    virtual std::int32_t canDo (char* text);
    virtual std::int32_t getVstVersion();
    virtual std::int32_t getPlugCategory();

    virtual std::int32_t getMidiProgramName (std::int32_t channel, MidiProgramName* name);
    virtual std::int32_t getCurrentMidiProgram (std::int32_t channel, MidiProgramName* current);
    virtual std::int32_t getMidiProgramCategory (std::int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged (std::int32_t channel);
    virtual bool getMidiKeyName (std::int32_t channel, MidiKeyName* keyName);

    virtual bool updateDisplay();
    virtual bool sizeWindow (std::int32_t width, std::int32_t height);
    virtual bool openFileSelector (VstFileSelect* selector);
    virtual bool closeFileSelector (VstFileSelect* selector);
    virtual std::int32_t getNextShellPlugin (char* name);

    /** Replaces *arrangement by a new zeroed block for numChannels speakers. On failure
        *arrangement is null and the result false. Release it with deallocateArrangement. */
    virtual bool allocateArrangement (VstSpeakerArrangement** arrangement, std::int32_t numChannels);
    virtual bool deallocateArrangement (VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker (VstSpeakerProperties* to, VstSpeakerProperties* from);
    /** Makes *to an exact copy of from, in a block of its own. */
    virtual bool matchArrangement (VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    virtual bool offlineRead (VstOfflineTask* offline, VstOfflineOption option, bool readSource);
    virtual bool offlineWrite (VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart (VstAudioFile* audioFiles, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles);
    virtual std::int32_t offlineGetCurrentPass();
    virtual std::int32_t offlineGetCurrentMetaPass();
    virtual bool offlineNotify (VstAudioFile* data, std::int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare (VstOfflineTask* offline, std::int32_t count);
    virtual bool offlineRun (VstOfflineTask* offline, std::int32_t count);
    virtual std::int32_t offlineGetNumPasses();
    virtual std::int32_t offlineGetNumMetaPasses();

    // Deprecated parts of the interface, kept for old hosts.
    virtual void __wantEventsDeprecated (std::int32_t filter);
    virtual std::int32_t __tempoAtDeprecated (std::int32_t position);
    virtual std::int32_t __getNumAutomatableParametersDeprecated();
    virtual std::int32_t __getParameterQuantizationDeprecated();
    virtual std::int32_t __getNumCategoriesDeprecated();
    virtual bool __copyProgramDeprecated (std::int32_t destination);
    virtual bool __needIdleDeprecated();
    virtual AEffect* __getPreviousPlugDeprecated (std::int32_t input);
    virtual AEffect* __getNextPlugDeprecated (std::int32_t output);
    virtual void __inputConnectedDeprecated (std::int32_t index, bool state);
    virtual void __outputConnectedDeprecated (std::int32_t index, bool state);
    virtual std::int32_t __willProcessReplacingDeprecated();
    virtual void __wantAsyncOperationDeprecated (bool state);
    virtual void __hasExternalBufferDeprecated (bool state);
    virtual std::int32_t __reportCurrentPositionDeprecated();
    virtual float* __reportDestinationBufferDeprecated();
    virtual void __setOutputSamplerateDeprecated (float rate);
    virtual VstSpeakerArrangement* __getInputSpeakerArrangementDeprecated();
    virtual VstSpeakerArrangement* __getOutputSpeakerArrangementDeprecated();
    virtual void* __openWindowDeprecated (__VstWindowDeprecated* window);
    virtual bool __closeWindowDeprecated (__VstWindowDeprecated* window);
    virtual void __setBlockSizeAndSampleRateDeprecated (std::int32_t newBlockSize, float newSampleRate);
    virtual bool __getErrorTextDeprecated (char* text);
    virtual void* __getIconDeprecated();
    virtual bool __setViewPositionDeprecated (std::int32_t x, std::int32_t y);
    virtual std::int32_t __fxIdleDeprecated();
    virtual bool __keysRequiredDeprecated();
    virtual bool __getChunkFileDeprecated (void* nativePath);
};
