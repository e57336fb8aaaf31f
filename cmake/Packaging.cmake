# The Debian package: `cmake --build <build> --target package` (scripts/package)
# writes kalvista_<version>_<arch>.deb into the build folder. The libraries'
# packages come from dpkg-shlibdeps; the office and the converter are run as
# programs, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvista)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kalvista developers <kalvista@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a presentation into a video")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kalvista plays a presentation as a slide show in LibreOffice Impress, records\nthe show and a sound input, and converts the recording to a video file with\nFFmpeg. A wizard makes the choices; kalvista --convert does it from a script.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libreoffice-impress, ffmpeg")
# A private X server for batch runs on a machine without a display; the
# office's own sounds and films (a deck's embedded audio and video, H.264
# and AAC as PowerPoint embeds them) through the sound server;
# the wizard's help page opened in the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xvfb, libasound2-plugins, gstreamer1.0-plugins-good, gstreamer1.0-pulseaudio, gstreamer1.0-x, gstreamer1.0-libav, xdg-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
