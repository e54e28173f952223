# Installs the library, its public headers under include/morvane/, a CMake
# package (morvane::storage) and a pkg-config file (morvane-storage).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/morvane)
set(MORVANE_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS storage EXPORT morvaneTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${MORVANE_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvane)
install(FILES ${MORVANE_PUBLIC_EXCEPTION_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvane/exceptions)
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
