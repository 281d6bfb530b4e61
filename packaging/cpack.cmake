# The Debian package: cmake --build build --target package gives
# kestrel_<version>_<architecture>.deb from the install rules, with the
# binaries stripped and the dependencies worked out by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrel developers")
set(CPACK_PACKAGE_CONTACT "${KESTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "infrared remote-control codes for video processors")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kestrel produces infrared remote-control codes for a line of video\n"
    "processors. Pick a processor model, then a command and value, a remote\n"
    "button or a typed function code: Kestrel shows the code as Pronto hex,\n"
    "sends it through an IR transceiver, or writes a model's whole catalogue\n"
    "into a text listing, a Pronto hex file or a CCF file.\n"
    "\n"
    "The package holds the window kestrel, the command line kestrel-gen, the\n"
    "CCF converter hex2ccf, a simulated transceiver driver, a driver for the\n"
    "kernel's LIRC transmitters and sample device files. Users add device\n"
    "files of their own in ~/.local/share/kestrel/devices.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# cpack runs this when it starts: the archive's time stamps follow the
# changelog's date unless SOURCE_DATE_EPOCH says otherwise.
configure_file(${CMAKE_CURRENT_LIST_DIR}/cpack-project.cmake.in
               ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
