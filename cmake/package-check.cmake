# Read by cpack as it packages, for each generator.
#
# A package is dated as the release it holds, the changelog's date, unless
# SOURCE_DATE_EPOCH says otherwise: every build of the same sources gives the
# same package, as Debian's own package builds do.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_MILL_RELEASE_DATE})
endif()

# Without dpkg-shlibdeps CPack still makes a .deb, only with no Depends: a
# package that installs and then cannot start. Without the file utility,
# which CPack runs first, it stops with a message that names neither
# package. Without strip-nondeterminism a .deb would differ with its
# builder's umask and a zip with its builder (package-normalise.cmake). So
# what the generator needs is looked for here, and a missing tool stops the
# packaging with what to install.
# A file that cannot be run is not a tool.
cmake_policy(SET CMP0109 NEW)
set(missing "")
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(MILL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT MILL_DPKG_SHLIBDEPS)
    list(APPEND missing "dpkg-shlibdeps (Debian package dpkg-dev)")
  endif()
  find_program(MILL_FILE file)
  if(NOT MILL_FILE)
    list(APPEND missing "file (Debian package file)")
  endif()
  if(missing)
    list(JOIN missing " and " missing)
    message(FATAL_ERROR "Cannot work out the package's dependencies without ${missing}. "
                        "Install dpkg-dev and file, then package again.")
  endif()
endif()
if(CPACK_GENERATOR MATCHES "^(DEB|ZIP)$")
  find_program(MILL_STRIP_NONDETERMINISM strip-nondeterminism)
  if(NOT MILL_STRIP_NONDETERMINISM)
    message(FATAL_ERROR "Cannot make the package the same for every builder without "
                        "strip-nondeterminism (Debian package strip-nondeterminism). "
                        "Install it, then package again.")
  endif()
endif()
