# What a Windows user gets: mill.exe with its icon and version information,
# and a zip (cpack -G ZIP) that holds it with a README for Windows users and
# the licences, mill's own and those of what is linked into the exe.

# The icon holds the desktop icons at every size, the largest as PNG, the way
# Windows keeps it.
enable_language(RC)
find_program(ICOTOOL icotool REQUIRED)
set(icon ${PROJECT_BINARY_DIR}/mill.ico)
set(icon_images ${icon_sizes})
list(TRANSFORM icon_images REPLACE .+ ${PROJECT_SOURCE_DIR}/data/icons/\\0/mill.png)
set(icon_arguments ${icon_images})
list(TRANSFORM icon_arguments PREPEND --raw= REGEX /256/)
add_custom_command(OUTPUT ${icon} COMMAND ${ICOTOOL} -c -o ${icon} ${icon_arguments}
                   DEPENDS ${icon_images})
set(manifest ${PROJECT_SOURCE_DIR}/cmake/mill.manifest)
# The version resource names the vendor and the licence's copyright holder.
set(CPACK_PACKAGE_NAME mill)
set(CPACK_PACKAGE_VENDOR "The mill developers")
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
set(copyright_holder "${CMAKE_MATCH_1}")
configure_file(cmake/mill.rc.in ${PROJECT_BINARY_DIR}/mill.rc @ONLY)
set_source_files_properties(${PROJECT_BINARY_DIR}/mill.rc PROPERTIES OBJECT_DEPENDS
                            "${icon};${manifest}")
target_sources(mill PRIVATE ${PROJECT_BINARY_DIR}/mill.rc)

# freeglut and the mingw-w64 runtime are linked in, and their licences ask
# that their notices go with every copy: freeglut's from the source it was
# built from (the Windows build command puts it beside the library), the
# runtime's as Debian's package of it gives them.
find_file(MILL_FREEGLUT_COPYING COPYING PATHS /share/doc/freeglut NO_DEFAULT_PATH REQUIRED)
find_file(MILL_MINGW_RUNTIME_COPYRIGHT copyright
          PATHS /usr/share/doc/mingw-w64-x86-64-dev NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# Text as Windows' own tools expect it, with CRLF line ends.
function(install_windows_text source name)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${PROJECT_BINARY_DIR}/zip/${name} "${text}")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  install(FILES ${PROJECT_BINARY_DIR}/zip/${name} DESTINATION .)
endfunction()

install(TARGETS mill RUNTIME DESTINATION .)
install_windows_text(${PROJECT_SOURCE_DIR}/data/README.windows.txt README.txt)
install_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
install_windows_text(${MILL_FREEGLUT_COPYING} LICENSE-freeglut.txt)
install_windows_text(${MILL_MINGW_RUNTIME_COPYRIGHT} LICENSE-mingw-w64.txt)

# Not installed: the window's answer to a new screen scale, which the tests
# run under Wine.
# It declares itself aware of each screen's scale as the program does (its
# manifest is in mill.rc).
add_executable(dpi_changed tests/dpi_changed.cpp app/screen_windows.cpp ${PROJECT_BINARY_DIR}/mill.rc)
target_include_directories(dpi_changed PRIVATE app)
target_link_libraries(dpi_changed PRIVATE GLUT::GLUT OpenGL::GL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME mill-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
# Every builder gets the same zip: its entries are dated as the release, the
# changelog's date, unless SOURCE_DATE_EPOCH says otherwise, its folders are
# 0755 whatever the builder's umask, and strip-nondeterminism gives every
# entry root as its owner (package-*.cmake).
file(STRINGS debian/changelog release_line REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^.*>  " "" release_date "${release_line}")
execute_process(COMMAND date -u -d "${release_date}" +%s OUTPUT_VARIABLE CPACK_MILL_RELEASE_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS debian/changelog)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package-check.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package-staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package-normalise.cmake)
include(CPack)
