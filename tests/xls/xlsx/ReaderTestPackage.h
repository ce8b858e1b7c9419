// Small Office Open XML packages for the reader tests, assembled from XML
// texts written out in each test (the zip layer comes from ZipBuilder.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "tests/xls/xlsx/ZipBuilder.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/xlsx/XLSXReader.h"

namespace korvel::test {

inline const std::string kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline const std::string kWorksheetType = kRelNs + "/worksheet";

struct TestSheet {
    std::string name;
    std::string data;       // the inside of <sheetData>
    std::string extra;      // elements after sheetData (mergeCells, ...)
    std::string before;     // elements before sheetData (cols, sheetFormatPr, ...)
    std::string attributes; // extra attributes of <sheet> in the workbook part (state=...)
};

struct TestPackage {
    std::vector<TestSheet> sheets;
    std::string sharedStrings;  // whole part; empty: no part
    std::string styles;         // whole part; empty: no part
    std::string workbookExtra;  // elements placed before <sheets>
    std::string bookViews;      // elements placed after <sheets>
    bool dataDescriptors = false;
    uint16_t method = 8;

    std::string WorksheetXml(const TestSheet& sheet) const {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"" + kMainNs +
               "\" xmlns:r=\"" + kRelNs + "\">" + sheet.before + "<sheetData>" + sheet.data + "</sheetData>" +
               sheet.extra + "</worksheet>";
    }
    std::string WorkbookXml() const {
        std::string xml = "<?xml version=\"1.0\"?><workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">" +
                          workbookExtra + "<sheets>";
        for (size_t i = 0; i < sheets.size(); ++i)
            xml += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"rId" +
                   std::to_string(i + 1) + "\" " + sheets[i].attributes + "/>";
        return xml + "</sheets>" + bookViews + "</workbook>";
    }
    std::string RelationsXml() const {
        std::string xml = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        for (size_t i = 0; i < sheets.size(); ++i)
            xml += "<Relationship Id=\"rId" + std::to_string(i + 1) + "\" Type=\"" + kWorksheetType +
                   "\" Target=\"worksheets/sheet" + std::to_string(i + 1) + ".xml\"/>";
        return xml + "</Relationships>";
    }
    std::vector<ZipMember> Members() const {
        std::vector<ZipMember> members;
        auto add = [&](std::string name, std::string data) {
            members.push_back({std::move(name), std::move(data), method, dataDescriptors, 0});
        };
        add("xl/workbook.xml", WorkbookXml());
        add("xl/_rels/workbook.xml.rels", RelationsXml());
        if (!sharedStrings.empty()) add("xl/sharedStrings.xml", sharedStrings);
        if (!styles.empty()) add("xl/styles.xml", styles);
        for (size_t i = 0; i < sheets.size(); ++i)
            add("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", WorksheetXml(sheets[i]));
        return members;
    }
    std::vector<uint8_t> Bytes() const { return BuildZip(Members()).bytes; }
};

// Reads package bytes into workbook; returns the reader's result and its failure text.
inline int32_t ReadPackageBytes(const std::vector<uint8_t>& bytes, TXLSWorkbook& workbook, std::string* failure = nullptr) {
    TSpanStream stream(bytes);
    TXLSXReader reader(&workbook, u"");
    const int32_t result = reader.ReadPackage(stream);
    if (failure) *failure = reader.Failure();
    return result;
}

inline std::string SharedStringsXml(const std::string& items, const std::string& sstAttributes = "") {
    return "<?xml version=\"1.0\"?><sst xmlns=\"" + kMainNs + "\" " + sstAttributes + ">" + items + "</sst>";
}

}  // namespace korvel::test
