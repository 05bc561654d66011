# The Debian package, made by CPack from the install rules (scripts/package.sh).
# Its dependencies are read from the installed binaries by dpkg-shlibdeps, so it
# installs on a clean Debian 12 with `apt install ./vorel_*.deb`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Talvard)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and view the pictures hidden inside any file")
set(CPACK_PACKAGE_DESCRIPTION
  "Vorel tests every byte position of any file (a game's data archive, a disc image, any binary blob) for embedded PlayStation TIM textures and headerless Windows bitmaps, and shows every image it finds in a window of its own, where it can be zoomed, fitted and saved as BMP, TIFF or PNG.\n\nvorel-find runs the same search without a display, lists the images and can write them to a folder.")
set(CPACK_PACKAGE_CONTACT "Vorel maintainers <vorel@talvard.example>" CACHE STRING "The package's Maintainer field")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt as plug-ins, so dpkg-shlibdeps cannot see them: the SVG icons of
# the windows and tool bar. The Japanese menus read best with a CJK font, and
# Qt's own buttons and file dialogs speak Japanese with Qt's translations
# (without them they fall back to English).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# TIFF pictures are read back (to put them into the file they came from) through Qt's TIFF plug-in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# The package's licence where Debian looks for it, in the machine-readable
# format, made from LICENSE so the two cannot drift ("Expat" is that format's
# name for the MIT licence). `cmake --install` puts it there as well.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
file(READ ${CMAKE_SOURCE_DIR}/LICENSE vorel_licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" vorel_match "${vorel_licence}")
set(VOREL_COPYRIGHT "${CMAKE_MATCH_1}")
string(FIND "${vorel_licence}" "Permission is hereby" vorel_start)
if(NOT VOREL_COPYRIGHT OR vorel_start LESS 0)
  message(FATAL_ERROR "LICENSE holds no MIT licence with its copyright line")
endif()
string(SUBSTRING "${vorel_licence}" ${vorel_start} -1 vorel_licence)
string(STRIP "${vorel_licence}" vorel_licence)
# One space before every line of the text, and a lone "." for an empty line.
string(REPLACE "\n\n" "\n.\n" vorel_licence "${vorel_licence}")
string(REPLACE "\n" "\n " VOREL_LICENSE_TEXT " ${vorel_licence}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorel)
include(CPack)
