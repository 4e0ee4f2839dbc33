# Runs the artwork generator into a fresh folder and compares each picture byte for byte
# with the committed one. Called by the test artwork_is_reproducible with
# GENERATOR, OUTPUT and REFERENCE set.

file(REMOVE_RECURSE "${OUTPUT}")
file(MAKE_DIRECTORY "${OUTPUT}")
execute_process(COMMAND "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE generated)
if(NOT generated EQUAL 0)
    message(FATAL_ERROR "artwork_generator failed: ${generated}")
endif()

set(differing "")
foreach(picture setup.ico hand.cur logo.bmp side.bmp)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
        "${OUTPUT}/${picture}" "${REFERENCE}/${picture}" RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
        list(APPEND differing ${picture})
    endif()
endforeach()
if(differing)
    message(FATAL_ERROR "generated pictures differ from resources/: ${differing}")
endif()
