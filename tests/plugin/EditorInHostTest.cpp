// The plug-in's window in a host, on a virtual X display: opened inside the host's window,
// following the processor, resized through its corner, closed and opened again, measured from
// another thread before it opens and while it resizes and closes, opened and closed twenty
// times while audio runs with a learned controller, and driven with its menus from a window
// thread that did not make the instance.
#include "editor/EditorTestSupport.h"
#include "RecordingHost.h"
#include "VarluneAudioProcessor.h"
#include "VarluneAudioProcessorEditor.h"
#include "VarluneVstBridge.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#undef KeyPress  // an X event type, and the framework's key class

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace
{
// Xvfb has no window manager; Xlib's default handler would end the test on a harmless BadAtom.
int ignoreXError (Display*, XErrorEvent*) { return 0; }

class EditorInHost : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI framework;
    VarluneAudioProcessor* processor = new VarluneAudioProcessor();
    std::unique_ptr<VarluneVstBridge> bridge { new VarluneVstBridge (&recordingHost, processor,
        [this] { return VarluneAudioProcessorEditor::getOpeningBounds (*processor); }) };
    AEffect* effect = bridge->getAeffect();
    juce::Component hostWindow;

    void SetUp() override
    {
        if (std::getenv ("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X display";

        XSetErrorHandler (&ignoreXError);
        hostWindow.setSize (1280, 1024);
        hostWindow.addToDesktop (0);
        forgetHostCalls();
    }

    std::int64_t dispatch (std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcherProc (effect, opcode, index, value, ptr, opt);
    }

    VarluneAudioProcessorEditor* open()
    {
        EXPECT_EQ (dispatch (EffectOpcode::EditorOpen, 0, 0, hostWindow.getWindowHandle()), 1);
        return dynamic_cast<VarluneAudioProcessorEditor*> (processor->getActiveEditor());
    }

    std::pair<int, int> measuredSize()
    {
        EditorRect* rect = nullptr;
        EXPECT_EQ (dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect), 1);
        return { rect->right - rect->left, rect->bottom - rect->top };
    }
};

// A host's window thread, which makes the window calls it is handed. A call that does not come
// back fails the test at once: the thread is stuck inside the framework, and nothing can be torn
// down after it.
class WindowThread
{
public:
    WindowThread() : thread ([this] { serve(); }) {}

    ~WindowThread()
    {
        call ("the last call", [this] { stopping = true; });
        thread.join();
    }

    void call (const char* what, std::function<void()> job)
    {
        std::unique_lock<std::mutex> lock (mutex);
        pending = std::move (job);
        const int handed = ++numHanded;
        changed.notify_all();

        if (! changed.wait_for (lock, std::chrono::seconds (60), [&] { return numDone == handed; }))
        {
            ADD_FAILURE() << what << " did not come back from the window thread";
            std::fflush (stdout);
            std::_Exit (EXIT_FAILURE);
        }
    }

private:
    void serve()
    {
        std::unique_lock<std::mutex> lock (mutex);

        while (! stopping)
        {
            changed.wait (lock, [this] { return numHanded > numDone; });
            auto job = std::move (pending);
            lock.unlock();
            job();
            lock.lock();
            ++numDone;
            changed.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> pending;
    int numHanded = 0, numDone = 0;
    bool stopping = false;  // the window thread's own
    std::thread thread;
};

// A user's choice in the open menu: the item so many below the highlighted one.
void chooseInOpenMenu (int itemsDown)
{
    auto* menu = juce::Component::getCurrentlyModalComponent();
    ASSERT_NE (menu, nullptr) << "no menu is open";
    for (int k = 0; k < itemsDown; ++k)
        menu->keyPressed (juce::KeyPress (juce::KeyPress::downKey));
    menu->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
}
} // namespace

TEST_F (EditorInHost, OpensInsideTheHostsWindowAndFollowsTheProcessor)
{
    auto* editor = open();
    ASSERT_NE (editor, nullptr);
    EXPECT_TRUE (editor->isShowing());
    EXPECT_EQ (measuredSize(), std::pair (1000, 700));

    // The window's X parent is the host's window.
    Display* display = XOpenDisplay (nullptr);
    ASSERT_NE (display, nullptr);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned numChildren = 0;
    XQueryTree (display, (Window) editor->getTopLevelComponent()->getWindowHandle(), &root, &parent, &children, &numChildren);
    XFree (children);
    XCloseDisplay (display);
    EXPECT_EQ (parent, (Window) hostWindow.getWindowHandle());

    // Host automation shows in its control after a tick of the window's own timer.
    auto& knob = dynamic_cast<juce::Slider&> (*editortest::findDescendant (*editor, [] (juce::Component& c) { return c.getName() == "drywet knob"; }));
    effect->setParameterProc (effect, ParameterIndex::dryWet, 0.25f);
    for (int message = 0; message < 1000 && knob.getValue() != 0.25; ++message)
        juce::dispatchNextMessageOnSystemQueue (false);
    EXPECT_EQ (knob.getValue(), 0.25);

    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
    EXPECT_EQ (processor->getActiveEditor(), nullptr);
}

TEST_F (EditorInHost, AResizeIsAskedOfTheHostAndTheNextWindowOpensAtTheLastSize)
{
    auto* editor = open();
    ASSERT_NE (editor, nullptr);
    editortest::dragBy (editortest::resizeCorner (*editor), 300, 300);

    const auto requests = sizeRequests();
    ASSERT_FALSE (requests.empty());
    EXPECT_EQ (requests.back().index, editor->getWidth());
    EXPECT_EQ (requests.back().value, editor->getHeight());
    EXPECT_GT (editor->getWidth(), 1000);
    const std::pair lastSize (editor->getWidth(), editor->getHeight());
    EXPECT_EQ (measuredSize(), lastSize);

    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
    EXPECT_EQ (measuredSize(), lastSize);

    editor = open();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (std::pair (editor->getWidth(), editor->getHeight()), lastSize);
    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
}

TEST_F (EditorInHost, TheSizeAskedFromAnotherThreadIsTheSizeTheWindowOpensAt)
{
    processor->saveLastUISize (1200.9f, 840.9f);

    // A host's worker thread asks while its window thread runs the framework's messages.
    EditorRect asked {};
    std::atomic<bool> answered { false };
    std::thread worker ([&]
    {
        EditorRect* rect = nullptr;
        EXPECT_EQ (dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect), 1);
        if (rect != nullptr)
            asked = *rect;
        answered = true;
    });
    while (! answered.load())
        juce::dispatchNextMessageOnSystemQueue (true);
    worker.join();

    // A window built to be measured would have stored its whole-pixel size.
    EXPECT_EQ (processor->lastUISize.load().width, 1200.9f);
    EXPECT_EQ (processor->getActiveEditor(), nullptr);

    auto* editor = open();
    ASSERT_NE (editor, nullptr);
    const auto opened = editor->getTopLevelComponent()->getBounds();
    EXPECT_EQ (std::pair (asked.right - asked.left, asked.bottom - asked.top), std::pair (opened.getWidth(), opened.getHeight()));
    EXPECT_EQ (std::pair (opened.getWidth(), opened.getHeight()), std::pair (1200, 840));
    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
}

TEST_F (EditorInHost, TheSizeTwoThreadsAskWhileTheWindowResizesAndClosesIsOneItHad)
{
    // Every size differs from every other in both sides, so an answer that mixed two is none of them.
    constexpr int numSizes = 25;
    std::set<std::pair<int, int>> sizes;
    for (int k = 0; k < numSizes; ++k)
        sizes.emplace (250 + 10 * k, 175 + 7 * k);
    processor->saveLastUISize (250.0f, 175.0f);

    // Two of a host's worker threads ask all along, while its window thread resizes and closes
    // the window.
    std::atomic<bool> done { false };
    std::atomic<int> numAnswers { 0 };
    std::atomic<int> numForeign { 0 };
    auto ask = [&]
    {
        while (! done.load())
        {
            numForeign += sizes.count (measuredSize()) == 1 ? 0 : 1;
            ++numAnswers;
        }
    };
    std::thread worker (ask), otherWorker (ask);

    for (int k = 1; k < numSizes; ++k)
    {
        auto* editor = open();
        if (editor == nullptr)
            break;

        editor->setSize (250 + 10 * k, 175 + 7 * k);

        // At least one answer is asked after the resize, while the window is open.
        for (const int asked = numAnswers.load(); numAnswers.load() < asked + 2;)
        {
        }

        EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
    }

    done = true;
    worker.join();
    otherWorker.join();
    EXPECT_EQ (numForeign.load(), 0);
    EXPECT_EQ (measuredSize(), std::pair (250 + 10 * (numSizes - 1), 175 + 7 * (numSizes - 1)));
}

TEST_F (EditorInHost, TwentyWindowsOpenAndCloseWhileAudioRuns)
{
    constexpr int blockSize = 256;
    dispatch (EffectOpcode::SetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch (EffectOpcode::SetBlockSize, 0, blockSize);
    dispatch (EffectOpcode::MainsChanged, 0, 1);

    // A learned controller moves Delay1_Feedback from the audio thread in every block.
    processor->getParameterRecord (3)->setMidiCC (20);

    // Small windows: every panel is still built, refreshed, painted and closed, but painting
    // 1000 x 700 pixels twenty times over is most of this test's time under the sanitizers.
    processor->lastUISize = { 250.0f, 175.0f };
    const int desktopComponents = juce::Desktop::getInstance().getNumComponents();

    std::atomic<bool> running { true };
    std::thread audio ([&]
    {
        std::vector<float> left (blockSize), right (blockSize);
        float* channels[] = { left.data(), right.data() };
        VstMidiEvent controller {};
        controller.type = EventType::Midi;
        controller.byteSize = sizeof (VstMidiEvent);
        VstEvents events {};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*> (&controller);

        for (int block = 0; running.load(); ++block)
        {
            controller.midiData[0] = (char) 0xB0;
            controller.midiData[1] = 20;
            controller.midiData[2] = (char) (block % 128);
            effect->dispatcherProc (effect, EffectOpcode::ProcessEvents, 0, 0, &events, 0.0f);
            std::fill (left.begin(), left.end(), 0.1f);
            std::fill (right.begin(), right.end(), -0.1f);
            effect->processReplacingProc (effect, channels, channels, blockSize);
        }
    });

    for (int cycle = 0; cycle < 20; ++cycle)
    {
        auto* editor = open();
        ASSERT_NE (editor, nullptr);
        editor->timerCallback();
        dispatch (EffectOpcode::EditorIdle);
        editor->setSize (250 + 10 * cycle, 175 + 7 * cycle);
        EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
    }

    running = false;
    audio.join();
    dispatch (EffectOpcode::MainsChanged, 0, 0);

    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), desktopComponents);
    EXPECT_EQ (processor->getActiveEditor(), nullptr);
    EXPECT_EQ (measuredSize(), std::pair (440, 308));
}

TEST_F (EditorInHost, MenusWorkFromAWindowThreadThatDidNotMakeTheInstance)
{
    // This thread made the instance, and the framework with it; the host's window thread opens,
    // idles and closes the window.
    const int input = ParameterIndex::delayBase (1) + ParameterIndex::delayInput;
    const float routed = processor->getParameter (input);
    WindowThread windowThread;
    VarluneAudioProcessorEditor* editor = nullptr;
    juce::ComboBox* inputBox = nullptr;

    windowThread.call ("opening", [&]
    {
        editor = open();
        if (editor != nullptr)
            inputBox = dynamic_cast<juce::ComboBox*> (editortest::findDescendant (*editor, [] (juce::Component& c) { return c.getName() == "input box"; }));
    });
    ASSERT_NE (inputBox, nullptr);

    // Idle calls until the window shows what was chosen; each one must come back.
    auto idleUntil = [&] (const char* what, const std::function<bool()>& shown)
    {
        windowThread.call (what, [&]
        {
            for (int call = 0; call < 10000 && ! shown(); ++call)
                dispatch (EffectOpcode::EditorIdle);
        });
        EXPECT_TRUE (shown()) << what;
    };

    // Another source for delay 1's input.
    windowThread.call ("choosing a source", [&] { inputBox->showPopup(); chooseInOpenMenu (1); });
    idleUntil ("idling after a source was chosen", [&] { return processor->getParameter (input) != routed; });
    EXPECT_EQ (processor->getParameter (input), (float) inputBox->getSelectedItemIndex() / 13.0f);

    // MENU's "Reset audio routing" brings it back. A menu is chosen from before any idle call: on
    // a display with no window manager no window has the focus, and an open menu closes itself.
    auto& menuButton = *editortest::findDescendant (*editor, [] (juce::Component& c) { return c.getName() == "menu button"; });
    windowThread.call ("choosing from MENU", [&] { editortest::click (menuButton); chooseInOpenMenu (1); });
    idleUntil ("idling after MENU's entry was chosen", [&] { return processor->getParameter (input) == routed; });

    // Closing the window with a menu open takes the menu off the screen too.
    windowThread.call ("closing with a menu open", [&]
    {
        inputBox->showPopup();
        EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
        EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
        for (int c = 0; c < juce::Desktop::getInstance().getNumComponents(); ++c)
        {
            auto* shown = juce::Desktop::getInstance().getComponent (c);
            EXPECT_TRUE (shown == &hostWindow || ! shown->isVisible()) << shown->getName();
        }
    });
    EXPECT_EQ (processor->getActiveEditor(), nullptr);
}

TEST_F (EditorInHost, EachInstanceKeepsItsOwnSizeAnswer)
{
    auto* otherProcessor = new VarluneAudioProcessor();
    VarluneVstBridge other (&recordingHost, otherProcessor, [otherProcessor] { return VarluneAudioProcessorEditor::getOpeningBounds (*otherProcessor); });
    processor->saveLastUISize (800.0f, 560.0f);
    otherProcessor->saveLastUISize (1200.0f, 840.0f);

    // A host asks one instance, then the other, from one thread, and keeps both answers.
    EditorRect* rect = nullptr;
    EditorRect* otherRect = nullptr;
    ASSERT_EQ (dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect), 1);
    ASSERT_EQ (other.getAeffect()->dispatcherProc (other.getAeffect(), EffectOpcode::EditorGetRect, 0, 0, &otherRect, 0.0f), 1);
    EXPECT_EQ (std::pair (rect->right - rect->left, rect->bottom - rect->top), std::pair (800, 560));
    EXPECT_EQ (std::pair (otherRect->right - otherRect->left, otherRect->bottom - otherRect->top), std::pair (1200, 840));
}
