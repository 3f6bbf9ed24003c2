# Block processing and the signal graph: the processor against its reference model, known answers,
# behaviour, allocation counting and the MIDI hand-overs.
varlune_add_test(engine_graph_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/ReferenceModel.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/engine/SignalGraphDifferentialTest.cpp
  LIBS varlune_engine)
