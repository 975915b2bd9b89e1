# Run by cpack once a package is made, for each generator, with the tool
# package-check.cmake found. A .deb's own members (debian-binary and the
# control and data archives) take their mode from the builder's umask, 0664
# under Debian's usual 002 where 0644 under 022; a zip's entries name their
# builder's user and group. Debian's strip-nondeterminism writes the members
# as dpkg-deb does, 0644 and owned by root, and gives every entry of a zip
# root as its owner, each dated SOURCE_DATE_EPOCH: every builder gets the
# same package. Other kinds of package are left as CPack makes them.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(normalise --normalizers +ar --type ar)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(normalise --type zip)
else()
  return()
endif()
foreach(package ${CPACK_PACKAGE_FILES})
  execute_process(COMMAND ${MILL_STRIP_NONDETERMINISM} ${normalise}
                          --timestamp $ENV{SOURCE_DATE_EPOCH} ${package}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
