varlune_add_test(editor_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/DisplayAndLogoTest.cpp
  LIBS varlune_editor)
target_compile_definitions(editor_tests PRIVATE VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden")

varlune_add_test(wordmark_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor/WordmarkTest.cpp
  LIBS varlune_wordmark_drawing)
target_compile_definitions(wordmark_tests PRIVATE VARLUNE_LOGO_PNG="${PROJECT_SOURCE_DIR}/editor/varlune_logo.png")
