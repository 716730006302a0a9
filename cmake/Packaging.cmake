# The Debian package of the installed programs, tools and samples: `cpack` in the release build
# writes brisel_<version>_<architecture>.deb. Its dependencies are found by dpkg-shlibdeps from
# the libraries the programs link, where that tool is present; otherwise they are listed here.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "brisel developers <brisel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Virtual motion-capture hardware rig")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "briselCL emulates networked cameras and sync and analogue boxes on the host's network, so "
  "that a host application's hardware layer can be tested without hardware. brisel is its "
  "window, QeltErrorReporting writes and sends crash reports, halprobe speaks the host's side "
  "of the device protocols and trialtool reads and writes trial files.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)

find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libstdc++6, libgcc-s1, libqt5core5a, libqt5gui5, libqt5widgets5, libcurl4")
endif()

include(CPack)
