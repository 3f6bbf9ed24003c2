// Speaker-arrangement blocks: allocation, release, copying and matching.
#include "vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_allocated_size (const volatile void* p);
#endif

using namespace vsttest;

namespace
{
// The block's exact size where the allocator can tell it; elsewhere the zero check below still
// touches every byte the block must have.
void expectBlockSize (const VstSpeakerArrangement* a, std::size_t size)
{
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ (__sanitizer_get_allocated_size (a), size);
#endif
    (void) a;
    (void) size;
}

void fillSpeaker (VstSpeakerProperties& s, int seed)
{
    for (int i = 0; i < 4; ++i)
        s.coordinates[i] = static_cast<float> (seed * 10 + i) + 0.5f;
    std::memset (s.speakerName, 0, sizeof (s.speakerName));
    std::snprintf (s.speakerName, sizeof (s.speakerName), "Speaker %d", seed);
    s.speakerType = seed - 3;
    for (int i = 0; i < 28; ++i)
        s.trailingBytes[i] = static_cast<char> (seed + i);
}
} // namespace

TEST (SpeakerArrangement, AllocateGivesAZeroedBlockOfTheRightSize)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;

    for (std::int32_t channels : { 0, 2, 9 })
    {
        ASSERT_TRUE (effect.allocateArrangement (&a, channels));   // replaces the previous block
        ASSERT_NE (a, nullptr);
        const auto size = speakerArrangementSize (channels);
        expectBlockSize (a, size);
        EXPECT_EQ (a->numChannels, channels);
        EXPECT_EQ (a->arrangementType, 0);
        const auto* bytes = reinterpret_cast<const unsigned char*> (a);
        for (std::size_t i = 8; i < size; ++i)
            ASSERT_EQ (bytes[i], 0) << "byte " << i;
    }
    EXPECT_EQ (speakerArrangementSize (2), 232u);

    EXPECT_TRUE (effect.deallocateArrangement (&a));
    EXPECT_EQ (a, nullptr);
}

TEST (SpeakerArrangement, ImpossibleCountsFailAndReleaseThePreviousBlock)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;

    // -1, and a count whose size only fits an int32 once wrapped round.
    for (std::int32_t channels : { -1, INT_MIN, INT_MAX / 112 + 1, INT_MAX })
    {
        ASSERT_TRUE (effect.allocateArrangement (&a, 2));
        EXPECT_FALSE (effect.allocateArrangement (&a, channels)) << channels;
        EXPECT_EQ (a, nullptr);
    }
    EXPECT_FALSE (effect.allocateArrangement (nullptr, 2));
}

TEST (SpeakerArrangement, DeallocateOfNothingSucceeds)
{
    PlainEffect effect;
    VstSpeakerArrangement* a = nullptr;
    EXPECT_TRUE (effect.deallocateArrangement (&a));
    EXPECT_EQ (a, nullptr);
    EXPECT_TRUE (effect.deallocateArrangement (nullptr));
}

TEST (SpeakerArrangement, CopySpeakerCutsLongNames)
{
    PlainEffect effect;
    VstSpeakerProperties from;
    VstSpeakerProperties to;
    fillSpeaker (from, 4);
    std::memset (&to, 0x7F, sizeof (to));
    std::memset (from.speakerName, 'n', sizeof (from.speakerName));   // no terminator at all

    ASSERT_TRUE (effect.copySpeaker (&to, &from));
    EXPECT_EQ (std::string (to.speakerName), std::string (63, 'n'));
    EXPECT_EQ (to.speakerType, from.speakerType);
    EXPECT_EQ (std::memcmp (to.coordinates, from.coordinates, sizeof (to.coordinates)), 0);
    EXPECT_EQ (std::memcmp (to.trailingBytes, from.trailingBytes, sizeof (to.trailingBytes)), 0);

    // A short name is followed by zeros, not by what the destination held.
    fillSpeaker (from, 5);
    ASSERT_TRUE (effect.copySpeaker (&to, &from));
    EXPECT_EQ (std::memcmp (&to, &from, sizeof (to)), 0);

    EXPECT_FALSE (effect.copySpeaker (nullptr, &from));
    EXPECT_FALSE (effect.copySpeaker (&to, nullptr));
    EXPECT_TRUE (effect.copySpeaker (&to, &to));
    EXPECT_EQ (std::memcmp (&to, &from, sizeof (to)), 0);
}

TEST (SpeakerArrangement, MatchMakesAnExactCopyInANewBlock)
{
    PlainEffect effect;
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE (effect.allocateArrangement (&from, 6));
    from->arrangementType = 14;
    for (std::int32_t i = 0; i < 6; ++i)
        fillSpeaker (*speakerAt (*from, i), i);

    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE (effect.allocateArrangement (&to, 2));
    ASSERT_TRUE (effect.matchArrangement (&to, from));
    ASSERT_NE (to, from);
    expectBlockSize (to, 680);
    EXPECT_EQ (std::memcmp (to, from, 680), 0);

    // Matching a block with itself keeps it.
    VstSpeakerArrangement* same = from;
    EXPECT_TRUE (effect.matchArrangement (&same, from));
    EXPECT_EQ (same, from);
    EXPECT_EQ (std::memcmp (to, from, 680), 0);

    // Nothing to match from: the destination is left alone.
    VstSpeakerArrangement* kept = to;
    EXPECT_FALSE (effect.matchArrangement (&to, nullptr));
    EXPECT_EQ (to, kept);
    EXPECT_FALSE (effect.matchArrangement (nullptr, from));

    effect.deallocateArrangement (&to);
    effect.deallocateArrangement (&from);
}

TEST (SpeakerArrangement, MatchStopsAtTheFirstFailedSpeaker)
{
    struct Refusing : PlainEffect
    {
        bool copySpeaker (VstSpeakerProperties* to, VstSpeakerProperties* from) override
        {
            return ++copies < 3 && PlainEffect::copySpeaker (to, from);
        }
        int copies = 0;
    };

    Refusing effect;
    VstSpeakerArrangement* from = nullptr;
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE (effect.allocateArrangement (&from, 5));
    EXPECT_FALSE (effect.matchArrangement (&to, from));
    EXPECT_EQ (effect.copies, 3);
    effect.deallocateArrangement (&to);
    effect.deallocateArrangement (&from);
}
