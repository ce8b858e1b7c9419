// Every XML part of packages written by independent producers, read through
// the zip reader and the pull reader, against what Python's ElementTree read
// from the same parts (tests/data/xlsx/xml-parts.expected.txt).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <zlib.h>

#include "platform/Stream.h"
#include "xls/xlsx/XLSXFileReader.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t CrcWithTerminator(uint32_t crc, std::string_view text) {
    crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    const Bytef zero = 0;
    return static_cast<uint32_t>(crc32(crc, &zero, 1));
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

struct PartSummary {
    int elements = 0;
    int attributes = 0;
    uint32_t attributeCrc = 0;
    uint32_t textCrc = 0;
};

PartSummary Summarise(TStream& part) {
    PartSummary s;
    TXMLReader reader(part);
    while (reader.Next()) {
        if (reader.NodeType() == TXMLNodeType::StartTag) {
            ++s.elements;
            for (size_t i = 0; i < reader.AttributeCount(); ++i) {
                std::string_view name = reader.Attribute(i).Name;
                if (name == "xmlns" || name.substr(0, 6) == "xmlns:") continue;  // not attributes to ElementTree
                ++s.attributes;
                s.attributeCrc = CrcWithTerminator(s.attributeCrc, reader.Attribute(i).Value);
            }
        } else if (reader.NodeType() == TXMLNodeType::Text && !IsBlank(reader.ValueUtf8())) {
            s.textCrc = CrcWithTerminator(s.textCrc, reader.ValueUtf8());
        }
    }
    return s;
}

TEST(PackageParts, EveryXmlPartOfTheFixturesReadsLikeElementTree) {
    std::string dir = std::string(KORVEL_TEST_DATA) + "/xlsx/";
    std::ifstream expected(dir + "xml-parts.expected.txt");
    ASSERT_TRUE(expected.good());
    std::string line;
    int parts = 0;
    while (std::getline(expected, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string file, name, attributeCrc, textCrc;
        int elements, attributes;
        row >> file >> name >> elements >> attributes >> attributeCrc >> textCrc;
        SCOPED_TRACE(file + " " + name);
        auto bytes = ReadFile(dir + file);
        TSpanStream stream(bytes);
        TXLSXFileReader package;
        package.OpenArchive(stream);
        auto part = package.OpenEntry("/" + name);
        ASSERT_TRUE(part);
        PartSummary s = Summarise(*part);
        EXPECT_EQ(s.elements, elements);
        EXPECT_EQ(s.attributes, attributes);
        EXPECT_EQ(s.attributeCrc, std::stoul(attributeCrc, nullptr, 16));
        EXPECT_EQ(s.textCrc, std::stoul(textCrc, nullptr, 16));
        ++parts;
    }
    EXPECT_GE(parts, 60);
}

}  // namespace
}  // namespace korvel
