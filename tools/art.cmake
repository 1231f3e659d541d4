# lumbra_art(TARGET ART RCNAME COMMENT DIRVAR RCVAR): draws the icons and bitmaps described
# in ART at build time into <binary dir>/art, with RCNAME the resource script that lists
# them; TARGET builds them, DIRVAR and RCVAR receive the folder and the script's path.
set(LUMBRA_HOST_CXX /usr/bin/g++ CACHE FILEPATH "Host compiler for the build-time generators")

function(lumbra_art target art rcname comment dirvar rcvar)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/art)
  set(rc ${dir}/${rcname})
  add_custom_command(
    OUTPUT ${rc}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${LUMBRA_HOST_CXX} -O1 -std=c++17 -o ${CMAKE_CURRENT_BINARY_DIR}/mkart
            ${PROJECT_SOURCE_DIR}/tools/mkart.cpp
    COMMAND ${CMAKE_CURRENT_BINARY_DIR}/mkart ${art} ${dir} ${rc}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/mkart.cpp ${art}
    COMMENT "${comment}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${rc})
  set(${dirvar} ${dir} PARENT_SCOPE)
  set(${rcvar} ${rc} PARENT_SCOPE)
endfunction()
