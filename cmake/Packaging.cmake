# Files that make an installed Kestrix a desktop application (man pages, autostart entry, package
# documents), and the Debian package built from the install tree:
#
#   cpack --config <build folder>/CPackConfig.cmake -B <output folder>
#
# The package installs below /usr; the autostart entry goes to /etc/xdg/autostart, an absolute
# destination, so installs into a scratch root use DESTDIR.

find_program(KESTRIX_GZIP gzip REQUIRED)

# Man pages and the package's own documents, compressed without time stamps so that rebuilds give
# the same bytes.
set(KESTRIX_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
set(kestrix_compressed)
function(kestrix_compress source output)
  get_filename_component(name ${output} NAME)
  configure_file(${source} ${KESTRIX_PACKAGING_DIR}/plain/${name} @ONLY)
  add_custom_command(
    OUTPUT ${KESTRIX_PACKAGING_DIR}/${name}.gz
    COMMAND ${KESTRIX_GZIP} -9nc ${KESTRIX_PACKAGING_DIR}/plain/${name} > ${KESTRIX_PACKAGING_DIR}/${name}.gz
    DEPENDS ${KESTRIX_PACKAGING_DIR}/plain/${name} ${source}
    COMMENT "Compressing ${name}")
  set(kestrix_compressed ${kestrix_compressed} ${KESTRIX_PACKAGING_DIR}/${name}.gz PARENT_SCOPE)
endfunction()

foreach(program kestrix kestrix-signal kestrix-devsim)
  kestrix_compress(${PROJECT_SOURCE_DIR}/docs/man/${program}.1 ${program}.1)
  install(FILES ${KESTRIX_PACKAGING_DIR}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
kestrix_compress(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in changelog)
add_custom_target(kestrix_packaging_files ALL DEPENDS ${kestrix_compressed})

set(KESTRIX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kestrix)
install(FILES ${KESTRIX_PACKAGING_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${KESTRIX_DOC_DIR})

# Starts Kestrix with every desktop session. It carries the application's desktop id, so a user
# turns it off with a copy in ~/.config/autostart that says Hidden=true. A component of its own,
# left out of self-updating bundles (cmake --install --component Unspecified), which must not
# write outside their folder.
install(FILES ${PROJECT_SOURCE_DIR}/resources/io.tamsel.desktop.autostart.desktop
        DESTINATION /etc/xdg/autostart RENAME ${KESTRIX_DESKTOP_ENTRY} COMPONENT autostart)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tamsel)
set(CPACK_PACKAGE_CONTACT "Tamsel <support@tamsel.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Dorvel status-light button")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrix lives in the system tray and talks to the Dorvel, a one-button USB\n"
    "device with an RGB status LED. It binds the button to a preset action or to a\n"
    "key combination, sets the LED's own behaviour, and turns the LED into a status\n"
    "light that follows the microphone, the camera, the VPN, meetings and signals\n"
    "from scripts. It also runs countdown and pomodoro timers on the LED and\n"
    "updates the device's firmware.\n"
    ".\n"
    "The package includes kestrix-signal, which reports signals from shell and AI\n"
    "tool hooks, and kestrix-devsim, a simulated device for trying Kestrix without\n"
    "one.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends come from the core programs alone; the optional backends' modules bring their client
# libraries as Recommends, so that a system without them still gets a whole Kestrix (the modules
# are then simply not loaded). dpkg-shlibdeps works both out from the built files when the package
# is made (cmake/PackageDependencies.cmake).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
file(GENERATE OUTPUT ${KESTRIX_PACKAGING_DIR}/packaged-files.cmake CONTENT
  "set(KESTRIX_CORE_FILES \"$<TARGET_FILE:kestrix>;$<TARGET_FILE:kestrix-signal>;$<TARGET_FILE:kestrix-devsim>\")
set(KESTRIX_MODULE_FILES \"$<TARGET_FILE:kestrix-calendar-server>;$<TARGET_FILE:kestrix-pipewire>\")
")
set(CPACK_KESTRIX_PACKAGED_FILES ${KESTRIX_PACKAGING_DIR}/packaged-files.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageDependencies.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
    ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
include(CPack)
