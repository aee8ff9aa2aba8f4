# The dependency check must refuse a QML import whose module package is not in Depends.
#   cmake -DWORK=<scratch dir> <the arguments of CheckDebDepends.cmake> -P BrokenDebDepends.cmake
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE ${WORK})
file(GLOB documents ${QML_DIR}/*.qml ${QML_DIR}/qmldir)
file(COPY ${documents} DESTINATION ${WORK}/qml)
file(WRITE ${WORK}/qml/WidgetWithNewImport.qml "import QtQuick 2.12\nimport QtTest 1.2\n\nTestCase {\n}\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DDEB=${DEB} -DQML_DIR=${WORK}/qml -DQRC=${QRC} -DQMAKE=${QMAKE}
                        -DQMLIMPORTSCANNER=${QMLIMPORTSCANNER} -P ${CMAKE_CURRENT_LIST_DIR}/CheckDebDepends.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
set(expected "QML module QtTest comes from qml-module-qttest, which is not in Depends")
string(FIND "${out}" "${expected}" at)
if(rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "A new import without its package was not refused with \"${expected}\" (exit ${rc}):\n${out}")
endif()
message(STATUS "A new import without its package is refused:\n${out}")
