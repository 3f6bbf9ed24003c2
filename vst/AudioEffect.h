// Root of a VST 2.4 effect: owns the AEffect record the host talks to, turns the record's plain
// function pointers into virtual calls, decodes the basic dispatcher opcodes (0 to 24) and gives
// every operation except processReplacing a neutral default.
//
// A concrete effect derives from it (usually through AudioEffectX), adjusts the record through
// the setters in its constructor and hands getAeffect() to the host. The host's Close opcode
// deletes the object, so effects must be created with new.
#pragma once

#include "VstInterface.h"

#include <atomic>

class EffectEditor;

class AudioEffect
{
public:
    AudioEffect (HostCallbackProc hostCallback, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect (const AudioEffect&) = delete;
    AudioEffect& operator= (const AudioEffect&) = delete;

    /** Decodes opcodes 0 to 24; every other opcode, negative ones included, answers 0. */
    virtual std::int64_t dispatcher (std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate (float newSampleRate) { sampleRate = newSampleRate; }
    virtual void setBlockSize (std::int32_t newBlockSize) { blockSize = newBlockSize; }

    virtual void processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames) = 0;
    virtual void processDoubleReplacing (double** inputs, double** outputs, std::int32_t sampleFrames);

    virtual void setParameter (std::int32_t index, float value);
    virtual float getParameter (std::int32_t index);
    /** Sets the parameter, then tells the host about the change. */
    virtual void setParameterAutomated (std::int32_t index, float value);

    virtual std::int32_t getProgram() { return currentProgram; }
    virtual void setProgram (std::int32_t program) { currentProgram = program; }
    virtual void setProgramName (char* name);
    virtual void getProgramName (char* name);

    virtual void getParameterLabel (std::int32_t index, char* label);
    virtual void getParameterDisplay (std::int32_t index, char* text);
    virtual void getParameterName (std::int32_t index, char* text);

    /** Points *data at the effect's state and returns its size in bytes; 0 when there is none. */
    virtual std::int32_t getChunk (void** data, bool isPreset);
    virtual std::int32_t setChunk (void* data, std::int32_t byteSize, bool isPreset);

    // Setters of the record.
    virtual void setUniqueID (std::int32_t id);
    virtual void setNumInputs (std::int32_t inputs);
    virtual void setNumOutputs (std::int32_t outputs);
    virtual void canProcessReplacing (bool state);
    virtual void canDoubleReplacing (bool state);
    virtual void programsAreChunks (bool state);
    virtual void setInitialDelay (std::int32_t delay);

    virtual EffectEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &effectRecord; }
    virtual float getSampleRate() { return sampleRate; }
    virtual std::int32_t getBlockSize() { return blockSize; }

    // Questions to the host.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();

    // Value texts. Each writes at most maxLen characters and a zero byte into text, which must
    // hold maxLen + 1 bytes; nothing is written past text[maxLen].
    virtual void dB2string (float value, char* text, std::int32_t maxLen);
    virtual void Hz2string (float samples, char* text, std::int32_t maxLen);
    virtual void ms2string (float samples, char* text, std::int32_t maxLen);
    virtual void float2string (float value, char* text, std::int32_t maxLen);
    virtual void int2string (std::int32_t value, char* text, std::int32_t maxLen);

    // Deprecated parts of the interface, kept for old hosts.
    virtual void __processDeprecated (float** inputs, float** outputs, std::int32_t sampleFrames);
    virtual float __getVuDeprecated();
    virtual void __hasVuDeprecated (bool state);
    virtual void __hasClipDeprecated (bool state);
    virtual void __canMonoDeprecated (bool state);
    virtual void __setRealtimeQualitiesDeprecated (std::int32_t qualities);
    virtual void __setOfflineQualitiesDeprecated (std::int32_t qualities);
    virtual bool __isInputConnectedDeprecated (std::int32_t input);
    virtual bool __isOutputConnectedDeprecated (std::int32_t output);

    // Entry points stored in the record. Each finds the object through AEffect::effectObject.
    static std::int64_t dispatchEffectClass (AEffect* e, std::int32_t opcode, std::int32_t index,
                                             std::int64_t value, void* ptr, float opt);
    static float getParameterClass (AEffect* e, std::int32_t index);
    static void setParameterClass (AEffect* e, std::int32_t index, float value);
    static void __processClassDeprecated (AEffect* e, float** inputs, float** outputs, std::int32_t sampleFrames);
    static void processClassReplacing (AEffect* e, float** inputs, float** outputs, std::int32_t sampleFrames);
    static void processClassDoubleReplacing (AEffect* e, double** inputs, double** outputs, std::int32_t sampleFrames);

protected:
    /** Calls the host; 0 without a callback. */
    std::int64_t callHost (std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    void setFlag (std::int32_t bit, bool state);

    HostCallbackProc hostCallback;
    EffectEditor* editor;           // owned; deleted with the effect
    // Any of the host's threads may set or read these.
    std::atomic<float> sampleRate;
    std::atomic<std::int32_t> blockSize;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::atomic<std::int32_t> currentProgram;
    AEffect effectRecord;
};
