# The editor's bar actions: PANIC and its hand-over to the audio thread, the menu's resets, preset
# stepping, RND and Clear.
varlune_add_test(background_actions_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/BackgroundActionsTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor/PanicTest.cpp
  LIBS varlune_engine)
target_include_directories(background_actions_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)

varlune_add_test(background_actions_concurrency_tests CONCURRENCY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor/PanicConcurrencyTest.cpp
  LIBS varlune_engine)
target_include_directories(background_actions_concurrency_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
