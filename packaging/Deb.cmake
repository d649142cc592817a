# The Debian package of what the install rules put in place: cpack -G DEB in
# the build folder, or scripts/package.sh.
set(CPACK_PACKAGE_NAME tarnvik)
set(CPACK_PACKAGE_VENDOR "Tarnvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TARNVIK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "navigation overlay for the video of underwater vehicles")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tarnvik listens for NMEA 0183 sentences from the ship's instruments and draws
the vessel's and the vehicle's positions, the heading, the date and time, an
information box and a logo over the camera picture at 25 frames per second.
What the view shows can be recorded to QuickTime movies, sent out as live DV
or saved as a snapshot.
.
The package also holds the decoder as a program of its own, tolkar, and
nmea_send, which plays a recording of sentences to a UDP port.]=])
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program loads at run time and dpkg-shlibdeps cannot see: the QML
# modules the compositions import, the TIFF plugin for pictures kept in the
# settings, Mesa's drivers and a font.
set(runtime_depends qml6-module-qtqml qml6-module-qtqml-workerscript qml6-module-qtquick
  qml6-module-qtquick-shapes qml6-module-qtquick-window qt6-image-formats-plugins
  libgl1-mesa-dri fonts-dejavu-core)
list(JOIN runtime_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Rendering without a display (--frames under xvfb-run); the kernel module
# that makes the virtual camera's device.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb, xauth, v4l2loopback-dkms")

include(CPack)
