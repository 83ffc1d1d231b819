# The one date the manual page and the metainfo release carry, so that a build of the same
# commit gives the same bytes: SOURCE_DATE_EPOCH if the caller sets it (a Debian build takes it
# from debian/changelog), otherwise the last commit's time, stamped into an exported tree by git
# archive or asked of git.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(GEMWELL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    file(STRINGS "${PROJECT_SOURCE_DIR}/cmake/commit-time" GEMWELL_SOURCE_DATE_EPOCH LIMIT_COUNT 1)
    if(NOT GEMWELL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
        find_package(Git QUIET)
        if(GIT_FOUND)
            execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                            WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
                            OUTPUT_VARIABLE GEMWELL_SOURCE_DATE_EPOCH
                            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
    endif()
    if(NOT GEMWELL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
        # Neither git nor an exported tree: a copied tree keeps its files' times.
        file(TIMESTAMP "${PROJECT_SOURCE_DIR}/CMakeLists.txt" GEMWELL_SOURCE_DATE_EPOCH "%s" UTC)
    endif()
    # string(TIMESTAMP) reads it from the environment.
    set(ENV{SOURCE_DATE_EPOCH} "${GEMWELL_SOURCE_DATE_EPOCH}")
endif()
