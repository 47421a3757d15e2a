# Compiles res/dxfimport.rc. On Windows the toolchain's resource compiler puts the resources
# into the module's image. Elsewhere llvm-rc makes the same binary .res image, which is turned
# into a byte array linked into the module, where the Windows stand-ins read it.
set(DXF_RC ${CMAKE_CURRENT_SOURCE_DIR}/res/dxfimport.rc)
if(WIN32)
  enable_language(RC)
  set(DXF_RES_SOURCE ${DXF_RC})
else()
  find_program(LLVM_RC NAMES llvm-rc llvm-rc-14 llvm-rc-15 llvm-rc-16 REQUIRED)
  set(DXF_RES ${CMAKE_CURRENT_BINARY_DIR}/dxfimport.res)
  set(DXF_RES_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/dxfimport_res.cpp)
  file(GLOB DXF_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/*)
  # llvm-rc reads any argument that starts with '/' as a Windows-style option, so an input path
  # such as /check/... would be taken for its /C option: the input is named relative to res/.
  add_custom_command(
    OUTPUT ${DXF_RES}
    COMMAND ${LLVM_RC} -I ${CMAKE_CURRENT_SOURCE_DIR}/res
            -fo ${DXF_RES} -- dxfimport.rc
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/res
    DEPENDS ${DXF_RES_INPUTS}
    COMMENT "Compiling the module's resources")
  add_custom_command(
    OUTPUT ${DXF_RES_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DIN=${DXF_RES} -DOUT=${DXF_RES_SOURCE}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Embed.cmake
    DEPENDS ${DXF_RES} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Embed.cmake
    COMMENT "Linking the compiled resources into the module")
endif()
