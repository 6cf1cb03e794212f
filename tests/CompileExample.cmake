# The sample the README opens is a valid game: Debian's Inform 6 compiler (packages
# inform6-compiler and inform6-library) builds it into a temporary folder without an
# error. Run with -DSOURCE=examples/lantern.inf -DOUT=<folder> -P CompileExample.cmake.
find_program(INFORM6 inform6)
if(NOT INFORM6)
  message(FATAL_ERROR "inform6 is needed (packages inform6-compiler, inform6-library); bash setup.sh installs them")
endif()
get_filename_component(name "${SOURCE}" NAME_WE)
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${INFORM6}" "${SOURCE}" "${OUT}/${name}.z5"
                WORKING_DIRECTORY "${OUT}"
                RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
message(STATUS "inform6 (status ${status}):\n${said}")
if(NOT status EQUAL 0 OR said MATCHES "Error" OR NOT EXISTS "${OUT}/${name}.z5")
  message(FATAL_ERROR "inform6 does not compile ${SOURCE}")
endif()
file(REMOVE_RECURSE "${OUT}")
message(STATUS "${SOURCE} compiles")
