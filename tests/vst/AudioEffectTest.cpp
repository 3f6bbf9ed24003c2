// The effect record, its entry points, the base dispatcher (opcodes 0 to 24), the flag setters
// and the life cycle, all driven through the record as a host drives them.
#include "vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

using namespace vsttest;

namespace
{
AEffect* recordOf (AudioEffect& effect)
{
    return effect.getAeffect();
}

std::int64_t dispatch (AudioEffect& effect, std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
{
    AEffect* e = recordOf (effect);
    return e->dispatcherProc (e, opcode, index, value, ptr, opt);
}

template <typename T>
T readAt (const unsigned char* bytes, std::size_t offset)
{
    T v;
    std::memcpy (&v, bytes + offset, sizeof (T));
    return v;
}
} // namespace

TEST (AudioEffectRecord, FreshRecordHoldsTheDocumentedBytes)
{
    PlainEffect effect (nullptr, 5, 7);
    unsigned char bytes[sizeof (AEffect)];
    std::memcpy (bytes, recordOf (effect), sizeof (bytes));

    EXPECT_EQ (bytes[0], 0x50);
    EXPECT_EQ (bytes[1], 0x74);
    EXPECT_EQ (bytes[2], 0x73);
    EXPECT_EQ (bytes[3], 0x56);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 40), 5);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 44), 7);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 48), 1);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 52), 2);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 56), 0x10);
    EXPECT_EQ (readAt<float> (bytes, 92), 1.0f);
    EXPECT_EQ (readAt<void*> (bytes, 96), static_cast<void*> (static_cast<AudioEffect*> (&effect)));
    EXPECT_EQ (readAt<std::int32_t> (bytes, 112), 0x4E6F4566);
    EXPECT_EQ (readAt<std::int32_t> (bytes, 116), 1);
    EXPECT_EQ (readAt<DispatcherProc> (bytes, 8), &AudioEffect::dispatchEffectClass);
    EXPECT_EQ (readAt<ProcessProc> (bytes, 16), &AudioEffect::__processClassDeprecated);
    EXPECT_EQ (readAt<SetParameterProc> (bytes, 24), &AudioEffect::setParameterClass);
    EXPECT_EQ (readAt<GetParameterProc> (bytes, 32), &AudioEffect::getParameterClass);
    EXPECT_EQ (readAt<ProcessProc> (bytes, 120), &AudioEffect::processClassReplacing);
    EXPECT_EQ (readAt<ProcessDoubleProc> (bytes, 128), &AudioEffect::processClassDoubleReplacing);

    // Everything else, padding included, is zero.
    const std::pair<std::size_t, std::size_t> zeroAreas[] = { { 4, 8 }, { 60, 92 }, { 104, 112 }, { 136, 192 } };
    for (auto [from, to] : zeroAreas)
        for (auto i = from; i < to; ++i)
            EXPECT_EQ (bytes[i], 0) << "byte " << i;

    // The record lives inside the object.
    auto* object = reinterpret_cast<unsigned char*> (&effect);
    auto* record = reinterpret_cast<unsigned char*> (recordOf (effect));
    EXPECT_TRUE (record > object && record + sizeof (AEffect) <= object + sizeof (effect));
    EXPECT_EQ (effect.getSampleRate(), 44100.0f);
    EXPECT_EQ (effect.getBlockSize(), 1024);
    EXPECT_EQ (effect.getProgram(), 0);
    EXPECT_EQ (effect.getEditor(), nullptr);
}

TEST (AudioEffectRecord, EntryPointsReachTheSubclass)
{
    ProbeEffect probe;
    AEffect* e = recordOf (probe);

    e->setParameterProc (e, 3, 0.25f);
    EXPECT_EQ (e->getParameterProc (e, 4), 0.75f);
    e->processDoubleReplacingProc (e, nullptr, nullptr, 16);
    e->processDeprecatedProc (e, nullptr, nullptr, 8);
    EXPECT_EQ (probe.log, (std::vector<std::string> { "setParameter(3,0.25)", "getParameter(4)",
                                                     "processDoubleReplacing(16)", "__processDeprecated(8)" }));

    float in[4] = { 1.0f, -2.0f, 4.0f, 8.0f };
    float out[4] = {};
    float* inputs[] = { in };
    float* outputs[] = { out };
    e->processReplacingProc (e, inputs, outputs, 3);
    EXPECT_EQ (out[0], 0.5f);
    EXPECT_EQ (out[1], -1.0f);
    EXPECT_EQ (out[2], 2.0f);
    EXPECT_EQ (out[3], 0.0f);
}

TEST (AudioEffectRecord, ExceptionsEndAtTheEntryPoints)
{
    struct Throwing : PlainEffect
    {
        explicit Throwing (bool& d) : destroyed (d) {}
        ~Throwing() override { destroyed = true; }
        std::int64_t dispatcher (std::int32_t, std::int32_t, std::int64_t, void*, float) override { throw std::bad_alloc(); }
        float getParameter (std::int32_t) override { throw std::runtime_error ("get"); }
        void setParameter (std::int32_t, float) override { throw 1; }
        void processReplacing (float**, float**, std::int32_t) override { throw std::bad_alloc(); }
        void processDoubleReplacing (double**, double**, std::int32_t) override { throw std::bad_alloc(); }
        void __processDeprecated (float**, float**, std::int32_t) override { throw std::bad_alloc(); }
        bool& destroyed;
    };

    bool destroyed = false;
    AEffect* e = recordOf (*new Throwing (destroyed));

    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::GetChunk, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ (e->getParameterProc (e, 0), 0.0f);
    e->setParameterProc (e, 0, 0.5f);
    e->processReplacingProc (e, nullptr, nullptr, 16);
    e->processDoubleReplacingProc (e, nullptr, nullptr, 16);
    e->processDeprecatedProc (e, nullptr, nullptr, 16);

    // Close still deletes the effect when its own close throws.
    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::Close, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE (destroyed);
}

TEST (AudioEffectRecord, BaseDefaultsAnswerNeutrally)
{
    PlainEffect effect;
    AEffect* e = recordOf (effect);

    EXPECT_EQ (e->getParameterProc (e, 0), 0.0f);
    e->setParameterProc (e, 0, 0.5f);
    e->processDoubleReplacingProc (e, nullptr, nullptr, 4);

    char text[8];
    for (std::int32_t opcode : { EffectOpcode::GetProgramName, EffectOpcode::GetParameterLabel,
                                 EffectOpcode::GetParameterDisplay, EffectOpcode::GetParameterName })
    {
        std::memset (text, 'x', sizeof (text));
        EXPECT_EQ (dispatch (effect, opcode, 0, 0, text), 0);
        EXPECT_EQ (text[0], 0);
        EXPECT_EQ (text[1], 'x') << "opcode " << opcode << " wrote more than the empty text";
    }

    void* chunk = text;
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetChunk, 1, 0, &chunk), 0);
    EXPECT_EQ (chunk, text);
    EXPECT_EQ (dispatch (effect, EffectOpcode::SetChunk, 0, 4, text), 0);

    dispatch (effect, EffectOpcode::SetSampleRate, 0, 0, nullptr, 96000.0f);
    dispatch (effect, EffectOpcode::SetBlockSize, 0, 256);
    dispatch (effect, EffectOpcode::SetProgram, 0, 4);
    EXPECT_EQ (effect.getSampleRate(), 96000.0f);
    EXPECT_EQ (effect.getBlockSize(), 256);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetProgram), 4);
    EXPECT_EQ (effect.__getVuDeprecated(), 0.0f);
}

TEST (AudioEffectDispatcher, DecodesEveryBasicOpcode)
{
    ProbeEffect probe;
    char buf[16] = "text";
    probe.name.buf = buf;
    probe.attachEditor (new ProbeEditor (probe.log, probe.name));

    struct Row
    {
        std::int32_t opcode, index;
        std::int64_t value;
        float opt;
        const char* expectedCall;   // "" when nothing may be called
        std::int64_t expectedResult;
    };

    const Row rows[] = {
        { 0, 0, 0, 0, "open", 0 },
        { 1, 0, 0, 0, "close", 0 },
        { 2, 0, 3, 0, "setProgram(3)", 0 },
        { 2, 0, 5, 0, "", 0 },                          // not below numPrograms
        { 2, 0, 0x100000000, 0, "", 0 },
        { 2, 0, -1, 0, "setProgram(-1)", 0 },
        { 3, 0, 0, 0, "getProgram", -1 },               // int32 -1 sign-extended
        { 4, 0, 0, 0, "setProgramName(buf)", 0 },
        { 5, 0, 0, 0, "getProgramName(buf)", 0 },
        { 6, 7, 0, 0, "getParameterLabel(7,buf)", 0 },
        { 7, 7, 0, 0, "getParameterDisplay(7,buf)", 0 },
        { 8, 7, 0, 0, "getParameterName(7,buf)", 0 },
        { 9, 0, 0, 0, "", 0 },
        { 10, 0, 0, 48000.0f, "setSampleRate(48000)", 0 },
        { 11, 0, 512, 0, "setBlockSize(512)", 0 },
        { 12, 0, 0, 0, "suspend", 0 },
        { 12, 0, 1, 0, "resume", 0 },
        { 12, 0, -7, 0, "resume", 0 },
        { 12, 0, 0x100000000, 0, "resume", 0 },         // the whole 64-bit value counts
        { 13, 0, 0, 0, "editor.getWindowRect(buf)", 1 },
        { 14, 0, 0, 0, "editor.openWindow(buf)", 1 },
        { 15, 0, 0, 0, "editor.closeWindow", 0 },
        { 16, 0, 0, 0, "", 0 },
        { 17, 0, 0, 0, "", 0 },
        { 18, 0, 0, 0, "", 0 },
        { 19, 0, 0, 0, "editor.idle", 0 },
        { 20, 0, 0, 0, "", 0 },
        { 21, 0, 0, 0, "", 0 },
        { 22, 0, 0, 0, "", 0x4E764566 },
        { 23, 1, 0, 0, "getChunk(buf,1)", -1 },
        { 23, 0, 0, 0, "getChunk(buf,0)", -1 },
        { 24, 2, 100, 0, "setChunk(buf,100,1)", -1 },
        { -1, 0, 1, 0, "", 0 },
        { INT_MIN, 0, 1, 0, "", 0 },
        { 80, 0, 1, 0, "", 0 },
        { 1000, 0, 1, 0, "", 0 },
    };

    for (const auto& row : rows)
    {
        probe.log.clear();
        EXPECT_EQ (probe.dispatcher (row.opcode, row.index, row.value, buf, row.opt), row.expectedResult)
            << "opcode " << row.opcode << " value " << row.value;
        const std::vector<std::string> expected = *row.expectedCall ? std::vector<std::string> { row.expectedCall }
                                                                    : std::vector<std::string> {};
        EXPECT_EQ (probe.log, expected) << "opcode " << row.opcode << " value " << row.value;
    }

    // The base dispatcher itself knows nothing above 24.
    for (std::int32_t opcode : { 25, 58, 63, 79 })
    {
        probe.log.clear();
        EXPECT_EQ (probe.AudioEffect::dispatcher (opcode, 0, 0, buf, 0.0f), 0);
        EXPECT_TRUE (probe.log.empty());
    }
}

TEST (AudioEffectDispatcher, EditorOpcodesWithoutEditorAnswerZero)
{
    ProbeEffect probe;
    char buf[8] = {};
    for (std::int32_t opcode : { 13, 14, 15, 19, 59, 60, 61 })
    {
        EXPECT_EQ (dispatch (probe, opcode, 65, 1, buf, 1.0f), 0) << "opcode " << opcode;
    }
    EXPECT_TRUE (probe.log.empty());
}

TEST (AudioEffectLifeCycle, CloseThroughTheRecordDeletesEffectAndEditor)
{
    std::vector<std::string> log;
    bool editorDestroyed = false;
    const int before = PlainEffect::alive;

    auto* probe = new ProbeEffect();
    PointerNames names;
    probe->attachEditor (new ProbeEditor (log, names, &editorDestroyed));
    AEffect* e = recordOf (*probe);

    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::Open, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ (probe->log, std::vector<std::string> { "open" });

    // Base close does nothing, yet the answer is 1 and the object is gone.
    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::Close, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ (PlainEffect::alive, before);
    EXPECT_TRUE (editorDestroyed);

    auto* plain = new PlainEffect();
    e = recordOf (*plain);
    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::Close, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ (PlainEffect::alive, before);
}

TEST (AudioEffectLifeCycle, CloseRunsTheSubclassCloseBeforeDeleting)
{
    struct Closing : PlainEffect
    {
        explicit Closing (std::vector<std::string>& l) : log (l) {}
        ~Closing() override { log.push_back ("destroyed"); }
        void close() override { log.push_back ("close"); }
        std::int64_t dispatcher (std::int32_t op, std::int32_t i, std::int64_t v, void* p, float f) override
        {
            AudioEffectX::dispatcher (op, i, v, p, f);
            return 42;
        }
        std::vector<std::string>& log;
    };

    std::vector<std::string> log;
    auto* effect = new Closing (log);
    AEffect* e = recordOf (*effect);
    EXPECT_EQ (e->dispatcherProc (e, EffectOpcode::Close, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ (log, (std::vector<std::string> { "close", "destroyed" }));
}

TEST (AudioEffectFlags, EachSetterTouchesOnlyItsOwnBit)
{
    struct Setter
    {
        const char* name;
        std::int32_t bit;
        void (*set) (AudioEffectX&, bool);
    };

    const Setter setters[] = {
        { "__hasClipDeprecated", 0x2, [] (AudioEffectX& x, bool s) { x.__hasClipDeprecated (s); } },
        { "__hasVuDeprecated", 0x4, [] (AudioEffectX& x, bool s) { x.__hasVuDeprecated (s); } },
        { "__canMonoDeprecated", 0x8, [] (AudioEffectX& x, bool s) { x.__canMonoDeprecated (s); } },
        { "canProcessReplacing", 0x10, [] (AudioEffectX& x, bool s) { x.canProcessReplacing (s); } },
        { "programsAreChunks", 0x20, [] (AudioEffectX& x, bool s) { x.programsAreChunks (s); } },
        { "isSynth", 0x100, [] (AudioEffectX& x, bool s) { x.isSynth (s); } },
        { "noTail", 0x200, [] (AudioEffectX& x, bool s) { x.noTail (s); } },
        { "__wantAsyncOperationDeprecated", 0x400, [] (AudioEffectX& x, bool s) { x.__wantAsyncOperationDeprecated (s); } },
        { "__hasExternalBufferDeprecated", 0x800, [] (AudioEffectX& x, bool s) { x.__hasExternalBufferDeprecated (s); } },
        { "canDoubleReplacing", 0x1000, [] (AudioEffectX& x, bool s) { x.canDoubleReplacing (s); } },
    };

    for (const auto& setter : setters)
    {
        for (std::int32_t start : { 0x10, 0, -1 })
        {
            PlainEffect effect;
            std::int32_t& flags = recordOf (effect)->flags;
            flags = start;
            setter.set (effect, true);
            EXPECT_EQ (flags, start | setter.bit) << setter.name;
            setter.set (effect, true);
            EXPECT_EQ (flags, start | setter.bit) << setter.name;
            setter.set (effect, false);
            EXPECT_EQ (flags, start & ~setter.bit) << setter.name;
        }
    }

    PlainEffect fresh;
    fresh.canProcessReplacing (false);
    EXPECT_EQ (recordOf (fresh)->flags, 0);
}
