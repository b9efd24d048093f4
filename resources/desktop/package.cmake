# Debian packages, made by scripts/package: velmora (the program), libsorvan (the library) and libsorvan-dev.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <velmora@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL velmora libsorvan libsorvan-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# A shlibs file and the ldconfig trigger for the library package.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/velmora")

# The first line of each description is the package's summary.
set(CPACK_DEBIAN_VELMORA_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_VELMORA_PACKAGE_SECTION misc)
# The SQLite driver, the platform plugins and the Persian translation are plugins and data that no
# library link reveals, so every one is named.
set(CPACK_DEBIAN_VELMORA_PACKAGE_DEPENDS
    "libsorvan (= ${PROJECT_VERSION}), libc6 (>= 2.34), libstdc++6 (>= 12), libx11-6, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite, libqt6printsupport6 (>= 6.4), libzint2.11, libmdb3, qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-core")
set(CPACK_COMPONENT_VELMORA_DESCRIPTION "Counter program of a mobile-phone repair shop
Registers the devices brought in for repair, prints numbered receipts, finds jobs by receipt
number, customer or model, reminds of devices due for delivery and prints accounting reports.
Persian, right to left, with solar calendar dates.")

set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_NAME libsorvan)
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBSORVAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4)")
set(CPACK_COMPONENT_LIBSORVAN_DESCRIPTION "Solar (Persian) calendar and date control for Qt 6
Converts between Gregorian and solar dates and provides the Shamsi widget, which shows
today's solar date.")

set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_NAME libsorvan-dev)
set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBSORVAN-DEV_PACKAGE_DEPENDS "libsorvan (= ${PROJECT_VERSION}), qt6-base-dev (>= 6.4)")
set(CPACK_COMPONENT_LIBSORVAN-DEV_DESCRIPTION "Solar (Persian) calendar and date control for Qt 6: development files
Headers, CMake package (find_package(Sorvan) gives Sorvan::Sorvan) and pkg-config file (sorvan).")

include(CPack)
