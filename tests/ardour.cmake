# The plug-in in a real host: Ardour 7 run headless. Only the optimised build, whose library a
# host without sanitizers can load.
find_program(ARDOUR_LUA ardour7-lua)
if(ARDOUR_LUA AND NOT VARLUNE_SANITIZE)
  add_test(NAME Ardour.ScanProcessSaveAndReload
    COMMAND ${VARLUNE_ISOLATE} bash ${CMAKE_CURRENT_SOURCE_DIR}/ardour/run.sh
            $<TARGET_FILE:Varlune> ${CMAKE_CURRENT_SOURCE_DIR}/ardour/session.lua)
  set_tests_properties(Ardour.ScanProcessSaveAndReload PROPERTIES LABELS "ardour" TIMEOUT 600)
endif()
