// MIDI input: program changes and controllers, learn, and the last-moved parameter.
#include "VarluneAudioProcessor.h"

bool VarluneAudioProcessor::handleMidiEventsAt (juce::MidiBufferIterator& event, juce::MidiBufferIterator end,
                                                int samplePosition)
{
    bool parametersMoved = false;

    // Every event of this sample, in buffer order; any MIDI channel. Data bytes are seven bits wide.
    for (; event != end && (*event).samplePosition == samplePosition; ++event)
    {
        const auto message = *event;

        if (message.numBytes < 2)
            continue;

        const int status = message.data[0] & 0xf0;

        if (status == 0xc0)
        {
            // Taken up at the start of the next block.
            programChangeIndex.store (message.data[1] & 0x7f, std::memory_order_relaxed);
            programChangePending.store (true, std::memory_order_release);
        }
        else if (status == 0xb0 && message.numBytes >= 3)
        {
            parametersMoved = handleControlChange (message.data[1] & 0x7f, message.data[2] & 0x7f)
                               || parametersMoved;
        }
    }

    return parametersMoved;
}

bool VarluneAudioProcessor::handleControlChange (int number, int value)
{
    const bool learning = midiLearnActive.load (std::memory_order_relaxed);
    const float normalised = (float) value / 127.0f;
    bool moved = false;

    for (int i = 0; i < ParameterIndex::numParameters; ++i)
    {
        auto& parameter = *parameters.getUnchecked (i);

        // Disarming and binding in one step, so an arm from the editor is never lost half-way.
        if (learning && parameter.learnArmed.exchange (false, std::memory_order_relaxed))
            parameter.setMidiCC (number);

        if (number == parameter.getMidiCC())
        {
            beginParameterChangeGesture (i);
            setParameterNotifyingHost (i, normalised);
            endParameterChangeGesture (i);
            setLastMovedParameter (i, normalised);
            moved = true;
        }
    }

    return moved;
}

void VarluneAudioProcessor::setLastMovedParameter (int index, float value) noexcept
{
    if (! juce::isPositiveAndBelow (index, ParameterIndex::numParameters))
        return;

    // Sequence numbers run 1 to 2^24 - 1 and round again, never back to 0.
    auto previous = lastMove.load (std::memory_order_relaxed);
    ParameterMove next;

    do
    {
        next = { previous.sequence % 0xffffffu + 1u, (std::uint32_t) index, value };
    }
    while (! lastMove.compare_exchange_weak (previous, next, std::memory_order_relaxed));
}

void VarluneAudioProcessor::updateLastMovedDisplay()
{
    const auto move = lastMove.load (std::memory_order_relaxed);

    if (move.sequence == lastMoveShown)
        return;

    lastMoveShown = move.sequence;
    const auto& parameter = *parameters.getUnchecked ((int) move.index);
    lastParamName = parameter.name;
    lastParamText = getParameterValueText ((int) move.index, parameter, parameter.toReal (move.value));
}
