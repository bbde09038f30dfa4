// Files: the picture archive (a zip mounted with PhysFS), pictures (decoded
// in zgl_png.cpp) and the TrueType font opened with SDL_ttf.
//
// Loads are cached by archive and name, so loading everything again (the
// switch to full screen does) returns the same handles instead of leaking
// new ones. Every failure yields a null handle and one sentence on stderr,
// said once per name: what failed and what the program does instead.
//
// Nothing a file says about itself is trusted: an archive entry is read in
// chunks up to a fixed size whatever size the archive declares for it, and
// a picture's size is read from its header before anything is decoded.
#include <fcntl.h>
#include <physfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/files.h"
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

// A file larger than this is refused, from the archive or from disk. Our
// own largest, the font, is 0.75 MB; the limit leaves room for any sensible
// font or picture while a damaged or hostile entry declaring gigabytes (or
// really holding them, compressed to nothing) costs neither memory nor time.
constexpr size_t kMaxFileBytes = size_t{32} << 20;
// Files are read this much at a time.
constexpr size_t kChunkBytes = size_t{64} << 10;
// The reason for a PhysFS failure in plain words, from the code read with
// PHYSFS_getLastErrorCode in its own statement right after the failing
// call (reading it clears it). A failure without a code (PhysFS would say
// "no error") is a damaged file.
std::string physfs_reason(PHYSFS_ErrorCode code)
{
    switch (code) {
    case PHYSFS_ERR_OK:
    case PHYSFS_ERR_PAST_EOF:
    case PHYSFS_ERR_CORRUPT:
        return "it is damaged or cut short";
    case PHYSFS_ERR_UNSUPPORTED:
        return "it is not a readable zip archive";
    case PHYSFS_ERR_NOT_FOUND:
        return "it is not there";
    case PHYSFS_ERR_PERMISSION:
        return "permission denied";
    default: {
        const char* text = PHYSFS_getErrorByCode(code);
        return text ? text : "unknown error";
    }
    }
}

std::string mib(size_t bytes)
{
    return std::to_string(bytes >> 20) + " MiB";
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

// What stands under `p` when that is there but is not a regular file ("a
// FIFO"), or "" (a regular file, or nothing at all).
std::string odd_file(const fs::path& p)
{
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0)
        return S_ISREG(st.st_mode) ? std::string() : file_kind(st.st_mode);
    return errno == ELOOP ? "a symbolic link that leads round in a loop" : std::string();
}

// An archive listing more entries than this is refused before PhysFS
// mounts it: mounting costs time that grows with the square of the count
// (100,000 entries take seconds, during which the program cannot even
// end), while ours holds fourteen.
constexpr uint64_t kMaxArchiveEntries = 10000;

uint64_t le(const uint8_t* p, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// The number of entries the zip at `path` says its directory holds, read
// from its end record (and, where there is one, from the zip64 end record
// the locator before it points at); 0 when no end record is found, which
// PhysFS will then report. A file that is not regular is left unread.
uint64_t listed_entries(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    struct stat st {};
    uint64_t count = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // The end record (22 bytes and a comment of up to 65,535) and the
        // 20-byte zip64 locator right before it lie within the last bytes.
        const off_t tail = std::min<off_t>(st.st_size, 22 + 65535 + 20);
        std::vector<uint8_t> b(size_t(tail), 0);
        const bool read = tail >= 22 && ::pread(fd, b.data(), b.size(), st.st_size - tail) == tail;
        // Searched from the end, as zip readers do.
        for (size_t at = read ? b.size() - 21 : 0; at-- > 0;) {
            if (le(&b[at], 4) != 0x06054b50)
                continue;
            count = le(&b[at + 10], 2);
            uint8_t z[56];
            if (at >= 20 && le(&b[at - 20], 4) == 0x07064b50 &&
                ::pread(fd, z, sizeof z, off_t(le(&b[at - 12], 8))) == off_t(sizeof z) &&
                le(z, 4) == 0x06064b50)
                count = le(z + 32, 8);
            break;
        }
    }
    ::close(fd);
    return count;
}

enum class chunked { whole, failed, too_big };

// Appends to `out` what `read(into, n)` gives, chunk by chunk, until a
// chunk comes short; `read` returns the bytes it read, or -1 on failure.
// Stops as soon as more than kMaxFileBytes have come, whatever the source
// says of its own size.
template <class Read> chunked read_chunks(std::vector<uint8_t>& out, Read read)
{
    for (;;) {
        const size_t have = out.size();
        out.resize(have + kChunkBytes);
        const long long got = read(out.data() + have, kChunkBytes);
        if (got < 0) {
            out.clear();
            return chunked::failed;
        }
        out.resize(have + size_t(got));
        if (out.size() > kMaxFileBytes) {
            out.clear();
            return chunked::too_big;
        }
        if (size_t(got) < kChunkBytes)
            return chunked::whole;
    }
}

// Reads a whole file into `out`: from the mounted archive while one is
// open, else from disk. On failure leaves the reason in `why` (a clause
// that completes "cannot load ...: ") and returns false.
bool read_file(const std::string& name, std::vector<uint8_t>& out, std::string& why)
{
    out.clear();
    const auto too_big = [&] {
        why = "it holds more than the " + mib(kMaxFileBytes) + " a file may have";
        return false;
    };
    if (!g.archive.empty()) {
        PHYSFS_File* f = PHYSFS_openRead(name.c_str());
        if (!f) {
            const PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
            why = code == PHYSFS_ERR_NOT_FOUND ? "it is not in the archive" : physfs_reason(code);
            return false;
        }
        // The declared size refuses a huge entry at once; the chunked read
        // below holds whatever the entry really holds to the same limit.
        const PHYSFS_sint64 declared = PHYSFS_fileLength(f);
        if (declared > PHYSFS_sint64(kMaxFileBytes)) {
            PHYSFS_close(f);
            why = "the archive gives it " + std::to_string(declared) + " bytes, more than the " +
                  mib(kMaxFileBytes) + " a file may have";
            return false;
        }
        PHYSFS_ErrorCode code = PHYSFS_ERR_OK;
        const chunked r = read_chunks(out, [&](uint8_t* into, size_t n) {
            const PHYSFS_sint64 got = PHYSFS_readBytes(f, into, n);
            if (got < 0)
                code = PHYSFS_getLastErrorCode();
            return static_cast<long long>(got);
        });
        PHYSFS_close(f);
        if (r == chunked::failed) {
            why = physfs_reason(code);
            return false;
        }
        if (r == chunked::too_big)
            return too_big();
        if (declared >= 0 && PHYSFS_sint64(out.size()) != declared) {
            why = "it is damaged or cut short";
            out.clear();
            return false;
        }
        return true;
    }
    // From disk: only a regular file, so a FIFO or a device under the name
    // can neither block nor flood the start.
    std::error_code ec;
    const fs::file_status st = fs::status(name, ec);
    if (!fs::exists(st)) {
        why = "there is no such file";
        return false;
    }
    if (!fs::is_regular_file(st)) {
        why = "it is not a regular file";
        return false;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        why = "it cannot be opened";
        return false;
    }
    const chunked r = read_chunks(out, [&](uint8_t* into, size_t n) {
        in.read(reinterpret_cast<char*>(into), std::streamsize(n));
        return in.bad() ? -1LL : static_cast<long long>(in.gcount());
    });
    if (r == chunked::too_big)
        return too_big();
    if (r == chunked::failed) {
        why = "it cannot be read";
        return false;
    }
    return true;
}

// Where a name was looked for, for the messages: ` from "textury.dat"` while
// an archive is open, nothing otherwise.
std::string source()
{
    return g.archive.empty() ? std::string() : " from \"" + fs::path(g.archive).filename().string() + "\"";
}

// After the archive could not be opened (which was said then), a file that
// is not on disk either is missing for the same reason: not said again.
bool quietly_missing(const std::string& name)
{
    std::error_code ec;
    return g.archive.empty() && g.archive_failed && !fs::exists(name, ec);
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
        if (t->dark_texture && g.renderer)
            SDL_DestroyTexture(t->dark_texture);
        SDL_FreeSurface(t->surface);
        SDL_FreeSurface(t->dark_surface);
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
    // Something else under the name where it is first looked for (a FIFO,
    // a folder, a link loop) is named in the message below.
    const std::string odd = zgl::odd_file(path);
    if (path.is_relative() && !zgl::is_file(path) && !dir.empty()) {
        for (const fs::path& candidate : {dir / name, dir / ".." / "share" / "vlnkar" / name}) {
            if (zgl::is_file(candidate)) {
                path = candidate;
                break;
            }
        }
    }
    // Without the archive every picture and the font are missing; that is
    // said here once, not again for each of them.
    g.archive_failed = true;
    const auto cannot_open = [&](const std::string& why) {
        zgl::report_once("archive\n" + name, "cannot open the archive \"" + name + "\": " + why +
                                                 ", so the program runs without its pictures and font");
        return false;
    };
    if (!zgl::is_file(path) && !odd.empty())
        return cannot_open("it is " + odd + ", not a regular file");
    if (!zgl::is_file(path))
        return cannot_open("it is not in the current directory, beside the program or in the program's "
                           "../share/vlnkar folder");
    const uint64_t entries = zgl::listed_entries(path);
    if (entries > zgl::kMaxArchiveEntries)
        return cannot_open("its directory lists " + std::to_string(entries) + " entries, more than the " +
                           std::to_string(zgl::kMaxArchiveEntries) + " an archive may have");
    std::error_code ec;
    fs::path abs = fs::absolute(path, ec);
    if (!ec)
        path = abs;
    if (!g.physfs) {
        if (!PHYSFS_init(nullptr)) {
            const PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
            return cannot_open("PhysFS did not start (" + zgl::physfs_reason(code) + ")");
        }
        g.physfs = true;
    }
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) {
        const PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
        return cannot_open(zgl::physfs_reason(code));
    }
    g.archive = path.string();
    g.archive_failed = false;
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

    const auto cannot = [&](const std::string& why) {
        zgl::report_once(key, "cannot load the picture \"" + name + "\"" + zgl::source() + ": " + why +
                                  ", so it is not drawn");
        return nullptr;
    };
    std::vector<uint8_t> bytes;
    std::string why;
    if (!zgl::read_file(name, bytes, why)) {
        if (zgl::quietly_missing(name))
            return nullptr;
        return cannot(why);
    }
    SDL_Surface* argb = zgl::decode_png(bytes, why);
    if (!argb)
        return cannot(why);
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

    const auto cannot = [&](const std::string& why) {
        zgl::report_once(key, "cannot load the font \"" + name + "\"" + zgl::source() + ": " + why +
                                  ", so no text is shown");
        return nullptr;
    };
    if (!TTF_WasInit()) {
        if (TTF_Init() != 0)
            return cannot("SDL_ttf did not start (" + plain_reason(TTF_GetError()) + ")");
        g.ttf = true;
    }
    auto* f = new zgl_font;
    std::string why;
    if (!zgl::read_file(name, f->bytes, why)) {
        delete f;
        if (zgl::quietly_missing(name))
            return nullptr;
        return cannot(why);
    }
    if (!zgl::font_at(f, zgl::kFontPoints)) {
        delete f;
        return cannot("it is no font SDL_ttf can read (" + plain_reason(TTF_GetError()) + ")");
    }
    g.fonts[key] = f;
    return f;
}
