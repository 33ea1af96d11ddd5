# The posix-thread flavour of the compilers: std::thread and std::mutex work.
set(CMAKE_C_COMPILER ${UFC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UFC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${UFC_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${UFC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs built here run through Wine in a private prefix of the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
