#include "ParameterPanel.h"

#include "KivLook.h"

namespace
{
const juce::Identifier shownByRefresh ("shownByRefresh");

// Its message follows the menu's at once, ahead of the next refresh: a box is passed over once,
// and taken as showing its item from then on.
bool passesOverChoiceOnItsWay (juce::ComboBox& box, const juce::var& shown, const juce::var& toShow)
{
    auto& properties = box.getProperties();
    const auto* shownLast = properties.getVarPointer (shownByRefresh);

    if (shownLast == nullptr || shown == *shownLast || shown == toShow)
        return false;

    properties.set (shownByRefresh, shown);
    return true;
}
} // namespace

void BoxRefresh::showItem (juce::ComboBox& box, int itemIndex)
{
    if (passesOverChoiceOnItsWay (box, box.getSelectedItemIndex(), itemIndex))
        return;

    box.setSelectedItemIndex (itemIndex, juce::dontSendNotification);
    box.getProperties().set (shownByRefresh, itemIndex);
}

void BoxRefresh::showText (juce::ComboBox& box, const juce::String& text)
{
    if (passesOverChoiceOnItsWay (box, box.getText(), text))
        return;

    box.setText (text, juce::dontSendNotification);
    box.getProperties().set (shownByRefresh, text);
}

void BoxRefresh::forgetShown (juce::ComboBox& box)
{
    box.getProperties().remove (shownByRefresh);
}

void ParameterPanel::sendUserChange (int parameterIndex, float value)
{
    auto& engine = *processor;

    engine.beginParameterChangeGesture (parameterIndex);
    engine.setParameterNotifyingHost (parameterIndex, value);
    engine.endParameterChangeGesture (parameterIndex);

    engine.setLastMovedParameter (parameterIndex, value);
    engine.updateLastMovedDisplay();

    auto& parameter = *engine.getParameterRecord (parameterIndex);

    if (engine.midiLearnActive.load (std::memory_order_relaxed))
        parameter.setLearnArmed (true);

    if (engine.midiUnlearnActive.load (std::memory_order_relaxed))
        parameter.setMidiCC (-1);
}

int ParameterPanel::chooseBySync (int syncIndex, int freeIndex, int syncedIndex) const
{
    return ControlValue::isOn (processor->getParameter (syncIndex)) ? syncedIndex : freeIndex;
}

void ParameterPanel::showKnob (juce::Slider& knob, int parameterIndex) const
{
    knob.setValue ((double) processor->getParameter (parameterIndex), juce::dontSendNotification);
}

void ParameterPanel::showSourceBox (juce::ComboBox& box, int parameterIndex) const
{
    BoxRefresh::showItem (box, ControlValue::sourceItemIndex (processor->getParameter (parameterIndex)));
}

void ParameterPanel::showToggle (juce::Button& button, int parameterIndex) const
{
    button.setToggleState (ControlValue::isOn (processor->getParameter (parameterIndex)),
                           juce::dontSendNotification);
}

void ParameterPanel::showValueText (juce::Label& label, int parameterIndex) const
{
    label.setText (processor->getParameterText (parameterIndex), juce::dontSendNotification);
}

void ParameterPanel::setDoubleClickDefault (juce::Slider& knob, int parameterIndex) const
{
    setDoubleClickValue (knob, (double) defaultOf (parameterIndex));
}

void ParameterPanel::setDoubleClickValue (juce::Slider& knob, double value)
{
    knob.setDoubleClickReturnValue (true, value);
}

float ParameterPanel::defaultOf (int parameterIndex) const
{
    return processor->getParameterRecord (parameterIndex)->defaultNormalised;
}

void ParameterPanel::place (juce::Component& child, float x, float y, float width, float height)
{
    child.setBounds (proportionOfWidth (x), proportionOfHeight (y),
                     proportionOfWidth (width), proportionOfHeight (height));
}

void UnitPanel::paint (juce::Graphics& g)
{
    g.fillAll (EditorColours::panelFill);
}
