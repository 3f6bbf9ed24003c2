#pragma once

/** Where the plug-in departs on purpose from the plain description of its audio path, or fills a
    gap the description leaves open. The reference model follows the description everywhere else
    and calls these at the one place each applies, so every departure can be read here. */
namespace reference
{
/** A NaN or infinite input sample enters the graph as 0: the dry path, the delays and every other
    reader see 0, instead of a value the graph bound would turn into full scale in the feedback paths. */
float inputEnteringGraph (float x);

/** A delay kept within its ring, (0, L]: past L the read position would wrap round to the newest
    samples and a long echo would become a comb. Applied after every glide step, whose last step may
    pass its target by up to a step (a delay at or below 0 then takes the target), and to both delays
    after a change of sample rate has shrunk the ring (there the delays are positive, and are their
    own fallback). */
float delayWithinRing (float delay, int ringLength, float fallback);

/** Values leaving a delay line or a mixer into the graph stay within +-1e6, a NaN at the upper
    bound: a feedback loop with a gain above one saturates there instead of growing into infinity
    and NaN, which would never leave the rings again. */
float boundedGraphValue (float y);

/** A read position wrapped into the ring by its full length L (the description wraps by L - 1,
    which makes the delay one sample longer on every pass of the write index past entry 0). A sum
    that rounds up to exactly L is entry 0. */
float readPositionInRing (float r, int ringLength);

/** A host tempo the block may use: positive, finite and with a whole note of at most 1e30 ms, so
    that a synced delay target is finite and can be halved into the ring. With none, the last
    usable tempo stays. */
bool isUsableTempo (double bpm);

/** A NaN mix (only an overflow of the wet path can make one) is written as silence. */
float silenceForNaN (float output);

/** Rates at which the plug-in prepares: anything else keeps the current rate, and only clears. */
bool isUsableSampleRate (double rate);

/** The next LFO phase after its one wrap by the table size: an increment of a table or more (a
    fast tempo-synced rate) wraps again by fmod, and a non-finite phase restarts at 0, so the
    index always stays inside the table. The description leaves such rates open. */
float phaseInTable (float next, float tableSize);
} // namespace reference
