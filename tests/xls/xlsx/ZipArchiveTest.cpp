#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "platform/Stream.h"
#include "tests/xls/xlsx/ZipBuilder.h"
#include "xls/xlsx/XLSXFileReader.h"
#include "xls/xlsx/ZipArchive.h"
#include "xls/xlsx/ZipCrc32.h"
#include "xls/xlsx/ZipErrors.h"
#include "xls/xlsx/ZipSubStream.h"

namespace korvel {
namespace {

using test::BuildZip;
using test::PutU16;
using test::PutU32;
using test::ZipMember;

std::string ReadAll(TStream& stream, size_t chunk = 4096) {
    std::string out;
    std::string buffer(chunk, '\0');
    for (;;) {
        size_t got = stream.Read(buffer.data(), chunk);
        if (got == 0) return out;
        out.append(buffer.data(), got);
    }
}

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245 + 12345;
        c = char('a' + (x >> 16) % 7);  // compressible but not trivial
    }
    return s;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Opens bytes and returns the Detail() of the failure, or "" when it opened.
std::string OpenFailure(const std::vector<uint8_t>& bytes) {
    TSpanStream stream(bytes);
    TZipArchive archive;
    try {
        archive.OpenForReading(stream);
    } catch (const EZipError& e) {
        EXPECT_STREQ(e.what(), "Can't open zip archive");
        return e.Detail().empty() ? "?" : e.Detail();
    }
    return "";
}

std::vector<ZipMember> TwoMembers() {
    return {{"xl/workbook.xml", "<workbook/>", 8}, {"xl/styles.xml", Pattern(3000), 0}};
}

// The folded CRC-32 gives zlib's value for every length around its 16- and
// 64-byte steps, at every alignment, from any running value, and for a
// megabyte taken in uneven pieces.
TEST(ZipCrc32, GivesZlibsValue) {
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(1 << 20);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    for (size_t count = 0; count <= 300; ++count) {
        for (size_t offset = 0; offset < 4; ++offset) {
            const uint32_t start = count % 2 == 0 ? 0 : static_cast<uint32_t>(random());
            ASSERT_EQ(ZipCrc32(start, bytes.data() + offset, count), crc32_z(start, bytes.data() + offset, count))
                << count << " at " << offset;
        }
    }
    uint32_t pieces = 0;
    for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 70001 + 1)
        pieces = ZipCrc32(pieces, bytes.data() + at, std::min(step, bytes.size() - at));
    EXPECT_EQ(pieces, crc32_z(0, bytes.data(), bytes.size()));
    EXPECT_EQ(ZipCrc32(0, reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);  // the check value
}

TEST(ZipArchiveOpen, RefusesDamagedOrUnsupportedArchives) {
    using Mutate = std::function<void(test::ZipLayout&)>;
    struct Row {
        const char* name;
        Mutate mutate;
    };
    const Row rows[] = {
        {"empty stream", [](auto& z) { z.bytes.clear(); }},
        {"only an end record (22 bytes)", [](auto& z) { z = BuildZip({}); }},
        {"no end record", [](auto& z) { z.bytes.resize(z.endOffset); }},
        {"end record cut short", [](auto& z) { z.bytes.resize(z.endOffset + 10); }},
        {"directory offset past the end", [](auto& z) { PutU32(z.bytes, z.endOffset + 16, 0x7FFFFFF0); }},
        {"directory size past the end record", [](auto& z) { PutU32(z.bytes, z.endOffset + 12, 0xFFFF); }},
        {"directory entry without signature", [](auto& z) { z.bytes[z.centralOffsets[1]] = 'X'; }},
        {"name length past the directory", [](auto& z) { PutU16(z.bytes, z.centralOffsets[1] + 28, 0xFFFF); }},
        {"extra length past the directory", [](auto& z) { PutU16(z.bytes, z.centralOffsets[1] + 30, 0x4000); }},
        {"local header offset past the directory",
         [](auto& z) { PutU32(z.bytes, z.centralOffsets[0] + 42, uint32_t(z.directoryOffset)); }},
        {"local header offset huge", [](auto& z) { PutU32(z.bytes, z.centralOffsets[1] + 42, 0xFFFFFFF0); }},
        {"local header without signature", [](auto& z) { z.bytes[z.localOffsets[1] + 2] = 9; }},
        {"local name length past the data", [](auto& z) { PutU16(z.bytes, z.localOffsets[1] + 26, 0xFFFF); }},
        {"compressed size past the directory", [](auto& z) { PutU32(z.bytes, z.localOffsets[1] + 18, 1u << 30); }},
        {"zip64 size marker", [](auto& z) { PutU32(z.bytes, z.centralOffsets[0] + 20, 0xFFFFFFFF); }},
        {"zip64 offset marker", [](auto& z) { PutU32(z.bytes, z.centralOffsets[0] + 42, 0xFFFFFFFF); }},
        {"zip64 locator before the end record",
         [](auto& z) {
             // Put a locator signature in the 20 bytes before the end record.
             std::vector<uint8_t> locator(20, 0);
             PutU32(locator, 0, 0x07064B50);
             z.bytes.insert(z.bytes.begin() + long(z.endOffset), locator.begin(), locator.end());
         }},
        {"second disk", [](auto& z) { PutU16(z.bytes, z.endOffset + 4, 1); }},
        {"two entries share one member",
         [](auto& z) { PutU32(z.bytes, z.centralOffsets[1] + 42, uint32_t(z.localOffsets[0])); }},
        {"member data runs into the next member",
         [](auto& z) { PutU32(z.bytes, z.localOffsets[0] + 18, uint32_t(z.localOffsets[1] - z.localOffsets[0])); }},
        {"entry on another disk", [](auto& z) { PutU16(z.bytes, z.centralOffsets[0] + 34, 2); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto z = BuildZip(TwoMembers());
        ASSERT_EQ(OpenFailure(z.bytes), "");  // the unmutated archive opens
        row.mutate(z);
        EXPECT_NE(OpenFailure(z.bytes), "");
    }
}

TEST(ZipArchiveOpen, EntryCountOfTheEndRecordIsNotTrusted) {
    auto z = BuildZip(TwoMembers());
    PutU16(z.bytes, z.endOffset + 8, 1);
    PutU16(z.bytes, z.endOffset + 10, 1);  // says one entry; the directory holds two
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    EXPECT_EQ(archive.Entries().Count(), 2u);
    EXPECT_TRUE(archive.Entries().Exists("xl/styles.xml"));

    // Padding after the counted entries inside the directory size is ignored.
    auto padded = BuildZip(TwoMembers());
    std::vector<uint8_t> padding(8, 0);
    padded.bytes.insert(padded.bytes.begin() + long(padded.endOffset), padding.begin(), padding.end());
    padded.endOffset += padding.size();
    PutU32(padded.bytes, padded.endOffset + 12, uint32_t(padded.endOffset - padded.directoryOffset));
    EXPECT_EQ(OpenFailure(padded.bytes), "");
    PutU16(padded.bytes, padded.endOffset + 10, 3);  // but not when it claims a third entry there
    EXPECT_NE(OpenFailure(padded.bytes), "");
}

TEST(ZipArchiveZip64, ReadsTheZip64EndRecordAndExtraFields) {
    std::string big = Pattern(100000);
    auto z = BuildZip({{"xl/workbook.xml", "<workbook/>", 8},
                       {"xl/styles.xml", big, 0},
                       {"xl/worksheets/sheet1.xml", big, 8, true}},
                      "comment", true);
    TSpanStream stream(z.bytes);
    TXLSXFileReader reader;
    reader.OpenArchive(stream);
    EXPECT_TRUE(reader.Archive().Directory().IsZip64());
    EXPECT_EQ(reader.Archive().Directory().DirectoryOffset(), z.directoryOffset);
    EXPECT_EQ(ReadAll(*reader.OpenEntry("/xl/workbook.xml")), "<workbook/>");
    EXPECT_TRUE(ReadAll(*reader.OpenEntry("/xl/styles.xml")) == big);
    EXPECT_TRUE(ReadAll(*reader.OpenEntry("/xl/worksheets/sheet1.xml")) == big);
}

TEST(ZipArchiveZip64, RefusesDamagedZip64Records) {
    using Mutate = std::function<void(test::ZipLayout&)>;
    struct Row {
        const char* name;
        Mutate mutate;
    };
    const Row rows[] = {
        {"locator points past itself", [](auto& z) { PutU32(z.bytes, z.endOffset - 20 + 8, uint32_t(z.endOffset)); }},
        {"locator points at a huge offset",
         [](auto& z) { PutU32(z.bytes, z.endOffset - 20 + 12, 0x80000000); }},
        {"locator on another disk", [](auto& z) { PutU32(z.bytes, z.endOffset - 20 + 4, 1); }},
        {"Zip64 end record without signature", [](auto& z) { z.bytes[z.zip64EndOffset] = 'Q'; }},
        {"Zip64 directory offset huge", [](auto& z) { PutU32(z.bytes, z.zip64EndOffset + 48 + 4, 0x10); }},
        {"Zip64 directory size huge", [](auto& z) { PutU32(z.bytes, z.zip64EndOffset + 40 + 4, 0x10); }},
        {"extra field missing", [](auto& z) { PutU16(z.bytes, z.centralOffsets[0] + 30, 0); }},
        {"extra field too short", [](auto& z) { PutU16(z.bytes, z.centralOffsets[1] + 46 + 13 + 2, 16); }},
        {"extra local offset huge",
         [](auto& z) { PutU32(z.bytes, z.centralOffsets[1] + 46 + 13 + 4 + 16 + 4, 0x40000000); }},
        {"extra compressed size huge",
         [](auto& z) { PutU32(z.bytes, z.centralOffsets[1] + 46 + 13 + 4 + 8 + 4, 0xFFFFFFFF); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto z = BuildZip({{"xl/workbook.xml", "<workbook/>", 8}, {"xl/styles.xml", Pattern(3000), 0}}, "", true);
        ASSERT_EQ(OpenFailure(z.bytes), "");
        row.mutate(z);
        EXPECT_NE(OpenFailure(z.bytes), "");
    }
}

TEST(ZipArchiveOpen, FindsTheEndRecordBehindAComment) {
    for (size_t commentSize : {size_t(0), size_t(1), size_t(100), size_t(300), size_t(65535)}) {
        SCOPED_TRACE(commentSize);
        auto z = BuildZip(TwoMembers(), std::string(commentSize, 'c'));
        TSpanStream stream(z.bytes);
        TZipArchive archive;
        archive.OpenForReading(stream);
        EXPECT_EQ(archive.Directory().EndRecord.FoundAt, int64_t(z.endOffset));
        auto part = archive.OpenEntry("xl/workbook.xml");
        ASSERT_TRUE(part);
        EXPECT_EQ(ReadAll(*part), "<workbook/>");
    }
}

TEST(ZipArchiveOpen, ASignatureInsideTheCommentIsNotTheEndRecord) {
    // The comment holds a complete fake end record pointing nowhere.
    std::string fake("PK\x05\x06\0\0\0\0\x01\0\x01\0\x10\0\0\0\xF0\xFF\0\0\0\0", 22);
    auto z = BuildZip(TwoMembers(), "note " + fake + " end");
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    EXPECT_EQ(archive.Directory().EndRecord.FoundAt, int64_t(z.endOffset));
    EXPECT_EQ(archive.Entries().Count(), 2u);

    // Bytes appended after the archive: the last record still counts.
    auto appended = BuildZip(TwoMembers());
    appended.bytes.insert(appended.bytes.end(), 40, 'x');
    EXPECT_EQ(OpenFailure(appended.bytes), "");
}

TEST(ZipArchiveOpen, ACommentLongerThanTheSearchWindowHidesTheEndRecord) {
    auto z = BuildZip(TwoMembers(), std::string(65535, 'c'));
    z.bytes.push_back('!');  // trailing garbage pushes the record out of reach
    EXPECT_NE(OpenFailure(z.bytes), "");
}

TEST(ZipArchiveOpen, SecondOpenIsRefused) {
    auto z = BuildZip(TwoMembers());
    TSpanStream stream(z.bytes);
    TXLSXFileReader reader;
    reader.OpenArchive(stream);
    try {
        reader.OpenArchive(stream);
        FAIL() << "second open accepted";
    } catch (const EZipError& e) {
        EXPECT_STREQ(e.what(), "Archive is already opened");
    }
}

TEST(ZipArchiveOpen, FileReaderReportsANonZipStream) {
    std::vector<uint8_t> bytes(200, 0x41);
    TSpanStream stream(bytes);
    TXLSXFileReader reader;
    try {
        reader.OpenArchive(stream);
        FAIL() << "opened";
    } catch (const EZipError& e) {
        EXPECT_STREQ(e.what(), "Can't open zip archive");
    }
}

TEST(ZipArchiveNames, LookupIgnoresCaseSlashesAndDrivePrefix) {
    auto z = BuildZip({{"xl/workbook.xml", "W", 0}, {"C:\\Data\\Part.XML", "P", 0}, {"/lead.xml", "L", 0}});
    TSpanStream stream(z.bytes);
    TXLSXFileReader reader;
    reader.OpenArchive(stream);
    const std::pair<const char*, const char*> rows[] = {
        {"xl/workbook.xml", "W"},  {"XL/Workbook.xml", "W"}, {"xl\\workbook.xml", "W"},
        {"/xl/workbook.xml", "W"}, {"data/part.xml", "P"},   {"DATA\\PART.xml", "P"},
        {"lead.xml", "L"},         {"/lead.xml", "L"},
    };
    for (auto [name, content] : rows) {
        SCOPED_TRACE(name);
        auto part = reader.OpenEntry(name);
        ASSERT_TRUE(part);
        EXPECT_EQ(ReadAll(*part), content);
    }
    for (const char* missing : {"xl/workbook", "workbook.xml", "//xl/workbook.xml", ""}) {
        SCOPED_TRACE(missing);
        EXPECT_FALSE(reader.OpenEntry(missing));
        EXPECT_FALSE(reader.EntryExists(missing));
    }
}

// Names are matched as bytes: a UTF-8 name (as package writers store them)
// is found by its UTF-8 spelling; only ASCII letters fold case.
TEST(ZipArchiveNames, NonAsciiNamesMatchByteForByte) {
    auto z = BuildZip({{"xl/worksheets/Bl\xC3\xA4tt.xml", "B", 0}});
    TSpanStream stream(z.bytes);
    TXLSXFileReader reader;
    reader.OpenArchive(stream);
    EXPECT_TRUE(reader.EntryExists("/XL/Worksheets/bl\xC3\xA4TT.xml"));
    EXPECT_FALSE(reader.EntryExists("/xl/worksheets/BL\xC3\x84TT.xml"));  // U+00C4 is not folded
    EXPECT_FALSE(reader.EntryExists("/xl/worksheets/Bl\xE4tt.xml"));       // nor is a code page 1252 spelling
}

TEST(ZipArchiveEntries, FoldersCannotBeOpened) {
    auto z = BuildZip({{"xl/", "", 0, false, 0x10}, {"docs/", "", 0}, {"a.xml", "A", 0}});
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    for (const char* name : {"xl/", "docs/"}) {
        try {
            archive.OpenEntry(name);
            FAIL() << name;
        } catch (const EZipError& e) {
            EXPECT_STREQ(e.what(), "Can't get the stream for folder");
        }
    }
}

TEST(ZipArchiveEntries, UnknownMethodsAndEncryptionAreRefused) {
    auto z = BuildZip({{"a.xml", "A", 0}, {"b.xml", "B", 0}});
    PutU16(z.bytes, z.centralOffsets[0] + 10, 12);  // bzip2
    PutU16(z.bytes, z.centralOffsets[1] + 8, 1);    // encrypted
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    for (const char* name : {"a.xml", "b.xml"}) {
        try {
            archive.OpenEntry(name);
            FAIL() << name;
        } catch (const EZipError& e) {
            EXPECT_STREQ(e.what(), "Unsupported compression method");
        }
    }
}

TEST(ZipArchiveEntries, StoredAndDeflatedReadBackInAnyChunkSize) {
    std::string big = Pattern(200000);
    auto z = BuildZip({{"stored.bin", big, 0},
                       {"deflated.xml", big, 8},
                       {"empty-stored", "", 0},
                       {"empty-deflated", "", 8},
                       {"descriptor.xml", big, 8, true},
                       {"descriptor-stored.bin", big.substr(0, 999), 0, true}});
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    const std::pair<const char*, std::string> rows[] = {
        {"stored.bin", big},        {"deflated.xml", big},      {"empty-stored", ""},
        {"empty-deflated", ""},     {"descriptor.xml", big},    {"descriptor-stored.bin", big.substr(0, 999)},
    };
    for (size_t chunk : {size_t(1), size_t(7), size_t(65536)}) {
        for (const auto& [name, expected] : rows) {
            SCOPED_TRACE(std::string(name) + " chunk " + std::to_string(chunk));
            auto part = archive.OpenEntry(name);
            ASSERT_TRUE(part);
            EXPECT_EQ(part->Size(), int64_t(expected.size()));
            std::string got = ReadAll(*part, chunk);
            EXPECT_TRUE(got == expected) << got.size() << " vs " << expected.size();
            EXPECT_EQ(part->Read(&chunk, 1), 0u);  // stays at the end
        }
    }
}

TEST(ZipArchiveEntries, EmptyDeflatedMemberWithoutAnyBytesReadsEmpty) {
    auto z = BuildZip({{"a.xml", "", 0}});
    PutU16(z.bytes, z.localOffsets[0] + 8, 8);
    PutU16(z.bytes, z.centralOffsets[0] + 10, 8);
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    auto part = archive.OpenEntry("a.xml");
    EXPECT_EQ(ReadAll(*part), "");
}

// The members of packages whose local headers carry zero sizes (the writers
// streamed them with data descriptors) must read completely. Sizes and CRCs
// were listed by Python's zipfile.
TEST(ZipArchiveEntries, PackagesWrittenWithDataDescriptorsReadCompletely) {
    for (const char* file : {"xlsx-libreoffice.xlsx", "unseekable-python.zip"}) {
        SCOPED_TRACE(file);
        std::string dir = std::string(KORVEL_TEST_DATA) + "/xlsx/";
        auto bytes = ReadFile(dir + file);
        ASSERT_FALSE(bytes.empty());
        TSpanStream stream(bytes);
        TXLSXFileReader reader;
        reader.OpenArchive(stream);
        std::ifstream members(dir + file + ".members.txt");
        std::string name;
        size_t size;
        std::string crcHex;
        size_t count = 0;
        while (members >> name >> size >> crcHex) {
            SCOPED_TRACE(name);
            auto part = reader.OpenEntry(name);
            ASSERT_TRUE(part);
            std::string data = ReadAll(*part, 1000);
            EXPECT_EQ(data.size(), size);
            EXPECT_EQ(test::Crc(data), std::stoul(crcHex, nullptr, 16));
            ++count;
        }
        EXPECT_GE(count, 2u);
    }
}

// Reads a member to the end; returns the failure text ("" when none) and the
// count of bytes delivered.
std::string ReadFailure(TZipArchive& archive, const char* name, size_t* delivered = nullptr) {
    auto part = archive.OpenEntry(name);
    std::string got;
    try {
        char buffer[4096];
        for (size_t n; (n = part->Read(buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    } catch (const EZipError& e) {
        if (delivered) *delivered = got.size();
        return e.what();
    }
    if (delivered) *delivered = got.size();
    return "";
}

TEST(ZipArchiveDamage, DeflatedMembersAreCheckedAgainstTheirDirectory) {
    using Mutate = std::function<void(test::ZipLayout&)>;
    struct Row {
        const char* name;
        Mutate mutate;
    };
    // Member 0 is "m.xml": Pattern(50000) deflated, sizes in the local header.
    const Row rows[] = {
        {"CRC mismatch", [](auto& z) { PutU32(z.bytes, z.localOffsets[0] + 14, 0x12345678); }},
        {"declared smaller (bomb guard)", [](auto& z) { PutU32(z.bytes, z.localOffsets[0] + 22, 1000); }},
        {"declared larger", [](auto& z) { PutU32(z.bytes, z.localOffsets[0] + 22, 50001); }},
        {"compressed data cut short",
         [](auto& z) { PutU32(z.bytes, z.localOffsets[0] + 18, 100); }},
        {"corrupt deflate block", [](auto& z) { z.bytes[z.localOffsets[0] + 30 + 5] ^= 0xFF; z.bytes[z.localOffsets[0] + 30] = 0xFF; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto z = BuildZip({{"m.xml", Pattern(50000), 8}});
        row.mutate(z);
        TSpanStream stream(z.bytes);
        TZipArchive archive;
        archive.OpenForReading(stream);
        size_t delivered = 0;
        EXPECT_EQ(ReadFailure(archive, "m.xml", &delivered), "Damaged zip entry");
        EXPECT_LE(delivered, 50000u);
    }
}

TEST(ZipArchiveDamage, StoredMembersAreCheckedWhenReadThrough) {
    std::string data = Pattern(70000);
    auto z = BuildZip({{"good.bin", data, 0}, {"bad.bin", data, 0}});
    z.bytes[z.localOffsets[1] + 30 + 7 + 50000] ^= 1;  // one flipped bit in the data of bad.bin
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    EXPECT_EQ(ReadFailure(archive, "good.bin"), "");
    EXPECT_EQ(ReadFailure(archive, "bad.bin"), "Damaged zip entry");
    // Rewinding restarts the check; a read after a seek elsewhere is not checked.
    auto part = archive.OpenEntry("bad.bin");
    char buffer[100];
    ASSERT_EQ(part->Read(buffer, 100), 100u);
    ASSERT_EQ(part->Seek(0, SeekOrigin::Begin), 0);
    EXPECT_THROW(ReadAll(*part), EZipError);
    part = archive.OpenEntry("bad.bin");
    ASSERT_EQ(part->Seek(10, SeekOrigin::Begin), 10);
    EXPECT_EQ(ReadAll(*part).size(), data.size() - 10);
}

TEST(ZipArchiveDamage, ABombDeliversNoMoreThanItDeclares) {
    std::string zeros(20 << 20, '\0');  // 20 MB inflates from ~20 KB
    auto z = BuildZip({{"bomb.xml", zeros, 8}});
    PutU32(z.bytes, z.localOffsets[0] + 22, 4096);
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    size_t delivered = 0;
    EXPECT_EQ(ReadFailure(archive, "bomb.xml", &delivered), "Damaged zip entry");
    EXPECT_LE(delivered, 4096u);
}

TEST(ZipSubStream, SeeksWithinItsWindowOnly) {
    std::vector<uint8_t> base = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    TSpanStream stream(base);
    TZipSubStream window(stream, 3, 4);  // "3456"
    char c[8] = {};
    EXPECT_EQ(window.Read(c, 8), 4u);
    EXPECT_EQ(std::string(c, 4), "3456");
    EXPECT_EQ(window.Seek(-1, SeekOrigin::End), 3);
    EXPECT_EQ(window.Read(c, 8), 1u);
    EXPECT_EQ(c[0], '6');
    EXPECT_EQ(window.Seek(-2, SeekOrigin::Current), 2);
    EXPECT_EQ(window.Read(c, 1), 1u);
    EXPECT_EQ(c[0], '5');
    EXPECT_EQ(window.Seek(4, SeekOrigin::Begin), 4);
    EXPECT_EQ(window.Read(c, 1), 0u);
    const std::tuple<int64_t, SeekOrigin, const char*> bad[] = {
        {-1, SeekOrigin::Begin, "negative position"},
        {5, SeekOrigin::Begin, "invalid position"},
        {1, SeekOrigin::End, "invalid position"},
        {-5, SeekOrigin::End, "negative position"},
        {INT64_MAX, SeekOrigin::End, "invalid position"},
        {INT64_MIN, SeekOrigin::Current, "negative position"},
    };
    for (auto [offset, origin, text] : bad) {
        SCOPED_TRACE(offset);
        try {
            window.Seek(offset, origin);
            FAIL() << "accepted";
        } catch (const EZipError& e) {
            EXPECT_STREQ(e.what(), text);
        }
    }
    try {
        window.Write("x", 1);
        FAIL() << "write accepted";
    } catch (const EZipError& e) {
        EXPECT_STREQ(e.what(), "Unsupported feature");
    }
}

TEST(ZipInflateStream, SeeksForwardAndBackByReinflating) {
    std::string data = Pattern(100000);
    auto z = BuildZip({{"m.xml", data, 8}});
    TSpanStream stream(z.bytes);
    TZipArchive archive;
    archive.OpenForReading(stream);
    auto part = archive.OpenEntry("m.xml");
    char c[16];
    EXPECT_EQ(part->Seek(70000, SeekOrigin::Begin), 70000);
    ASSERT_EQ(part->Read(c, 16), 16u);
    EXPECT_EQ(std::string(c, 16), data.substr(70000, 16));
    EXPECT_EQ(part->Seek(-10, SeekOrigin::End), 99990);
    ASSERT_EQ(part->Read(c, 16), 10u);
    EXPECT_EQ(std::string(c, 10), data.substr(99990));
    EXPECT_EQ(part->Seek(5, SeekOrigin::Begin), 5);
    ASSERT_EQ(part->Read(c, 16), 16u);
    EXPECT_EQ(std::string(c, 16), data.substr(5, 16));
    EXPECT_EQ(part->Seek(1, SeekOrigin::End), -1);
    EXPECT_EQ(part->Seek(-1, SeekOrigin::Begin), -1);
}

}  // namespace
}  // namespace korvel
