# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and builds a small program against Sorvan there, once with
# find_package and once with pkg-config, both without Qt's keywords and with every warning an error.
# Run by CTest with -DBUILD_DIR, -DWORK_DIR, -DSOURCE_DIR, -DLIBDIR, -DCXX and -DGENERATOR; with
# -DPREFIX instead of -DBUILD_DIR it uses a tree installed already (the packages, unpacked).
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${result}):\n${output}${errors}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

function(expect_solar_date program)
    run(${program})
    if(NOT output MATCHES "^1[0-9][0-9][0-9]/[01][0-9]/[0-3][0-9]\n$")
        message(FATAL_ERROR "${program} printed \"${output}\", not a solar date")
    endif()
    message(STATUS "${program}: ${output}")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
if(DEFINED PREFIX)
    set(prefix ${PREFIX})
else()
    set(prefix ${WORK_DIR}/prefix)
    foreach(component libsorvan libsorvan-dev)
        run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component ${component})
    endforeach()
endif()
if(EXISTS ${prefix}/bin/velmora)
    message(FATAL_ERROR "the library's packages hold the program")
endif()

# find_package(Sorvan)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/with-cmake -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/with-cmake)
expect_solar_date(${WORK_DIR}/with-cmake/today)

# pkg-config sorvan: the file names its install prefix plainly, as distributions want; installed
# elsewhere, a copy names the other prefix.
file(READ ${prefix}/${LIBDIR}/pkgconfig/sorvan.pc pc)
# Its licence line may come first.
if(NOT pc MATCHES "^(#[^\n]*\n)*prefix=/[^$\n]*\n")
    message(FATAL_ERROR "sorvan.pc does not begin with a plain prefix:\n${pc}")
endif()
string(REGEX REPLACE "(^|\n)prefix=[^\n]*" "\\1prefix=${prefix}" pc "${pc}")
file(WRITE ${WORK_DIR}/pkgconfig/sorvan.pc "${pc}")
set(ENV{PKG_CONFIG_PATH} ${WORK_DIR}/pkgconfig)
run(pkg-config --cflags --libs sorvan)
separate_arguments(flags UNIX_COMMAND "${output}")
run(${CXX} -o ${WORK_DIR}/today-pc ${SOURCE_DIR}/consumer/today.cpp ${flags} -DQT_NO_KEYWORDS
    -Wall -Wextra -pedantic -Werror -Wl,-rpath,${prefix}/${LIBDIR})
expect_solar_date(${WORK_DIR}/today-pc)
