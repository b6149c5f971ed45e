# Cross-compiling the Windows side with MinGW-w64 (posix thread model, for std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KF_MINGW x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${KF_MINGW}-gcc-posix ${KF_MINGW}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KF_MINGW}-g++-posix ${KF_MINGW}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KF_MINGW}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${KF_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Programs built here run through Wine when CTest starts them.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
