// The extended dispatcher (opcodes 25 to 79), the extended defaults and resume.
#include "vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsttest;

namespace
{
std::int64_t dispatch (AudioEffect& effect, std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
{
    AEffect* e = effect.getAeffect();
    return e->dispatcherProc (e, opcode, index, value, ptr, opt);
}

std::int64_t addressOf (const void* p)
{
    return static_cast<std::int64_t> (reinterpret_cast<std::intptr_t> (p));
}
} // namespace

TEST (AudioEffectXDispatcher, DecodesEveryExtendedOpcode)
{
    ProbeEffect probe;
    char buf[16] = {};
    char aux[16] = {};
    probe.name.buf = buf;
    probe.name.aux = aux;
    probe.attachEditor (new ProbeEditor (probe.log, probe.name));

    struct Row
    {
        std::int32_t opcode, index;
        std::int64_t value;
        float opt;
        std::string expectedCall;   // empty when nothing may be called
        std::int64_t expectedResult;
    };

    const std::int64_t auxValue = addressOf (aux);
    const Row rows[] = {
        { 25, 0, 0, 0, "processEvents(buf)", -1 },
        { 26, 7, 0, 0, "canParameterBeAutomated(7)", 1 },
        { 27, 7, 0, 0, "string2parameter(7,buf)", 1 },
        { 29, 7, 3, 0, "getProgramNameIndexed(3,7,buf)", 1 },
        { 33, 7, 0, 0, "getInputProperties(7,buf)", 1 },
        { 34, 7, 0, 0, "getOutputProperties(7,buf)", 1 },
        { 35, 0, 0, 0, "getPlugCategory", 0xFFFFFFFF },      // zero-extended
        { 38, 7, 3, 0, "offlineNotify(buf,3,1)", 1 },
        { 38, 0, 3, 0, "offlineNotify(buf,3,0)", 1 },
        { 39, 0, 3, 0, "offlinePrepare(buf,3)", 1 },
        { 40, 0, 3, 0, "offlineRun(buf,3)", 1 },
        { 41, 0, 0, 0, "processVariableIo(buf)", 1 },
        { 42, 0, auxValue, 0, "setSpeakerArrangement(aux,buf)", 1 },
        { 44, 0, 2, 0, "setBypass(1)", 1 },
        { 44, 0, 0, 0, "setBypass(0)", 1 },
        { 45, 0, 0, 0, "getEffectName(buf)", 1 },
        { 47, 0, 0, 0, "getVendorString(buf)", 1 },
        { 48, 0, 0, 0, "getProductString(buf)", 1 },
        { 49, 0, 0, 0, "getVendorVersion", -1 },
        { 50, 7, 0x1FFFFFFFF, 1.5f, "vendorSpecific(7,1ffffffff,buf,1.5)", 0x123456789A },
        { 51, 0, 0, 0, "canDo(buf)", -1 },
        { 52, 0, 0, 0, "getGetTailSize", -1 },
        { 56, 7, 0, 0, "getParameterProperties(7,buf)", 1 },
        { 58, 0, 0, 0, "getVstVersion", -1 },
        { 59, 65, 0x1FF, 2.9f, "editor.keyDown(65,255,2)", 1 },
        { 60, 65, 0x1FF, 2.9f, "editor.keyUp(65,255,2)", 1 },
        { 59, 0, 0, -1.5f, "editor.keyDown(0,0,255)", 1 },     // -1 truncated, low byte
        { 59, 0, 0, 1e20f, "editor.keyDown(0,0,255)", 1 },     // beyond int32: the largest int32
        { 61, 0, 2, 0, "editor.setKnobMode(2)", 1 },
        { 62, 7, 0, 0, "getMidiProgramName(7,buf)", -1 },
        { 63, 7, 0, 0, "getCurrentMidiProgram(7,buf)", -1 },
        { 64, 7, 0, 0, "getMidiProgramCategory(7,buf)", -1 },
        { 65, 7, 0, 0, "hasMidiProgramsChanged(7)", 1 },
        { 66, 7, 0, 0, "getMidiKeyName(7,buf)", 1 },
        { 67, 0, 0, 0, "beginSetProgram", 1 },
        { 68, 0, 0, 0, "endSetProgram", 1 },
        { 69, 0, auxValue, 0, "getSpeakerArrangement(aux,buf)", 1 },
        { 70, 0, 0, 0, "getNextShellPlugin(buf)", -1 },
        { 71, 0, 0, 0, "startProcess", -1 },
        { 72, 0, 0, 0, "stopProcess", -1 },
        { 73, 0, 0x100000005, 0, "setTotalSampleToProcess(5)", -1 },  // low 32 bits
        { 74, 0, 3, 0.5f, "setPanLaw(3,0.5)", 1 },
        { 75, 0, 0, 0, "beginLoadBank(buf)", -1 },
        { 76, 0, 0, 0, "beginLoadProgram(buf)", -1 },
        { 77, 0, 1, 0, "setProcessPrecision(1)", 1 },
        { 78, 0, 0, 0, "getNumMidiInputChannels", -1 },
        { 79, 0, 0, 0, "getNumMidiOutputChannels", -1 },
        // Deprecated numbers in the range go to the base, which answers 0.
        { 28, 0, 1, 0, "", 0 }, { 30, 0, 1, 0, "", 0 }, { 31, 0, 1, 0, "", 0 }, { 32, 0, 1, 0, "", 0 },
        { 36, 0, 1, 0, "", 0 }, { 37, 0, 1, 0, "", 0 }, { 43, 0, 1, 0, "", 0 }, { 46, 0, 1, 0, "", 0 },
        { 53, 0, 1, 0, "", 0 }, { 54, 0, 1, 0, "", 0 }, { 55, 0, 1, 0, "", 0 }, { 57, 0, 1, 0, "", 0 },
        // Below and above the range: the base dispatcher.
        { 24, 1, 9, 0, "setChunk(buf,9,1)", -1 },
        { 2, 0, 1, 0, "setProgram(1)", 0 },
        { 80, 0, 1, 0, "", 0 },
        { -25, 0, 1, 0, "", 0 },
    };

    for (const auto& row : rows)
    {
        probe.log.clear();
        EXPECT_EQ (dispatch (probe, row.opcode, row.index, row.value, buf, row.opt), row.expectedResult)
            << "opcode " << row.opcode;
        const auto expected = row.expectedCall.empty() ? std::vector<std::string> {} : std::vector<std::string> { row.expectedCall };
        EXPECT_EQ (probe.log, expected) << "opcode " << row.opcode;
    }
}

TEST (AudioEffectXDefaults, AnswerNeutrallyThroughTheRecord)
{
    PlainEffect effect;

    EXPECT_EQ (dispatch (effect, EffectOpcode::GetVstVersion), 2400);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetPlugCategory), 0);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetCurrentMidiProgram), -1);
    EXPECT_EQ (dispatch (effect, EffectOpcode::CanBeAutomated, 3), 1);
    EXPECT_EQ (dispatch (effect, EffectOpcode::SetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ (dispatch (effect, EffectOpcode::SetTotalSampleToProcess, 0, -3), -3);
    EXPECT_EQ (dispatch (effect, EffectOpcode::VendorSpecific, 1, 2, nullptr, 3.0f), 0);

    effect.isSynth (true);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetPlugCategory), 2);
    effect.isSynth (false);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetPlugCategory), 0);

    // The defaults that answer 0 or false leave the host's buffer alone.
    unsigned char buffer[256];
    std::memset (buffer, 0xAB, sizeof (buffer));
    for (std::int32_t opcode : { 25, 27, 29, 33, 34, 38, 39, 40, 41, 42, 44, 45, 47, 48, 49, 51, 52, 56, 62, 64, 65, 66,
                                 67, 68, 70, 71, 72, 74, 75, 76, 77, 78, 79 })
    {
        EXPECT_EQ (dispatch (effect, opcode, 1, 0, buffer, 1.0f), 0) << "opcode " << opcode;
    }
    for (unsigned char b : buffer)
        ASSERT_EQ (b, 0xAB);

    // Only getSpeakerArrangement writes, and only nulls, and only where it was given an address.
    auto* in = reinterpret_cast<VstSpeakerArrangement*> (buffer);
    auto* out = in;
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetSpeakerArrangement, 0, addressOf (&in), &out), 0);
    EXPECT_EQ (in, nullptr);
    EXPECT_EQ (out, nullptr);
    out = in = reinterpret_cast<VstSpeakerArrangement*> (buffer);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetSpeakerArrangement, 0, 0, nullptr), 0);
    EXPECT_EQ (dispatch (effect, EffectOpcode::GetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ (out, nullptr);

    EXPECT_EQ (effect.__getNumCategoriesDeprecated(), 1);
    effect.__setBlockSizeAndSampleRateDeprecated (333, 22050.0f);
    EXPECT_EQ (effect.getBlockSize(), 333);
    EXPECT_EQ (effect.getSampleRate(), 22050.0f);
}

namespace
{
class MidiEffect : public PlainEffect
{
public:
    using PlainEffect::PlainEffect;
    std::int32_t canDoAnswer = 0;
    std::string lastAsked;

    std::int32_t canDo (char* text) override
    {
        lastAsked = text;
        return canDoAnswer;
    }
};
} // namespace

TEST (AudioEffectXResume, AsksForMidiWhenSynthOrMidiReceiver)
{
    struct Case
    {
        std::int32_t canDoAnswer;
        bool synth;
        bool expectRequest;
    };

    const Case cases[] = { { 1, false, true }, { 0, false, false }, { -1, false, false }, { 2, false, false },
                           { 0, true, true }, { -1, true, true } };

    for (const auto& c : cases)
    {
        FakeHost host;
        MidiEffect effect (FakeHost::callback);
        effect.canDoAnswer = c.canDoAnswer;
        effect.isSynth (c.synth);

        // Through the record, so the override is reached as a host reaches it.
        dispatch (effect, EffectOpcode::MainsChanged, 0, 1);

        if (c.expectRequest)
        {
            ASSERT_EQ (host.calls.size(), 1u) << "canDo " << c.canDoAnswer << " synth " << c.synth;
            EXPECT_EQ (host.calls[0].opcode, HostOpcode::WantMidiDeprecated);
            EXPECT_EQ (host.calls[0].value, 1);
            EXPECT_EQ (host.calls[0].effect, effect.getAeffect());
        }
        else
        {
            EXPECT_TRUE (host.calls.empty()) << "canDo " << c.canDoAnswer;
        }
        if (! c.synth)
        {
            EXPECT_EQ (effect.lastAsked, "receiveVstMidiEvent");
        }
    }

    // Suspend asks nothing.
    FakeHost host;
    MidiEffect effect (FakeHost::callback);
    effect.canDoAnswer = 1;
    dispatch (effect, EffectOpcode::MainsChanged, 0, 0);
    EXPECT_TRUE (host.calls.empty());
}
