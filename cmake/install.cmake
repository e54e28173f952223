# SPDX-License-Identifier: Apache-2.0
# Installs the library, its public headers under include/morvane/, a CMake
# package (morvane::storage), a pkg-config file (morvane-storage) and the
# licence.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/morvane)
set(MORVANE_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(MORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${MORVANE_PACKAGE_NAME})

# The archive has a folder of its own: a generic name such as libstorage.a
# directly in the system's library folder would lose to any libstorage.so
# another package puts there.
set(MORVANE_ARCHIVE_DIR ${CMAKE_INSTALL_LIBDIR}/morvane)
install(TARGETS morvane_storage EXPORT morvaneTargets ARCHIVE DESTINATION ${MORVANE_ARCHIVE_DIR})
foreach(header IN LISTS MORVANE_PUBLIC_HEADERS)
  get_filename_component(subdir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvane/${subdir})
endforeach()
install(FILES ${MORVANE_GENERATED_HEADER_DIR}/version.h ${MORVANE_GENERATED_HEADER_DIR}/exceptions.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvane)
install(EXPORT morvaneTargets NAMESPACE morvane:: DESTINATION ${MORVANE_CMAKE_DIR})

configure_package_config_file(cmake/morvaneConfig.cmake.in ${PROJECT_BINARY_DIR}/morvaneConfig.cmake
  INSTALL_DESTINATION ${MORVANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/morvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/morvaneConfig.cmake ${PROJECT_BINARY_DIR}/morvaneConfigVersion.cmake
  DESTINATION ${MORVANE_CMAKE_DIR})

# The .pc file finds the prefix from its own location, so an installed tree
# can be moved.
file(RELATIVE_PATH MORVANE_PC_PREFIX_FROM_PCDIR /prefix/${MORVANE_PC_DIR} /prefix)
string(REGEX REPLACE "/$" "" MORVANE_PC_PREFIX_FROM_PCDIR "${MORVANE_PC_PREFIX_FROM_PCDIR}")
configure_file(cmake/morvane-storage.pc.in ${PROJECT_BINARY_DIR}/morvane-storage.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/morvane-storage.pc DESTINATION ${MORVANE_PC_DIR})

# The licence, and the machine-readable copyright file that Debian tools read.
install(FILES LICENSE DESTINATION ${MORVANE_DOC_DIR})
configure_file(cmake/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${MORVANE_DOC_DIR})
