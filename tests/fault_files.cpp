// Writes the damaged and hostile picture archives the fault table feeds the
// program, built from the real pictures and font:
//
//   good.dat            all fourteen entries, as the build packs them
//   empty.dat           no bytes at all
//   truncated.dat       good.dat cut off half way
//   random.dat          64 KiB of pseudo-random bytes
//   no_font.dat         every entry but "font.zfi"
//   broken_picture.dat  "njam.png" cut off inside its pixel data
//   zip64_font.dat      "font.zfi" declaring 2 TiB through a zip64 field
//   huge_entry.dat      "lupa.png" declaring 4 GiB (the largest plain zip size)
//   huge_picture.dat    "cas.png" a 69-byte PNG whose header claims
//                       40000 x 40000 pixels
//   many_entries.dat    the good entries and 100,000 more of one byte each
//
// Usage: fault_files OUT_DIR PACK_DIR (PACK_DIR holds font.zfi and the PNGs).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bytes = std::vector<uint8_t>;

// The names in the order the build packs them.
const char* const kNames[] = {"font.zfi", "sup.png",  "prepinac.png", "oscil.png", "njam.png",
                              "jam.png",  "bar.png",  "def.png",      "ima.png",   "rea.png",
                              "prav.png", "lupa.png", "cas.png",      "sipka.png", "pkt.png"};

// CRC-32 as zip and PNG use it (polynomial 0xEDB88320).
uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void le16(bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void le32(bytes& b, uint32_t v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}
void le64(bytes& b, uint64_t v)
{
    le32(b, uint32_t(v));
    le32(b, uint32_t(v >> 32));
}
void be32(bytes& b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

// One entry of an archive. `declared` replaces the real size in the headers
// when it is not zero (the entry then claims what it does not hold); the
// data is kept as it is, stored or (for a claim) marked deflated.
struct entry {
    std::string name;
    bytes data;
    uint64_t declared = 0;
};

// A zip archive: local headers with the data, the central directory, the
// end record. A declared size of 4 GiB or more goes into a zip64 field.
bytes zip(const std::vector<entry>& entries)
{
    bytes out, central;
    for (const entry& e : entries) {
        const uint32_t offset = uint32_t(out.size());
        const uint32_t crc = crc32(e.data.data(), e.data.size());
        const bool claims = e.declared != 0;
        const bool zip64 = e.declared >= 0xFFFFFFFFu;
        const uint32_t method = claims ? 8 : 0; // a claim reads as a deflated entry
        const uint32_t packed = uint32_t(e.data.size());
        const uint64_t size = claims ? e.declared : e.data.size();
        bytes extra;
        if (zip64) {
            le16(extra, 0x0001);
            le16(extra, 16);
            le64(extra, size);
            le64(extra, packed);
        }
        auto header = [&](bytes& b, bool is_central) {
            le32(b, is_central ? 0x02014b50 : 0x04034b50);
            if (is_central)
                le16(b, 45); // made by
            le16(b, zip64 ? 45 : 20);
            le16(b, 0); // flags
            le16(b, method);
            le16(b, 0);    // time
            le16(b, 0x21); // date: 1980-01-01
            le32(b, crc);
            le32(b, zip64 ? 0xFFFFFFFFu : packed);
            le32(b, zip64 ? 0xFFFFFFFFu : uint32_t(size));
            le16(b, uint32_t(e.name.size()));
            le16(b, uint32_t(extra.size()));
            if (is_central) {
                le16(b, 0); // comment
                le16(b, 0); // disk
                le16(b, 0); // internal attributes
                le32(b, 0); // external attributes
                le32(b, offset);
            }
            b.insert(b.end(), e.name.begin(), e.name.end());
            b.insert(b.end(), extra.begin(), extra.end());
        };
        header(out, false);
        out.insert(out.end(), e.data.begin(), e.data.end());
        header(central, true);
    }
    const uint32_t central_at = uint32_t(out.size());
    out.insert(out.end(), central.begin(), central.end());
    // More entries than the end record's 16 bits can count need zip64 too.
    const bool many = entries.size() >= 0xFFFF;
    bool any_zip64 = many;
    for (const entry& e : entries)
        any_zip64 = any_zip64 || e.declared >= 0xFFFFFFFFu;
    if (any_zip64) {
        // Readers look for zip64 fields only in a zip64 archive: its own
        // end record, and a locator pointing at it.
        const uint64_t record_at = out.size();
        le32(out, 0x06064b50);
        le64(out, 44); // the record's size after this field
        le16(out, 45);
        le16(out, 45);
        le32(out, 0); // this disk
        le32(out, 0); // the central directory's disk
        le64(out, entries.size());
        le64(out, entries.size());
        le64(out, central.size());
        le64(out, central_at);
        le32(out, 0x07064b50);
        le32(out, 0);
        le64(out, record_at);
        le32(out, 1); // disks
    }
    le32(out, 0x06054b50);
    le16(out, 0);
    le16(out, 0);
    le16(out, many ? 0xFFFF : uint32_t(entries.size()));
    le16(out, many ? 0xFFFF : uint32_t(entries.size()));
    le32(out, uint32_t(central.size()));
    le32(out, central_at);
    le16(out, 0);
    return out;
}

void png_chunk(bytes& b, const char* type, const bytes& data)
{
    be32(b, uint32_t(data.size()));
    const size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    be32(b, crc32(b.data() + start, b.size() - start));
}

// A PNG whose header claims w x h pixels (8-bit RGBA) followed by a few
// bytes of compressed data and the end chunk: 69 bytes in all.
bytes png_claiming(uint32_t w, uint32_t h)
{
    bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bytes ihdr;
    be32(ihdr, w);
    be32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    png_chunk(b, "IHDR", ihdr);
    // A zlib stream holding one stored zero byte (a filter byte, no pixels).
    png_chunk(b, "IDAT", {0x78, 0x01, 0x01, 0x01, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x01});
    png_chunk(b, "IEND", {});
    return b;
}

bytes read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write(const fs::path& p, const bytes& b)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return bool(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fault_files OUT_DIR PACK_DIR\n");
        return 2;
    }
    const fs::path out = argv[1], pack = argv[2];
    std::vector<entry> good;
    for (const char* name : kNames) {
        bytes data = read(pack / name);
        if (data.empty()) {
            std::fprintf(stderr, "fault_files: %s is missing or empty\n", (pack / name).c_str());
            return 1;
        }
        good.push_back({name, std::move(data), 0});
    }
    // Variants of the good list: f changes one entry (or drops it by
    // clearing its name).
    auto variant = [&](const char* name, auto f) {
        std::vector<entry> v;
        for (entry e : good) {
            if (e.name == name)
                f(e);
            if (!e.name.empty())
                v.push_back(std::move(e));
        }
        return zip(v);
    };
    const bytes good_zip = zip(good);
    bytes random(64 << 10);
    uint64_t x = 0x9E3779B97F4A7C15u;
    for (uint8_t& b : random) {
        x = x * 6364136223846793005u + 1442695040888963407u;
        b = uint8_t(x >> 56);
    }
    std::vector<entry> many = good;
    for (int i = 0; i < 100000; ++i) {
        std::string name = "e"; // appended, not "e" + ...: GCC 12's false -Wrestrict at -O3
        name += std::to_string(i);
        many.push_back({name, {uint8_t(i)}, 0});
    }
    const std::pair<const char*, bytes> files[] = {
        {"good.dat", good_zip},
        {"empty.dat", {}},
        {"truncated.dat", bytes(good_zip.begin(), good_zip.begin() + long(good_zip.size() / 2))},
        {"random.dat", random},
        {"no_font.dat", variant("font.zfi", [](entry& e) { e.name.clear(); })},
        {"broken_picture.dat", variant("njam.png", [](entry& e) { e.data.resize(60); })},
        {"zip64_font.dat", variant("font.zfi", [](entry& e) { e.declared = uint64_t{2} << 40; })},
        {"huge_entry.dat", variant("lupa.png", [](entry& e) { e.declared = 0xFFFFFFFEu; })},
        {"huge_picture.dat", variant("cas.png", [](entry& e) { e.data = png_claiming(40000, 40000); })},
        {"many_entries.dat", zip(many)},
    };
    for (const auto& [name, data] : files) {
        if (!write(out / name, data)) {
            std::fprintf(stderr, "fault_files: cannot write %s\n", (out / name).c_str());
            return 1;
        }
    }
    return 0;
}
