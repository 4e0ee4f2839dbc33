# Runs PackageCheck on a copy of the example package, changed as a case asks, and checks its exit
# status and what it printed (standard output and standard error together).
#   -DCHECK=exe -DPACKAGE_DIR=dir -DWORK_DIR=dir -DSTATUS=n -DEXPECT=regex
#   [-DARGS=a;b] [-DEDIT_REGEX=regex -DEDIT_REPLACE=text] [-DREMOVE=file] [-DDESCRIPTION_NAME=name]
#   [-DNO_FOLDER=1]
file(REMOVE_RECURSE "${WORK_DIR}")
file(COPY "${PACKAGE_DIR}/" DESTINATION "${WORK_DIR}")
if(DEFINED EDIT_REGEX)
    file(READ "${WORK_DIR}/EXDISK.IN_" description)
    string(REGEX REPLACE "${EDIT_REGEX}" "${EDIT_REPLACE}" description "${description}")
    file(WRITE "${WORK_DIR}/EXDISK.IN_" "${description}")
endif()
if(DEFINED REMOVE)
    file(REMOVE "${WORK_DIR}/${REMOVE}")
endif()
if(DEFINED DESCRIPTION_NAME)
    file(RENAME "${WORK_DIR}/EXDISK.IN_" "${WORK_DIR}/${DESCRIPTION_NAME}")
endif()
set(folder "${WORK_DIR}")
if(NO_FOLDER)
    set(folder)
endif()
execute_process(COMMAND "${CHECK}" ${ARGS} ${folder} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL STATUS OR NOT output MATCHES "${EXPECT}")
    message(FATAL_ERROR "expected exit ${STATUS} and output matching ${EXPECT}, got ${status}:\n${output}")
endif()
