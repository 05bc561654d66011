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
include(CPack)
