# SPDX-License-Identifier: GPL-3.0-or-later
# The program's menu entry, icons, AppStream metainfo and man page, installed with the program; and
# the copyright file and changelog that Debian wants in every package's doc folder.
set(VELMORA_DESKTOP_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VELMORA_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/../debian)
set(VELMORA_APPSTREAM_ID io.github.velmora.Velmora)
install(FILES ${VELMORA_DESKTOP_DIR}/velmora.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT velmora)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${VELMORA_DESKTOP_DIR}/icons/${size}x${size}/velmora.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT velmora)
endforeach()
install(FILES ${VELMORA_DESKTOP_DIR}/velmora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT velmora)
install(FILES ${VELMORA_DESKTOP_DIR}/velmora.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${VELMORA_APPSTREAM_ID}.metainfo.xml COMPONENT velmora)

# The maintainer of the packages: Debian's DEBFULLNAME and DEBEMAIL when set, else the git identity
# of the tree. The changelog is signed by the same address.
if(NOT VELMORA_MAINTAINER)
    set(maintainer_name "$ENV{DEBFULLNAME}")
    set(maintainer_mail "$ENV{DEBEMAIL}")
    foreach(part name mail)
        if(NOT maintainer_${part})
            set(key user.${part})
            if(part STREQUAL "mail")
                set(key user.email)
            endif()
            execute_process(COMMAND git config ${key} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE maintainer_${part} OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
    endforeach()
    if(NOT maintainer_name OR NOT maintainer_mail)
        set(maintainer_name "Velmora maintainers")
        set(maintainer_mail "velmora@invalid")
        message(WARNING "No maintainer address: set DEBFULLNAME and DEBEMAIL, or VELMORA_MAINTAINER")
    endif()
    set(VELMORA_MAINTAINER "${maintainer_name} <${maintainer_mail}>" CACHE STRING
        "Maintainer of the Debian packages and signer of their changelog: Name <address>")
endif()

# Compressed as Debian wants them: gzip -9 with no name or time inside, so a rebuild is identical.
set(VELMORA_DEBIAN_BUILD ${CMAKE_BINARY_DIR}/debian)
configure_file(${VELMORA_DEBIAN_DIR}/changelog.in ${VELMORA_DEBIAN_BUILD}/changelog @ONLY)
add_custom_command(OUTPUT ${VELMORA_DEBIAN_BUILD}/changelog.gz ${VELMORA_DEBIAN_BUILD}/velmora.1.gz
    COMMAND gzip -9n -c ${VELMORA_DEBIAN_BUILD}/changelog > ${VELMORA_DEBIAN_BUILD}/changelog.gz
    COMMAND gzip -9n -c ${VELMORA_DEBIAN_DIR}/velmora.1 > ${VELMORA_DEBIAN_BUILD}/velmora.1.gz
    DEPENDS ${VELMORA_DEBIAN_BUILD}/changelog ${VELMORA_DEBIAN_DIR}/velmora.1)
add_custom_target(velmora_debian_docs ALL DEPENDS ${VELMORA_DEBIAN_BUILD}/changelog.gz ${VELMORA_DEBIAN_BUILD}/velmora.1.gz)
install(FILES ${VELMORA_DEBIAN_BUILD}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT velmora)

# Each package's doc folder is named after the package, which for the library is its SONAME.
set(VELMORA_PACKAGE_OF_velmora velmora)
set(VELMORA_PACKAGE_OF_libsorvan libsorvan${SORVAN_SOVERSION})
set(VELMORA_PACKAGE_OF_libsorvan-dev libsorvan-dev)
foreach(component velmora libsorvan libsorvan-dev)
    set(doc ${CMAKE_INSTALL_DATADIR}/doc/${VELMORA_PACKAGE_OF_${component}})
    install(FILES ${VELMORA_DEBIAN_DIR}/copyright ${VELMORA_DEBIAN_BUILD}/changelog.gz
        DESTINATION ${doc} COMPONENT ${component})
    if(EXISTS ${VELMORA_DEBIAN_DIR}/${component}.lintian-overrides)
        install(FILES ${VELMORA_DEBIAN_DIR}/${component}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME ${VELMORA_PACKAGE_OF_${component}} COMPONENT ${component})
    endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/solardate/README.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VELMORA_PACKAGE_OF_libsorvan-dev} COMPONENT libsorvan-dev)
