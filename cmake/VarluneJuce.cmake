# The JUCE modules are compiled once, into one position-independent static library that every
# target links. Consumers get JUCE's include paths and definitions, not its sources.
set(VARLUNE_JUCE_MODULES
  juce::juce_core juce::juce_events juce::juce_data_structures juce::juce_graphics
  juce::juce_gui_basics juce::juce_gui_extra juce::juce_audio_basics
  juce::juce_audio_processors juce::juce_audio_formats)

set(VARLUNE_JUCE_DEFINITIONS
  JUCE_WEB_BROWSER=0 JUCE_USE_CURL=0 JUCE_DISPLAY_SPLASH_SCREEN=0
  JUCE_USE_FLAC=0 JUCE_USE_OGGVORBIS=0 JUCE_USE_MP3AUDIOFORMAT=0
  JUCE_PLUGINHOST_VST=0 JUCE_PLUGINHOST_VST3=0 JUCE_PLUGINHOST_LADSPA=0 JUCE_PLUGINHOST_LV2=0
  JUCE_MODAL_LOOPS_PERMITTED=0 JUCE_CHECK_MEMORY_LEAKS=0
  JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1)

add_library(varlune_juce STATIC)
target_link_libraries(varlune_juce PRIVATE ${VARLUNE_JUCE_MODULES})
target_compile_definitions(varlune_juce PUBLIC ${VARLUNE_JUCE_DEFINITIONS})
set_target_properties(varlune_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)

foreach(module IN LISTS VARLUNE_JUCE_MODULES)
  target_include_directories(varlune_juce SYSTEM PUBLIC
    $<TARGET_PROPERTY:${module},INTERFACE_INCLUDE_DIRECTORIES>)
  target_compile_definitions(varlune_juce PUBLIC
    $<TARGET_PROPERTY:${module},INTERFACE_COMPILE_DEFINITIONS>)
  # Only the system libraries: the modules themselves are already compiled in here.
  target_link_libraries(varlune_juce PUBLIC
    "$<FILTER:$<TARGET_PROPERTY:${module},INTERFACE_LINK_LIBRARIES>,EXCLUDE,^(juce::)?(juce_|pkgconfig_juce_gui_extra)>")
endforeach()
# Debian's JUCE decodes images with the system's libpng and libjpeg.
target_link_libraries(varlune_juce PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)

# The legacy parameter calls the plug-in is built on (setParameterNotifyingHost, change gestures)
# are deprecated in JUCE 7; silence that one warning for everything that uses JUCE, here only.
target_compile_options(varlune_juce PUBLIC -Wno-deprecated-declarations)
