include(CMakeFindDependencyMacro)
find_dependency(Qt6 COMPONENTS Core Gui Widgets)
include(${CMAKE_CURRENT_LIST_DIR}/SorvanTargets.cmake)
