// The plug-in through its record while the host's threads overlap: one thread processes blocks
// whose MIDI moves learned parameters, the others restore and save state, automate, read
// parameters, suspend and resume, and use the program calls. Nothing may race, and every
// parameter must end with a value that one of the calls gave it.
#include "VarluneAudioProcessor.h"
#include "EffectRecordCalls.h"
#include "VarluneVstBridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

extern "C" AEffect* VSTPluginMain (HostCallbackProc hostCallback);

namespace
{
std::int64_t host (AEffect*, std::int32_t opcode, std::int32_t, std::int64_t, void*, float)
{
    // Read-only after start, so any thread may be handed it.
    static HostTimeInfo timeInfo = [] { HostTimeInfo t {}; t.sampleRate = 44100.0; t.tempo = 120.0; t.flags = TimeInfoFlag::TempoValid; return t; }();

    switch (opcode)
    {
        case HostOpcode::Version: return kVstVersion;
        case HostOpcode::GetTime: return (std::int64_t) (std::intptr_t) &timeInfo;
        default: return 0;
    }
}

void setAll (AEffect* e, float value)
{
    for (std::int32_t i = 0; i < 98; ++i)
        e->setParameterProc (e, i, value);
}

// Controller numbers bound by learn, with the parameter each drives.
constexpr int learned[][2] = { { 17, 3 }, { 18, 40 }, { 19, 97 } };
constexpr std::uint8_t controllerValues[] = { 32, 96 };
constexpr float automatedValues[] = { 0.125f, 0.375f, 0.625f };
constexpr float chunkValues[] = { 0.25f, 0.75f };
constexpr int automated[] = { 3, 5, 40, 61, 97 };
} // namespace

TEST (BridgeConcurrency, HostThreadsOverlapProcessingThroughTheRecord)
{
    AEffect* e = VSTPluginMain (&host);
    ASSERT_NE (e, nullptr);
    auto& processor = dynamic_cast<VarluneAudioProcessor&> (static_cast<VarluneVstBridge*> (e->effectObject)->getProcessor());

    for (const auto& binding : learned)
        processor.getParameterRecord (binding[1])->setMidiCC (binding[0]);

    // Two whole states the restoring thread alternates between; both carry the same bindings.
    std::vector<char> chunks[2];
    for (int n = 0; n < 2; ++n)
    {
        setAll (e, chunkValues[n]);
        chunks[n] = chunkOf (e);
    }

    dispatch (e, EffectOpcode::SetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch (e, EffectOpcode::SetBlockSize, 0, 256);
    dispatch (e, EffectOpcode::MainsChanged, 0, 1);

    constexpr int numThreads = 5;
    std::atomic<int> ready { 0 };
    std::atomic<bool> audioDone { false };
    const auto startTogether = [&] { ready.fetch_add (1); while (ready.load() < numThreads) {} };
    const auto untilAudioDone = [&] (auto&& step) { for (int n = 0; ! audioDone.load(); ++n) step (n); };

    std::thread audio ([&]
    {
        std::vector<float> left (256), right (256);
        float* channels[] = { left.data(), right.data() };
        std::vector<VstMidiEvent> events (4);
        std::vector<char> listStorage (eventListSize (4));
        auto* list = reinterpret_cast<VstEvents*> (listStorage.data());
        startTogether();

        for (int block = 0; block < 400; ++block)
        {
            list->numEvents = 4;
            for (int i = 0; i < 4; ++i)
            {
                auto& event = events[(size_t) i];
                event = {};
                event.type = EventType::Midi;
                event.byteSize = sizeof (VstMidiEvent);
                event.deltaFrames = i * 60;
                event.midiData[0] = (char) 0xB0;
                event.midiData[1] = (char) learned[(block + i) % 3][0];
                event.midiData[2] = (char) controllerValues[(block + i) % 2];
                (&list->events[0])[i] = reinterpret_cast<VstEvent*> (&event);
            }

            std::fill (left.begin(), left.end(), 0.0f);
            left[0] = right[0] = 0.5f;
            dispatch (e, EffectOpcode::ProcessEvents, 0, 0, list);
            e->processReplacingProc (e, channels, channels, 256);
        }
        audioDone = true;
    });

    std::thread restore ([&]
    {
        startTogether();
        untilAudioDone ([&] (int n)
        {
            auto& chunk = chunks[n % 2];
            dispatch (e, EffectOpcode::SetChunk, n % 3 == 0 ? 1 : 0, (std::int64_t) chunk.size(), chunk.data());
            EXPECT_GT (chunkOf (e).size(), 8u);
        });
    });

    std::thread automate ([&]
    {
        startTogether();
        untilAudioDone ([&] (int n)
        {
            e->setParameterProc (e, automated[n % 5], automatedValues[n % 3]);
            const float value = e->getParameterProc (e, n % 98);
            EXPECT_TRUE (value >= 0.0f && value <= 1.0f);
            char text[64] = {};
            dispatch (e, EffectOpcode::GetParameterDisplay, n % 98, 0, text);
        });
    });

    std::thread lifeCycle ([&]
    {
        startTogether();
        untilAudioDone ([&] (int n)
        {
            dispatch (e, EffectOpcode::MainsChanged, 0, 0);
            dispatch (e, EffectOpcode::SetSampleRate, 0, 0, nullptr, n % 2 == 0 ? 48000.0f : 44100.0f);
            dispatch (e, EffectOpcode::MainsChanged, 0, 1);
        });
    });

    std::thread programs ([&]
    {
        startTogether();
        untilAudioDone ([&] (int n)
        {
            char name[64] = "Renamed";
            dispatch (e, EffectOpcode::SetProgram, 0, n % 2);
            EXPECT_EQ (dispatch (e, EffectOpcode::GetProgram), 0);
            dispatch (e, EffectOpcode::SetProgramName, 0, 0, name);
            dispatch (e, EffectOpcode::GetProgramName, 0, 0, name);
            dispatch (e, EffectOpcode::GetProgramNameIndexed, 0, n % 2, name);
        });
    });

    for (auto* thread : { &audio, &restore, &automate, &lifeCycle, &programs })
        thread->join();

    for (std::int32_t i = 0; i < 98; ++i)
    {
        std::set<float> given (std::begin (chunkValues), std::end (chunkValues));
        if (std::find (std::begin (automated), std::end (automated), i) != std::end (automated))
            given.insert (std::begin (automatedValues), std::end (automatedValues));
        for (const auto& binding : learned)
            if (binding[1] == i)
                for (auto value : controllerValues)
                    given.insert ((float) value / 127.0f);

        EXPECT_EQ (given.count (e->getParameterProc (e, i)), 1u) << i << ": " << e->getParameterProc (e, i);
    }

    for (const auto& binding : learned)
        EXPECT_EQ (processor.getParameterRecord (binding[1])->getMidiCC(), binding[0]);

    // The state saved at the end restores to itself.
    const auto last = chunkOf (e);
    AEffect* other = VSTPluginMain (&host);
    ASSERT_NE (other, nullptr);
    EXPECT_EQ (dispatch (other, EffectOpcode::SetChunk, 0, (std::int64_t) last.size(), (void*) last.data()), 1);
    EXPECT_EQ (chunkOf (other), last);

    dispatch (other, EffectOpcode::Close);
    dispatch (e, EffectOpcode::Close);
}
