#include "VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <dlfcn.h>

namespace
{
std::unique_ptr<VstHost> load()
{
    auto host = std::make_unique<VstHost> (VARLUNE_PLUGIN_PATH);
    EXPECT_TRUE (host->isLoaded()) << host->getError();
    return host;
}

std::vector<std::vector<float>> impulse (int frames)
{
    std::vector<float> signal ((size_t) frames, 0.0f);
    signal[0] = 1.0f;
    return { signal, signal };
}
} // namespace

TEST (PluginBinary, RecordAndIdentity)
{
    auto host = load();
    const AEffect& record = *host->getEffect();

    EXPECT_EQ (record.magic, 0x56737450);
    EXPECT_EQ (record.uniqueID, fourCharCode ("zuTa"));
    EXPECT_EQ (record.version, 110);
    EXPECT_EQ (record.numParams, 98);
    EXPECT_EQ (record.numPrograms, 0);
    EXPECT_EQ (record.numInputs, 2);
    EXPECT_EQ (record.numOutputs, 2);
    EXPECT_NE (record.flags & EffectFlag::HasEditor, 0);
    EXPECT_NE (record.flags & EffectFlag::CanReplacing, 0);
    EXPECT_NE (record.flags & EffectFlag::ProgramChunks, 0);
    EXPECT_EQ (record.flags & EffectFlag::IsSynth, 0);
    EXPECT_EQ (record.initialDelay, 0);

    // The echo rings on after its input stops and an LFO sounds without input: no "no sound in
    // stop", and a tail that is not known (0), so the host keeps processing.
    EXPECT_EQ (record.flags & EffectFlag::NoSoundInStop, 0);
    EXPECT_EQ (host->dispatch (EffectOpcode::GetTailSize), 0);

    EXPECT_EQ (host->getText (EffectOpcode::GetEffectName), "Varlune");
    EXPECT_EQ (host->getText (EffectOpcode::GetProductString), "Varlune");
    EXPECT_EQ (host->getText (EffectOpcode::GetVendorString), "Mordwick");
    EXPECT_EQ (host->dispatch (EffectOpcode::GetVendorVersion), 110);
    EXPECT_EQ (host->dispatch (EffectOpcode::GetPlugCategory), PlugCategory::Effect);
    EXPECT_EQ (host->dispatch (EffectOpcode::GetVstVersion), 2400);

    char receive[] = "receiveVstMidiEvent", events[] = "receiveVstEvents", send[] = "sendVstMidiEvent", other[] = "offline";
    EXPECT_EQ (host->dispatch (EffectOpcode::CanDo, 0, 0, receive), 1);
    EXPECT_EQ (host->dispatch (EffectOpcode::CanDo, 0, 0, events), 1);
    EXPECT_EQ (host->dispatch (EffectOpcode::CanDo, 0, 0, send), -1);
    EXPECT_EQ (host->dispatch (EffectOpcode::CanDo, 0, 0, other), 0);

    EXPECT_EQ (host->getText (EffectOpcode::GetProgramName), "Init");
    char name[64] = {};
    EXPECT_EQ (host->dispatch (EffectOpcode::GetProgramNameIndexed, 7, 0, name), 1);
    EXPECT_STREQ (name, "Init");

    // The window, measured without opening it: the opening size of a fresh home folder. Without a
    // parent window there is no window.
    EditorRect* rect = nullptr;
    ASSERT_EQ (host->dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect), 1);
    ASSERT_NE (rect, nullptr);
    EXPECT_EQ (rect->right - rect->left, 1000);
    EXPECT_EQ (rect->bottom - rect->top, 700);
    EXPECT_EQ (host->dispatch (EffectOpcode::EditorOpen), 0);
}

TEST (PluginBinary, EntryPointRefusesAHostWithoutVersion)
{
    VstHost::callback (nullptr, HostOpcode::Version, 0, 0, nullptr, 0.0f);  // harmless without a host

    struct Refusing
    {
        static std::int64_t callback (AEffect*, std::int32_t opcode, std::int32_t, std::int64_t, void*, float)
        {
            return opcode == HostOpcode::Version ? 0 : 0;
        }
    };

    auto host = load();  // keeps the library loaded
    void* library = dlopen (VARLUNE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    ASSERT_NE (library, nullptr);
    auto entry = reinterpret_cast<PluginEntryProc> (dlsym (library, "VSTPluginMain"));
    auto macho = reinterpret_cast<PluginEntryProc> (dlsym (library, "main_macho"));
    ASSERT_NE (entry, nullptr);
    ASSERT_NE (macho, nullptr);
    EXPECT_EQ (entry (&Refusing::callback), nullptr);
    EXPECT_EQ (macho (&Refusing::callback), nullptr);
    EXPECT_EQ (entry (nullptr), nullptr);
    dlclose (library);
}

TEST (PluginBinary, ParametersWithNamesAndDefaultTexts)
{
    auto host = load();
    EXPECT_EQ (host->getParameterName (0), "Delay1_Time");
    EXPECT_EQ (host->getParameterName (5), "Delay1_input_Level");
    EXPECT_EQ (host->getParameterName (97), "Out_Gain");
    EXPECT_EQ (host->getParameterDisplay (0), "60.00 Ms");
    EXPECT_EQ (host->getParameterDisplay (4), "Input");
    EXPECT_EQ (host->getParameterDisplay (97), "-0.00 dB");
    EXPECT_FLOAT_EQ (host->getParameter (92), 2.0f / 13.0f);

    for (int i = 0; i < 98; ++i)
    {
        const auto name = host->getParameterName (i);
        EXPECT_FALSE (name.empty()) << i;
        EXPECT_LE (name.size(), 32u);
        EXPECT_LE (host->getParameterDisplay (i).size(), 24u);
        EXPECT_EQ (host->getText (EffectOpcode::GetParameterLabel, i), "");
        EXPECT_EQ (host->dispatch (EffectOpcode::CanBeAutomated, i), 1);
    }

    host->setParameter (3, 0.25f);
    EXPECT_EQ (host->getParameter (3), 0.25f);
    EXPECT_EQ (host->getParameterDisplay (3), "25.00 %");
    host->setParameter (3, 2.0f);
    EXPECT_EQ (host->getParameter (3), 0.25f);
    EXPECT_EQ (host->getParameter (500), 0.0f);
    EXPECT_EQ (host->getParameterName (-3), "");
}

TEST (PluginBinary, TwoInstancesDoNotShareState)
{
    // What the default patch gives when it runs alone.
    auto solo = load();
    const auto defaultChunk = solo->getChunk();
    solo->start (48000.0, 256);
    const auto defaultOutput = solo->render (impulse (8192), 256);
    solo->close();

    auto first = load();
    auto second = load();
    first->setParameter (94, 0.9f);  // dry/wet
    first->setParameter (3, 0.8f);   // feedback of delay 1
    EXPECT_EQ (first->getParameter (94), 0.9f);
    EXPECT_EQ (second->getParameter (94), 0.5f);

    // Block by block in turn, so that anything the two shared would reach the other's next block.
    first->start (48000.0, 256);
    second->start (48000.0, 256);
    auto firstOutput = impulse (8192), secondOutput = impulse (8192);
    for (int at = 0; at < 8192; at += 256)
    {
        float* a[] = { firstOutput[0].data() + at, firstOutput[1].data() + at };
        float* b[] = { secondOutput[0].data() + at, secondOutput[1].data() + at };
        first->process (a, 256);
        second->process (b, 256);
    }

    EXPECT_EQ (secondOutput, defaultOutput);
    EXPECT_NE (firstOutput, defaultOutput);
    EXPECT_EQ (second->getChunk(), defaultChunk);
    EXPECT_NE (first->getChunk(), defaultChunk);

    // A state restored into one instance stays there.
    second->setChunk (first->getChunk());
    first->close();
    EXPECT_EQ (second->getParameter (94), 0.9f);
    auto third = load();
    EXPECT_EQ (third->getChunk(), defaultChunk);
}

TEST (PluginBinary, EveryOpcodeAnswersOddArgumentsWithoutACrash)
{
    auto host = load();
    host->start (48000.0, 512);
    std::vector<char> scratch (1 << 16, 0);

    for (std::int32_t opcode = -1; opcode <= 100; ++opcode)
    {
        if (opcode == EffectOpcode::Close)
            continue;

        // Opcodes whose value is a pointer get only a null value.
        const bool valueIsPointer = opcode == EffectOpcode::SetSpeakerArrangement
                                 || opcode == EffectOpcode::GetSpeakerArrangement;
        std::vector<std::int64_t> values { 0 };
        if (! valueIsPointer)
            values.insert (values.end(), { -1, 1, 4096, std::numeric_limits<std::int64_t>::max() });

        for (std::int32_t index : { 0, -1, 97, 98, std::numeric_limits<std::int32_t>::max() })
            for (auto value : values)
                for (void* ptr : { (void*) nullptr, (void*) scratch.data() })
                    for (float opt : { 0.0f, -1.0f, 48000.0f, std::numeric_limits<float>::quiet_NaN() })
                    {
                        std::fill (scratch.begin(), scratch.end(), 0);
                        host->dispatch (opcode, index, value, ptr, opt);
                    }

        SCOPED_TRACE (opcode);
        host->dispatch (EffectOpcode::MainsChanged, 0, 0);
        host->dispatch (EffectOpcode::SetSampleRate, 0, 0, nullptr, 48000.0f);
        host->dispatch (EffectOpcode::SetBlockSize, 0, 512);
        host->dispatch (EffectOpcode::MainsChanged, 0, 1);
        auto out = host->render (impulse (600), 512);
        for (const auto& channel : out)
            for (float x : channel)
                ASSERT_TRUE (std::isfinite (x));
    }

    // Processing with no input channels at all, or no frames.
    std::vector<float> left (64), right (64);
    float* outputs[] = { left.data(), right.data() };
    host->getEffect()->processReplacingProc (host->getEffect(), nullptr, outputs, 64);
    host->getEffect()->processReplacingProc (host->getEffect(), outputs, outputs, 0);
    host->getEffect()->processReplacingProc (host->getEffect(), outputs, nullptr, 64);
}

TEST (PluginBinary, BrokenChunksChangeNothing)
{
    auto host = load();
    host->setParameter (3, 0.125f);
    host->setParameter (94, 0.75f);
    std::vector<float> before;
    for (int i = 0; i < 98; ++i)
        before.push_back (host->getParameter (i));

    const std::vector<std::vector<char>> broken {
        {},
        { 0 },
        std::vector<char> (7, 'x'),
        std::vector<char> (4096, 0),
        { 'V', 'C', '2', '!', 10, 0, 0, 0, '<', 'X', '/', '>', 0 },
    };

    for (const auto& chunk : broken)
    {
        host->setChunk (chunk, false);
        host->setChunk (chunk, true);
        for (int i = 0; i < 98; ++i)
            ASSERT_EQ (host->getParameter (i), before[(size_t) i]) << i;
    }

    EXPECT_EQ (host->dispatch (EffectOpcode::SetChunk, 0, 100, nullptr), 0);
    EXPECT_EQ (host->dispatch (EffectOpcode::SetChunk, 0, 0, before.data()), 0);
}

TEST (PluginBinary, OpcodeOneDeletesTheEffect)
{
    auto host = load();
    host->start (44100.0, 128);
    host->render (impulse (1000), 128);
    host->close();  // opcode 1: the effect deletes itself (a leak or a later use shows under ASan)
    EXPECT_FALSE (host->isLoaded());

    // A fresh instance from the same library still works.
    auto again = load();
    again->start (44100.0, 128);
    EXPECT_EQ (again->getParameterDisplay (0), "60.00 Ms");
}

TEST (PluginBinary, DefaultPatchEchoesAnImpulse)
{
    auto host = load();
    host->start (48000.0, 512);
    host->render ({ std::vector<float> (48000 * 3), std::vector<float> (48000 * 3) }, 512);  // the glide settles

    const auto out = host->render (impulse (48000 / 2), 512);
    const auto& left = out[0];
    EXPECT_NEAR (left[0], 0.5f, 1e-6f);  // dry half

    // 60 ms at 48 kHz is 2,880 samples; the glide toward it stalls a sample or two short once its
    // step drops below the float resolution of the delay, so the echo lands just before.
    int first = 1;
    for (int i = 1; i < 4000; ++i)
        if (std::abs (left[(size_t) i]) > std::abs (left[(size_t) first]))
            first = i;
    EXPECT_GE (first, 2875);
    EXPECT_LE (first, 2880);

    // Each repeat passes the feedback path once more (one graph sample later) and loses 40 % x 0.96;
    // the interpolation spreads it over neighbouring samples but keeps its sum.
    auto sumNear = [&] (int centre)
    {
        float sum = 0.0f;
        for (int i = centre - 8; i <= centre + 8; ++i)
            sum += left[(size_t) i];
        return sum;
    };
    const float e1 = sumNear (first), e2 = sumNear (2 * first + 1), e3 = sumNear (3 * first + 2);
    EXPECT_NEAR (e1, 0.5f, 1e-4f);
    EXPECT_NEAR (e2 / e1, 0.384f, 1e-3f);
    EXPECT_NEAR (e3 / e2, 0.384f, 1e-3f);

    // Nothing between the repeats.
    for (int i = 1; i < first - 2; ++i)
        ASSERT_EQ (left[(size_t) i], 0.0f) << i;
    EXPECT_EQ (out[1], left);
}

TEST (PluginBinary, ChunkRoundTripAcrossInstances)
{
    auto first = load();
    first->setParameter (0, 0.31f);
    first->setParameter (40, 0.6f);
    first->setParameter (97, 0.5f);
    const auto bank = first->getChunk (false);
    const auto program = first->getChunk (true);
    ASSERT_GT (bank.size(), 8u);
    EXPECT_EQ (bank, program);

    auto second = load();
    EXPECT_NE (second->getChunk(), bank);
    EXPECT_EQ (second->setChunk (bank), 1);
    EXPECT_EQ (second->getChunk(), bank);
    for (int i = 0; i < 98; ++i)
        EXPECT_EQ (second->getParameter (i), first->getParameter (i)) << i;

    // The memory handed out stays valid until the next request.
    void* data = nullptr;
    const auto size = first->dispatch (EffectOpcode::GetChunk, 0, 0, &data);
    ASSERT_EQ ((size_t) size, bank.size());
    first->setParameter (3, 0.9f);
    EXPECT_EQ (std::memcmp (data, bank.data(), bank.size()), 0);
}

TEST (PluginBinary, LearnedControllerMovesItsParameterBetweenEditGestures)
{
    auto host = load();
    auto chunk = host->getChunk();
    const std::string unbound = "Delay1_FeedbackCC=\"-1\"", bound = "Delay1_FeedbackCC=\"17\"";
    std::string text (chunk.begin(), chunk.end());
    const auto at = text.find (unbound);
    ASSERT_NE (at, std::string::npos);
    text.replace (at, unbound.size(), bound);  // same length: the header stays right
    ASSERT_EQ (host->setChunk (std::vector<char> (text.begin(), text.end())), 1);

    host->start (44100.0, 256);
    host->takeReports();
    host->render ({ std::vector<float> (1024), std::vector<float> (1024) }, 256,
                  { { 300, { 0xB0, 17, 64 } }, { 700, { 0xB3, 18, 127 } } });

    EXPECT_FLOAT_EQ (host->getParameter (3), 64.0f / 127.0f);
    const auto reports = host->takeReports();
    ASSERT_EQ (reports.size(), 3u);
    EXPECT_EQ (reports[0].kind, VstHost::Report::BeginEdit);
    EXPECT_EQ (reports[1].kind, VstHost::Report::Automate);
    EXPECT_EQ (reports[2].kind, VstHost::Report::EndEdit);
    for (const auto& report : reports)
        EXPECT_EQ (report.index, 3);
    EXPECT_FLOAT_EQ (reports[1].value, 64.0f / 127.0f);
}
