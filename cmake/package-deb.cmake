# Installs the program as a desktop expects it, and describes the Debian
# package that lintian accepts (cpack -G DEB).
include(GNUInstallDirs)
find_program(GZIP gzip REQUIRED)

# The manual page and the changelog go compressed, without a name or a
# time in the gzip header, so that every build gives the same bytes.
set(compressed "")
foreach(source data/mill.1 data/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/${source} > ${output}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source})
  list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})

# Debian's machine-readable copyright file, with the licence's own words.
string(STRIP "${licence_terms}" debian_terms)
string(REPLACE "\n\n" "\n.\n" debian_terms "${debian_terms}")
string(REPLACE "\n" "\n " debian_terms " ${debian_terms}")
configure_file(data/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)

# The folders it makes are 0755 whatever the installer's umask.
set(folders ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_DATADIR}/applications
            ${CMAKE_INSTALL_DATADIR}/metainfo ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_DOCDIR}/data
            ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
foreach(size ${icon_sizes})
  list(APPEND folders ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
set(folders_step "set(MILL_INSTALL_FOLDERS \"${folders}\")
include(${PROJECT_SOURCE_DIR}/cmake/install-folders.cmake)")
install(CODE "${folders_step}")

install(TARGETS mill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/mill.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.example.mill.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${icon_sizes})
  install(FILES data/icons/${size}/mill.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/mill.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES data/mill.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/data)
# Lintian from Debian 13 on reports the AppStream validator's warnings under a
# tag that Debian 12's lintian does not know and, overridden, takes for an
# error. Its override goes only into packages built on Debian 13 or later
# (testing and unstable give no VERSION_ID).
file(READ data/lintian-overrides overrides)
set(release "")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release release REGEX "^(ID|VERSION_ID)=")
endif()
if("${release}" MATCHES "(^|;)ID=debian(;|$)"
   AND NOT "${release}" MATCHES "VERSION_ID=\"?([0-9]|1[0-2])\"?(;|$)")
  file(READ data/lintian-overrides-appstream appstream)
  string(APPEND overrides "${appstream}")
endif()
file(WRITE ${PROJECT_BINARY_DIR}/lintian-overrides "${overrides}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS data/lintian-overrides
                                                               data/lintian-overrides-appstream)
install(FILES ${PROJECT_BINARY_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME mill)
install(CODE "${folders_step}")

set(CPACK_PACKAGE_CONTACT "The mill developers <mill@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three-dimensional windmill drawn with OpenGL")
set(CPACK_PACKAGE_DESCRIPTION "Opens one window and draws a fixed perspective view of a windmill\n\
with the fixed-function OpenGL pipeline, through GLU and GLUT.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Depends comes from the libraries the program really links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
