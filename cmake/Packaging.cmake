# Installation into /usr and the Debian package (make package):
#   /usr/bin                     vexa, vexa-cli
#   /usr/share/vexa              definition folders, OldTypetoDef.map, Package.ver, help,
#                                pictures, samples (found from the programs' location)
#   /usr/share/applications, metainfo, mime/packages, icons/hicolor, man/man1
#   /usr/lib/udev/rules.d        the controller's udev rule

# The version the program shows: major.minor from core/programversion.h and the package
# letter from data/Package.ver ("3.30c").
file(READ ${PROJECT_SOURCE_DIR}/core/programversion.h VEXA_VERSION_HEADER)
string(REGEX MATCH "kProgramVersionMajor = ([0-9]+)" _ "${VEXA_VERSION_HEADER}")
set(VEXA_VERSION_MAJOR ${CMAKE_MATCH_1})
string(REGEX MATCH "kProgramVersionMinor = ([0-9]+)" _ "${VEXA_VERSION_HEADER}")
set(VEXA_VERSION_MINOR ${CMAKE_MATCH_1})
file(READ ${PROJECT_SOURCE_DIR}/data/Package.ver VEXA_PACKAGE_LETTER LIMIT 1)
string(REGEX REPLACE "[^A-Za-z]" "" VEXA_PACKAGE_LETTER "${VEXA_PACKAGE_LETTER}")
set(VEXA_PACKAGE_VERSION "${VEXA_VERSION_MAJOR}.${VEXA_VERSION_MINOR}${VEXA_PACKAGE_LETTER}")

set(VEXA_APP_ID com.kestova.vexa)
set(VEXA_LINUX_DIR ${PROJECT_SOURCE_DIR}/contrib/linux)
set(VEXA_PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package-files)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vexa vexa-cli RUNTIME DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION share/vexa)

install(FILES ${VEXA_LINUX_DIR}/${VEXA_APP_ID}.desktop DESTINATION share/applications)
configure_file(${VEXA_LINUX_DIR}/${VEXA_APP_ID}.metainfo.xml
               ${VEXA_PACKAGE_STAGING}/${VEXA_APP_ID}.metainfo.xml COPYONLY)
install(FILES ${VEXA_PACKAGE_STAGING}/${VEXA_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VEXA_LINUX_DIR}/vexa-mime.xml DESTINATION share/mime/packages
        RENAME ${VEXA_APP_ID}.xml)
install(FILES ${VEXA_LINUX_DIR}/${VEXA_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/contrib/70-vexa-controller.rules
        DESTINATION lib/udev/rules.d)

# The icon in the theme's sizes, drawn by the program's own icon code.
set(VEXA_ICON_SIZES 16 24 32 48 64 128 256)
add_custom_command(
  OUTPUT ${VEXA_PACKAGE_STAGING}/icons/256x256/apps/${VEXA_APP_ID}.png
  COMMAND vexa_icon_export ${VEXA_PACKAGE_STAGING}/icons ${VEXA_APP_ID} ${VEXA_ICON_SIZES}
  DEPENDS vexa_icon_export
  COMMENT "Drawing the program's icons")
add_custom_target(vexa_icons ALL
  DEPENDS ${VEXA_PACKAGE_STAGING}/icons/256x256/apps/${VEXA_APP_ID}.png)
install(DIRECTORY ${VEXA_PACKAGE_STAGING}/icons/ DESTINATION share/icons/hicolor)

# Manual pages and the package's changelog, compressed the way Debian keeps them.
configure_file(${VEXA_LINUX_DIR}/changelog.in ${VEXA_PACKAGE_STAGING}/changelog @ONLY)
set(VEXA_COMPRESSED)
foreach(source ${VEXA_LINUX_DIR}/vexa.1 ${VEXA_LINUX_DIR}/vexa-cli.1
               ${VEXA_PACKAGE_STAGING}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${VEXA_PACKAGE_STAGING}/${name}.gz
    COMMAND gzip -9n -c ${source} > ${VEXA_PACKAGE_STAGING}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND VEXA_COMPRESSED ${VEXA_PACKAGE_STAGING}/${name}.gz)
endforeach()
add_custom_target(vexa_package_docs ALL DEPENDS ${VEXA_COMPRESSED})
install(FILES ${VEXA_PACKAGE_STAGING}/vexa.1.gz ${VEXA_PACKAGE_STAGING}/vexa-cli.1.gz
        DESTINATION share/man/man1)
install(FILES ${VEXA_PACKAGE_STAGING}/changelog.gz ${VEXA_LINUX_DIR}/copyright
        DESTINATION share/doc/vexa)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexa)
set(CPACK_PACKAGE_VERSION ${VEXA_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR Kestova)
set(CPACK_PACKAGE_CONTACT "Kestova <support@kestova.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tuner for the VEXA transmission controller")
set(CPACK_PACKAGE_DESCRIPTION
    "VEXA Transmission Control keeps the calibrations of the VEXA transmission\n\
controller in .gvr files, edits them in windows generated from the definition\n\
files of each transmission type, writes them into the controller over a serial\n\
port or USB and reads them back, and shows the controller's live data.\n\
.\n\
The package holds the windowed program (vexa), its command-line companion\n\
(vexa-cli), the definition files, help files and sample calibrations, and a\n\
udev rule that lets the user at the computer open the controller's USB\n\
interface.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the programs link, plus what Qt loads at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VEXA_LINUX_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
