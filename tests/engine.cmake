varlune_add_test(engine_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ParameterTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ProcessorTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/DspUnitTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/RingPagesTest.cpp
  LIBS varlune_engine)

varlune_add_test(engine_concurrency_tests CONCURRENCY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine/ParameterConcurrencyTest.cpp
  LIBS varlune_engine)
