#pragma once

#include "VarluneAudioProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <utility>

/** Conversions between control positions and normalised parameter values. */
namespace ControlValue
{
    /** A knob carries the normalised value itself, in steps of 0.001. */
    inline float fromKnob (const juce::Slider& knob)        { return (float) knob.getValue(); }

    /** The wave knob carries a wave number 0 to 5. */
    inline float fromWaveKnob (const juce::Slider& knob)    { return (float) knob.getValue() / 5.0f; }
    inline double waveKnobPosition (float normalised)       { return (double) (int) (normalised * 5.0f + 0.5f); }

    /** Item index i of a source box stands for SignalSource i. */
    inline float fromSourceBox (const juce::ComboBox& box)  { return (float) box.getSelectedItemIndex() / 13.0f; }
    inline int sourceItemIndex (float normalised)           { return (int) (normalised * 13.0f + 0.5f); }

    /** Item index m of a mode box stands for MixerMode m. */
    inline float fromModeBox (const juce::ComboBox& box)    { return (float) box.getSelectedItemIndex() * 0.25f; }
    inline int modeItemIndex (float normalised)             { return (int) (normalised * 4.0f + 0.5f); }

    inline float fromToggle (const juce::Button& button)    { return button.getToggleState() ? 1.0f : 0.0f; }

    /** A switch parameter counts as on unless it is exactly 0 (a NaN counts as on). */
    inline bool isOn (float normalised)                     { return normalised != 0.0f; }
}

/** The refresh of a box from the processor, without notification. A choice made in a box's menu
    reaches the box's listeners only through a message that follows the menu's; a refresh in
    between would put the old item back, and the listeners would then send that instead. So the
    refresh remembers what it showed last, and passes over a box that shows neither that nor what
    it would show now: the user's choice, on its way. */
namespace BoxRefresh
{
    void showItem (juce::ComboBox& box, int itemIndex);
    void showText (juce::ComboBox& box, const juce::String& text);

    /** After the box's items were replaced, when what it showed is gone. */
    void forgetShown (juce::ComboBox& box);
}

/** The base of every editing panel: the processor its controls drive, the user-change and refresh
    halves of the protocol between a control and its parameter, and how children are owned and
    placed. */
class ParameterPanel : public juce::Component
{
public:
    /** Not owned. The editor sets it before the first refresh and before the user can touch a
        control; the panel's constructor does not use it. */
    VarluneAudioProcessor* processor = nullptr;

protected:
    ParameterPanel() = default;

    /** The user moved the control of parameterIndex to value: one whole change gesture, the
        parameter recorded as the last moved, then MIDI learn arming and unlearning. */
    void sendUserChange (int parameterIndex, float value);

    /** Parameter synced when the switch parameter syncIndex is on, else parameter freeIndex. */
    int chooseBySync (int syncIndex, int freeIndex, int syncedIndex) const;

    // The refresh half: set a control from its parameter, notifying nobody.
    void showKnob (juce::Slider& knob, int parameterIndex) const;
    void showSourceBox (juce::ComboBox& box, int parameterIndex) const;
    void showToggle (juce::Button& button, int parameterIndex) const;
    void showValueText (juce::Label& label, int parameterIndex) const;

    /** A double-click, or an alt-click, on the knob returns it to the parameter's default, as a
        user change. */
    void setDoubleClickDefault (juce::Slider& knob, int parameterIndex) const;
    static void setDoubleClickValue (juce::Slider& knob, double value);
    float defaultOf (int parameterIndex) const;

    /** Takes ownership of a new child and shows it above the children added before. */
    template <typename ComponentType>
    ComponentType& adopt (std::unique_ptr<ComponentType>& owner, std::unique_ptr<ComponentType> child)
    {
        owner = std::move (child);
        addAndMakeVisible (*owner);
        return *owner;
    }

    /** Bounds as proportions of the panel's size, each rounded to whole pixels on its own. */
    void place (juce::Component& child, float x, float y, float width, float height);

    /** True the first time it is asked, at the first refresh: the knobs' double-click values are
        set once. */
    bool takeFirstRefresh() noexcept { return std::exchange (firstRefresh, false); }

private:
    bool firstRefresh = true;

    JUCE_DECLARE_NON_COPYABLE (ParameterPanel)
};

/** A panel of one of the four delay, LFO or mixer units; any other index leaves it inert. */
class UnitPanel : public ParameterPanel
{
public:
    /** Translucent white, through which the background shows. */
    void paint (juce::Graphics&) override;

protected:
    UnitPanel (int unitIndex, int firstParameterOfUnit)
        : index (unitIndex), firstParameter (firstParameterOfUnit) {}

    bool hasUnit() const noexcept { return index >= 1 && index <= VarluneAudioProcessor::numUnits; }

    /** The unit's parameter at this place among its own. */
    int parameter (int offset) const noexcept { return firstParameter + offset; }

    const int index;

private:
    const int firstParameter;
};
