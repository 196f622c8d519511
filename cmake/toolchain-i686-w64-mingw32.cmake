# 32-bit Windows build: the release plug-in. Its tests run under Wine's WoW64 mode on the bench.
set(SONOTAPE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
