# `make package`: a Debian package of what `cmake --install` puts in place, under /usr.
# Library dependencies are worked out by dpkg-shlibdeps from the executables; what is loaded
# at run time (Qt's platform plugins, the OCR languages, the video player's GStreamer
# plugins) is declared by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvalin)
set(CPACK_PACKAGE_VENDOR Corvalin)
set(CPACK_PACKAGE_CONTACT "Corvalin <hola@corvalin.app>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screenshots, text recognition and screen recording from the tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvalin lives in the tray: still captures of an area, a window or the\n\
screen, long captures of a scrolling page, text recognition to the\n\
clipboard, colour picking, a retouching editor with annotations and pixel\n\
retouching, screen recording to MP4 with sound, and uploads to your own S3\n\
bucket or a hosted service. In Spanish and English. Works on X11, and on\n\
Wayland through the desktop portals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://corvalin.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, tesseract-ocr-eng, tesseract-ocr-spa, gstreamer1.0-plugins-base, \
gstreamer1.0-plugins-good, gstreamer1.0-libav, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-desktop-portal, qt6-wayland, qt6-image-formats-plugins, gnome-keyring, fonts-noto-color-emoji")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
