# Desktop entry, hicolor icons (one SVG, PNGs rendered from it at build time), AppStream metainfo and manual
# pages.

# Every size the icon theme is given; tests/packaging checks the installed tree against this list.
set(VYRA_ICON_SIZES 16 22 24 32 48 64 128 256 512)
set(VYRA_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/icons/${VYRA_APP_ID}.svg)

find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (package librsvg2-bin) is needed to render the application icons")
endif()

set(icon_outputs)
foreach(size IN LISTS VYRA_ICON_SIZES)
    set(png ${VYRA_PACKAGING_BINARY_DIR}/icons/${size}x${size}/${VYRA_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VYRA_PACKAGING_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${VYRA_ICON_SVG}
        DEPENDS ${VYRA_ICON_SVG}
        COMMENT "Rendering the ${size}x${size} application icon" VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT app)
endforeach()
add_custom_target(vyra_desktop_icons ALL DEPENDS ${icon_outputs})
install(FILES ${VYRA_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT app)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${VYRA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT app)
file(MAKE_DIRECTORY ${VYRA_PACKAGING_BINARY_DIR}/man)
configure_file(${CMAKE_CURRENT_LIST_DIR}/${VYRA_APP_ID}.metainfo.xml.in
               ${VYRA_PACKAGING_BINARY_DIR}/${VYRA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${VYRA_PACKAGING_BINARY_DIR}/${VYRA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT app)

# Manual pages, compressed as Debian wants them.
foreach(page VYRA_Control_App.1 vyra_simulated_unit.1 vyra_unit_check.1)
    execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/man/${page}
                    OUTPUT_FILE ${VYRA_PACKAGING_BINARY_DIR}/man/${page}.gz COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/man/${page})
endforeach()
install(FILES ${VYRA_PACKAGING_BINARY_DIR}/man/VYRA_Control_App.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT app)
if(TARGET vyra_simulated_unit)
    install(FILES ${VYRA_PACKAGING_BINARY_DIR}/man/vyra_simulated_unit.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT simulator)
endif()
if(TARGET vyra_unit_check)
    install(FILES ${VYRA_PACKAGING_BINARY_DIR}/man/vyra_unit_check.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT simulator)
endif()
