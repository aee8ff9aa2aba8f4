# The desktop check must fail, and say why, on a tree with a missing icon size and a faulty metainfo.
#   cmake -DPREFIX=<installed prefix> -DWORK=<scratch dir> -DAPP_ID=... -DICON_SIZES=... -DVERSION=...
#         -DBINARY=... -P BrokenDesktopFiles.cmake
cmake_minimum_required(VERSION 3.16)
string(REPLACE "," ";" ICON_SIZES "${ICON_SIZES}")
file(REMOVE_RECURSE ${WORK})
file(COPY ${PREFIX}/ DESTINATION ${WORK})
list(GET ICON_SIZES 3 dropped)
file(REMOVE ${WORK}/share/icons/hicolor/${dropped}x${dropped}/apps/${APP_ID}.png)
set(metainfo ${WORK}/share/metainfo/${APP_ID}.metainfo.xml)
file(READ ${metainfo} xml)
# No English summary, and a release that is not this version.
string(REGEX REPLACE "<summary>[^<]*</summary>" "" xml "${xml}")
string(REPLACE "<release version=\"${VERSION}\"" "<release version=\"0.0.1\"" xml "${xml}")
file(WRITE ${metainfo} "${xml}")

string(REPLACE ";" "," sizes "${ICON_SIZES}")
execute_process(COMMAND ${CMAKE_COMMAND} -DPREFIX=${WORK} -DAPP_ID=${APP_ID} -DICON_SIZES=${sizes}
                        -DVERSION=${VERSION} -DBINARY=${BINARY} -P ${CMAKE_CURRENT_LIST_DIR}/CheckDesktopFiles.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
set(expected "missing icon ${dropped}x${dropped}" "appstreamcli validate --pedantic" "summary"
             "the metainfo has no release ${VERSION}")
foreach(text IN LISTS expected)
    string(FIND "${out}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The check of a broken tree did not report \"${text}\" (exit ${rc}):\n${out}")
    endif()
endforeach()
if(rc EQUAL 0)
    message(FATAL_ERROR "The check of a broken tree passed:\n${out}")
endif()
message(STATUS "A broken tree is refused:\n${out}")
