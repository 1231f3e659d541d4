# Cross-compiling for 32-bit Windows (the deliverables).
set(LUMBRA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
