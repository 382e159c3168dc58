# SPDX-License-Identifier: GPL-3.0-or-later
# "cpack -G DEB" in the build folder makes plamkov_<version>_<arch>.deb from the install rules; its
# dependencies are read off the linked libraries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME plamkov)
set(CPACK_PACKAGE_VENDOR "The Plamkov developers")
set(CPACK_PACKAGE_CONTACT "The Plamkov developers <plamkov@plamkov.cz>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "games for young children: putting out fires, and pexeso")
set(CPACK_PACKAGE_DESCRIPTION
    "Plamkov: fires flare up in the windows and doors of a house; click each before it burns out.\nPexeso: a memory game of 40 cards, with a set of pictures and a tool that makes a new set\nfrom a folder of photos. Both in Czech, for young children.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY plamkov)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://plamkov.cz/")
set(CPACK_STRIP_FILES ON)
include(CPack)
