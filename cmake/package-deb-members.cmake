# Run by cpack once the .deb is made. Its own members (debian-binary and the
# control and data archives) take their mode from the builder's umask, 0664
# under Debian's usual 002 where 0644 under 022. Debian's strip-nondeterminism
# writes them as dpkg-deb does, 0644 and owned by root, dated
# SOURCE_DATE_EPOCH (or now), so that every builder gets the same package.
string(TIMESTAMP now "%s" UTC)
foreach(package ${CPACK_PACKAGE_FILES})
  execute_process(COMMAND ${MILL_STRIP_NONDETERMINISM} --normalizers +ar --type ar --timestamp ${now}
                          ${package}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
