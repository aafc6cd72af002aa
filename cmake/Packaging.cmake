# Installation of what is not a target of its own (the manual page) and the Debian package.
#
# `cmake --install` lays out: bin/chorelin, share/applications/chorelin.desktop,
# share/icons/hicolor/{scalable,<n>x<n>}/apps/chorelin.{svg,png} (src/resources) and
# share/man/man1/chorelin.1.gz (here). `cpack -G DEB` packs the same tree under /usr.

# Debian compresses manual pages with gzip -9n: -n leaves out the name and time stamp, so the
# package is the same whenever it is built.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(CHORELIN_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/chorelin.1)
set(CHORELIN_MAN_GZ ${PROJECT_BINARY_DIR}/docs/chorelin.1.gz)
add_custom_command(
    OUTPUT ${CHORELIN_MAN_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/docs
    COMMAND ${GZIP_PROGRAM} -9nc ${CHORELIN_MAN_PAGE} > ${CHORELIN_MAN_GZ}
    DEPENDS ${CHORELIN_MAN_PAGE}
    COMMENT "Compressing the manual page")
add_custom_target(chorelin_man ALL DEPENDS ${CHORELIN_MAN_GZ})
install(FILES ${CHORELIN_MAN_GZ} DESTINATION share/man/man1)

# The official holiday file the program also carries compiled in, for the command line's
# --import-holidays and for anyone who wants to read it.
install(FILES ${PROJECT_SOURCE_DIR}/data/syukujitsu.csv DESTINATION share/chorelin)

set(CPACK_PACKAGE_NAME chorelin)
set(CPACK_PACKAGE_VENDOR Marrowby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Marrowby <chorelin@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray task scheduler for programs and documents")
set(CPACK_PACKAGE_DESCRIPTION
    "Chorelin keeps a list of tasks - a program, script or document, a time of day, optional\n\
start and end dates and a schedule (once, every day, weekdays, holidays or chosen days of the\n\
week, with a built-in Japanese holiday calendar) - and starts each task at its minute from the\n\
system tray. Its interface is Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Marrowby <chorelin@example.invalid>")
# dpkg-shlibdeps adds the libraries the program is linked with, with their minimum versions
# (libqt6widgets6, libqt6gui6, libqt6core6, libstdc++6, libgcc-s1, libc6, and libglib2.0-0 as
# soon as the association lookup is linked in; libqt6dbus6 for the failure notices and
# libsqlite3-0 for the run history). The rest is loaded at run time and invisible to
# it: the xcb platform plugin, the SVG image plugin that draws the tray and window icon, and
# GLib, named here so the dependency does not hinge on what the linker kept.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (the standard buttons, the file dialog) come in Japanese from
# qt6-translations-l10n, as the rest of the interface is.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, libglib2.0-0, qt6-translations-l10n")
# The Japanese texts need a CJK font; IPAGothic has the metrics the list and dialogs are laid
# out for, but any CJK font will do, so it is recommended rather than required. A Wayland
# session runs the program natively with Qt's Wayland platform plugin, else through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-wayland")
# Documents are opened through the desktop's MIME associations; these provide the database and
# the tool that the rest of the desktop uses to set them.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "shared-mime-info, xdg-utils")

include(CPack)
