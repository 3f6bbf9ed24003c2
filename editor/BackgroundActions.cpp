// The bar's actions: PANIC, the menu, MIDI learn, presets, randomise.
#include "BackgroundActions.h"
#include "BackgroundComponent.h"

namespace
{
enum MenuItem { resetAudioRoutingItem = 1, resetModDepthsItem, revertToDefaultsItem, resetUiSizeItem };

enum class Draw { none, uniform, boolean, wave };

// What RND draws for a parameter, by its family and its place in the unit.
Draw drawFor (int index)
{
    using namespace ParameterIndex;

    if (index < lfoBase (1))
    {
        switch (index % 10)
        {
            case delayTime: case delayTimeSynced: case delayFeedback: case delayTimeModDepth:
                return Draw::uniform;
            case delaySync:
                return Draw::boolean;
            default:
                return Draw::none;
        }
    }

    if (index < mixerBase (1))
    {
        switch ((index - lfoBase (1)) % 7)
        {
            case lfoWave:
                return Draw::wave;
            case lfoRate: case lfoSyncedRate: case lfoRateModDepth:
                return Draw::uniform;
            case lfoSync: case lfoRateTimes100:
                return Draw::boolean;
            default:
                return Draw::none;
        }
    }

    if (index < outInputSource)
    {
        const int offset = (index - mixerBase (1)) % 6;
        return offset == mixerControl || offset == mixerControlModDepth ? Draw::uniform : Draw::none;
    }

    return Draw::none;
}
} // namespace

namespace BackgroundActions
{
int previousPresetIndex (int current, int presetCount) noexcept
{
    return current > 0 ? current - 1 : presetCount - 1;
}

int nextPresetIndex (int current, int presetCount) noexcept
{
    return current < presetCount - 1 ? current + 1 : 0;
}

void randomiseParameters (VarluneAudioProcessor& processor, juce::Random& random)
{
    for (int index = 0; index < ParameterIndex::numParameters; ++index)
    {
        float value;

        switch (drawFor (index))
        {
            case Draw::uniform:
                value = random.nextFloat();
                break;
            case Draw::boolean:
                value = random.nextBool() ? 1.0f : 0.0f;
                break;
            case Draw::wave:
                value = random.nextFloat();
                if (value > 0.8f && random.nextBool())
                    value = 1.0f;
                break;
            case Draw::none:
            default:
                continue;
        }

        processor.setParameterNotifyingHost (index, value);
    }
}

void forgetLearnedControllers (VarluneAudioProcessor& processor)
{
    for (auto* parameter : processor.parameters)
        parameter->setMidiCC (-1);
}
} // namespace BackgroundActions

//==============================================================================
void BackgroundComponent::buttonClicked (juce::Button* b)
{
    if (processor == nullptr)
        return;

    auto& p = *processor;

    if (b == panicButton.get())
        p.panic();
    else if (b == menuButton.get())
        showMenu();
    else if (b == learnButton.get())
        p.midiLearnActive.store (learnButton->getToggleState());
    else if (b == unlearnButton.get())
        p.midiUnlearnActive.store (unlearnButton->getToggleState());
    else if (b == clearButton.get())
        BackgroundActions::forgetLearnedControllers (p);
    else if (b == saveButton.get())
        chooseFileToSave();
    else if (b == loadButton.get())
        chooseFileToLoad();
    else if (b == randomButton.get())
        BackgroundActions::randomiseParameters (p, random);
    else if (b == prevButton.get())
        p.triggerProgramChange (BackgroundActions::previousPresetIndex (p.programChangeIndex.load(),
                                                                        p.presetManager.getNumPresets()));
    else if (b == nextButton.get())
        p.triggerProgramChange (BackgroundActions::nextPresetIndex (p.programChangeIndex.load(),
                                                                    p.presetManager.getNumPresets()));
}

void BackgroundComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (box != presetBox.get() || processor == nullptr)
        return;

    processor->triggerProgramChange (presetBox->getSelectedId() - 1);
    processor->setCurrentPresetName (presetBox->getText());
}

juce::PopupMenu BackgroundComponent::createMenu()
{
    juce::PopupMenu menu;
    menu.setLookAndFeel (&menuLook);
    menu.addItem (resetAudioRoutingItem, "Reset audio routing");
    menu.addItem (resetModDepthsItem, "Reset mod depths");
    menu.addItem (revertToDefaultsItem, "Revert to default settings");
    menu.addSeparator();
    menu.addItem (resetUiSizeItem, "Reset UI Size");
    return menu;
}

void BackgroundComponent::showMenu()
{
    createMenu().showMenuAsync (juce::PopupMenu::Options(),
                                [panel = SafePointer<BackgroundComponent> (this)] (int itemId)
                                {
                                    if (panel != nullptr)
                                        panel->menuItemChosen (itemId);
                                });

    // The framework leaves the menu it has just opened as the foremost modal component.
    openMenu = juce::Component::getCurrentlyModalComponent();
}

void BackgroundComponent::closeMenu()
{
    // Only this window's menu: other instances in the host keep theirs. It draws with menuLook,
    // which goes with this panel, and its answer (0) arrives when the panel is gone.
    if (openMenu == nullptr || ! openMenu->isCurrentlyModal (false))
        return;

    openMenu->setLookAndFeel (nullptr);
    openMenu->exitModalState (0);
    openMenu->setVisible (false);
}

void BackgroundComponent::menuItemChosen (int itemId)
{
    if (processor == nullptr)
        return;

    switch (itemId)
    {
        case resetAudioRoutingItem:
            processor->resetAudioRouting();
            break;
        case resetModDepthsItem:
            processor->resetModDepths();
            break;
        case revertToDefaultsItem:
            processor->revertToDefaultSettings();
            break;
        case resetUiSizeItem:
            processor->lastUISize = VarluneAudioProcessor::defaultUISize;
            processor->uiSizeResetRequested = true;
            break;
        default:
            break;
    }
}

void BackgroundComponent::chooseFileToLoad()
{
    // A second click while the dialog is open replaces it.
    loadChooser = std::make_unique<juce::FileChooser> ("Load Preset",
                                                       juce::File::getSpecialLocation (juce::File::userHomeDirectory),
                                                       "*." + processor->presetManager.getFileExtension(), true);
    loadChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                              [panel = SafePointer<BackgroundComponent> (this)] (const juce::FileChooser& chooser)
                              {
                                  if (panel != nullptr)
                                      panel->presetFileChosen (chooser.getResult());
                              });
}

void BackgroundComponent::chooseFileToSave()
{
    // A second click while the dialog is open replaces it.
    auto& presets = processor->presetManager;
    const juce::File start (presets.getFullPathForFileSave (processor->getCurrentPresetName()));
    saveChooser = std::make_unique<juce::FileChooser> ("Save Preset", start, "*." + presets.getFileExtension(), true);
    saveChooser->launchAsync (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                                | juce::FileBrowserComponent::warnAboutOverwriting,
                              [panel = SafePointer<BackgroundComponent> (this)] (const juce::FileChooser& chooser)
                              {
                                  if (panel != nullptr)
                                      panel->processor->saveDialogClosed (chooser.getResult());
                              });
}

void BackgroundComponent::presetFileChosen (const juce::File& file)
{
    if (processor != nullptr && file != juce::File())
        processor->loadPresetFromFile (file.getFullPathName());
}
