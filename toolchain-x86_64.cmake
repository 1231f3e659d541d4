# Cross-compiling for 64-bit Windows (tests on machines that run 64-bit code only).
set(LUMBRA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
