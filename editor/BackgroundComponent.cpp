#include "BackgroundComponent.h"

#include "VarluneAudioProcessor.h"

template <typename ComponentType, typename... Args>
ComponentType& BackgroundComponent::create (std::unique_ptr<ComponentType>& owner, Args&&... args)
{
    owner = std::make_unique<ComponentType> (std::forward<Args> (args)...);
    addAndMakeVisible (*owner);
    return *owner;
}

juce::TextButton& BackgroundComponent::createButton (std::unique_ptr<juce::TextButton>& owner,
                                                     const juce::String& name, const juce::String& text)
{
    auto& button = create (owner, name, juce::String());
    button.setButtonText (text);
    button.addListener (this);
    button.setColour (juce::TextButton::buttonColourId, juce::Colours::white);
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colours::white);
    button.setColour (juce::TextButton::textColourOnId, EditorColours::green);
    button.setColour (juce::TextButton::textColourOffId, juce::Colours::white);
    return button;
}

BackgroundComponent::BackgroundComponent()
{
    create (delay1, 1);
    create (delay2, 2);
    create (delay3, 3);
    create (delay4, 4);
    create (mixer1, 1);
    create (mixer2, 2);
    create (mixer3, 3);
    create (mixer4, 4);
    create (lfo1, 1);
    create (lfo2, 2);
    create (lfo3, 3);
    create (lfo4, 4);
    create (outStrip);
    create (paramDisplay);
    createButton (panicButton, "panic button", "PANIC");
    createButton (menuButton, "menu button", "MENU");
    createButton (learnButton, "learn button", "Learn");
    createButton (unlearnButton, "unlearn button", "Unlearn");
    createButton (clearButton, "clear button", "Clear");
    createButton (saveButton, "save button", "S");
    createButton (loadButton, "load button", "L");

    auto& box = create (presetBox, "preset box");
    box.setEditableText (false);
    box.setJustificationType (juce::Justification::centred);
    box.setTextWhenNothingSelected ("Init");
    box.setTextWhenNoChoicesAvailable ("(no choices)");
    box.addListener (this);

    create (logoMark);
    createButton (randomButton, {}, "RND");
    createButton (prevButton, {}, "<");
    createButton (nextButton, {}, ">");

    logoImage = juce::ImageCache::getFromMemory (varlune_logo_png, varlune_logo_pngSize);
    setSize (1000, 700);

    // MENU opens its menu on every click; every other bar button toggles.
    for (auto* button : { panicButton.get(), randomButton.get(), prevButton.get(), nextButton.get(),
                          learnButton.get(), unlearnButton.get(), clearButton.get(), saveButton.get(),
                          loadButton.get() })
        button->setClickingTogglesState (true);

    box.setColour (juce::ComboBox::textColourId, juce::Colours::white);
    box.setColour (juce::ComboBox::outlineColourId, juce::Colours::white);
    refillPresetBox = true;
}

BackgroundComponent::~BackgroundComponent()
{
    closeMenu();
}

void BackgroundComponent::setProcessor (VarluneAudioProcessor& processorToUse)
{
    processor = &processorToUse;

    for (auto* panel : { delay1.get(), delay2.get(), delay3.get(), delay4.get() })
        panel->processor = processor;
    for (auto* panel : { mixer1.get(), mixer2.get(), mixer3.get(), mixer4.get() })
        panel->processor = processor;
    for (auto* panel : { lfo1.get(), lfo2.get(), lfo3.get(), lfo4.get() })
        panel->processor = processor;
    outStrip->processor = processor;
    paramDisplay->processor = processor;

    // The modes outlive a window: a new one shows them as they stand, so that the next click on
    // a lit button turns its mode off.
    learnButton->setToggleState (processor->midiLearnActive.load(), juce::dontSendNotification);
    unlearnButton->setToggleState (processor->midiUnlearnActive.load(), juce::dontSendNotification);
}

void BackgroundComponent::place (juce::Component& child, float x, float y, float width, float height)
{
    child.setBounds (proportionOfWidth (x), proportionOfHeight (y), proportionOfWidth (width),
                     proportionOfHeight (height));
}

void BackgroundComponent::resized()
{
    const float columns[] = { 0.02f, 0.265f, 0.51f, 0.755f };

    int column = 0;
    for (auto* panel : { delay1.get(), delay2.get(), delay3.get(), delay4.get() })
        place (*panel, columns[column++], 0.08f, 0.225f, 0.30f);
    column = 0;
    for (auto* panel : { mixer1.get(), mixer2.get(), mixer3.get(), mixer4.get() })
        place (*panel, columns[column++], 0.40f, 0.225f, 0.25f);
    column = 0;
    for (auto* panel : { lfo1.get(), lfo2.get(), lfo3.get(), lfo4.get() })
        place (*panel, columns[column++], 0.67f, 0.225f, 0.25f);

    place (*outStrip, 0.51f, 0.95f, 0.47f, 0.05f);
    place (*paramDisplay, 0.02f, 0.95f, 0.225f, 0.05f);
    place (*panicButton, 0.84f, 0.01f, 0.06f, 0.03f);
    place (*menuButton, 0.92f, 0.01f, 0.06f, 0.03f);
    place (*learnButton, 0.27f, 0.96f, 0.06f, 0.03f);
    place (*unlearnButton, 0.345f, 0.96f, 0.06f, 0.03f);
    place (*clearButton, 0.42f, 0.96f, 0.06f, 0.03f);
    place (*saveButton, 0.66f, 0.01f, 0.03f, 0.03f);
    place (*loadButton, 0.70f, 0.01f, 0.03f, 0.03f);
    place (*presetBox, 0.41f, 0.01f, 0.18f, 0.03f);
    place (*logoMark, 0.02f, 0.0f, 0.04f, 0.05f);
    place (*randomButton, 0.76f, 0.01f, 0.06f, 0.03f);
    place (*prevButton, 0.36f, 0.01f, 0.04f, 0.03f);
    place (*nextButton, 0.60f, 0.01f, 0.04f, 0.03f);

    const float left = (float) proportionOfWidth (0.0f), right = (float) proportionOfWidth (1.0f);
    const float top = (float) proportionOfHeight (0.0f), bottom = (float) proportionOfHeight (1.0f);

    darkTriangle.clear();
    darkTriangle.startNewSubPath (right, top);
    darkTriangle.lineTo (right, bottom);
    darkTriangle.lineTo (left, bottom);
    darkTriangle.closeSubPath();

    fadeTriangle.clear();
    fadeTriangle.startNewSubPath (left, top);
    fadeTriangle.lineTo (right, bottom);
    fadeTriangle.lineTo (left, bottom);
    fadeTriangle.closeSubPath();
}

void BackgroundComponent::paint (juce::Graphics& g)
{
    g.fillAll (EditorColours::backgroundGrey);

    g.setColour (EditorColours::triangleGrey);
    g.fillPath (darkTriangle);

    g.setGradientFill (juce::ColourGradient (EditorColours::backgroundGrey,
                                             (float) proportionOfWidth (0.0f), (float) proportionOfHeight (0.05f),
                                             EditorColours::backgroundGrey.withAlpha ((juce::uint8) 0),
                                             (float) proportionOfWidth (1.0f), (float) proportionOfHeight (0.95f),
                                             false));
    g.fillPath (fadeTriangle);

    g.setColour (EditorColours::green);
    g.fillRect (proportionOfWidth (0.0f), proportionOfHeight (0.0f), proportionOfWidth (1.0f), proportionOfHeight (0.05f));
    g.fillRect (proportionOfWidth (0.0f), proportionOfHeight (0.95f), proportionOfWidth (1.0f), proportionOfHeight (0.05f));

    // Centred, shrunk only when the area is smaller than the image; its own colours.
    g.setColour (juce::Colours::black);
    g.drawImageWithin (logoImage, proportionOfWidth (0.02f), proportionOfHeight (0.0f),
                       proportionOfWidth (0.225f), proportionOfHeight (0.05f),
                       juce::RectanglePlacement (juce::RectanglePlacement::centred
                                                 | juce::RectanglePlacement::onlyReduceInSize),
                       false);
}

void BackgroundComponent::updateFromPlugin()
{
    // The momentary buttons stay lit until the refresh after their click.
    for (auto* button : { panicButton.get(), randomButton.get(), prevButton.get(), nextButton.get(),
                          clearButton.get(), saveButton.get(), loadButton.get() })
        button->setToggleState (false, juce::dontSendNotification);

    // Refilled silently: a notification would make the box's handler ask for its selection again
    // (reloading the preset over the user's edits) or for index -1.
    if (processor->presetListChanged.exchange (false) || refillPresetBox)
    {
        presetBox->clear (juce::dontSendNotification);
        BoxRefresh::forgetShown (*presetBox);
        const auto& names = processor->presetNames;
        for (int i = 0; i < names.size(); ++i)
            presetBox->addItem (names[i], i + 1);
        refillPresetBox = false;
    }

    processor->loadPendingPreset();
    BoxRefresh::showText (*presetBox, processor->getCurrentPresetName());

    for (auto* panel : { delay1.get(), delay2.get(), delay3.get(), delay4.get() })
        panel->updateFromPlugin();
    for (auto* panel : { mixer1.get(), mixer2.get(), mixer3.get(), mixer4.get() })
        panel->updateFromPlugin();
    for (auto* panel : { lfo1.get(), lfo2.get(), lfo3.get(), lfo4.get() })
        panel->updateFromPlugin();
    outStrip->updateFromPlugin();
    paramDisplay->updateFromPlugin();
}
