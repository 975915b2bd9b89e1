# Read by cpack as it makes the Windows zip. The zip is dated as the release
# it holds unless SOURCE_DATE_EPOCH says otherwise; without
# strip-nondeterminism it would name its builder (package-normalise.cmake),
# so packaging stops where it is missing and says what to install.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_MILL_RELEASE_DATE})
endif()
# A file that cannot be run is not a tool.
cmake_policy(SET CMP0109 NEW)
find_program(MILL_STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT MILL_STRIP_NONDETERMINISM)
  message(FATAL_ERROR "Cannot make the zip the same for every builder without "
                      "strip-nondeterminism (Debian package strip-nondeterminism). "
                      "Install it, then package again.")
endif()
