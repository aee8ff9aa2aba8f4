# Debian packages through CPack: vyra-control-app (components app, config, doc) and vyra-simulated-unit.
#   cpack -G DEB --config <build>/CPackConfig.cmake -B <dir>     (or: cmake --build <build> --target package)
# dpkg-shlibdeps finds the shared libraries; what the program loads at run time by name (QML modules, fonts,
# image plug-ins) is listed here, and tests/packaging checks this list against the QML documents.

set(VYRA_RUNTIME_DEPENDS
    qml-module-qtquick2
    qml-module-qtquick-controls2
    qml-module-qtquick-templates2
    qml-module-qtquick-window2
    qml-module-qtquick-layouts
    qml-module-qtgraphicaleffects
    libqt5svg5
    fonts-roboto-unhinted
    fonts-noto-cjk)
list(JOIN VYRA_RUNTIME_DEPENDS ", " VYRA_RUNTIME_DEPENDS_TEXT)

# Debian wants a changelog in every package's documentation folder.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
foreach(package ${VYRA_PACKAGE_NAME} ${VYRA_SIMULATOR_PACKAGE_NAME})
    set(changelog ${VYRA_PACKAGING_BINARY_DIR}/debian/${package}/changelog.Debian)
    file(MAKE_DIRECTORY ${VYRA_PACKAGING_BINARY_DIR}/debian/${package})
    file(WRITE ${changelog}
        "${package} (${PROJECT_VERSION}-1) stable; urgency=medium\n\n"
        "  * Release ${PROJECT_VERSION}.\n\n"
        " -- ${VYRA_MAINTAINER}  ${changelog_date}\n")
    execute_process(COMMAND gzip -9nc ${changelog} OUTPUT_FILE ${changelog}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${VYRA_PACKAGING_BINARY_DIR}/debian/${VYRA_PACKAGE_NAME}/changelog.Debian.gz
        DESTINATION ${VYRA_INSTALL_DOCDIR} COMPONENT doc EXCLUDE_FROM_ALL)
install(FILES ${VYRA_PACKAGING_BINARY_DIR}/debian/${VYRA_SIMULATOR_PACKAGE_NAME}/changelog.Debian.gz
        DESTINATION ${VYRA_SIMULATOR_INSTALL_DOCDIR} COMPONENT simulator EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VYRA_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR Tavik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VYRA_MAINTAINER})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL app config doc simulator)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VYRA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VYRA_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_MAIN_PACKAGE_NAME ${VYRA_PACKAGE_NAME})
set(CPACK_DEBIAN_MAIN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS ${VYRA_RUNTIME_DEPENDS_TEXT})
set(CPACK_DEBIAN_MAIN_DESCRIPTION "control application for VYRA motion-seat units
VYRA Control finds the VYRA units on the home-cinema network, shows what
a unit is doing (audio capture, the identified title with its poster and
progress, motion code, seats) and tunes its seats and settings. It also
browses the unit's library of titles, sets up its Wi-Fi and follows its
updates. In English, French and Chinese.")
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME ${VYRA_SIMULATOR_PACKAGE_NAME})
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION video)
set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION "simulated VYRA motion-seat unit for demonstrations
A VYRA unit in software: it announces itself on the network, answers the
VYRA Control application like a real unit and plays a scenario of
identified films, seats and updates, so that the application can be shown
and tried without hardware. With it comes vyra_unit_check, which checks a
unit against the link protocol and tells its maker what it got wrong.")

include(CPack)
cpack_add_component_group(main)
cpack_add_component(app GROUP main)
cpack_add_component(config GROUP main)
cpack_add_component(doc GROUP main)
cpack_add_component(simulator)
