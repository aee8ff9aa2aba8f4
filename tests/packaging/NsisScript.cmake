# The Windows installer script compiles (makensis, NSIS 3) over a stand-in of the staged Windows tree: the
# installed share/ plus the icon that the Windows install rules add, and a placeholder for bin/ (packing the
# Linux binaries would only take time). Nothing Windows runs here.
#   cmake -DPREFIX=<installed prefix> -DWORK=<scratch dir> -DNSI=<script> -DVERSION=<x.y.z.w>
#         -DICON=<vyra_ca.ico> -P NsisScript.cmake
cmake_minimum_required(VERSION 3.16)
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
    message(FATAL_ERROR "makensis (package nsis) is needed to check the Windows installer script")
endif()
file(REMOVE_RECURSE ${WORK})
file(COPY ${PREFIX}/share DESTINATION ${WORK}/stage)
file(WRITE ${WORK}/stage/bin/VYRA_Control_App.exe "placeholder")
file(COPY ${ICON} DESTINATION ${WORK}/stage/share/vyra-control-app)
execute_process(COMMAND ${MAKENSIS} -V2 -DSTAGE=${WORK}/stage -DVERSION=${VERSION} -DOUTDIR=${WORK} ${NSI}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/vyra-control-app-${VERSION}-setup.exe)
    message(FATAL_ERROR "makensis ${NSI} failed (exit ${rc}):\n${out}")
endif()
message(STATUS "makensis made ${WORK}/vyra-control-app-${VERSION}-setup.exe\n${out}")
