# The editor's panels on the message thread against learned MIDI controllers on the audio thread.
varlune_add_test(editor_concurrency_tests CONCURRENCY
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorTestSupport.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/PanelConcurrencyTest.cpp
  LIBS varlune_engine)
target_compile_definitions(editor_concurrency_tests PRIVATE
  VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden"
  VARLUNE_GOLDEN_DIFF_DIR="${CMAKE_CURRENT_BINARY_DIR}/editor-golden-diffs")
