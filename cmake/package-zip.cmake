# What a Windows user unpacks: mill.exe, the README with its picture and the
# licence, in one zip (cpack -G ZIP).
install(TARGETS mill RUNTIME DESTINATION .)
install(FILES README.md DESTINATION .)
install(FILES data/mill.png DESTINATION data)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME mill-${PROJECT_VERSION}-win64)
