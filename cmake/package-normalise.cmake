# Run by cpack once the zip is made: its entries name their builder's user
# and group. Debian's strip-nondeterminism gives every entry root as its
# owner, dated SOURCE_DATE_EPOCH, so that every builder gets the same zip.
foreach(package ${CPACK_PACKAGE_FILES})
  execute_process(COMMAND ${MILL_STRIP_NONDETERMINISM} --type zip
                          --timestamp $ENV{SOURCE_DATE_EPOCH} ${package} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
