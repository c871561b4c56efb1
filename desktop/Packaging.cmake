# The Debian package: what `cmake --install` puts in /usr. dpkg-shlibdeps names the libraries the
# programs link (Qt 6 Widgets, Gui, Network and Core, RtMidi, ALSA, the C and C++ run-time
# libraries) at the lowest versions that hold the symbols they use.
set(CORVALE_PACKAGE_MAINTAINER "Corvale developers <corvale@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvale)
set(CPACK_PACKAGE_CONTACT "${CORVALE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvale opens, merges and saves the Yamaha S80's bank files (.s2a, .s2v, .s2e\n\
and .s2i), moves whole instruments, percussion kits and performances between\n\
banks, windows and files, and sends and receives them over MIDI as SysEx bulk\n\
dumps. It keeps every byte it does not understand and never replaces a file\n\
until the new one is completely written. The package holds the editor\n\
(corvale), the command-line tool (corvale-cli) and a simulated S80 on the\n\
system's MIDI ports for trying both without the instrument (corvale-sim).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CORVALE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's own translations are built in; Qt's (the standard buttons, the file dialog) come
# from Debian's package, without which those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
