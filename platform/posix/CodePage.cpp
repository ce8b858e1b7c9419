// POSIX code pages: single-byte pages become two lookup tables built once
// (1252 is written out, the others are filled by asking iconv byte by byte);
// the double-byte pages keep one cached iconv descriptor per direction.
#include "platform/CodePage.h"

#include <iconv.h>
#include <langinfo.h>

#include <bit>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "common/TextUtil.h"

namespace korvel {

namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
const char* const kWideName = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Windows 1252: 0x80-0x9F; the five unassigned bytes map to the C1 controls
// of the same value so that they survive a round trip.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct SingleBytePage {
    char16_t toWide[256];
    // Indexed by UTF-16 unit; 0 means "no form" except for U+0000 itself.
    std::unique_ptr<uint8_t[]> fromWide;

    void BuildReverse() {
        fromWide = std::make_unique<uint8_t[]>(0x10000);
        for (int b = 255; b > 0; --b) {
            char16_t u = toWide[b];
            if (u != kReplacementChar) fromWide[u] = static_cast<uint8_t>(b);
        }
    }
};

struct DoubleBytePage {
    iconv_t decode = kNoDescriptor;
    iconv_t encode = kNoDescriptor;
    uint32_t codePage = 0;
    ~DoubleBytePage() {
        if (decode != kNoDescriptor) iconv_close(decode);
        if (encode != kNoDescriptor) iconv_close(encode);
    }
};

enum class PageKind { SingleByte, DoubleByte, Utf8, Utf16Le };

struct PageInfo {
    uint32_t codePage;
    PageKind kind;
    const char* iconvName;
};

constexpr PageInfo kPages[] = {
    {437, PageKind::SingleByte, "CP437"},       {850, PageKind::SingleByte, "CP850"},
    {874, PageKind::SingleByte, "WINDOWS-874"}, {932, PageKind::DoubleByte, "CP932"},
    {936, PageKind::DoubleByte, "CP936"},       {949, PageKind::DoubleByte, "CP949"},
    {950, PageKind::DoubleByte, "CP950"},       {1200, PageKind::Utf16Le, nullptr},
    {1250, PageKind::SingleByte, "CP1250"},     {1251, PageKind::SingleByte, "CP1251"},
    {1252, PageKind::SingleByte, nullptr},      {1253, PageKind::SingleByte, "CP1253"},
    {1254, PageKind::SingleByte, "CP1254"},     {1255, PageKind::SingleByte, "CP1255"},
    {1256, PageKind::SingleByte, "CP1256"},     {1257, PageKind::SingleByte, "CP1257"},
    {1258, PageKind::SingleByte, "CP1258"},     {10000, PageKind::SingleByte, "MACINTOSH"},
    {65001, PageKind::Utf8, nullptr},
};

const PageInfo& LookupPage(uint32_t codePage) {
    for (const PageInfo& page : kPages)
        if (page.codePage == codePage) return page;
    return LookupPage(kCodePageLatin1);
}

void Build1252(SingleBytePage& page) {
    for (int b = 0; b < 256; ++b) page.toWide[b] = static_cast<char16_t>(b);
    for (int b = 0; b < 32; ++b) page.toWide[0x80 + b] = k1252High[b];
}

// Decodes one byte through iconv. Flushing after each byte matters for 1255
// and 1258, whose converters hold a base letter back waiting for a combining
// mark; Windows converts every byte on its own.
char16_t DecodeOneByte(iconv_t cd, uint8_t byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte);
    char16_t units[4] = {};
    char* inPtr = &in;
    size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(units);
    size_t outLeft = sizeof units;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return kReplacementChar;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    size_t produced = (sizeof units - outLeft) / sizeof(char16_t);
    return produced == 1 ? units[0] : kReplacementChar;
}

std::unique_ptr<SingleBytePage> BuildSingleBytePage(const PageInfo& info) {
    auto page = std::make_unique<SingleBytePage>();
    iconv_t cd = info.iconvName ? iconv_open(kWideName, info.iconvName) : kNoDescriptor;
    if (cd == kNoDescriptor) {
        Build1252(*page);
    } else {
        for (int b = 0; b < 256; ++b) page->toWide[b] = DecodeOneByte(cd, static_cast<uint8_t>(b));
        iconv_close(cd);
        if (info.codePage == 10000) page->toWide[0xF0] = 0xF8FF;  // the Apple logo, as Windows maps it
    }
    page->BuildReverse();
    return page;
}

// The pages in use, built on first use and kept for the life of the process.
struct PageCache {
    std::unordered_map<uint32_t, std::unique_ptr<SingleBytePage>> single;
    std::unordered_map<uint32_t, std::unique_ptr<DoubleBytePage>> dbcs;
    uint32_t lastSingleCodePage = 0;
    SingleBytePage* lastSingle = nullptr;
};

PageCache& Cache() {
    static PageCache cache;
    return cache;
}

SingleBytePage& SinglePage(const PageInfo& info) {
    PageCache& cache = Cache();
    if (cache.lastSingle && cache.lastSingleCodePage == info.codePage) return *cache.lastSingle;
    auto& slot = cache.single[info.codePage];
    if (!slot) slot = BuildSingleBytePage(info);
    cache.lastSingleCodePage = info.codePage;
    cache.lastSingle = slot.get();
    return *slot;
}

// Null when the C library lacks the page; callers then fall back to 1252.
DoubleBytePage* DbcsPage(const PageInfo& info) {
    auto& slot = Cache().dbcs[info.codePage];
    if (!slot) {
        slot = std::make_unique<DoubleBytePage>();
        slot->codePage = info.codePage;
        slot->decode = iconv_open(kWideName, info.iconvName);
        slot->encode = iconv_open(info.iconvName, kWideName);
    }
    if (slot->decode == kNoDescriptor || slot->encode == kNoDescriptor) return nullptr;
    return slot.get();
}

bool IsDbcsLead(uint32_t codePage, uint8_t b) {
    if (codePage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

void DecodeSingle(const SingleBytePage& page, std::string_view in, std::u16string& out) {
    size_t start = out.size();
    out.resize(start + in.size());
    char16_t* dst = out.data() + start;
    for (char c : in) *dst++ = page.toWide[static_cast<uint8_t>(c)];
}

void EncodeSingle(const SingleBytePage& page, std::u16string_view in, std::string& out) {
    out.reserve(out.size() + in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t u = in[i];
        uint8_t b = page.fromWide[u];
        if (b != 0 || u == 0) {
            out.push_back(static_cast<char>(b));
            continue;
        }
        // A surrogate pair is one character and gets one default character.
        if (IsHighSurrogate(u) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) ++i;
        out.push_back(kDefaultChar);
    }
}

void DecodeDbcs(DoubleBytePage& page, std::string_view in, std::u16string& out) {
    size_t start = out.size();
    out.resize(start + in.size());  // one unit per byte at most for these pages
    iconv(page.decode, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = reinterpret_cast<char*>(out.data() + start);
    size_t outLeft = in.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(page.decode, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft < sizeof(char16_t)) break;  // cannot happen: one unit per byte
        // EILSEQ or EINVAL: an invalid or truncated sequence; replace one byte.
        std::memcpy(outPtr, &kReplacementChar, sizeof(char16_t));
        outPtr += sizeof(char16_t);
        outLeft -= sizeof(char16_t);
        ++inPtr;
        --inLeft;
        iconv(page.decode, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(start + (in.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t));
}

void EncodeDbcs(DoubleBytePage& page, std::u16string_view in, std::string& out) {
    size_t start = out.size();
    out.resize(start + in.size() * 2 + 4);  // at most two bytes per unit
    iconv(page.encode, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = reinterpret_cast<char*>(const_cast<char16_t*>(in.data()));
    size_t inLeft = in.size() * sizeof(char16_t);
    char* outPtr = out.data() + start;
    size_t outLeft = out.size() - start;
    while (inLeft > 0) {
        if (iconv(page.encode, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft == 0) break;
        // No form in the page (or a lone surrogate): one default character per code point.
        size_t skip = sizeof(char16_t);
        char16_t u, next;
        std::memcpy(&u, inPtr, sizeof u);
        if (IsHighSurrogate(u) && inLeft >= 2 * sizeof(char16_t)) {
            std::memcpy(&next, inPtr + sizeof(char16_t), sizeof next);
            if (IsLowSurrogate(next)) skip = 2 * sizeof(char16_t);
        }
        *outPtr++ = kDefaultChar;
        --outLeft;
        inPtr += skip;
        inLeft -= skip;
        iconv(page.encode, nullptr, nullptr, nullptr, nullptr);
    }
    iconv(page.encode, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(static_cast<size_t>(outPtr - out.data()));
}

void DecodeUtf16Le(std::string_view in, std::u16string& out) {
    out.reserve(out.size() + in.size() / 2 + 1);
    for (size_t i = 0; i + 1 < in.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<uint8_t>(in[i]) | static_cast<uint8_t>(in[i + 1]) << 8));
    if (in.size() % 2 != 0) out.push_back(kReplacementChar);
}

void EncodeUtf16Le(std::u16string_view in, std::string& out) {
    out.reserve(out.size() + in.size() * 2);
    for (char16_t u : in) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
}

void WidenAscii(std::string_view in, std::u16string& out) {
    size_t start = out.size();
    out.resize(start + in.size());
    char16_t* dst = out.data() + start;
    for (char c : in) *dst++ = static_cast<char16_t>(c);
}

bool IsAscii(std::string_view in) {
    for (char c : in)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

uint32_t DetectAnsiCodePage() {
    // Read the codeset the user's environment names without leaving the
    // process's locale changed for everyone else.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = current ? current : "C";
    std::setlocale(LC_CTYPE, "");
    std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    std::string lower = AsciiLower(codeset);
    return lower == "utf-8" || lower == "utf8" ? kCodePageUtf8 : kCodePageLatin1;
}

uint32_t& AnsiCodePageSlot() {
    static uint32_t codePage = 0;
    return codePage;
}

}  // namespace

uint32_t SystemAnsiCodePage() {
    uint32_t& slot = AnsiCodePageSlot();
    if (slot == 0) slot = DetectAnsiCodePage();
    return slot;
}

void SetSystemAnsiCodePage(uint32_t codePage) { AnsiCodePageSlot() = codePage; }

void AppendMultiByteToWide(uint32_t codePage, std::string_view bytes, std::u16string& out) {
    const PageInfo& info = LookupPage(codePage);
    switch (info.kind) {
    case PageKind::Utf16Le:
        DecodeUtf16Le(bytes, out);
        return;
    case PageKind::Utf8:
        if (IsAscii(bytes)) WidenAscii(bytes, out);
        else out += Utf8ToUtf16(bytes);
        return;
    case PageKind::DoubleByte:
        if (IsAscii(bytes)) {
            WidenAscii(bytes, out);
        } else if (DoubleBytePage* page = DbcsPage(info)) {
            DecodeDbcs(*page, bytes, out);
        } else {
            DecodeSingle(SinglePage(LookupPage(kCodePageLatin1)), bytes, out);
        }
        return;
    case PageKind::SingleByte:
        DecodeSingle(SinglePage(info), bytes, out);
        return;
    }
}

void AppendWideToMultiByte(uint32_t codePage, std::u16string_view text, std::string& out) {
    const PageInfo& info = LookupPage(codePage);
    switch (info.kind) {
    case PageKind::Utf16Le:
        EncodeUtf16Le(text, out);
        return;
    case PageKind::Utf8:
        out += Utf16ToUtf8(text);
        return;
    case PageKind::DoubleByte:
        if (DoubleBytePage* page = DbcsPage(info)) EncodeDbcs(*page, text, out);
        else EncodeSingle(SinglePage(LookupPage(kCodePageLatin1)), text, out);
        return;
    case PageKind::SingleByte:
        EncodeSingle(SinglePage(info), text, out);
        return;
    }
}

std::u16string MultiByteToWide(uint32_t codePage, std::string_view bytes) {
    std::u16string out;
    AppendMultiByteToWide(codePage, bytes, out);
    return out;
}

std::string WideToMultiByte(uint32_t codePage, std::u16string_view text) {
    std::string out;
    AppendWideToMultiByte(codePage, text, out);
    return out;
}

std::u16string AnsiToWide(std::string_view ansi) { return MultiByteToWide(SystemAnsiCodePage(), ansi); }
std::string WideToAnsi(std::u16string_view text) { return WideToMultiByte(SystemAnsiCodePage(), text); }

size_t FitMultiByte(uint32_t codePage, std::string_view bytes, size_t capacity) {
    if (bytes.size() <= capacity) return bytes.size();
    const PageInfo& info = LookupPage(codePage);
    switch (info.kind) {
    case PageKind::SingleByte:
        return capacity;
    case PageKind::Utf8: {
        // Back up to the start of the sequence the cut falls into; a sequence
        // is at most four bytes, so longer runs of continuation bytes are junk.
        size_t n = capacity;
        for (int steps = 0; steps < 3 && n > 0 && IsContinuationByte(bytes[n]); ++steps) --n;
        return IsContinuationByte(bytes[n]) ? capacity : n;
    }
    case PageKind::Utf16Le: {
        size_t n = capacity & ~size_t{1};
        if (n >= 2) {
            char16_t last = static_cast<char16_t>(static_cast<uint8_t>(bytes[n - 2]) |
                                                  static_cast<uint8_t>(bytes[n - 1]) << 8);
            if (IsHighSurrogate(last)) n -= 2;
        }
        return n;
    }
    case PageKind::DoubleByte: {
        size_t i = 0;
        while (i < capacity) {
            size_t width = IsDbcsLead(info.codePage, static_cast<uint8_t>(bytes[i])) ? 2 : 1;
            if (i + width > capacity) break;
            i += width;
        }
        return i;
    }
    }
    return capacity;
}

size_t FitWide(std::u16string_view text, size_t capacity) {
    if (text.size() <= capacity) return text.size();
    size_t n = capacity;
    if (n > 0 && IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) --n;
    return n;
}

size_t WideToMultiByteBounded(uint32_t codePage, std::u16string_view text, char* out, size_t capacity) {
    std::string converted;
    AppendWideToMultiByte(codePage, text, converted);
    size_t n = FitMultiByte(codePage, converted, capacity);
    if (n) std::memcpy(out, converted.data(), n);
    return n;
}

size_t MultiByteToWideBounded(uint32_t codePage, std::string_view bytes, char16_t* out, size_t capacity) {
    std::u16string converted;
    AppendMultiByteToWide(codePage, bytes, converted);
    size_t n = FitWide(converted, capacity);
    if (n) std::memcpy(out, converted.data(), n * sizeof(char16_t));
    return n;
}

}  // namespace korvel
