# The editor's look, controls and panels, headless: the framework runs with no display at all.
# Golden images live in editor/golden; a mismatch leaves the actual image and a diff in the build.
varlune_add_test(editor_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/DelayPanelTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorTestSupport.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/KivLookTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/LfoPanelTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/MixerPanelTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/DisplayAndLogoTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/OutComponentTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/BackgroundTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/EditorWindowTest.cpp
  LIBS varlune_engine)
target_compile_definitions(editor_tests PRIVATE
  VARLUNE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/editor/golden"
  VARLUNE_GOLDEN_DIFF_DIR="${CMAKE_CURRENT_BINARY_DIR}/editor-golden-diffs"
  VARLUNE_LOGO_PNG="${PROJECT_SOURCE_DIR}/editor/varlune_logo.png")

varlune_add_test(wordmark_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor/WordmarkTest.cpp
  LIBS varlune_wordmark_drawing)
target_compile_definitions(wordmark_tests PRIVATE VARLUNE_LOGO_PNG="${PROJECT_SOURCE_DIR}/editor/varlune_logo.png")
