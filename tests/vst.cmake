# The VST 2.4 effect base.
varlune_add_test(vst_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/vst/AudioEffectTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/vst/AudioEffectXTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/vst/HostCallbackTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/vst/SpeakerArrangementTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/vst/ValueTextTest.cpp
  LIBS varlune_vst)
