# Cross-compiles for 64-bit Windows with Debian's x86_64-w64-mingw32 tools (packages
# g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64). This build is not shipped: it is what
# 64-bit Wine can run here (tools/check-windows-run.sh), so the Windows paths of the same
# sources are exercised.
#
# The host hands the module its instance handle in a 32-bit field. A 64-bit DLL at the default
# base (above 4 GiB) would get a handle cut to its low half and find none of its own resources,
# so the plug-in (the only MODULE library) is linked at a fixed base below 2 GiB, without
# address randomisation moving it above.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(MINGW_MODULE_LINK_FLAGS
    "-Wl,--image-base,0x10000000 -Wl,--disable-dynamicbase -Wl,--disable-high-entropy-va")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
