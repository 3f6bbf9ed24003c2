#include "ParameterPanel.h"

#include "KivLook.h"

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
    box.setSelectedItemIndex (ControlValue::sourceItemIndex (processor->getParameter (parameterIndex)),
                              juce::dontSendNotification);
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
