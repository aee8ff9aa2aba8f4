# lintian on every package in OUT_DIR: no error may remain. Warnings are printed for a human to read.
#   cmake -DOUT_DIR=<dir> -P Lintian.cmake
cmake_minimum_required(VERSION 3.16)
file(GLOB debs ${OUT_DIR}/*.deb)
if(NOT debs)
    message(FATAL_ERROR "No package in ${OUT_DIR} (run the packaging_deb test first)")
endif()
execute_process(COMMAND lintian --fail-on error --info --display-info ${debs}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
message(STATUS "lintian (exit ${rc}):\n${out}")
if(NOT rc EQUAL 0 OR out MATCHES "(^|\n)E: ")
    message(FATAL_ERROR "lintian reports errors (exit ${rc})")
endif()
