# SPDX-License-Identifier: GPL-3.0-or-later
# velmora --import with no display at all: the jobs of an Access file into a fresh data folder,
# a second time adding nothing, and a file that is not an Access file refused with a non-zero exit.
# Run by CTest with -DVELMORA=... -DFIXTURES=... -DWORK_DIR=...
file(REMOVE_RECURSE ${WORK_DIR})
set(ENV{QT_QPA_PLATFORM} "")
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})

function(import file expected_code)
    execute_process(COMMAND ${VELMORA} --import ${file} --data-dir ${WORK_DIR}
        RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT code EQUAL expected_code)
        message(FATAL_ERROR "--import ${file} exited ${code}, not ${expected_code}\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
    set(err "${err}" PARENT_SCOPE)
endfunction()

import(${FIXTURES}/jobs-duplicates.mdb 0)
if(NOT out MATCHES "کارهاي وارد شده: 7" OR NOT out MATCHES "شماره 2 شد 32768" OR NOT out MATCHES "بدون شماره شد 32769")
    message(FATAL_ERROR "unexpected summary:\n${out}")
endif()
file(GLOB summaries ${WORK_DIR}/access-import-*.txt)
list(LENGTH summaries count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one summary file, found ${count}")
endif()

import(${FIXTURES}/jobs-duplicates.mdb 0)
if(NOT out MATCHES "کارهاي وارد شده: 0")
    message(FATAL_ERROR "a second import added jobs:\n${out}")
endif()

import(${FIXTURES}/README.md 1)
if(NOT err MATCHES "Access")
    message(FATAL_ERROR "no reason on standard error:\n${err}")
endif()

# A misspelt line in velmora.ini is refused by name before anything is opened.
file(WRITE ${WORK_DIR}/velmora.ini "sslmod=require\n")
import(${FIXTURES}/jobs-duplicates.mdb 4)
if(NOT err MATCHES "sslmod")
    message(FATAL_ERROR "the misspelt line is not named:\n${err}")
endif()
