// processBlock must not allocate: every operator new and every malloc of this program is counted
// while a block runs (the engine and JUCE are linked with malloc, calloc and realloc wrapped).
#include "GraphTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

namespace
{
std::atomic<bool> counting { false };
std::atomic<int> allocations { 0 };

void noteAllocation()
{
    if (counting.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
}
} // namespace

extern "C"
{
void* __real_malloc (size_t);
void* __real_calloc (size_t, size_t);
void* __real_realloc (void*, size_t);
void* __wrap_malloc (size_t size)             { noteAllocation(); return __real_malloc (size); }
void* __wrap_calloc (size_t n, size_t size)   { noteAllocation(); return __real_calloc (n, size); }
void* __wrap_realloc (void* p, size_t size)   { noteAllocation(); return __real_realloc (p, size); }
}

// The replacements pair malloc with free by design; GCC cannot see that through inlining.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new (size_t size)
{
    // Counted here once; the malloc underneath is the unwrapped one.
    noteAllocation();
    if (void* p = __real_malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[] (size_t size) { return operator new (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, size_t) noexcept { std::free (p); }
void operator delete[] (void* p, size_t) noexcept { std::free (p); }
#pragma GCC diagnostic pop

namespace
{
int allocationsDuring (VarluneAudioProcessor& processor, juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi)
{
    allocations = 0;
    counting = true;
    processor.processBlock (buffer, midi);
    counting = false;
    return allocations.load();
}
} // namespace

TEST (BlockAllocation, CountingSeesAnAllocation)
{
    allocations = 0;
    counting = true;

    // Through volatile pointers, so that the compiler keeps both allocations.
    int* volatile p = new int (3);
    void* volatile q = std::malloc (16);
    counting = false;
    delete p;
    std::free (q);
    EXPECT_EQ (allocations.load(), 2);
}

TEST (BlockAllocation, ProcessBlockAllocatesNothing)
{
    std::mt19937 rng (5);
    VarluneAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 48000.0, 512);
    processor.prepareToPlay (48000.0, 512);
    graphtest::TestPlayHead playHead;
    processor.setPlayHead (&playHead);

    for (int i = 0; i < 98; i += 3)
        processor.parameters.getUnchecked (i)->setMidiCC (i % 8);
    processor.parameters.getUnchecked (5)->setLearnArmed (true);
    processor.midiLearnActive = true;

    juce::AudioSampleBuffer buffer (2, 2048);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);

    for (int patch = 0; patch < 30; ++patch)
    {
        for (int i = 0; i < 98; ++i)
            processor.setParameter (i, graphtest::randomValueFor (i, rng, processor.parameters.getUnchecked (i)->defaultNormalised));
        graphtest::randomTempo (playHead, rng);

        for (int block = 0; block < 8; ++block)
        {
            const int n = (int) (rng() % 2049);
            buffer.setSize (2, n, false, false, true);
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < n; ++s)
                    buffer.setSample (c, s, graphtest::randomInput (rng, (int) (rng() % 5)));

            midi.clear();
            for (int e = 0; e < 6; ++e)
            {
                const int position = (int) (rng() % (unsigned) (n + 2));
                if (e == 0)
                    midi.addEvent (juce::MidiMessage::programChange (1, e), position);
                else
                    midi.addEvent (juce::MidiMessage::controllerEvent (1, (int) (rng() % 8), (int) (rng() % 128)), position);
            }

            ASSERT_EQ (allocationsDuring (processor, buffer, midi), 0) << "patch " << patch << ", block " << block;
        }
    }

    processor.setPlayHead (nullptr);
}
