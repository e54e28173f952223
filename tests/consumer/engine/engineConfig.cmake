include(CMakeFindDependencyMacro)
find_dependency(morvane CONFIG)
include("${CMAKE_CURRENT_LIST_DIR}/engineTargets.cmake")
