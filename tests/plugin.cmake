# Tests that drive the built plug-in library through its binary interface, as a host does.
varlune_add_test(plugin_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/AudioThreadPagesTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/PluginBinaryTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/PluginWindowTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/SoundFileTest.cpp
  LIBS varlune_vsthost PkgConfig::SNDFILE)
target_compile_definitions(plugin_tests PRIVATE VARLUNE_PLUGIN_PATH="$<TARGET_FILE:Varlune>"
  VARLUNE_EDITOR_PNG_PATH="$<TARGET_FILE:varlune_editor_png>")
add_dependencies(plugin_tests Varlune varlune_editor_png)

# The bridge's window handling, with an editor of its own; the window test needs an X display.
varlune_add_test(bridge_editor_tests DISPLAY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/plugin/BridgeEditorTest.cpp
  LIBS varlune_bridge X11)

# The bridge in this process, built through its entry point.
varlune_add_test(bridge_concurrency_tests CONCURRENCY
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/BridgeConcurrencyTest.cpp
    ${PROJECT_SOURCE_DIR}/plugin/VstEntry.cpp
  LIBS varlune_bridge)

# Its own program: large allocations fail on request.
varlune_add_test(bridge_fault_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/BridgeFaultTest.cpp
    ${PROJECT_SOURCE_DIR}/plugin/VstEntry.cpp
  LIBS varlune_bridge)
target_link_options(bridge_fault_tests PRIVATE -Wl,--wrap=malloc -Wl,--wrap=calloc -Wl,--wrap=mmap)

# The plug-in's own window in a host: on a virtual X display, with audio running beside it.
varlune_add_test(editor_in_host_tests CONCURRENCY DISPLAY
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/EditorInHostTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorTestSupport.cpp
  LIBS varlune_bridge X11)
target_compile_definitions(editor_in_host_tests PRIVATE
  VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden"
  VARLUNE_GOLDEN_DIFF_DIR="${CMAKE_CURRENT_BINARY_DIR}/editor-golden-diffs")
