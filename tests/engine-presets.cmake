# Presets, host state and the preferences file: file and blob formats, readers, the preset list,
# the deferred preset load, and the hand-overs between threads.
varlune_add_test(engine_settings_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/PresetFileTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/HostStateTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/PresetManagerTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/PresetLoadTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/PreferencesTest.cpp
  LIBS varlune_engine)
target_compile_definitions(engine_settings_tests PRIVATE
  VARLUNE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/engine/data")

varlune_add_test(engine_settings_concurrency_tests CONCURRENCY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine/SettingsConcurrencyTest.cpp
  LIBS varlune_engine)
