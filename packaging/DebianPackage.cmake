# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package, built with `cpack -G DEB` in the build folder:
# slidewell_<major.minor.patch>_amd64.deb, installing under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME slidewell)
set(CPACK_PACKAGE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_VENDOR "The Slidewell developers")
set(CPACK_PACKAGE_CONTACT "Slidewell Developers <developers@slidewell.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop slideshow of the pictures of a folder")
# One line per line of the package's long description.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Slidewell shows the pictures of a folder (JPEG, PNG, GIF, WebP, TIFF, AVIF,"
    "HEIC, SVG, BMP, ICO, EMF and WMF; one format or all of them, animations"
    "playing) one after the other, full screen or in a window that can be"
    "resized, each scaled with its proportions kept. A right click pauses, resumes"
    "or stops the show; the settings are remembered between runs. Sample pictures"
    "are included.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/COPYING)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SLIDEWELL_WEB_SITE}")
# The library scan lists each library once; it finds libqt6svg6 through the picture pipeline,
# which reads SVG pictures with it. Qt's image format plug-ins, which read TIFF and WebP pictures,
# are loaded at run time, so the scan cannot see them; the fonts have the metrics of those that
# metafiles name most.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, fonts-dejavu-core, fonts-dejavu-extra, \
fonts-liberation, fonts-crosextra-carlito, fonts-crosextra-caladea")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
