#pragma once

#include "DelayComponent.h"
#include "KivLook.h"
#include "LfoComponent.h"
#include "LogoComponent.h"
#include "MixerComponent.h"
#include "OutComponent.h"
#include "ParamDisplayComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class VarluneAudioProcessor;

/** The editor's main panel: fills the window, paints the backdrop and the wordmark, and lays out
    the twelve unit panels, the output strip, the parameter display, the logo mark, the bar's ten
    buttons and the preset box, all by proportions of its own size. */
class BackgroundComponent : public juce::Component,
                            public juce::Button::Listener,
                            public juce::ComboBox::Listener
{
public:
    BackgroundComponent();
    ~BackgroundComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    void comboBoxChanged (juce::ComboBox*) override;

    /** Hands the processor to this panel and to every panel it owns, and shows the processor's
        MIDI learn and unlearn modes on their buttons. */
    void setProcessor (VarluneAudioProcessor& processorToUse);

    /** The timer's refresh: resets the momentary buttons, fills the preset box when the list
        changed, carries out a pending preset load, then refreshes every panel. Message thread. */
    void updateFromPlugin();

    /** MENU's popup menu, drawn with the panel's own look-and-feel. */
    juce::PopupMenu createMenu();

    /** Carries out the menu item with this id; 0 (dismissed) does nothing. */
    void menuItemChosen (int itemId);

    /** L's dialog closed: a chosen file is loaded by the next refresh; none (cancelled) does
        nothing. */
    void presetFileChosen (const juce::File& file);

    /** The wordmark, a 225 x 35 RGBA PNG. */
    static const char* const varlune_logo_png;
    static const int varlune_logo_pngSize;

    /** Not owned; null until the editor sets it. */
    VarluneAudioProcessor* processor = nullptr;

private:
    juce::Random random;
    bool refillPresetBox = false;
    KivLook menuLook;

    std::unique_ptr<DelayComponent> delay1, delay2, delay3, delay4;
    std::unique_ptr<MixerComponent> mixer1, mixer2, mixer3, mixer4;
    std::unique_ptr<LfoComponent> lfo1, lfo2, lfo3, lfo4;
    std::unique_ptr<OutComponent> outStrip;
    std::unique_ptr<ParamDisplayComponent> paramDisplay;
    std::unique_ptr<juce::TextButton> panicButton;
    std::unique_ptr<juce::TextButton> menuButton;
    std::unique_ptr<juce::TextButton> learnButton;
    std::unique_ptr<juce::TextButton> unlearnButton;
    std::unique_ptr<juce::TextButton> clearButton;
    std::unique_ptr<juce::TextButton> saveButton;
    std::unique_ptr<juce::TextButton> loadButton;
    std::unique_ptr<juce::ComboBox> presetBox;
    std::unique_ptr<LogoComponent> logoMark;
    std::unique_ptr<juce::TextButton> randomButton;
    std::unique_ptr<juce::TextButton> prevButton;
    std::unique_ptr<juce::TextButton> nextButton;

    // What this window has open: L's and S's dialogs and MENU's menu. They close with it, and
    // their answers go nowhere once it is gone.
    std::unique_ptr<juce::FileChooser> loadChooser;
    std::unique_ptr<juce::FileChooser> saveChooser;
    SafePointer<juce::Component> openMenu;

    void showMenu();
    void closeMenu();
    void chooseFileToLoad();
    void chooseFileToSave();

    juce::Path darkTriangle;
    juce::Path fadeTriangle;
    juce::Image logoImage;

    template <typename ComponentType, typename... Args>
    ComponentType& create (std::unique_ptr<ComponentType>& owner, Args&&... args);
    juce::TextButton& createButton (std::unique_ptr<juce::TextButton>& owner, const juce::String& name,
                                    const juce::String& text);
    void place (juce::Component& child, float x, float y, float width, float height);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BackgroundComponent)
};
