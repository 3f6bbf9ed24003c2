# The editor's bar actions: PANIC and its hand-over to the audio thread, the menu, MIDI learn,
# presets from the window, preset stepping and RND.
varlune_add_test(background_actions_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/BackgroundActionsTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/BarButtonsTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorTestSupport.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/PanicTest.cpp
  LIBS varlune_engine)
target_include_directories(background_actions_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
target_compile_definitions(background_actions_tests PRIVATE
  VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden"
  VARLUNE_GOLDEN_DIFF_DIR="${CMAKE_CURRENT_BINARY_DIR}/editor-golden-diffs")

# The popup menu needs a display: it runs on a virtual one.
varlune_add_test(background_menu_window_tests DISPLAY
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/BarMenuWindowTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorTestSupport.cpp
  LIBS varlune_engine X11)
target_compile_definitions(background_menu_window_tests PRIVATE
  VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden"
  VARLUNE_GOLDEN_DIFF_DIR="${CMAKE_CURRENT_BINARY_DIR}/editor-golden-diffs")

varlune_add_test(background_actions_concurrency_tests CONCURRENCY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor/PanicConcurrencyTest.cpp
  LIBS varlune_engine)
target_include_directories(background_actions_concurrency_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
