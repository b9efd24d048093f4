# SPDX-License-Identifier: Apache-2.0
include(CMakeFindDependencyMacro)
find_dependency(Qt6 COMPONENTS Core Gui Widgets)
include(${CMAKE_CURRENT_LIST_DIR}/SorvanTargets.cmake)
