# The release's date is upstream's, written in the source: a distribution's build, which sets
# SOURCE_DATE_EPOCH from its own changelog (a Debian revision dated years later), must not
# re-date it. Configures the tree under such a SOURCE_DATE_EPOCH and reads the date that the
# metainfo release and the manual page carry.
# cmake -DSOURCE_DIR=... -DSCRATCH_DIR=... -DRELEASE_DATE=... -DCOMPILER=... -P this
file(REMOVE_RECURSE "${SCRATCH_DIR}")
# 2100-01-01, as a far later revision's changelog would give it.
set(ENV{SOURCE_DATE_EPOCH} 4102444800)
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${SCRATCH_DIR}"
                        -DCMAKE_CXX_COMPILER=${COMPILER} -DBUILD_TESTING=OFF
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "configuring the tree under SOURCE_DATE_EPOCH failed:\n${output}")
endif()
file(GLOB metainfo_file "${SCRATCH_DIR}/*.metainfo.xml")
file(READ "${metainfo_file}" metainfo)
file(STRINGS "${SCRATCH_DIR}/gemwell.6" title REGEX "^\\.TH ")
file(REMOVE_RECURSE "${SCRATCH_DIR}")
if(NOT metainfo MATCHES "<release version=\"[^\"]+\" date=\"([^\"]+)\"")
    message(FATAL_ERROR "the metainfo has no dated release:\n${metainfo}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL RELEASE_DATE)
    message(FATAL_ERROR "the metainfo dates the release ${CMAKE_MATCH_1}, not ${RELEASE_DATE}")
endif()
if(NOT title MATCHES "^\\.TH GEMWELL 6 ${RELEASE_DATE} ")
    message(FATAL_ERROR "the manual page is not dated ${RELEASE_DATE}: ${title}")
endif()
message(STATUS "released ${RELEASE_DATE}, whatever SOURCE_DATE_EPOCH says")
