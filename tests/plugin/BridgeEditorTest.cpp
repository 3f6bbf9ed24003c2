#include "RecordingHost.h"
#include "VarluneVstBridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

// Xlib's error handler hook, declared here to keep Xlib's macros out of the test.
extern "C"
{
using XErrorHandlerFunction = int (*) (void* display, void* event);
XErrorHandlerFunction XSetErrorHandler (XErrorHandlerFunction);
}

namespace
{
// Xvfb has no window manager, so some window-manager atoms are missing; Xlib's default handler
// would end the process on the first harmless BadAtom.
int ignoreXError (void*, void*) { return 0; }

struct ProcessorWithEditor;

struct SizedEditor : juce::AudioProcessorEditor
{
    explicit SizedEditor (ProcessorWithEditor& p);
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::darkgreen); }
    void resized() override;
    ProcessorWithEditor& owner;
};

// The smallest processor with an editor: the bridge must serve any editor, not only the plug-in's.
// Like the plug-in's, it keeps its window's size, where the bridge measures it.
struct ProcessorWithEditor : juce::AudioProcessor
{
    std::atomic<juce::Point<int>> windowSize { juce::Point<int> (300, 200) };

    const juce::String getName() const override { return "Test"; }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    void processBlock (juce::AudioSampleBuffer&, juce::MidiBuffer&) override {}
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return new SizedEditor (*this); }
    bool hasEditor() const override { return true; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}
};

SizedEditor::SizedEditor (ProcessorWithEditor& p) : juce::AudioProcessorEditor (p), owner (p)
{
    const auto size = owner.windowSize.load();
    setSize (size.x, size.y);
}

void SizedEditor::resized()
{
    owner.windowSize = { getWidth(), getHeight() };
}

class BridgeEditor : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI framework;
    ProcessorWithEditor* processor = new ProcessorWithEditor();
    std::unique_ptr<VarluneVstBridge> bridge { new VarluneVstBridge (&recordingHost, processor, [this]
    {
        const auto size = processor->windowSize.load();
        return juce::Rectangle<int> (size.x, size.y);
    }) };

    std::int64_t dispatch (std::int32_t opcode, void* ptr = nullptr)
    {
        AEffect* effect = bridge->getAeffect();
        return effect->dispatcherProc (effect, opcode, 0, 0, ptr, 0.0f);
    }

    void SetUp() override { forgetHostCalls(); }
};
} // namespace

TEST_F (BridgeEditor, AnnouncesAndMeasuresTheEditorWithoutOpeningIt)
{
    EXPECT_NE (bridge->getAeffect()->flags & EffectFlag::HasEditor, 0);

    EditorRect* rect = nullptr;
    ASSERT_EQ (dispatch (EffectOpcode::EditorGetRect, &rect), 1);
    ASSERT_NE (rect, nullptr);
    EXPECT_EQ (rect->right - rect->left, 300);
    EXPECT_EQ (rect->bottom - rect->top, 200);
    EXPECT_EQ (processor->getActiveEditor(), nullptr);

    EXPECT_EQ (dispatch (EffectOpcode::EditorGetRect), 0);
    EXPECT_EQ (dispatch (EffectOpcode::EditorOpen), 0);  // no parent window
    EXPECT_EQ (dispatch (EffectOpcode::EditorIdle), 1);
    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
}

TEST_F (BridgeEditor, OpensInTheHostWindowAndAsksTheHostToFollowItsSize)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    XSetErrorHandler (&ignoreXError);

    juce::Component hostWindow;
    hostWindow.setSize (640, 480);
    hostWindow.addToDesktop (0);
    ASSERT_NE (hostWindow.getWindowHandle(), nullptr);

    ASSERT_EQ (dispatch (EffectOpcode::EditorOpen, hostWindow.getWindowHandle()), 1);
    auto* editor = processor->getActiveEditor();
    ASSERT_NE (editor, nullptr);
    EXPECT_TRUE (editor->isShowing());

    forgetHostCalls();
    editor->setSize (400, 300);
    const auto requests = sizeRequests();
    EXPECT_FALSE (requests.empty());
    for (const auto& call : requests)
    {
        EXPECT_EQ (call.index, 400);
        EXPECT_EQ (call.value, 300);
    }

    EditorRect* rect = nullptr;
    ASSERT_EQ (dispatch (EffectOpcode::EditorGetRect, &rect), 1);
    EXPECT_EQ (rect->right, 400);
    EXPECT_EQ (rect->bottom, 300);

    EXPECT_EQ (dispatch (EffectOpcode::EditorIdle), 1);
    EXPECT_EQ (dispatch (EffectOpcode::EditorClose), 1);
    EXPECT_EQ (processor->getActiveEditor(), nullptr);
}
