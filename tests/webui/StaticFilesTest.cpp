// The static files compiled into the program: the table, the bytes, and pictures that a browser
// can read (every GIF decoded here to its last pixel, every PNG inflated and its sums checked).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/TestUtil.h"
#include "webui/EmbeddedResources.h"
#include "webui/StaticFiles.h"

namespace {

struct Expected {
    const char* url;
    const char* contentType;
    int width, height;  // pictures only
};

const char* const gif = "image/gif";
const char* const css = "text/css";
const char* const js = "text/javascript";

// In registration order.
const Expected expected[] = {
    {"/images/arr_collapse.gif", gif, 7, 6},
    {"/images/arr_expand.gif", gif, 6, 7},
    {"/images/att_small.gif", gif, 14, 14},
    {"/images/btn_bg.gif", gif, 91, 42},
    {"/images/collapse.gif", gif, 9, 9},
    {"/images/error.gif", gif, 16, 16},
    {"/images/expand.gif", gif, 9, 9},
    {"/images/header_add_remove_components_bg.gif", gif, 62, 55},
    {"/images/header_install_upgrade_product_bg.gif", gif, 66, 61},
    {"/images/header_main_bg.gif", gif, 72, 68},
    {"/images/header_repair_products_bg.gif", gif, 58, 60},
    {"/images/header_uninstall_patch_bg.gif", gif, 67, 60},
    {"/images/header_uninstall_product_bg.gif", gif, 63, 62},
    {"/images/header_update_components_bg.gif", gif, 62, 62},
    {"/images/icon_add_remove_components_bg.gif", gif, 32, 32},
    {"/images/icon_add_remove_components_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_arrow.gif", gif, 13, 13},
    {"/images/icon_arrow_disabled_bg.gif", gif, 13, 13},
    {"/images/icon_default_bg.gif", gif, 32, 32},
    {"/images/icon_default_product.gif", gif, 32, 32},
    {"/images/icon_default_product_disabled.gif", gif, 32, 32},
    {"/images/icon_install_upgrade_product_bg.gif", gif, 32, 32},
    {"/images/icon_install_upgrade_product_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_installed_bg.gif", gif, 14, 14},
    {"/images/icon_not_installed_bg.gif", gif, 14, 14},
    {"/images/icon_partly_installed_bg.gif", gif, 14, 14},
    {"/images/icon_kwmt.gif", gif, 32, 32},
    {"/images/icon_kwmt_disabled.gif", gif, 32, 32},
    {"/images/icon_kwnd.gif", gif, 32, 32},
    {"/images/icon_repair_product_bg.gif", gif, 32, 32},
    {"/images/icon_repair_product_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_uninstall_patch_bg.gif", gif, 32, 32},
    {"/images/icon_uninstall_patch_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_uninstall_product_bg.gif", gif, 32, 32},
    {"/images/icon_uninstall_product_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_update_components_bg.gif", gif, 32, 32},
    {"/images/icon_update_components_disabled_bg.gif", gif, 32, 32},
    {"/images/icon_updates_available_bg.gif", gif, 14, 14},
    {"/images/indicator.gif", gif, 16, 16},
    {"/images/ok.gif", gif, 16, 16},
    {"/images/corvane.gif", gif, 90, 19},
    {"/images/corvane_logo.gif", gif, 113, 35},
    {"/images/top_bg.gif", gif, 5, 74},
    {"/images/top_login_bg.gif", gif, 5, 300},
    {"/images/gauge/begin-empty.gif", gif, 4, 9},
    {"/images/gauge/begin-filled.gif", gif, 4, 9},
    {"/images/gauge/empty.gif", gif, 2, 9},
    {"/images/gauge/end-empty.gif", gif, 3, 9},
    {"/images/gauge/end-filled.gif", gif, 3, 9},
    {"/images/gauge/fill.gif", gif, 2, 9},
    {"/images/header_login_bg.png", "image/png", 134, 189},
    {"/css/ie.css", css, 0, 0},
    {"/css/style.css", css, 0, 0},
    {"/js/common.js", js, 0, 0},
    {"/js/gui.js", js, 0, 0},
    {"/js/prototype.js", js, 0, 0},
};

std::string bytesOf(const EmbeddedResource* r) { return std::string(reinterpret_cast<const char*>(r->bytes), r->length); }

unsigned little16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
uint32_t big32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

// What a GIF reader finds in a file; `fault` says where it stopped reading.
struct GifFile {
    std::string fault;
    unsigned width = 0, height = 0;
    unsigned globalColours = 0;
    int images = 0;
    bool interlaced = false;
    bool transparency = false;
    unsigned transparentIndex = 0;
    size_t pixels = 0;            // decoded pixels of the first image
    unsigned largestIndex = 0;    // the largest colour index among them
};

// The data of sub-blocks from `at` up to and with the zero block; false when they run past the end.
bool readSubBlocks(const std::string& s, size_t& at, std::string* data) {
    while (at < s.size()) {
        const unsigned n = static_cast<unsigned char>(s[at++]);
        if (n == 0) return true;
        if (at + n > s.size()) return false;
        if (data) data->append(s, at, n);
        at += n;
    }
    return false;
}

// Variable-width LZW of the GIF format, codes least significant bit first. Returns the
// number of indices, -1 on a malformed stream.
long decodeLzw(const std::string& data, unsigned minSize, unsigned& largest) {
    const unsigned clear = 1u << minSize, end = clear + 1;
    std::vector<int> prefix(4096, -1);
    std::vector<unsigned char> suffix(4096, 0);
    for (unsigned i = 0; i < clear; ++i) suffix[i] = static_cast<unsigned char>(i);
    unsigned size = minSize + 1, next = end + 1;
    int previous = -1;
    size_t bit = 0;
    long count = 0;
    std::vector<unsigned char> string;
    auto expand = [&](unsigned code) {
        string.clear();
        for (int c = static_cast<int>(code); c >= 0; c = prefix[c]) string.push_back(suffix[c]);
        return string.back();  // the first index of the string (it is built backwards)
    };
    while (true) {
        if (bit + size > data.size() * 8) return -1;  // no end code
        unsigned code = 0;
        for (unsigned i = 0; i < size; ++i, ++bit)
            code |= ((static_cast<unsigned char>(data[bit / 8]) >> (bit % 8)) & 1u) << i;
        if (code == clear) {
            size = minSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end) return count;
        unsigned char first;
        if (previous < 0) {
            if (code >= clear) return -1;
            first = expand(code);
        } else if (code < next && code != clear && code != end) {
            first = expand(code);
        } else if (code == next) {
            first = expand(static_cast<unsigned>(previous));
            string.insert(string.begin(), first);
        } else {
            return -1;
        }
        count += static_cast<long>(string.size());
        for (unsigned char index : string) largest = std::max<unsigned>(largest, index);
        if (previous >= 0 && next < 4096) {
            prefix[next] = previous;
            suffix[next] = first;
            ++next;
            if (next == (1u << size) && size < 12) ++size;
        }
        previous = static_cast<int>(code);
    }
}

GifFile readGif(const std::string& s) {
    GifFile g;
    if (s.size() < 13 || s.compare(0, 6, "GIF89a") != 0) {
        g.fault = "no GIF89a header";
        return g;
    }
    g.width = little16(s, 6);
    g.height = little16(s, 8);
    const unsigned flags = static_cast<unsigned char>(s[10]);
    size_t at = 13;
    if (flags & 0x80) {
        g.globalColours = 1u << ((flags & 7) + 1);
        at += 3 * g.globalColours;
    }
    while (at < s.size()) {
        const unsigned char kind = static_cast<unsigned char>(s[at++]);
        if (kind == 0x3b) {
            if (at != s.size()) g.fault = "bytes after the trailer";
            return g;
        }
        if (kind == 0x21) {
            if (at >= s.size()) break;
            const unsigned char label = static_cast<unsigned char>(s[at++]);
            std::string data;
            if (!readSubBlocks(s, at, &data)) break;
            if (label == 0xf9 && data.size() == 4) {
                g.transparency = data[0] & 1;
                g.transparentIndex = static_cast<unsigned char>(data[3]);
            }
            continue;
        }
        if (kind != 0x2c || at + 10 > s.size()) break;
        const unsigned w = little16(s, at + 4), h = little16(s, at + 6);
        const unsigned imageFlags = static_cast<unsigned char>(s[at + 8]);
        if (little16(s, at) != 0 || little16(s, at + 2) != 0 || w != g.width || h != g.height) {
            g.fault = "an image that is not the whole picture";
            return g;
        }
        g.interlaced = imageFlags & 0x40;
        at += 9;
        if (imageFlags & 0x80) at += 3u << ((imageFlags & 7) + 1);
        if (at >= s.size()) break;
        const unsigned minSize = static_cast<unsigned char>(s[at++]);
        std::string data;
        if (minSize < 2 || minSize > 8 || !readSubBlocks(s, at, &data)) break;
        const long n = decodeLzw(data, minSize, g.largestIndex);
        if (n < 0) {
            g.fault = "malformed image data";
            return g;
        }
        if (g.images++ == 0) g.pixels = static_cast<size_t>(n);
    }
    g.fault = "cut short";
    return g;
}

// A PNG's size from IHDR, after checking every chunk's sum and inflating the image data to
// exactly one filter byte and `width` RGBA pixels per row; "" when sound, else what is wrong.
std::string checkPng(const std::string& s, unsigned& width, unsigned& height) {
    if (s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return "no PNG signature";
    size_t at = 8;
    std::string idat;
    bool rgba = false;
    while (at + 12 <= s.size()) {
        const uint32_t length = big32(s, at);
        const std::string kind = s.substr(at + 4, 4);
        if (length > s.size() - at - 12) return "chunk past the end";
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(s.data() + at + 4), length + 4);
        if (crc != big32(s, at + 8 + length)) return "bad sum of " + kind;
        if (kind == "IHDR" && length == 13) {
            width = big32(s, at + 8);
            height = big32(s, at + 12);
            rgba = s[at + 16] == 8 && s[at + 17] == 6;
        }
        if (kind == "IDAT") idat += s.substr(at + 8, length);
        at += 12 + length;
        if (kind != "IEND") continue;
        if (at != s.size()) return "bytes after IEND";
        if (!rgba) return "not 8-bit RGBA";
        const size_t rowBytes = 1 + 4 * static_cast<size_t>(width);
        std::vector<unsigned char> out(rowBytes * height + 1);
        uLongf outLength = out.size();
        if (uncompress(out.data(), &outLength, reinterpret_cast<const Bytef*>(idat.data()), idat.size()) != Z_OK)
            return "image data does not inflate";
        if (outLength != rowBytes * height) return "image data of another size";
        for (size_t row = 0; row < height; ++row)
            if (out[row * rowBytes] > 4) return "unknown row filter";
        return "";
    }
    return "no IEND";
}

TEST(StaticFiles, TableBytesAndPictureSizes) {
    ASSERT_EQ(staticFileCount, sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < staticFileCount; ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.url);
        ASSERT_STREQ(staticFiles[i].url, e.url);
        const EmbeddedResource* r = findEmbeddedResource(e.url + 1);
        ASSERT_NE(r, nullptr);
        const std::string bytes = bytesOf(r);
        EXPECT_EQ(r->bytes[r->length], 0);  // usable as a C string
        const std::string source = std::string(e.url) == "/js/prototype.js"
                                       ? "/usr/share/javascript/prototype/prototype.js"
                                       : std::string(VN_SOURCE_DIR) + "/src/webui/resources" + e.url;
        EXPECT_TRUE(bytes == testutil::readFile(source)) << source;

        if (e.contentType == gif) {
            const GifFile g = readGif(bytes);
            EXPECT_EQ(g.fault, "");
            EXPECT_EQ(g.width, static_cast<unsigned>(e.width));
            EXPECT_EQ(g.height, static_cast<unsigned>(e.height));
            EXPECT_EQ(g.images, 1);
            EXPECT_EQ(g.pixels, static_cast<size_t>(e.width) * e.height);
            EXPECT_LT(g.largestIndex, g.globalColours);
        } else if (std::strcmp(e.contentType, "image/png") == 0) {
            unsigned w = 0, h = 0;
            EXPECT_EQ(checkPng(bytes, w, h), "");
            EXPECT_EQ(w, static_cast<unsigned>(e.width));
            EXPECT_EQ(h, static_cast<unsigned>(e.height));
        } else {
            // Text: nothing a browser would stop at.
            EXPECT_EQ(bytes.find('\0'), std::string::npos);
        }
    }
}

// The product-icon pages answer these when a product has no icon of its own, so their form is
// fixed: one interlaced 32 x 32 image with a transparent colour, the table and size given.
TEST(StaticFiles, DefaultProductIcons) {
    struct Icon {
        const char* name;
        size_t size;
        unsigned colours;
    } const icons[] = {
        {"images/icon_default_product.gif", 1586, 256},
        {"images/icon_default_product_disabled.gif", 764, 64},
    };
    for (const Icon& icon : icons) {
        SCOPED_TRACE(icon.name);
        const EmbeddedResource* r = findEmbeddedResource(icon.name);
        ASSERT_NE(r, nullptr);
        const GifFile g = readGif(bytesOf(r));
        EXPECT_EQ(g.fault, "");
        EXPECT_EQ(r->length, icon.size);
        EXPECT_EQ(g.width, 32u);
        EXPECT_EQ(g.height, 32u);
        EXPECT_EQ(g.images, 1);
        EXPECT_TRUE(g.interlaced);
        EXPECT_TRUE(g.transparency);
        EXPECT_LT(g.transparentIndex, g.globalColours);
        EXPECT_EQ(g.globalColours, icon.colours);
        EXPECT_EQ(g.pixels, 32u * 32u);
    }
}

// The reader above must itself find faults, or the checks prove nothing.
TEST(StaticFiles, TheGifReaderFindsDamage) {
    const std::string good = bytesOf(findEmbeddedResource("images/ok.gif"));
    ASSERT_EQ(readGif(good).fault, "");
    struct Case {
        const char* what;
        std::string bytes;
        const char* fault;
    } const cases[] = {
        {"cut in the image data", good.substr(0, good.size() - 20), "cut short"},
        {"no trailer", good.substr(0, good.size() - 1), "cut short"},
        {"GIF87a", "GIF87a" + good.substr(6), "no GIF89a header"},
        {"bytes after the trailer", good + "x", "bytes after the trailer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readGif(c.bytes).fault, c.fault);
    }
    // Codes beyond the table (all ones at width 3 is 7, with no entry yet), and no end code.
    unsigned largest = 0;
    EXPECT_EQ(decodeLzw(std::string("\xff\xff\xff\xff", 4), 2, largest), -1);
    EXPECT_EQ(decodeLzw(std::string("\x04", 1), 2, largest), -1);
}

}  // namespace
