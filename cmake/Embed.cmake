# Writes the bytes of IN as a C++ array (dxf_res_image, dxf_res_size) into OUT.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from the compiled resources; do not edit.\n#include <cstddef>\n"
     "extern const unsigned char dxf_res_image[] = {\n${bytes}\n};\n"
     "extern const std::size_t dxf_res_size = ${size};\n")
