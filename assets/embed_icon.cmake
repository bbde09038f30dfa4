# Writes the C++ source OUT holding the bytes of the PNG file IN, so the
# program carries its window icon in itself:
#   cmake -DIN=<png> -DOUT=<cpp> -P embed_icon.cmake
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}
"// Made at build time from assets/vlnkar.svg (assets/embed_icon.cmake).
#include \"app/window_icon.h\"

const unsigned char vlnkar_icon_png[] = {
${bytes}};
const std::size_t vlnkar_icon_png_size = ${size};
")
