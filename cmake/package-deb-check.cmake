# Read by cpack as it packages. Without dpkg-shlibdeps CPack still makes a
# .deb, only with no Depends: a package that installs and then cannot start.
# Without the file utility, which CPack runs first, it stops with a message
# that names neither package. Without strip-nondeterminism the package would
# differ with its builder's umask (package-deb-members.cmake). So all three
# are looked for here, and a missing one stops the packaging with what to
# install.
if(CPACK_GENERATOR STREQUAL "DEB")
  # A file that cannot be run is not a tool.
  cmake_policy(SET CMP0109 NEW)
  set(missing "")
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
  find_program(MILL_STRIP_NONDETERMINISM strip-nondeterminism)
  if(NOT MILL_STRIP_NONDETERMINISM)
    message(FATAL_ERROR "Cannot make the package the same under any umask without "
                        "strip-nondeterminism (Debian package strip-nondeterminism). "
                        "Install it, then package again.")
  endif()
endif()
