#include "EditorTestSupport.h"

#include <cstdlib>

namespace editortest
{
void PrintTo (const HostEvent& event, std::ostream* out)
{
    static const char* const kinds[] = { "begin", "set", "end" };
    *out << kinds[event.kind] << " " << event.index;
    if (event.kind == HostEvent::set)
        *out << " = " << event.value;
}

HostRecorder::HostRecorder (juce::AudioProcessor& processorToWatch) : watched (processorToWatch)
{
    watched.addListener (this);
}

HostRecorder::~HostRecorder()
{
    watched.removeListener (this);
}

void HostRecorder::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value)
{
    events.push_back ({ HostEvent::set, index, value });
}

void HostRecorder::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    events.push_back ({ HostEvent::begin, index, 0.0f });
}

void HostRecorder::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    events.push_back ({ HostEvent::end, index, 0.0f });
}

std::vector<HostEvent> userChange (int index, float value)
{
    return { { HostEvent::begin, index, 0.0f }, { HostEvent::set, index, value }, { HostEvent::end, index, 0.0f } };
}

void EditorTest::expectUserChanges (juce::Component& panel, const std::vector<ChangeRow>& rows)
{
    processor.midiLearnActive = true;
    processor.midiUnlearnActive = true;

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.control);
        auto& parameter = *processor.getParameterRecord (row.parameter);
        parameter.setMidiCC (9);
        parameter.setLearnArmed (false);
        host.events.clear();

        userSets (childNamed (panel, row.control), row.position);

        EXPECT_EQ (host.events, userChange (row.parameter, row.value));
        EXPECT_EQ (processor.getParameter (row.parameter), row.value);
        EXPECT_EQ (processor.lastParamName, processor.getParameterName (row.parameter));
        EXPECT_EQ (processor.lastParamText, processor.getParameterText (row.parameter));
        EXPECT_TRUE (parameter.isLearnArmed());
        EXPECT_EQ (parameter.getMidiCC(), -1);
    }

    // Arming one parameter leaves the others armed.
    for (const auto& row : rows)
        EXPECT_TRUE (processor.getParameterRecord (row.parameter)->isLearnArmed()) << row.control;

    processor.midiLearnActive = false;
    processor.midiUnlearnActive = false;
}

void EditorTest::expectShown (juce::Component& panel, const std::vector<ShownRow>& rows)
{
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.control);
        auto& control = childNamed (panel, row.control);

        if (row.text != nullptr)
            EXPECT_EQ (shownText (control).toStdString(), row.text);
        else
            EXPECT_NEAR (shownValue (control), row.value, 0.0005);
    }
}

juce::Component* findDescendant (juce::Component& parent, const std::function<bool (juce::Component&)>& matches)
{
    for (auto* child : parent.getChildren())
    {
        if (matches (*child))
            return child;
        if (auto* found = findDescendant (*child, matches))
            return found;
    }
    return nullptr;
}

juce::Component& resizeCorner (juce::Component& editor)
{
    auto* corner = findDescendant (editor, [] (juce::Component& c)
                                   { return dynamic_cast<juce::ResizableCornerComponent*> (&c) != nullptr; });
    if (corner == nullptr)
    {
        ADD_FAILURE() << "no resize corner";
        return editor;
    }
    return *corner;
}

juce::Component& childNamed (juce::Component& parent, const juce::String& name)
{
    for (auto* component : parent.getChildren())
        if (component->getName() == name)
            return *component;

    ADD_FAILURE() << "no child named \"" << name << "\"";
    static juce::Component none;
    return none;
}

juce::String shownText (juce::Component& component)
{
    if (auto* label = dynamic_cast<juce::Label*> (&component))
        return label->getText();
    if (auto* button = dynamic_cast<juce::Button*> (&component))
        return button->getButtonText();
    if (auto* box = dynamic_cast<juce::ComboBox*> (&component))
        return box->getText();
    return {};
}

void expectChildren (juce::Component& panel, const std::vector<ChildRow>& rows)
{
    ASSERT_EQ ((size_t) panel.getNumChildComponents(), rows.size());

    for (size_t i = 0; i < rows.size(); ++i)
    {
        auto& component = *panel.getChildComponent ((int) i);
        const auto& row = rows[i];
        SCOPED_TRACE (std::string ("child ") + std::to_string (i) + " \"" + row.name + "\"");

        EXPECT_EQ (component.getName().toStdString(), row.name);
        const bool kindMatches = row.kind == Kind::label ? dynamic_cast<juce::Label*> (&component) != nullptr
                               : row.kind == Kind::knob ? dynamic_cast<juce::Slider*> (&component) != nullptr
                               : row.kind == Kind::box ? dynamic_cast<juce::ComboBox*> (&component) != nullptr
                               : dynamic_cast<juce::TextButton*> (&component) != nullptr;
        EXPECT_TRUE (kindMatches);
        EXPECT_EQ (shownText (component).toStdString(), row.text);
        EXPECT_EQ (component.getBounds().toString().toStdString(), row.bounds.toString().toStdString());
        EXPECT_EQ (component.isEnabled(), row.enabled);
        EXPECT_TRUE (component.isVisible());
    }
}

void userSets (juce::Component& control, double value)
{
    if (auto* knob = dynamic_cast<juce::Slider*> (&control))
        knob->setValue (value, juce::sendNotificationSync);
    else if (auto* box = dynamic_cast<juce::ComboBox*> (&control))
        box->setSelectedItemIndex ((int) value, juce::sendNotificationSync);
    else if (auto* button = dynamic_cast<juce::Button*> (&control))
        button->setToggleState (value != 0.0, juce::sendNotificationSync);
    else
        ADD_FAILURE() << control.getName() << " is no control";
}

double shownValue (juce::Component& control)
{
    if (auto* knob = dynamic_cast<juce::Slider*> (&control))
        return knob->getValue();
    if (auto* box = dynamic_cast<juce::ComboBox*> (&control))
        return box->getSelectedItemIndex();
    if (auto* button = dynamic_cast<juce::Button*> (&control))
        return button->getToggleState() ? 1.0 : 0.0;
    ADD_FAILURE() << control.getName() << " shows no value";
    return -1.0;
}

namespace
{
juce::MouseEvent mouseEvent (juce::Component& component, juce::Point<float> position,
                             juce::Point<float> downPosition, int clicks, bool dragged,
                             juce::ModifierKeys keys = {})
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                             keys.withFlags (juce::ModifierKeys::leftButtonModifier),
                             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                             &component, &component, now, downPosition, now, clicks, dragged);
}
}

void doubleClick (juce::Component& component)
{
    const auto centre = component.getLocalBounds().getCentre().toFloat();
    component.mouseDown (mouseEvent (component, centre, centre, 1, false));
    component.mouseUp (mouseEvent (component, centre, centre, 1, false));
    component.mouseDown (mouseEvent (component, centre, centre, 2, false));
    component.mouseDoubleClick (mouseEvent (component, centre, centre, 2, false));
    component.mouseUp (mouseEvent (component, centre, centre, 2, false));
}

void dragBy (juce::Component& component, int dx, int dy)
{
    const auto start = component.getLocalBounds().getCentre().toFloat();
    const auto end = start.translated ((float) dx, (float) dy);
    component.mouseDown (mouseEvent (component, start, start, 1, false));
    component.mouseDrag (mouseEvent (component, end, start, 1, true));
    component.mouseUp (mouseEvent (component, end, start, 1, true));
}

void dragVertically (juce::Component& component, int pixels)
{
    const auto start = component.getLocalBounds().getCentre().toFloat();
    component.mouseDown (mouseEvent (component, start, start, 1, false));

    for (int step = 1; step <= std::abs (pixels); ++step)
    {
        const auto position = start.translated (0.0f, (float) (pixels > 0 ? step : -step));
        component.mouseDrag (mouseEvent (component, position, start, 1, true));
    }

    const auto end = start.translated (0.0f, (float) pixels);
    component.mouseUp (mouseEvent (component, end, start, 1, true));
}

void click (juce::Component& component, juce::ModifierKeys keys)
{
    const auto centre = component.getLocalBounds().getCentre().toFloat();
    component.mouseDown (mouseEvent (component, centre, centre, 1, false, keys));
    component.mouseUp (mouseEvent (component, centre, centre, 1, false, keys));
}

juce::Image render (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

namespace
{
juce::File goldenFile (const juce::String& name)
{
    return juce::File (VARLUNE_GOLDEN_DIR).getChildFile (name + ".png");
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream stream (file);
    return stream.openedOk() && juce::PNGImageFormat().writeImageToStream (image, stream);
}

// Text is antialiased by FreeType: a few edge pixels may move a little between machines.
constexpr int channelTolerance = 48;
constexpr double allowedDifferentFraction = 0.005;
}

void expectMatchesGolden (const juce::Image& image, const juce::String& name)
{
    const auto golden = goldenFile (name);

    if (std::getenv ("VARLUNE_UPDATE_GOLDEN") != nullptr)
    {
        EXPECT_TRUE (writePng (image, golden)) << golden.getFullPathName();
        return;
    }

    const auto expected = juce::ImageFileFormat::loadFrom (golden);
    ASSERT_TRUE (expected.isValid()) << "missing golden image " << golden.getFullPathName();
    ASSERT_EQ (expected.getBounds(), image.getBounds()) << name;

    juce::Image diff (juce::Image::ARGB, image.getWidth(), image.getHeight(), true);
    int different = 0;

    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto a = image.getPixelAt (x, y);
            const auto b = expected.getPixelAt (x, y);
            const int distance = juce::jmax (std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()),
                                             std::abs (a.getBlue() - b.getBlue()), std::abs (a.getAlpha() - b.getAlpha()));
            const bool isDifferent = distance > channelTolerance;
            different += isDifferent ? 1 : 0;
            diff.setPixelAt (x, y, isDifferent ? juce::Colours::red : b.withMultipliedAlpha (0.25f));
        }
    }

    const int allowed = (int) (allowedDifferentFraction * image.getWidth() * image.getHeight());

    if (different > allowed)
    {
        const juce::File diffDir (VARLUNE_GOLDEN_DIFF_DIR);
        writePng (image, diffDir.getChildFile (name + ".actual.png"));
        writePng (diff, diffDir.getChildFile (name + ".diff.png"));
        ADD_FAILURE() << name << ": " << different << " pixels differ (at most " << allowed
                      << " may); actual and diff images in " << diffDir.getFullPathName();
    }
}
}
