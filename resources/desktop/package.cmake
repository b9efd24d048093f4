# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages, made by scripts/package: velmora (the program), libsorvan1 (the library, named
# after its SONAME) and libsorvan-dev. scripts/package builds with dpkg-buildflags and then adds what
# CPack cannot write (Multi-Arch, the ldconfig trigger).
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL velmora libsorvan libsorvan-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Programs built on the library depend on this version or any later one of the same SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# The first line of each description is the package's summary.
set(CPACK_DEBIAN_VELMORA_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_VELMORA_PACKAGE_SECTION misc)
# The SQLite driver, the platform plugins and the Persian translation are plugins and data that no
# library link reveals, so every one is named. The PostgreSQL driver is needed only for a shop's
# database server, so it is recommended; without it the program says which package to install.
set(CPACK_DEBIAN_VELMORA_PACKAGE_DEPENDS
    "libsorvan${SORVAN_SOVERSION} (>= ${PROJECT_VERSION}), libc6 (>= 2.34), libstdc++6 (>= 12), libx11-6, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite, libqt6printsupport6 (>= 6.4), libqt6charts6 (>= 6.4), libzint2.11, libmdb3, libzstd1, libpq5, qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-core")
set(CPACK_DEBIAN_VELMORA_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_COMPONENT_VELMORA_DESCRIPTION "counter program of a mobile-phone repair shop
Registers the devices brought in for repair, prints numbered receipts,
finds jobs by receipt number, customer or model, reminds of devices due
for delivery and prints accounting reports. Persian, right to left, with
solar calendar dates. Jobs are kept in a file, or on a PostgreSQL server
shared by several counters.")

set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_NAME libsorvan${SORVAN_SOVERSION})
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4)")
# The library's first package was named libsorvan and holds the same files.
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_CONFLICTS "libsorvan")
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_REPLACES "libsorvan")
set(CPACK_COMPONENT_LIBSORVAN_DESCRIPTION "solar (Persian) calendar and date control for Qt 6
Converts between Gregorian and solar dates and provides the Shamsi
widget, which shows today's solar date.")

set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_NAME libsorvan-dev)
set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_DEPENDS
    "libsorvan${SORVAN_SOVERSION} (= ${PROJECT_VERSION}), qt6-base-dev (>= 6.4)")
set(CPACK_COMPONENT_LIBSORVAN-DEV_DESCRIPTION "solar (Persian) calendar and date control for Qt 6 - development files
Headers, CMake package (find_package(Sorvan) gives Sorvan::Sorvan) and
pkg-config file (sorvan) of the Sorvan library.")

include(CPack)
