# Installation layout and the Debian package.
#   bin/                              korv, korv-batch
#   share/korv/                       the user's guide and the release notes (the help viewer
#                                     looks them up relative to the program)
#   share/applications/korv.desktop   menu entry, opens measurements (%f)
#   share/icons/hicolor/scalable/apps/korv.svg
#   share/mime/packages/korv.xml      *.nT and *.pT measurement files
#   share/man/man1/                   korv.1, korv-batch.1 (generated from --help)
#   lib/python3/dist-packages/        the Python module korv and its stubs korv.pyi (python/)
include(GNUInstallDirs)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/korv
        FILES_MATCHING PATTERN "*.html" PATTERN "*.png" PATTERN "*.svg" PATTERN "*.css")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/korv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/korv.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/korv-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME korv.xml)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korv RENAME copyright)

if(TARGET korv)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/korv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET korv-batch)
  set(KORV_BATCH_MAN ${PROJECT_BINARY_DIR}/korv-batch.1)
  add_custom_command(OUTPUT ${KORV_BATCH_MAN}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:korv-batch> -DOUTPUT=${KORV_BATCH_MAN}
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/Manpage.cmake
    DEPENDS korv-batch ${PROJECT_SOURCE_DIR}/cmake/Manpage.cmake
    COMMENT "Writing the korv-batch man page from its --help text"
    VERBATIM)
  add_custom_target(korv_manpages ALL DEPENDS ${KORV_BATCH_MAN})
  install(FILES ${KORV_BATCH_MAN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# `make package`: a Debian package for Debian 12. dpkg-shlibdeps derives the run-time
# dependencies (Qt 6, QCustomPlot, GSL, the C++ runtime) from the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Telmar Lab.")
set(CPACK_PACKAGE_CONTACT "KORV developers <korv@telmar-lab.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dopant densities and energy levels from Hall-effect measurements")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "dopant densities and energy levels from Hall-effect measurements\n KORV analyses the temperature dependence of the majority-carrier concentration\n of a semiconductor sample, measured by the Hall effect, and finds the densities\n and energy levels of its donors, acceptors and traps and the compensating\n density. It comes with the window program korv, the command-line tool\n korv-batch and the Python module korv.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin (xcb, wayland), which no linked library pulls in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Python module is built for one minor version of the interpreter and imports numpy.
if(KORV_PYTHON AND TARGET korv_python)
  math(EXPR KORV_PYTHON_NEXT_MINOR "${Python3_VERSION_MINOR} + 1")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), "
         "python3 (<< ${Python3_VERSION_MAJOR}.${KORV_PYTHON_NEXT_MINOR}), python3-numpy")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
