# Included by an installation twice, as its first and as its last step. The
# first notes which of the folders it installs into (MILL_INSTALL_FOLDERS,
# under the prefix), and of the folders above them, are not there yet; the
# last makes those 0755. mkdir takes the installer's umask off the 0755 that
# CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS asks for: under 077 the
# folders it makes would be unreadable but to their owner. Folders that were
# there before are left as they were.
if(NOT DEFINED mill_new_folders)
  set(mill_new_folders "")
  foreach(folder ${MILL_INSTALL_FOLDERS})
    set(path "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${folder}")
    while(NOT EXISTS "${path}")
      list(APPEND mill_new_folders "${path}")
      get_filename_component(path "${path}" DIRECTORY)
    endwhile()
  endforeach()
else()
  foreach(path ${mill_new_folders})
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
         WORLD_READ WORLD_EXECUTE)
  endforeach()
  unset(mill_new_folders)
endif()
