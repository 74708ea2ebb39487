# Cross build for 64-bit Windows with Debian's mingw-w64 toolchain:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix thread model, for std::thread and friends; everything is linked
# statically, so the programs need no toolchain DLLs next to them. The tests
# run under Wine (tests/windows/run-under-wine), in a prefix inside the build
# folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAGSTATION_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAGSTATION_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAGSTATION_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAGSTATION_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAGSTATION_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/run-under-wine)
