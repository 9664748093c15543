# The same Windows build for x86_64, for machines that run no 32-bit programs
# (scripts/windows.sh): only its tests are run, under 64-bit Wine.
set(QUORRIN_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
