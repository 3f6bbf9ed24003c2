#include "VarluneAudioProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
#if defined (__SANITIZE_THREAD__)
constexpr int rounds = 500;  // ThreadSanitizer looks for the race itself; a few rounds show it
#else
constexpr int rounds = 20000;
#endif
} // namespace

// Hosts, the editor and learned controllers store values from different threads while others read
// them; every reader must see a value that some writer stored, and no access may race.
TEST (ParameterConcurrency, StoresAndReadsFromManyThreads)
{
    VarluneAudioProcessor processor;
    std::atomic<bool> go { false };
    std::atomic<int> badReads { 0 };

    auto writer = [&] (int seed)
    {
        while (! go.load()) {}
        for (int i = 0; i < rounds; ++i)
        {
            const int index = (i * 7 + seed) % 98;
            processor.setParameter (index, (float) ((i + seed) % 5) * 0.25f);
            processor.parameters.getUnchecked (index)->setMidiCC ((i + seed) % 128);
            processor.parameters.getUnchecked (index)->setLearnArmed ((i & 1) != 0);
        }
    };

    auto reader = [&]
    {
        while (! go.load()) {}
        for (int i = 0; i < rounds; ++i)
        {
            const int index = i % 98;
            const float value = processor.getParameter (index);
            const float defaultValue = processor.parameters.getUnchecked (index)->defaultNormalised;
            const bool stored = value == 0.0f || value == 0.25f || value == 0.5f || value == 0.75f || value == 1.0f;
            if (! stored && value != defaultValue)
                badReads.fetch_add (1);

            const int cc = processor.parameters.getUnchecked (index)->getMidiCC();
            if (cc < -1 || cc > 127)
                badReads.fetch_add (1);

            (void) processor.parameters.getUnchecked (index)->getReal();
            (void) processor.parameters.getUnchecked (index)->isLearnArmed();
            if (i % 97 == 0)
                (void) processor.getParameterText (index);
        }
    };

    std::vector<std::thread> threads;
    for (int seed = 0; seed < 3; ++seed)
        threads.emplace_back (writer, seed);
    threads.emplace_back (reader);
    threads.emplace_back (reader);

    go.store (true);
    for (auto& t : threads)
        t.join();

    EXPECT_EQ (badReads.load(), 0);
}

// Several threads storing into one parameter at once (host automation, a learned controller, a
// state restore) must leave a normalised value and a real value of the same store, never one from
// each. Every round the writers start together; once all are done, the pair is checked.
TEST (ParameterConcurrency, SimultaneousStoresLeaveAMatchingPair)
{
    mordwickLib::PluginParameter parameter;
    parameter.init (1.0f, 1000.0f, 60.0f, false, "Delay1_Time", "Ms", true, false);
    constexpr int numWriters = 3;
    std::atomic<int> started { 0 }, finished { 0 };

    auto writer = [&] (int w)
    {
        for (int round = 0; round < rounds; ++round)
        {
            while (started.load (std::memory_order_acquire) <= round)
                std::this_thread::yield();

            parameter.storeNormalised ((float) ((round * numWriters + w) % 1000) / 1000.0f);
            finished.fetch_add (1, std::memory_order_acq_rel);
        }
    };

    std::vector<std::thread> threads;
    for (int w = 0; w < numWriters; ++w)
        threads.emplace_back (writer, w);

    int mismatches = 0;
    for (int round = 0; round < rounds; ++round)
    {
        started.store (round + 1, std::memory_order_release);

        while (finished.load (std::memory_order_acquire) < numWriters * (round + 1))
            std::this_thread::yield();

        if (parameter.getReal() != parameter.toReal (parameter.getNormalised()))
            ++mismatches;
    }

    for (auto& t : threads)
        t.join();

    EXPECT_EQ (mismatches, 0);
}
