# Run by cpack once the files are installed into its staging folder, before
# it packs them, for each generator. CPack makes that folder, and mkdir takes
# the builder's umask off the folders it makes: under 077 they would be
# 0700, unreadable but to root once installed. Every folder of a package is
# 0755, whoever builds it.
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(folder "${CPACK_TEMPORARY_DIRECTORY}" ${folders})
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(CHMOD "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
