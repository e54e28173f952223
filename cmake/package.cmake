# SPDX-License-Identifier: Apache-2.0
# CPack: a Debian development package (static library, headers, CMake package,
# pkg-config file, licence) and a .tar.gz of the same tree. Build both with
# `cmake --workflow --preset package`.

set(CPACK_PACKAGE_NAME ${MORVANE_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "the morvane developers")
set(CPACK_PACKAGE_CONTACT "The morvane developers <morvane-dev@lists.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION} (static C++ library, C++17 or later)")
# The long description, wrapped by hand: dpkg shows its lines as they are.
set(CPACK_PACKAGE_DESCRIPTION "\
The buffer frame table maps (open file, page number) to the buffer frame that
holds the page; the errors rooted in MorvaneException each carry one
fixed-format message.
This package holds the static library libstorage.a in a folder of its own
(lib/<multiarch>/morvane/), its headers under include/morvane/, a CMake
package (morvane::storage) and a pkg-config file (morvane-storage).")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # name_version_arch.deb
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

include(CPack)
