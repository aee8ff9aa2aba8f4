# A fresh `cmake --install` of the build tree into PREFIX.
#   cmake -DBUILD_DIR=<build> -DPREFIX=<dir> -P InstallTree.cmake
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed (exit ${rc}):\n${out}")
endif()
