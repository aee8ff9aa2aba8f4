# Installation (cmake --install), desktop integration and the Debian package (cpack -G DEB).
# Included from the top-level CMakeLists.txt, so that tests/packaging sees the names set here.
#
# Components:
#   app        the program, and on Linux its desktop entry, icons and AppStream metainfo
#   config     the logging configuration, read from the data folder when none sits beside the executable
#   doc        licence and README
#   simulator  the simulated unit, for demonstrations without hardware, and vyra_unit_check, which checks a unit
#              against the link protocol (a package of its own, for the makers of units)

set(VYRA_PACKAGING_BINARY_DIR ${CMAKE_BINARY_DIR}/packaging)
set(VYRA_PACKAGE_NAME vyra-control-app)
set(VYRA_SIMULATOR_PACKAGE_NAME vyra-simulated-unit)
set(VYRA_APP_ID com.tavik.vyracontrol)
set(VYRA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/${VYRA_PACKAGE_NAME})
set(VYRA_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${VYRA_PACKAGE_NAME})
set(VYRA_SIMULATOR_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${VYRA_SIMULATOR_PACKAGE_NAME})
set(VYRA_HOMEPAGE_URL "https://www.tavik.com/vyra" CACHE STRING "The product's home page")
# Where the images of scripts/screenshots.sh are published, for software centres.
set(VYRA_SCREENSHOT_URL "${VYRA_HOMEPAGE_URL}/screenshots" CACHE STRING "Base address of the screenshots")
set(VYRA_RELEASE_DATE 2026-12-07) # of PROJECT_VERSION; goes with it into the metainfo's releases
set(VYRA_MAINTAINER "Tavik <vyra-support@tavik.com>")

# The program finds its installed data folder relative to its own folder, so any prefix works.
file(RELATIVE_PATH VYRA_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/${VYRA_PACKAGE_NAME})
target_compile_definitions(vyra_app_core PUBLIC VYRA_INSTALLED_DATA_FROM_BIN="${VYRA_DATA_FROM_BIN}")

install(TARGETS VYRA_Control_App RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT app)
install(FILES ${PROJECT_SOURCE_DIR}/VYRA_Control_App/CAlogger.properties
        DESTINATION ${VYRA_INSTALL_DATADIR} COMPONENT config)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VYRA_INSTALL_DOCDIR} RENAME copyright COMPONENT doc)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${VYRA_INSTALL_DOCDIR} COMPONENT doc)
if(TARGET vyra_simulated_unit)
    install(TARGETS vyra_simulated_unit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
    if(TARGET vyra_unit_check)
        install(TARGETS vyra_unit_check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
    endif()
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VYRA_SIMULATOR_INSTALL_DOCDIR} RENAME copyright
            COMPONENT simulator)
    install(FILES ${PROJECT_SOURCE_DIR}/simulator/README.md DESTINATION ${VYRA_SIMULATOR_INSTALL_DOCDIR}
            COMPONENT simulator)
endif()

if(WIN32)
    # For the installer's Start-menu entry and uninstaller (packaging/windows).
    install(FILES ${PROJECT_SOURCE_DIR}/VYRA_Control_App/qml/Resources/icon/vyra_ca.ico
            DESTINATION ${VYRA_INSTALL_DATADIR} COMPONENT app)
endif()
if(UNIX AND NOT APPLE)
    # Relocations resolved at start-up and then read-only, as Debian builds its own programs.
    foreach(program VYRA_Control_App vyra_simulated_unit vyra_unit_check)
        if(TARGET ${program})
            target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
        endif()
    endforeach()
    include(${CMAKE_CURRENT_LIST_DIR}/linux/LinuxDesktop.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/linux/DebianPackage.cmake)
endif()
