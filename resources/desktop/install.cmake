# The program's menu entry and icons, installed with the program.
set(VELMORA_DESKTOP_DIR ${CMAKE_CURRENT_LIST_DIR})
install(FILES ${VELMORA_DESKTOP_DIR}/velmora.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT velmora)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${VELMORA_DESKTOP_DIR}/icons/${size}x${size}/velmora.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT velmora)
endforeach()
install(FILES ${VELMORA_DESKTOP_DIR}/velmora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT velmora)
