# Block processing and the signal graph: the processor against its reference model, known answers,
# behaviour, MIDI input, allocation counting and the MIDI hand-overs between threads.
varlune_add_test(engine_graph_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceModel.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceSignalGraph.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceParameters.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceUnits.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceDepartures.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/SignalGraphDifferentialTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/SignalGraphExtremesTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/SignalGraphTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/MemoryUseTest.cpp
  LIBS varlune_engine)

# Its own program: it replaces operator new and wraps malloc to count allocations.
varlune_add_test(engine_graph_allocation_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine/BlockAllocationTest.cpp
  LIBS varlune_engine)
target_link_options(engine_graph_allocation_tests PRIVATE
  -Wl,--wrap=malloc -Wl,--wrap=calloc -Wl,--wrap=realloc)

varlune_add_test(engine_graph_concurrency_tests CONCURRENCY
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine/MidiConcurrencyTest.cpp
  LIBS varlune_engine)
