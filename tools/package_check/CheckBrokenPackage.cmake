# Runs PackageCheck on a copy of the example package without its FDDInf line: the check must
# fail with exit status 1 and name the missing key, which Setup.exe itself never shows.
file(REMOVE_RECURSE "${WORK_DIR}")
file(COPY "${PACKAGE_DIR}/" DESTINATION "${WORK_DIR}")
file(READ "${WORK_DIR}/EXDISK.IN_" description)
string(REGEX REPLACE "FDDInf=[^\r\n]*\r?\n" "" description "${description}")
file(WRITE "${WORK_DIR}/EXDISK.IN_" "${description}")
execute_process(COMMAND "${CHECK}" "${WORK_DIR}" RESULT_VARIABLE status OUTPUT_VARIABLE output)
if(NOT status EQUAL 1 OR NOT output MATCHES "unusable: \\[Setup\\] has no FDDInf line")
    message(FATAL_ERROR "expected exit 1 and the FDDInf reason, got ${status}:\n${output}")
endif()
