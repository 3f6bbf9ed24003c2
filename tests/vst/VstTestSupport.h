// A recording host, a small concrete effect and a probe effect that logs every operation the
// dispatchers reach, for driving the effect base through its record as a host would.
#pragma once

#include "AudioEffectX.h"
#include "EffectEditor.h"

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vsttest
{
struct HostCall
{
    AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    std::int64_t value;
    void* ptr;
    float opt;
};

/** Records every call of its callback and answers with `answer`. One host is active at a time. */
class FakeHost
{
public:
    FakeHost() { active = this; }
    ~FakeHost() { active = nullptr; }

    static std::int64_t callback (AEffect* e, std::int32_t opcode, std::int32_t index, std::int64_t value, void* ptr, float opt)
    {
        active->calls.push_back ({ e, opcode, index, value, ptr, opt });
        return active->answer;
    }

    std::vector<HostCall> calls;
    std::int64_t answer = 0;

    static inline FakeHost* active = nullptr;
};

/** The smallest concrete effect: halves its input; counts the live instances. */
class PlainEffect : public AudioEffectX
{
public:
    PlainEffect (HostCallbackProc host = nullptr, std::int32_t programs = 5, std::int32_t params = 7)
        : AudioEffectX (host, programs, params)
    {
        ++alive;
    }

    ~PlainEffect() override { --alive; }

    void processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames) override
    {
        for (std::int32_t i = 0; i < sampleFrames; ++i)
            outputs[0][i] = 0.5f * inputs[0][i];
    }

    void attachEditor (EffectEditor* e) { editor = e; }
    HostCallbackProc callback() const { return hostCallback; }

    static inline int alive = 0;
};

inline std::string format (const char* pattern, ...)
{
    char text[256];
    va_list args;
    va_start (args, pattern);
    std::vsnprintf (text, sizeof (text), pattern, args);
    va_end (args);
    return text;
}

/** Names the pointers a test hands in, so that log lines can be compared as text. */
struct PointerNames
{
    const void* buf = nullptr;
    const void* aux = nullptr;

    std::string operator() (const void* p) const
    {
        return p == nullptr ? "null" : p == buf ? "buf" : p == aux ? "aux" : "?";
    }
};

class ProbeEditor : public EffectEditor
{
public:
    ProbeEditor (std::vector<std::string>& logTo, const PointerNames& names, bool* destroyedFlag = nullptr)
        : log (logTo), name (names), destroyed (destroyedFlag)
    {
    }

    ~ProbeEditor() override
    {
        if (destroyed != nullptr)
            *destroyed = true;
    }

    bool getWindowRect (EditorRect** rect) override { log.push_back ("editor.getWindowRect(" + name (rect) + ")"); return true; }
    bool openWindow (void* parent) override { log.push_back ("editor.openWindow(" + name (parent) + ")"); return true; }
    void closeWindow() override { log.push_back ("editor.closeWindow"); }
    void idle() override { log.push_back ("editor.idle"); }
    bool keyDown (EditorKeyCode& k) override { log.push_back (format ("editor.keyDown(%d,%d,%d)", k.character, k.virtualKey, k.modifiers)); return true; }
    bool keyUp (EditorKeyCode& k) override { log.push_back (format ("editor.keyUp(%d,%d,%d)", k.character, k.virtualKey, k.modifiers)); return true; }
    bool setKnobMode (std::int32_t mode) override { log.push_back (format ("editor.setKnobMode(%d)", mode)); return true; }

private:
    std::vector<std::string>& log;
    const PointerNames& name;
    bool* destroyed;
};

/** Logs every operation the dispatchers and trampolines reach. Integer results are `intResult`,
    bool results true, so that sign extension and bool conversion show in the dispatcher's answer. */
class ProbeEffect : public PlainEffect
{
public:
    using PlainEffect::PlainEffect;

    std::vector<std::string> log;
    PointerNames name;
    std::int32_t intResult = -1;
    std::int64_t wideResult = 0x123456789A;

    void note (const std::string& line) { log.push_back (line); }

    void open() override { note ("open"); }
    void close() override { note ("close"); }
    void suspend() override { note ("suspend"); }
    void resume() override { note ("resume"); }
    void setSampleRate (float rate) override { note (format ("setSampleRate(%g)", rate)); }
    void setBlockSize (std::int32_t size) override { note (format ("setBlockSize(%d)", size)); }
    void processDoubleReplacing (double**, double**, std::int32_t n) override { note (format ("processDoubleReplacing(%d)", n)); }
    void __processDeprecated (float**, float**, std::int32_t n) override { note (format ("__processDeprecated(%d)", n)); }
    void setParameter (std::int32_t i, float v) override { note (format ("setParameter(%d,%g)", i, v)); }
    float getParameter (std::int32_t i) override { note (format ("getParameter(%d)", i)); return 0.75f; }
    std::int32_t getProgram() override { note ("getProgram"); return intResult; }
    void setProgram (std::int32_t p) override { note (format ("setProgram(%d)", p)); }
    void setProgramName (char* t) override { note ("setProgramName(" + name (t) + ")"); }
    void getProgramName (char* t) override { note ("getProgramName(" + name (t) + ")"); }
    void getParameterLabel (std::int32_t i, char* t) override { note (format ("getParameterLabel(%d,", i) + name (t) + ")"); }
    void getParameterDisplay (std::int32_t i, char* t) override { note (format ("getParameterDisplay(%d,", i) + name (t) + ")"); }
    void getParameterName (std::int32_t i, char* t) override { note (format ("getParameterName(%d,", i) + name (t) + ")"); }
    std::int32_t getChunk (void** d, bool preset) override { note ("getChunk(" + name (d) + format (",%d)", preset)); return intResult; }
    std::int32_t setChunk (void* d, std::int32_t n, bool preset) override { note ("setChunk(" + name (d) + format (",%d,%d)", n, preset)); return intResult; }

    std::int32_t processEvents (VstEvents* e) override { note ("processEvents(" + name (e) + ")"); return intResult; }
    bool canParameterBeAutomated (std::int32_t i) override { note (format ("canParameterBeAutomated(%d)", i)); return true; }
    bool string2parameter (std::int32_t i, char* t) override { note (format ("string2parameter(%d,", i) + name (t) + ")"); return true; }
    bool getProgramNameIndexed (std::int32_t c, std::int32_t i, char* t) override { note (format ("getProgramNameIndexed(%d,%d,", c, i) + name (t) + ")"); return true; }
    bool getInputProperties (std::int32_t i, VstPinProperties* p) override { note (format ("getInputProperties(%d,", i) + name (p) + ")"); return true; }
    bool getOutputProperties (std::int32_t i, VstPinProperties* p) override { note (format ("getOutputProperties(%d,", i) + name (p) + ")"); return true; }
    std::int32_t getPlugCategory() override { note ("getPlugCategory"); return intResult; }
    bool offlineNotify (VstAudioFile* f, std::int32_t n, bool s) override { note ("offlineNotify(" + name (f) + format (",%d,%d)", n, s)); return true; }
    bool offlinePrepare (VstOfflineTask* t, std::int32_t n) override { note ("offlinePrepare(" + name (t) + format (",%d)", n)); return true; }
    bool offlineRun (VstOfflineTask* t, std::int32_t n) override { note ("offlineRun(" + name (t) + format (",%d)", n)); return true; }
    bool processVariableIo (VstVariableIo* io) override { note ("processVariableIo(" + name (io) + ")"); return true; }
    bool setSpeakerArrangement (VstSpeakerArrangement* in, VstSpeakerArrangement* out) override { note ("setSpeakerArrangement(" + name (in) + "," + name (out) + ")"); return true; }
    bool setBypass (bool b) override { note (format ("setBypass(%d)", b)); return true; }
    bool getEffectName (char* t) override { note ("getEffectName(" + name (t) + ")"); return true; }
    bool getVendorString (char* t) override { note ("getVendorString(" + name (t) + ")"); return true; }
    bool getProductString (char* t) override { note ("getProductString(" + name (t) + ")"); return true; }
    std::int32_t getVendorVersion() override { note ("getVendorVersion"); return intResult; }
    std::int64_t vendorSpecific (std::int32_t a, std::int64_t b, void* p, float f) override { note (format ("vendorSpecific(%d,%llx,", a, (unsigned long long) b) + name (p) + format (",%g)", f)); return wideResult; }
    std::int32_t canDo (char* t) override { note ("canDo(" + name (t) + ")"); return intResult; }
    std::int32_t getGetTailSize() override { note ("getGetTailSize"); return intResult; }
    bool getParameterProperties (std::int32_t i, VstParameterProperties* p) override { note (format ("getParameterProperties(%d,", i) + name (p) + ")"); return true; }
    std::int32_t getVstVersion() override { note ("getVstVersion"); return intResult; }
    std::int32_t getMidiProgramName (std::int32_t c, MidiProgramName* p) override { note (format ("getMidiProgramName(%d,", c) + name (p) + ")"); return intResult; }
    std::int32_t getCurrentMidiProgram (std::int32_t c, MidiProgramName* p) override { note (format ("getCurrentMidiProgram(%d,", c) + name (p) + ")"); return intResult; }
    std::int32_t getMidiProgramCategory (std::int32_t c, MidiProgramCategory* p) override { note (format ("getMidiProgramCategory(%d,", c) + name (p) + ")"); return intResult; }
    bool hasMidiProgramsChanged (std::int32_t c) override { note (format ("hasMidiProgramsChanged(%d)", c)); return true; }
    bool getMidiKeyName (std::int32_t c, MidiKeyName* k) override { note (format ("getMidiKeyName(%d,", c) + name (k) + ")"); return true; }
    bool beginSetProgram() override { note ("beginSetProgram"); return true; }
    bool endSetProgram() override { note ("endSetProgram"); return true; }
    bool getSpeakerArrangement (VstSpeakerArrangement** in, VstSpeakerArrangement** out) override { note ("getSpeakerArrangement(" + name (in) + "," + name (out) + ")"); return true; }
    std::int32_t getNextShellPlugin (char* t) override { note ("getNextShellPlugin(" + name (t) + ")"); return intResult; }
    std::int32_t startProcess() override { note ("startProcess"); return intResult; }
    std::int32_t stopProcess() override { note ("stopProcess"); return intResult; }
    std::int32_t setTotalSampleToProcess (std::int32_t n) override { note (format ("setTotalSampleToProcess(%d)", n)); return intResult; }
    bool setPanLaw (std::int32_t t, float v) override { note (format ("setPanLaw(%d,%g)", t, v)); return true; }
    std::int32_t beginLoadBank (VstPatchChunkInfo* p) override { note ("beginLoadBank(" + name (p) + ")"); return intResult; }
    std::int32_t beginLoadProgram (VstPatchChunkInfo* p) override { note ("beginLoadProgram(" + name (p) + ")"); return intResult; }
    bool setProcessPrecision (std::int32_t p) override { note (format ("setProcessPrecision(%d)", p)); return true; }
    std::int32_t getNumMidiInputChannels() override { note ("getNumMidiInputChannels"); return intResult; }
    std::int32_t getNumMidiOutputChannels() override { note ("getNumMidiOutputChannels"); return intResult; }
};
} // namespace vsttest
