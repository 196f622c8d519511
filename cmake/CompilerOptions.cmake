# Warnings as errors, and the platform settings shared by every target.
add_library(sonotape_options INTERFACE)
target_compile_features(sonotape_options INTERFACE cxx_std_20)
target_compile_options(sonotape_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Werror)

if(WIN32)
  target_compile_definitions(sonotape_options INTERFACE
    NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 STRICT)
  # No compiler runtime DLLs beside the plug-in: everything but system DLLs is linked in.
  target_link_options(sonotape_options INTERFACE -static -static-libgcc -static-libstdc++)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit callers (the host, the graph's threads) guarantee only 4-byte stack alignment.
    # Floating point in SSE2 registers, not the x87 unit: the release needs a processor with SSE2.
    target_compile_options(sonotape_options INTERFACE -mincoming-stack-boundary=2 -msse2 -mfpmath=sse)
  endif()
endif()

if(SONOTAPE_SANITIZE)
  target_compile_options(sonotape_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(sonotape_options INTERFACE -fsanitize=address,undefined)
endif()
