#include "MessageThreadTurn.h"

#include <juce_events/juce_events.h>

namespace
{
std::recursive_mutex& turns()
{
    // One for the whole library: the framework's windows are one set, whichever instance shows them.
    static std::recursive_mutex mutex;
    return mutex;
}
} // namespace

MessageThreadTurn::MessageThreadTurn()
    : turn (turns())
{
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
}
