#include "VstEditorHost.h"

#include "MessageThreadTurn.h"

#include <juce_events/native/juce_linux_EventLoopInternal.h>

namespace juce
{
// JUCE's Linux message queue; pumped from the host's idle calls while a window is open.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

// The editor with the component that carries it into the host's window and keeps the same size.
struct VstEditorHost::Holder : public juce::Component, private juce::ComponentListener
{
    Holder (VstEditorHost& ownerToUse, juce::AudioProcessorEditor* editorToHold)
        : owner (ownerToUse), editor (editorToHold)
    {
        setOpaque (true);
        addAndMakeVisible (editor.get());
        setSize (editor->getWidth(), editor->getHeight());
        editor->addComponentListener (this);
    }

    ~Holder() override
    {
        editor->removeComponentListener (this);
        owner.processor.editorBeingDeleted (editor.get());
    }

    void componentMovedOrResized (juce::Component&, bool, bool wasResized) override
    {
        if (wasResized)
        {
            setSize (editor->getWidth(), editor->getHeight());
            owner.windowResized();
        }
    }

    VstEditorHost& owner;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

VstEditorHost::VstEditorHost (juce::AudioProcessor& processorToUse, OpeningBounds openingBoundsToUse, AudioEffectX& effectToUse)
    : processor (processorToUse), openingBounds (std::move (openingBoundsToUse)), effect (effectToUse)
{
}

VstEditorHost::~VstEditorHost()
{
    close();
}

bool VstEditorHost::isWindowOpcode (std::int32_t opcode) noexcept
{
    return opcode == EffectOpcode::EditorGetRect || opcode == EffectOpcode::EditorOpen
        || opcode == EffectOpcode::EditorClose || opcode == EffectOpcode::EditorIdle;
}

std::int64_t VstEditorHost::dispatch (std::int32_t opcode, void* ptr)
{
    if (! processor.hasEditor())
        return 0;

    switch (opcode)
    {
        case EffectOpcode::EditorGetRect:
        {
            if (ptr == nullptr)
                return 0;

            // The open window keeps its size in the processor, so the answer never reads the
            // window, which the window thread may be resizing or destroying meanwhile; building one
            // only to measure it would build the framework's desktop on the asking thread.
            const auto bounds = openingBounds();
            const std::lock_guard<std::mutex> lock (answersLock);
            auto& answer = answers[std::this_thread::get_id()];
            answer = { 0, 0, (std::int16_t) bounds.getHeight(), (std::int16_t) bounds.getWidth() };
            *static_cast<EditorRect**> (ptr) = &answer;
            return 1;
        }

        case EffectOpcode::EditorOpen:
        {
            const MessageThreadTurn turn;
            open (ptr);
            return holder != nullptr ? 1 : 0;
        }

        case EffectOpcode::EditorClose:
            close();
            return 1;

        case EffectOpcode::EditorIdle:
        {
            // Hosts call this regularly while the window is open; JUCE's messages are run here.
            const MessageThreadTurn turn;
            for (int i = 0; i < 64 && juce::dispatchNextMessageOnSystemQueue (true); ++i)
            {
            }

            // Those calls run a connection's handler only when data waits on it. An X round trip
            // (a menu's timer asks where the pointer is) reads every event ahead of its answer
            // into Xlib's queue, where it waits for the next event to arrive: a mouse button's
            // release among them, and the menu stays open. Each handler takes what it holds, if
            // anything, and returns.
            for (const int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
                juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (fd);
            return 1;
        }

        default:
            return 0;
    }
}

void VstEditorHost::open (void* parentWindow)
{
    close();

    // The window lives inside the host's; without one there is nowhere to put it.
    if (parentWindow == nullptr)
        return;

    if (auto* editor = processor.createEditorIfNeeded())
    {
        holder = std::make_unique<Holder> (*this, editor);
        holder->setVisible (true);
        holder->addToDesktop (0, parentWindow);
    }
}

void VstEditorHost::close()
{
    // With no window there is nothing of the framework's to wait for: a host deletes instances on
    // one thread while its window thread goes on idling others.
    if (holder == nullptr)
        return;

    const MessageThreadTurn turn;
    holder.reset();
}

void VstEditorHost::windowResized()
{
    if (holder == nullptr)
        return;

    char capability[] = "sizeWindow";
    if (effect.canHostDo (capability) == 1)
        effect.sizeWindow (holder->getWidth(), holder->getHeight());
}
