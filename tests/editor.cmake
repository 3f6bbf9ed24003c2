varlune_add_test(editor_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/DisplayAndLogoTest.cpp
  LIBS varlune_editor)
target_compile_definitions(editor_tests PRIVATE VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden")
