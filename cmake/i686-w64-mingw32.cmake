# Cross-compiles for 32-bit Windows with mingw-w64 (Debian's i686 packages).
# The posix thread model: GoogleTest needs std::mutex; the runtime is linked
# statically all the same.
# x86_64-w64-mingw32.cmake sets QUORRIN_TRIPLE first.
if(NOT QUORRIN_TRIPLE)
    set(QUORRIN_TRIPLE i686-w64-mingw32)
endif()
set(triple ${QUORRIN_TRIPLE})
string(REGEX REPLACE "-.*" "" processor ${triple})
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${processor})

find_program(QUORRIN_MINGW_CXX ${triple}-g++-posix)
if(NOT QUORRIN_MINGW_CXX)
    message(FATAL_ERROR "${triple}-g++-posix not found: run scripts/setup.sh")
endif()
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Runs every test program under Wine in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
