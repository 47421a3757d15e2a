# What the Windows cross toolchains share: Debian's MINGW_TRIPLE-g++ and binutils, the target's
# own libraries, a statically linked runtime. Included by toolchain-mingw-*.cmake, which set
# CMAKE_SYSTEM_PROCESSOR and MINGW_TRIPLE first.
#
# The C++ runtime is linked statically into every image we make (the plug-in, the kernel
# library, the host program), so none of them needs the compiler's runtime DLLs; what they import
# besides each other comes from the system's own DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-ar CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-ranlib CACHE FILEPATH "archive indexer")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${MINGW_STATIC_RUNTIME} ${MINGW_MODULE_LINK_FLAGS}")

# pkg-config must look at the target's libraries, not at the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${CMAKE_FIND_ROOT_PATH}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Header-only libraries of the build machine that compile for any target (CLI11, read by the
# host program) are shown to the cross compiler through a folder that holds only them: never
# through /usr/include, whose C library headers are the build machine's own.
set(MINGW_PORTABLE_HEADERS ${CMAKE_BINARY_DIR}/portable-include)
foreach(dir CLI nlohmann)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${MINGW_PORTABLE_HEADERS}/${dir})
    file(MAKE_DIRECTORY ${MINGW_PORTABLE_HEADERS})
    file(CREATE_LINK /usr/include/${dir} ${MINGW_PORTABLE_HEADERS}/${dir} SYMBOLIC)
  endif()
endforeach()
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${MINGW_PORTABLE_HEADERS})
