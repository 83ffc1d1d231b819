# A distribution build: the compiler and linker flags dpkg-buildflags gives with every
# hardening feature (-O2, stack protector, fortify, full RELRO, BIND_NOW, PIE) and nothing of
# ours on top. Run from the source directory, so its file-prefix map hides where it was built.
find_program(GEMWELL_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            "${GEMWELL_DPKG_BUILDFLAGS}" --get ${kind}
                    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
                    OUTPUT_VARIABLE GEMWELL_DEB_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set(CMAKE_CXX_FLAGS "${GEMWELL_DEB_CPPFLAGS} ${GEMWELL_DEB_CXXFLAGS}")
set(CMAKE_EXE_LINKER_FLAGS "${GEMWELL_DEB_LDFLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS "${GEMWELL_DEB_LDFLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS "${GEMWELL_DEB_LDFLAGS}")
