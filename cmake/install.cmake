# What `cmake --install` lays out (Linux conventions, relative to the prefix) and the Debian
# package CPack makes of it. Included last, after every target exists.
include(GNUInstallDirs)

set(YOMITORU_APP_ID org.yomitoru.Yomitoru)

install(TARGETS yomitoru yomitoru-sample-site RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/${YOMITORU_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
# The release in the metadata is the project's version and release date.
configure_file(${PROJECT_SOURCE_DIR}/data/${YOMITORU_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${YOMITORU_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${YOMITORU_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/yomitoru.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The daily refresh as systemd user units, never enabled by installing. The service runs the
# program where it is installed: its path is written at install time, with the prefix the
# install (or the package) is made for.
set(YOMITORU_SYSTEMD_USER_DIR lib/systemd/user)
install(CODE "
  set(YOMITORU_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/yomitoru-update.service.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${YOMITORU_SYSTEMD_USER_DIR}/yomitoru-update.service\" @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${YOMITORU_SYSTEMD_USER_DIR}/yomitoru-update.service\")
")
install(FILES ${PROJECT_SOURCE_DIR}/data/yomitoru-update.timer DESTINATION ${YOMITORU_SYSTEMD_USER_DIR})
# GNUInstallDirs would name the folder after the project, capitalised; Debian's is the package's.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/yomitoru)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME yomitoru)
set(CPACK_PACKAGE_VENDOR "Yomitoru developers")
set(CPACK_PACKAGE_CONTACT "Yomitoru developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader for the back issues of Japanese e-mail newsletters")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Yomitoru identifies a Japanese e-mail newsletter (mail magazine) from its back-number\n"
    "address, walks its list of back issues, stores every issue not yet stored in a local\n"
    "archive, and shows the stored issues one at a time, paged or joined. A second window\n"
    "lists and manages the archive, and a full-text search finds words in every stored issue.\n"
    "The user interface is Japanese.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Yomitoru developers")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Needed at run time but not linked: the Japanese font and Qt's own Japanese translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
