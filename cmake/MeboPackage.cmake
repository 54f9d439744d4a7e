# The Debian package, made by `cpack -G DEB` from the install tree (scripts/release.sh).
# Library dependencies are computed by dpkg-shlibdeps over the program and its modules; the
# packages listed here are what it cannot see: data and plugins loaded at run time.
include_guard(GLOBAL)

set(MEBO_MAINTAINER "Mebo Maintainers <maintainers@mebo.app>" CACHE STRING "Package maintainer")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mebo)
set(CPACK_PACKAGE_VENDOR Mebo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MEBO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screenshots, annotations and screen recordings")
set(CPACK_PACKAGE_DESCRIPTION "Mebo lives in the system tray and captures an area, a window or a whole
display into a library folder with a persistent history. Captures open in
a layer editor (arrows, shapes, text, callouts, steps, stamps, mosaics,
magnifiers and more); text can be recognised, and personal data found and
covered automatically. Every capability is also a scriptable command
(mebo capture, mebo ocr, mebo redact, ...), and mebo:// URLs start
captures from global hotkeys.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MEBO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin and SVG support, the English text-recognition data, xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, tesseract-ocr-eng, xdg-utils")
# The desktop database (mebo:// handler) is refreshed by desktop-file-utils' trigger, the icon
# cache by the icon theme's; Chinese text recognition and the system shutter sound.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "desktop-file-utils, hicolor-icon-theme, sound-theme-freedesktop, tesseract-ocr-chi-sim, tesseract-ocr-chi-tra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_THREADS 0)

include(CPack)
