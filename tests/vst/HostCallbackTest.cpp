// Questions and reports from the effect to the host: what each sends, how the answer is turned
// into its result, and what it answers when there is no host callback.
#include "vst/VstTestSupport.h"

#include <gtest/gtest.h>

using namespace vsttest;

namespace
{
std::int64_t bits (const void* p)
{
    return static_cast<std::int64_t> (reinterpret_cast<std::intptr_t> (p));
}

template <typename T>
T* fakePointer (std::uintptr_t address)
{
    return reinterpret_cast<T*> (address);
}

constexpr std::int64_t kLowBitsMinusTwo = 0x1FFFFFFFE;   // low 32 bits: -2
constexpr std::int64_t kHighBitOnly = 0x100000000;       // low 32 bits: 0, but non-zero
constexpr std::int64_t kPointerAnswer = 0x7F00123456A0;

struct Wrapper
{
    const char* name;
    std::function<std::int64_t (AudioEffectX&)> call;   // the result, as a 64-bit number
    HostCall expected;                                   // `effect` is filled in by the test
    std::int64_t hostAnswer;
    std::int64_t expectedResult;
    std::int64_t resultWithoutHost;
};

std::vector<Wrapper> wrappers()
{
    auto* text = fakePointer<char> (0x1000);
    auto* task = fakePointer<VstOfflineTask> (0x2000);
    auto* files = fakePointer<VstAudioFile> (0x3000);
    auto* window = fakePointer<__VstWindowDeprecated> (0x4000);
    auto* selector = fakePointer<VstFileSelect> (0x5000);
    auto* path = fakePointer<void> (0x6000);
    auto b = [] (bool v) -> std::int64_t { return v ? 1 : 0; };

    return {
        { "getMasterVersion", [] (AudioEffectX& x) { return x.getMasterVersion(); }, { nullptr, 1, 0, 0, nullptr, 0 }, 2400, 2400, 1 },
        { "getMasterVersion low zero", [] (AudioEffectX& x) { return x.getMasterVersion(); }, { nullptr, 1, 0, 0, nullptr, 0 }, kHighBitOnly, 1, 1 },
        { "getCurrentUniqueId", [] (AudioEffectX& x) { return x.getCurrentUniqueId(); }, { nullptr, 2, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "masterIdle", [] (AudioEffectX& x) { x.masterIdle(); return std::int64_t (0); }, { nullptr, 3, 0, 0, nullptr, 0 }, 5, 0, 0 },
        { "__isInputConnectedDeprecated", [b] (AudioEffectX& x) { return b (x.__isInputConnectedDeprecated (3)); }, { nullptr, 4, 3, 0, nullptr, 0 }, kHighBitOnly, 1, 1 },
        { "__isInputConnectedDeprecated no", [b] (AudioEffectX& x) { return b (x.__isInputConnectedDeprecated (3)); }, { nullptr, 4, 3, 0, nullptr, 0 }, 1, 0, 1 },
        { "__isOutputConnectedDeprecated", [b] (AudioEffectX& x) { return b (x.__isOutputConnectedDeprecated (4)); }, { nullptr, 4, 4, 1, nullptr, 0 }, 1, 0, 1 },
        { "__wantEventsDeprecated", [] (AudioEffectX& x) { x.__wantEventsDeprecated (-1); return std::int64_t (0); }, { nullptr, 6, 0, -1, nullptr, 0 }, 1, 0, 0 },
        { "getTimeInfo", [] (AudioEffectX& x) { return bits (x.getTimeInfo (0xFE00)); }, { nullptr, 7, 0, 0xFE00, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "__tempoAtDeprecated", [] (AudioEffectX& x) { return x.__tempoAtDeprecated (-9); }, { nullptr, 10, 0, -9, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "__getNumAutomatableParametersDeprecated", [] (AudioEffectX& x) { return x.__getNumAutomatableParametersDeprecated(); }, { nullptr, 11, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "__getParameterQuantizationDeprecated", [] (AudioEffectX& x) { return x.__getParameterQuantizationDeprecated(); }, { nullptr, 12, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "ioChanged", [b] (AudioEffectX& x) { return b (x.ioChanged()); }, { nullptr, 13, 0, 0, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "__needIdleDeprecated", [b] (AudioEffectX& x) { return b (x.__needIdleDeprecated()); }, { nullptr, 14, 0, 0, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "sizeWindow", [b] (AudioEffectX& x) { return b (x.sizeWindow (640, -480)); }, { nullptr, 15, 640, -480, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "getInputLatency", [] (AudioEffectX& x) { return x.getInputLatency(); }, { nullptr, 18, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "getOutputLatency", [] (AudioEffectX& x) { return x.getOutputLatency(); }, { nullptr, 19, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "__getPreviousPlugDeprecated", [] (AudioEffectX& x) { return bits (x.__getPreviousPlugDeprecated (5)); }, { nullptr, 20, 0, 0, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "__getNextPlugDeprecated", [] (AudioEffectX& x) { return bits (x.__getNextPlugDeprecated (5)); }, { nullptr, 21, 0, 0, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "__willProcessReplacingDeprecated", [] (AudioEffectX& x) { return x.__willProcessReplacingDeprecated(); }, { nullptr, 22, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "getCurrentProcessLevel", [] (AudioEffectX& x) { return x.getCurrentProcessLevel(); }, { nullptr, 23, 0, 0, nullptr, 0 }, 4, 4, 0 },
        { "getAutomationState", [] (AudioEffectX& x) { return x.getAutomationState(); }, { nullptr, 24, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "offlineStart", [b, files] (AudioEffectX& x) { return b (x.offlineStart (files, -3, 2)); }, { nullptr, 25, 2, -3, files, 0 }, kHighBitOnly, 1, 0 },
        { "offlineRead", [b, task] (AudioEffectX& x) { return b (x.offlineRead (task, static_cast<VstOfflineOption> (-1), true)); }, { nullptr, 26, 1, 0xFFFFFFFF, task, 0 }, kHighBitOnly, 1, 0 },
        { "offlineRead from output", [b, task] (AudioEffectX& x) { return b (x.offlineRead (task, OfflinePeaks, false)); }, { nullptr, 26, 0, 1, task, 0 }, 0, 0, 0 },
        { "offlineWrite", [b, task] (AudioEffectX& x) { return b (x.offlineWrite (task, OfflineMarker)); }, { nullptr, 27, 0, 3, task, 0 }, kHighBitOnly, 1, 0 },
        { "offlineGetCurrentPass", [] (AudioEffectX& x) { return x.offlineGetCurrentPass(); }, { nullptr, 28, 0, 0, nullptr, 0 }, -5, 1, 0 },
        { "offlineGetCurrentMetaPass", [] (AudioEffectX& x) { return x.offlineGetCurrentMetaPass(); }, { nullptr, 29, 0, 0, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "__setOutputSamplerateDeprecated", [] (AudioEffectX& x) { x.__setOutputSamplerateDeprecated (22050.0f); return std::int64_t (0); }, { nullptr, 30, 0, 0, nullptr, 22050.0f }, 1, 0, 0 },
        { "__getOutputSpeakerArrangementDeprecated", [] (AudioEffectX& x) { return bits (x.__getOutputSpeakerArrangementDeprecated()); }, { nullptr, 31, 0, 0, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "getHostVendorString", [b, text] (AudioEffectX& x) { return b (x.getHostVendorString (text)); }, { nullptr, 32, 0, 0, text, 0 }, kHighBitOnly, 1, 0 },
        { "getHostProductString", [b, text] (AudioEffectX& x) { return b (x.getHostProductString (text)); }, { nullptr, 33, 0, 0, text, 0 }, kHighBitOnly, 1, 0 },
        { "getHostVendorVersion", [] (AudioEffectX& x) { return x.getHostVendorVersion(); }, { nullptr, 34, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "hostVendorSpecific", [path] (AudioEffectX& x) { return x.hostVendorSpecific (-7, 0x1234567890, path, 0.5f); }, { nullptr, 35, -7, 0x1234567890, path, 0.5f }, kLowBitsMinusTwo, kLowBitsMinusTwo, 0 },
        { "canHostDo", [text] (AudioEffectX& x) { return x.canHostDo (text); }, { nullptr, 37, 0, 0, text, 0 }, 2, 1, 0 },
        { "canHostDo no", [text] (AudioEffectX& x) { return x.canHostDo (text); }, { nullptr, 37, 0, 0, text, 0 }, -1, 1, 0 },
        { "getHostLanguage", [] (AudioEffectX& x) { return x.getHostLanguage(); }, { nullptr, 38, 0, 0, nullptr, 0 }, kLowBitsMinusTwo, -2, 0 },
        { "__openWindowDeprecated", [window] (AudioEffectX& x) { return bits (x.__openWindowDeprecated (window)); }, { nullptr, 39, 0, 0, window, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "__closeWindowDeprecated", [b, window] (AudioEffectX& x) { return b (x.__closeWindowDeprecated (window)); }, { nullptr, 40, 0, 0, window, 0 }, kHighBitOnly, 1, 0 },
        { "getDirectory", [] (AudioEffectX& x) { return bits (x.getDirectory()); }, { nullptr, 41, 0, 0, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
        { "updateDisplay", [b] (AudioEffectX& x) { return b (x.updateDisplay()); }, { nullptr, 42, 0, 0, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "beginEdit", [b] (AudioEffectX& x) { return b (x.beginEdit (17)); }, { nullptr, 43, 17, 0, nullptr, 0 }, kHighBitOnly, 1, 0 },
        { "endEdit", [b] (AudioEffectX& x) { return b (x.endEdit (17)); }, { nullptr, 44, 17, 0, nullptr, 0 }, 0, 0, 0 },
        { "openFileSelector", [b, selector] (AudioEffectX& x) { return b (x.openFileSelector (selector)); }, { nullptr, 45, 0, 0, selector, 0 }, kHighBitOnly, 1, 0 },
        { "closeFileSelector", [b, selector] (AudioEffectX& x) { return b (x.closeFileSelector (selector)); }, { nullptr, 46, 0, 0, selector, 0 }, kHighBitOnly, 1, 0 },
        { "__getChunkFileDeprecated", [b, path] (AudioEffectX& x) { return b (x.__getChunkFileDeprecated (path)); }, { nullptr, 48, 0, 0, path, 0 }, kHighBitOnly, 1, 0 },
        { "__getInputSpeakerArrangementDeprecated", [] (AudioEffectX& x) { return bits (x.__getInputSpeakerArrangementDeprecated()); }, { nullptr, 49, 0, 0, nullptr, 0 }, kPointerAnswer, kPointerAnswer, 0 },
    };
}
} // namespace

TEST (HostCallbackWrappers, SendTheirOpcodeAndConvertTheAnswer)
{
    for (const auto& w : wrappers())
    {
        FakeHost host;
        host.answer = w.hostAnswer;
        PlainEffect effect (FakeHost::callback);

        EXPECT_EQ (w.call (effect), w.expectedResult) << w.name;
        ASSERT_EQ (host.calls.size(), 1u) << w.name;
        const HostCall& c = host.calls[0];
        EXPECT_EQ (c.effect, effect.getAeffect()) << w.name;
        EXPECT_EQ (c.opcode, w.expected.opcode) << w.name;
        EXPECT_EQ (c.index, w.expected.index) << w.name;
        EXPECT_EQ (c.value, w.expected.value) << w.name;
        EXPECT_EQ (c.ptr, w.expected.ptr) << w.name;
        EXPECT_EQ (c.opt, w.expected.opt) << w.name;
    }
}

TEST (HostCallbackWrappers, AnswerTheirDefaultWithoutAHost)
{
    for (const auto& w : wrappers())
    {
        PlainEffect effect;
        ASSERT_EQ (effect.callback(), nullptr);
        EXPECT_EQ (w.call (effect), w.resultWithoutHost) << w.name;
    }

    PlainEffect effect;
    EXPECT_EQ (effect.updateSampleRate(), 44100.0);
    EXPECT_EQ (effect.updateBlockSize(), 1024);
}

TEST (HostCallbackWrappers, SampleRateAndBlockSizeKeepOnlyPositiveAnswers)
{
    FakeHost host;
    PlainEffect effect (FakeHost::callback);

    host.answer = -1;
    EXPECT_EQ (effect.updateSampleRate(), 44100.0);
    host.answer = 0;
    EXPECT_EQ (effect.updateSampleRate(), 44100.0);
    host.answer = 48000;
    EXPECT_EQ (effect.updateSampleRate(), 48000.0);
    EXPECT_EQ (effect.getSampleRate(), 48000.0f);

    host.answer = 0;
    EXPECT_EQ (effect.updateBlockSize(), 1024);
    host.answer = 0x1FFFFFFFF;   // low 32 bits are -1
    EXPECT_EQ (effect.updateBlockSize(), 1024);
    host.answer = 512;
    EXPECT_EQ (effect.updateBlockSize(), 512);
    EXPECT_EQ (effect.getBlockSize(), 512);

    ASSERT_EQ (host.calls.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ (host.calls[i].opcode, i < 3 ? HostOpcode::GetSampleRate : HostOpcode::GetBlockSize);
}

TEST (HostCallbackWrappers, NullPointerArgumentsAreNotSentToTheHost)
{
    FakeHost host;
    host.answer = 1;
    PlainEffect effect (FakeHost::callback);

    EXPECT_FALSE (effect.openFileSelector (nullptr));
    EXPECT_FALSE (effect.closeFileSelector (nullptr));
    EXPECT_FALSE (effect.__getChunkFileDeprecated (nullptr));
    EXPECT_TRUE (host.calls.empty());
}

TEST (HostCallbackWrappers, SetParameterAutomatedSetsThenInforms)
{
    struct Recording : PlainEffect
    {
        using PlainEffect::PlainEffect;
        void setParameter (std::int32_t index, float value) override
        {
            seen.push_back (format ("setParameter(%d,%g) after %zu host calls", index, value,
                                    FakeHost::active != nullptr ? FakeHost::active->calls.size() : 0));
        }
        std::vector<std::string> seen;
    };

    {
        FakeHost host;
        Recording effect (FakeHost::callback);
        effect.setParameterAutomated (9, 0.625f);
        EXPECT_EQ (effect.seen, std::vector<std::string> { "setParameter(9,0.625) after 0 host calls" });
        ASSERT_EQ (host.calls.size(), 1u);
        EXPECT_EQ (host.calls[0].opcode, HostOpcode::Automate);
        EXPECT_EQ (host.calls[0].index, 9);
        EXPECT_EQ (host.calls[0].value, 0);
        EXPECT_EQ (host.calls[0].ptr, nullptr);
        EXPECT_EQ (host.calls[0].opt, 0.625f);
    }

    Recording effect;
    effect.setParameterAutomated (2, 0.5f);
    EXPECT_EQ (effect.seen, std::vector<std::string> { "setParameter(2,0.5) after 0 host calls" });
}
