// MENU's popup on a virtual X display: drawn with the panel's look-and-feel, and a menu still open
// when the host closes the window neither reaches the dead panel nor stays behind.
#include "EditorTestSupport.h"
#include "VarluneAudioProcessorEditor.h"

#include <cstdlib>

// Xlib's error handler hook, declared here to keep Xlib's macros out of the test.
extern "C"
{
using XErrorHandlerFunction = int (*) (void* display, void* event);
XErrorHandlerFunction XSetErrorHandler (XErrorHandlerFunction);
}

namespace
{
// Xvfb has no window manager: Xlib's default handler would end the process on a harmless BadAtom.
int ignoreXError (void*, void*) { return 0; }

void pumpMessages()
{
    for (int n = 0; n < 200 && juce::dispatchNextMessageOnSystemQueue (true); ++n) {}
}
} // namespace

TEST (BarMenuWindow, OpenMenuIsDismissedWithTheWindowAndItsAnswerGoesNowhere)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    XSetErrorHandler (&ignoreXError);
    juce::ScopedJuceInitialiser_GUI framework;
    VarluneAudioProcessor processor;
    editortest::HostRecorder host (processor);
    auto& desktop = juce::Desktop::getInstance();

    for (int round = 0; round < 3; ++round)
    {
        auto editor = std::unique_ptr<juce::AudioProcessorEditor> (processor.createEditor());
        editor->addToDesktop (0);
        ASSERT_EQ (desktop.getNumComponents(), 1);

        auto& menuButton = editortest::childNamed (*editor->getChildComponent (0), "menu button");
        editortest::click (menuButton);

        ASSERT_EQ (desktop.getNumComponents(), 2) << "the menu opened";
        auto* menuWindow = desktop.getComponent (0) == editor.get() ? desktop.getComponent (1) : desktop.getComponent (0);
        // The panel's own look: a KivLook, but not the window's, which the menu would outlive.
        EXPECT_NE (dynamic_cast<KivLook*> (&menuWindow->getLookAndFeel()), nullptr);
        EXPECT_NE (&menuWindow->getLookAndFeel(), &editor->getLookAndFeel());

        editor.reset();
        pumpMessages();

        EXPECT_EQ (desktop.getNumComponents(), 0);
        EXPECT_FALSE (juce::PopupMenu::dismissAllActiveMenus());
    }

    EXPECT_TRUE (host.events.empty());
    EXPECT_FALSE (processor.uiSizeResetRequested);
}

// Two instances in one host: closing one window closes its own menu and leaves the other's open;
// a choice made in a menu whose window closes before the answer arrives changes nothing.
TEST (BarMenuWindow, ClosingOneWindowLeavesTheMenuOfAnotherInstanceOpen)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    XSetErrorHandler (&ignoreXError);
    juce::ScopedJuceInitialiser_GUI framework;
    VarluneAudioProcessor first, second;
    editortest::HostRecorder firstHost (first), secondHost (second);
    auto& modal = *juce::ModalComponentManager::getInstance();

    std::unique_ptr<juce::AudioProcessorEditor> editors[] = { std::unique_ptr<juce::AudioProcessorEditor> (first.createEditor()),
                                                              std::unique_ptr<juce::AudioProcessorEditor> (second.createEditor()) };
    // A click in one window closes any menu open elsewhere, so the menus open from the handler.
    for (auto& editor : editors)
    {
        editor->addToDesktop (0);
        auto& background = dynamic_cast<BackgroundComponent&> (*editor->getChildComponent (0));
        background.buttonClicked (dynamic_cast<juce::Button*> (&editortest::childNamed (background, "menu button")));
    }

    ASSERT_EQ (modal.getNumModalComponents(), 2) << "both menus opened";
    juce::Component::SafePointer<juce::Component> secondMenu (modal.getModalComponent (0));

    editors[0].reset();
    EXPECT_EQ (modal.getNumModalComponents(), 1);
    ASSERT_EQ (modal.getModalComponent (0), secondMenu.getComponent());
    EXPECT_TRUE (secondMenu->isVisible());

    // The first item (Reset audio routing) chosen; its answer waits for the message loop.
    secondMenu->keyPressed (juce::KeyPress (juce::KeyPress::downKey));
    secondMenu->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    EXPECT_EQ (modal.getNumModalComponents(), 0);
    editors[1].reset();
    pumpMessages();

    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
    EXPECT_TRUE (firstHost.events.empty());
    EXPECT_TRUE (secondHost.events.empty());
}
