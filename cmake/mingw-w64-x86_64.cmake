# Cross build for 64-bit Windows with Debian's mingw-w64, posix thread model (its
# libstdc++ has std::thread and std::mutex). Programs run under Wine for tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CLOCKR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CLOCKR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CLOCKR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CLOCKR_MINGW_TRIPLE}-windres)

# Look for libraries and headers only in the mingw-w64 tree, never the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${CLOCKR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No runtime DLLs beside the .exe: a bare Windows has none of them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and test discovery start the .exe files through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
