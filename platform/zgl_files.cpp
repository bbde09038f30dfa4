// Files: the picture archive (a zip mounted with PhysFS), pictures decoded
// with SDL_image and the TrueType font opened with SDL_ttf.
//
// Loads are cached by archive and name, so loading everything again (the
// switch to full screen does) returns the same handles instead of leaking
// new ones. Every failure yields a null handle and one sentence on stderr,
// said once per name.
#include <SDL_image.h>
#include <physfs.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/report.h"
#include "platform/zgl_internal.h"

namespace fs = std::filesystem;

namespace zgl {

namespace {

void report_once(const std::string& name, const std::string& sentence)
{
    if (g.reported[name])
        return;
    g.reported[name] = true;
    report(sentence);
}

std::string physfs_reason()
{
    // Read the code in its own statement, right after the failing call.
    PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
    const char* text = PHYSFS_getErrorByCode(code);
    return text ? text : "unknown error";
}

// The folder of the running program, with a trailing separator, or empty.
std::string program_dir()
{
    char* base = SDL_GetBasePath();
    if (!base)
        return {};
    std::string dir = base;
    SDL_free(base);
    return dir;
}

bool is_file(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// Reads a whole file: from the mounted archive while one is open, else from
// disk. On failure leaves a reason in `why`.
bool read_file(const std::string& name, std::vector<uint8_t>& out, std::string& why)
{
    out.clear();
    if (!g.archive.empty()) {
        PHYSFS_File* f = PHYSFS_openRead(name.c_str());
        if (!f) {
            why = physfs_reason();
            return false;
        }
        PHYSFS_sint64 len = PHYSFS_fileLength(f);
        if (len < 0) {
            PHYSFS_close(f);
            why = "its length is unknown";
            return false;
        }
        out.resize(size_t(len));
        PHYSFS_sint64 got = PHYSFS_readBytes(f, out.data(), PHYSFS_uint64(len));
        PHYSFS_close(f);
        if (got != len) {
            why = "it could not be read whole";
            return false;
        }
        return true;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        why = "no such file";
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        why = "it could not be read";
        return false;
    }
    return true;
}

std::string cache_key(const std::string& name)
{
    return g.archive + '\n' + name;
}

} // namespace

TTF_Font* font_at(zgl_font* f, int points)
{
    auto it = f->sizes.find(points);
    if (it != f->sizes.end())
        return it->second;
    SDL_RWops* rw = SDL_RWFromConstMem(f->bytes.data(), int(f->bytes.size()));
    TTF_Font* font = rw ? TTF_OpenFontRW(rw, 1, points) : nullptr;
    f->sizes[points] = font; // a failure is kept too, so it is not retried every frame
    return font;
}

void free_files()
{
    file_CloseArchive();
    for (auto& [key, t] : g.textures) {
        if (!t)
            continue;
        if (t->texture && g.renderer)
            SDL_DestroyTexture(t->texture);
        SDL_FreeSurface(t->surface);
        delete t;
    }
    g.textures.clear();
    for (auto& [key, f] : g.fonts) {
        if (!f)
            continue;
        for (auto& [pts, font] : f->sizes)
            if (font)
                TTF_CloseFont(font);
        delete f;
    }
    g.fonts.clear();
    g.reported.clear();
}

} // namespace zgl

using zgl::g;

bool file_OpenArchive(const std::string& name, const std::string& /*password: zips are not encrypted*/)
{
    file_CloseArchive();
    // A relative name: the current directory first, then beside the program
    // (the build folder), then in the data folder of an installed program
    // (<prefix>/bin/vlnkar reads <prefix>/share/vlnkar/), so the program
    // finds its pictures from any directory.
    fs::path path = name;
    const fs::path dir = zgl::program_dir();
    if (path.is_relative() && !zgl::is_file(path) && !dir.empty()) {
        for (const fs::path& candidate : {dir / name, dir / ".." / "share" / "vlnkar" / name}) {
            if (zgl::is_file(candidate)) {
                path = candidate;
                break;
            }
        }
    }
    if (!zgl::is_file(path)) {
        report("cannot open the archive \"" + name +
               "\": it is not in the current directory, beside the program or in the program's "
               "../share/vlnkar folder");
        return false;
    }
    std::error_code ec;
    fs::path abs = fs::absolute(path, ec);
    if (!ec)
        path = abs;
    if (!g.physfs) {
        if (!PHYSFS_init(nullptr)) {
            report("cannot open the archive \"" + name + "\": PhysFS did not start (" + zgl::physfs_reason() +
                   ")");
            return false;
        }
        g.physfs = true;
    }
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) {
        std::string why = zgl::physfs_reason();
        report("cannot open the archive \"" + name + "\": " + why);
        return false;
    }
    g.archive = path.string();
    return true;
}

void file_CloseArchive()
{
    if (g.archive.empty())
        return;
    if (g.physfs)
        PHYSFS_unmount(g.archive.c_str());
    g.archive.clear();
}

zgl_texture* tex_LoadFromFile(const std::string& name, uint32_t transparent_color, uint32_t /*flags*/)
{
    std::string key = zgl::cache_key(name);
    auto it = g.textures.find(key);
    if (it != g.textures.end() && it->second)
        return it->second;

    std::vector<uint8_t> bytes;
    std::string why;
    if (!zgl::read_file(name, bytes, why)) {
        zgl::report_once(key, "cannot load the picture \"" + name + "\": " + why);
        return nullptr;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
    SDL_Surface* raw = rw ? IMG_Load_RW(rw, 1) : nullptr;
    if (!raw) {
        zgl::report_once(key, "cannot load the picture \"" + name + "\": " + SDL_GetError());
        return nullptr;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(raw);
    if (!argb) {
        zgl::report_once(key, "cannot convert the picture \"" + name + "\": " + SDL_GetError());
        return nullptr;
    }
    // A colour key (top byte zero) makes that colour transparent; 0xFF000000 means none.
    if ((transparent_color & 0xFF000000u) == 0) {
        SDL_SetColorKey(argb, SDL_TRUE,
                        SDL_MapRGB(argb->format, (transparent_color >> 16) & 0xFF,
                                   (transparent_color >> 8) & 0xFF, transparent_color & 0xFF));
    }
    auto* t = new zgl_texture;
    t->surface = argb;
    t->w = argb->w;
    t->h = argb->h;
    g.textures[key] = t;
    return t;
}

zgl_font* font_LoadFromFile(const std::string& name)
{
    std::string key = zgl::cache_key(name);
    auto it = g.fonts.find(key);
    if (it != g.fonts.end() && it->second)
        return it->second;

    if (!TTF_WasInit()) {
        if (TTF_Init() != 0) {
            zgl::report_once(key, "cannot load the font \"" + name + "\": SDL_ttf did not start (" +
                                      TTF_GetError() + ")");
            return nullptr;
        }
        g.ttf = true;
    }
    auto* f = new zgl_font;
    std::string why;
    if (!zgl::read_file(name, f->bytes, why)) {
        delete f;
        zgl::report_once(key, "cannot load the font \"" + name + "\": " + why);
        return nullptr;
    }
    if (!zgl::font_at(f, zgl::kFontPoints)) {
        delete f;
        zgl::report_once(key, "cannot load the font \"" + name + "\": " + TTF_GetError());
        return nullptr;
    }
    g.fonts[key] = f;
    return f;
}
