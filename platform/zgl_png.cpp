// Pictures: a PNG file's bytes decoded with libpng into an ARGB8888 surface.
//
// The picture's size is read from its header and checked before a single
// pixel is allocated, so a tiny file claiming 40000 x 40000 pixels costs
// nothing. libpng's errors and warnings come back to us instead of going to
// stderr on their own, so a damaged picture gives our one sentence only.
//
// Relies on libpng 1.6 (its setjmp error handling: the function that calls
// setjmp keeps nothing in local variables that change afterwards; all of it
// lives in the job record) and SDL for the surface.
#include <png.h>

#include <cstring>

#include "platform/zgl_internal.h"

namespace zgl {

namespace {

// Everything one decode needs and changes, outside the function that calls
// setjmp.
struct png_job {
    const std::vector<uint8_t>* bytes;
    size_t pos = 0;
    SDL_Surface* surface = nullptr;
    std::vector<png_bytep> rows;
    std::string error;
};

// Both jobs keep the message in their `error`, which each finds through
// the error pointer it was created with.
template <typename Job> void on_error_of(png_structp png, png_const_charp message)
{
    static_cast<Job*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

void read_bytes(png_structp png, png_bytep out, size_t n)
{
    auto* job = static_cast<png_job*>(png_get_io_ptr(png));
    if (n > job->bytes->size() - job->pos)
        png_error(png, "the file ends early");
    std::memcpy(out, job->bytes->data() + job->pos, n);
    job->pos += n;
}

// Decodes into job.surface; false with job.error on failure.
bool run(png_job& job, png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_read_fn(png, &job, read_bytes);
    png_read_info(png, info);
    // Any PNG to 8-bit B, G, R, A bytes: ARGB8888 in memory on this
    // little-endian machine.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    job.surface = SDL_CreateRGBSurfaceWithFormat(0, int(w), int(h), 32, SDL_PIXELFORMAT_ARGB8888);
    if (!job.surface)
        png_error(png, "no memory for its pixels");
    job.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        job.rows[y] = static_cast<png_bytep>(job.surface->pixels) + size_t(y) * size_t(job.surface->pitch);
    png_read_image(png, job.rows.data());
    png_read_end(png, nullptr);
    return true;
}

// Width and height from a PNG's header: the signature, then the IHDR chunk,
// which must come first, with both sides as big-endian 32-bit numbers.
// False when the bytes are no PNG.
bool png_size(const std::vector<uint8_t>& b, uint32_t& w, uint32_t& h)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 24 || std::memcmp(b.data(), signature, 8) != 0 ||
        std::memcmp(b.data() + 12, "IHDR", 4) != 0)
        return false;
    const auto be32 = [&](size_t i) {
        return uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | uint32_t(b[i + 3]);
    };
    w = be32(16);
    h = be32(20);
    return true;
}

// Everything one encode needs and changes, outside the function that calls
// setjmp.
struct png_out_job {
    const std::vector<uint32_t>* pixels;
    int w = 0, h = 0;
    std::string* out;
    std::vector<uint8_t> row;
    std::string error;
};

void write_bytes(png_structp png, png_bytep data, size_t n)
{
    static_cast<png_out_job*>(png_get_io_ptr(png))->out->append(reinterpret_cast<const char*>(data), n);
}

void flush_nothing(png_structp) {}

bool run_encode(png_out_job& job, png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &job, write_bytes, flush_nothing);
    png_set_IHDR(png, info, png_uint_32(job.w), png_uint_32(job.h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    job.row.resize(size_t(job.w) * 3);
    for (int y = 0; y < job.h; ++y) {
        const uint32_t* src = job.pixels->data() + size_t(y) * size_t(job.w);
        for (int x = 0; x < job.w; ++x) {
            job.row[size_t(x) * 3] = uint8_t(src[x] >> 16);
            job.row[size_t(x) * 3 + 1] = uint8_t(src[x] >> 8);
            job.row[size_t(x) * 3 + 2] = uint8_t(src[x]);
        }
        png_write_row(png, job.row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool encode_png(const std::vector<uint32_t>& pixels, int w, int h, std::string& out, std::string& why)
{
    if (w <= 0 || h <= 0 || pixels.size() != size_t(w) * size_t(h)) {
        why = "the window has no pixels to save";
        return false;
    }
    png_out_job job;
    job.pixels = &pixels;
    job.w = w;
    job.h = h;
    job.out = &out;
    out.clear();
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, on_error_of<png_out_job>, on_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info && run_encode(job, png, info);
    png_destroy_write_struct(&png, &info);
    if (!ok)
        why = "the picture cannot be encoded (" +
              (job.error.empty() ? std::string("libpng did not start") : job.error) + ")";
    return ok;
}

SDL_Surface* decode_png(const std::vector<uint8_t>& bytes, std::string& why)
{
    uint32_t w = 0, h = 0;
    if (!png_size(bytes, w, h)) {
        why = "it is not a PNG picture";
        return nullptr;
    }
    if (w > kMaxPictureSide || h > kMaxPictureSide) {
        why = "it is " + std::to_string(w) + " x " + std::to_string(h) + " pixels, larger than the " +
              std::to_string(kMaxPictureSide) + " x " + std::to_string(kMaxPictureSide) + " a picture may be";
        return nullptr;
    }
    png_job job;
    job.bytes = &bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, on_error_of<png_job>, on_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info && run(job, png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        if (job.surface)
            SDL_FreeSurface(job.surface);
        why = "it is damaged (" + (job.error.empty() ? std::string("libpng did not start") : job.error) + ")";
        return nullptr;
    }
    return job.surface;
}

} // namespace zgl
