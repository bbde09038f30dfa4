// The program's icon as the bytes of a PNG file, rasterised from
// assets/vlnkar.svg and built into the program, so its window has the icon
// wherever it runs, with or without its archive.
#pragma once

#include <cstddef>

extern const unsigned char vlnkar_icon_png[];
extern const std::size_t vlnkar_icon_png_size;
