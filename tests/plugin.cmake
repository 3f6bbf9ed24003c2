# Tests that drive the built plug-in library through its binary interface, as a host does.
varlune_add_test(plugin_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/PluginBinaryTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/PluginWindowTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/WavFileTest.cpp
  LIBS varlune_vsthost)
target_compile_definitions(plugin_tests PRIVATE VARLUNE_PLUGIN_PATH="$<TARGET_FILE:Varlune>")
add_dependencies(plugin_tests Varlune)

# The bridge's window handling, with an editor of its own; the window test needs an X display.
varlune_add_test(bridge_editor_tests DISPLAY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/plugin/BridgeEditorTest.cpp
  LIBS varlune_bridge X11)

# The plug-in's own window in a host: on a virtual X display, with audio running beside it.
varlune_add_test(editor_in_host_tests CONCURRENCY DISPLAY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/plugin/EditorInHostTest.cpp
  LIBS varlune_bridge X11)
