#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tables_test_util.h"
#include "xls/biff/XLSRecordDump.h"
#include "xls/model/XLSStyles.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const TXLSBlob& blob) { return Bytes(blob.Data(), blob.Data() + blob.Length()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Utf16(std::u16string_view text) {
    Bytes out;
    for (char16_t u : text) {
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
    }
    return out;
}

std::vector<Bytes> NewWorkbookRecords(uint16_t bof) {
    TXLSStyleXFs styles;
    styles.PrepareForSave(bof);
    std::vector<TXLSBlob> blobs;
    styles.BuildRecords(bof, 1252, blobs);
    std::vector<Bytes> records;
    for (const TXLSBlob& blob : blobs) {
        EXPECT_EQ(blob.Capacity(), blob.Length());  // record blobs are sized exactly
        records.push_back(Of(blob));
    }
    return records;
}

TEST(XLSStyleRecords, NewWorkbookWritesTheDefaultSetInOrder) {
    std::vector<Bytes> records = NewWorkbookRecords(0x0600);
    ASSERT_EQ(records.size(), 4u + 4 + 21 + 6 + 1);
    std::vector<uint16_t> ids;
    for (const Bytes& r : records) ids.push_back(uint16_t(r[0] | r[1] << 8));
    std::vector<uint16_t> expected;
    expected.insert(expected.end(), 4, 0x0031);
    expected.insert(expected.end(), 4, 0x041E);
    expected.insert(expected.end(), 21, 0x00E0);
    expected.insert(expected.end(), 6, 0x0293);
    expected.push_back(0x0092);
    EXPECT_EQ(ids, expected);

    const Bytes font = Concat({{0x31, 0x00, 0x1A, 0x00, 0xC8, 0x00, 0x00, 0x00, 0xFF, 0x7F, 0x90, 0x01, 0x00, 0x00,
                                0x00, 0x00, 0x00, 0x00, 0x05, 0x01},
                               Utf16(u"Arial")});
    for (int i = 0; i < 4; ++i) EXPECT_EQ(records[i], font) << i;
}

TEST(XLSStyleRecords, FormatRecordsAreTheFourCurrencyFormats) {
    std::vector<Bytes> records = NewWorkbookRecords(0x0600);
    const std::u16string texts[] = {u"\"$\"#,##0;(\"$\"#,##0)", u"\"$\"#,##0;[Red](\"$\"#,##0)",
                                    u"\"$\"#,##0.00;(\"$\"#,##0.00)", u"\"$\"#,##0.00;[Red](\"$\"#,##0.00)"};
    for (int i = 0; i < 4; ++i) {
        size_t n = texts[i].size();
        Bytes expected = Concat({{0x1E, 0x04, uint8_t(5 + 2 * n), 0x00, uint8_t(5 + i), 0x00, uint8_t(n), 0x00, 0x01},
                                 Utf16(texts[i])});
        EXPECT_EQ(records[4 + i], expected) << i;
    }
}

TEST(XLSStyleRecords, DefaultXFRecords) {
    std::vector<Bytes> records = NewWorkbookRecords(0x0600);
    const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
    auto xf = [&](uint8_t font, uint8_t format, uint16_t parentField, uint8_t used) {
        return Concat({{0xE0, 0x00, 0x14, 0x00, font, 0x00, format, 0x00, uint8_t(parentField),
                        uint8_t(parentField >> 8), 0x20, 0x00, 0x00, used},
                       tail});
    };
    EXPECT_EQ(records[8 + 0], xf(0, 0, 0xFFF5, 0x00));
    EXPECT_EQ(records[8 + 1], xf(1, 0, 0xFFF5, 0xD0));
    EXPECT_EQ(records[8 + 2], xf(1, 0, 0xFFF5, 0xD0));
    EXPECT_EQ(records[8 + 3], xf(2, 0, 0xFFF5, 0xD0));
    EXPECT_EQ(records[8 + 4], xf(2, 0, 0xFFF5, 0xD0));
    for (int i = 5; i <= 14; ++i) EXPECT_EQ(records[8 + i], xf(0, 0, 0xFFF5, 0xD0)) << i;
    EXPECT_EQ(records[8 + 15], xf(0, 0, 0x0001, 0x00));  // cell XF, parent 0, locked
    const uint8_t formats[] = {44, 42, 9, 43, 41};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(records[8 + 16 + i], xf(1, formats[i], 0xFFF5, 0xF8)) << 16 + i;
}

TEST(XLSStyleRecords, StyleRecordsEndWithNormal) {
    std::vector<Bytes> records = NewWorkbookRecords(0x0600);
    const Bytes expected[] = {
        {0x93, 0x02, 0x04, 0x00, 0x13, 0x80, 0x03, 0xFF}, {0x93, 0x02, 0x04, 0x00, 0x10, 0x80, 0x04, 0xFF},
        {0x93, 0x02, 0x04, 0x00, 0x14, 0x80, 0x06, 0xFF}, {0x93, 0x02, 0x04, 0x00, 0x11, 0x80, 0x07, 0xFF},
        {0x93, 0x02, 0x04, 0x00, 0x12, 0x80, 0x05, 0xFF}, {0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF},
    };
    for (int i = 0; i < 6; ++i) EXPECT_EQ(records[29 + i], expected[i]) << i;
}

TEST(XLSStyleRecords, PaletteRecord) {
    const Bytes palette = NewWorkbookRecords(0x0600).back();
    ASSERT_EQ(palette.size(), 4u + 226);
    EXPECT_EQ(Bytes(palette.begin(), palette.begin() + 6), (Bytes{0x92, 0x00, 0xE2, 0x00, 0x38, 0x00}));
    auto entry = [&](int index) { return Bytes(palette.begin() + 6 + 4 * (index - 8), palette.begin() + 10 + 4 * (index - 8)); };
    const std::map<int, Bytes> samples = {
        {8, {0, 0, 0, 0}},         {9, {0xFF, 0xFF, 0xFF, 0}}, {10, {0xFF, 0, 0, 0}},   {12, {0, 0, 0xFF, 0}},
        {16, {0x7F, 0, 0, 0}},     {22, {0xC0, 0xC0, 0xC0, 0}}, {23, {0x7F, 0x7F, 0x7F, 0}}, {30, {0, 0x66, 0xCC, 0}},
        {40, {0, 0xCC, 0xFF, 0}},  {55, {0x96, 0x96, 0x96, 0}}, {61, {0x99, 0x33, 0x66, 0}}, {63, {0x33, 0x33, 0x33, 0}},
    };
    for (const auto& [index, bytes] : samples) EXPECT_EQ(entry(index), bytes) << index;
}

TEST(XLSStyleRecords, Biff5FormsUseEightBitNames) {
    std::vector<Bytes> records = NewWorkbookRecords(0x0500);
    ASSERT_EQ(records.size(), 36u);
    EXPECT_EQ(records[0], (Bytes{0x31, 0x00, 0x14, 0x00, 0xC8, 0x00, 0x00, 0x00, 0xFF, 0x7F, 0x90, 0x01, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l'}));
    const std::string text = "\"$\"#,##0;(\"$\"#,##0)";
    Bytes format = {0x1E, 0x04, uint8_t(3 + text.size()), 0x00, 0x05, 0x00, uint8_t(text.size())};
    format.insert(format.end(), text.begin(), text.end());
    EXPECT_EQ(records[4], format);
    // XF: 16 bytes; byte 7 holds the used-attribute value shifted by 2.
    EXPECT_EQ(records[8 + 1], (Bytes{0xE0, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0xD0, 0xC0,
                                     0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(records[29 + 5], (Bytes{0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF}));
}

TEST(XLSStyleTables, DateFormats) {
    TXLSStyleXFs styles;
    TXLSStyleXF xf = styles.XF(15);
    const struct {
        int32_t format;
        const char16_t* text;  // stored custom text, or nullptr
        bool date;
    } cases[] = {
        {0, nullptr, false},   {13, nullptr, false}, {14, nullptr, true},  {22, nullptr, true},  {23, nullptr, false},
        {44, nullptr, false},  {45, nullptr, true},  {47, nullptr, true},  {48, nullptr, false}, {5, nullptr, false},
        {164, u"dd/mm/yyyy", true}, {165, u"[$-409]h:mm", true}, {166, u"0.00", false}, {167, u"yY", true},
        {168, u"d/m/y", false}, {169, u"s.ss", true}, {170, u"#,##0 \"Dm\"", false},
    };
    for (const auto& c : cases) {
        if (c.text) styles.AddFormat(c.format, c.text);
        xf.numFormat = c.format;
        int32_t id = styles.AddXF(xf);
        EXPECT_EQ(styles.IsDateFormat(id), c.date) << c.format;
    }
    EXPECT_FALSE(styles.IsDateFormat(-1));
    EXPECT_FALSE(styles.IsDateFormat(styles.Count()));
    EXPECT_EQ(styles.NumFormats().NextCustomIndex(), 171);

    // A format given again with another text follows the new text, both ways.
    styles.AddFormat(164, u"0.000");
    xf.numFormat = 164;
    EXPECT_FALSE(styles.IsDateFormat(styles.AddXF(xf)));
    styles.AddFormat(166, u"hh:mm");
    xf.numFormat = 166;
    EXPECT_TRUE(styles.IsDateFormat(styles.AddXF(xf)));
    TXLSNumFormatList formats;
    EXPECT_TRUE(formats.IsDateFormat(formats.FindOrAddFormat(u"yyyy-mm-dd")));
    EXPECT_FALSE(formats.IsDateFormat(formats.FindOrAddFormat(u"0.0%")));
    formats.AddFormat(formats.FindOrAddFormat(u"yyyy-mm-dd"), u"@");
    EXPECT_FALSE(formats.IsDateFormat(164));
    formats.Reset();
    EXPECT_FALSE(formats.IsDateFormat(164));
    EXPECT_FALSE(formats.IsDateFormat(0x10000));
}

TEST(XLSStyleTables, NumberFormatList) {
    TXLSNumFormatList formats;
    EXPECT_EQ(formats.NextCustomIndex(), 164);
    EXPECT_EQ(formats.FindOrAddFormat(u"0.00%"), 10);
    EXPECT_EQ(formats.FindOrAddFormat(u"\"$\"#,##0;(\"$\"#,##0)"), 5);
    EXPECT_EQ(formats.FindOrAddFormat(u"0.000"), 164);
    EXPECT_EQ(formats.FindOrAddFormat(u"0.000"), 164);
    EXPECT_EQ(formats.FindOrAddFormat(u"yyyy"), 165);
    formats.AddFormat(400, u"x");
    EXPECT_EQ(formats.NextCustomIndex(), 401);
    formats.AddFormat(70000, u"ignored");
    formats.AddFormat(-1, u"ignored");
    EXPECT_EQ(formats.Stored().size(), 4u + 3);
    EXPECT_EQ(formats.FormatText(0), u"General");
    EXPECT_EQ(formats.FormatText(49), u"@");
    EXPECT_EQ(formats.FormatText(30), u"");
    EXPECT_EQ(formats.StoredText(0), u"");
}

TEST(XLSStyleTables, WrapFindsOrAddsOneEntry) {
    TXLSStyleXFs styles;
    EXPECT_FALSE(styles.WrapText(15));
    int32_t wrapped = styles.FindOrAddWithWrap(15, true);
    EXPECT_EQ(wrapped, 21);
    EXPECT_TRUE(styles.WrapText(wrapped));
    EXPECT_EQ(styles.FindOrAddWithWrap(15, true), 21);
    EXPECT_EQ(styles.FindOrAddWithWrap(21, true), 21);
    EXPECT_EQ(styles.FindOrAddWithWrap(21, false), 15);
    EXPECT_EQ(styles.FindOrAddWithWrap(999, true), 21);  // out of range stands for 15
    int32_t fromStyle = styles.FindOrAddWithWrap(16, true);
    EXPECT_EQ(fromStyle, 22);
    EXPECT_EQ(styles.XF(fromStyle).parent, 16);
    EXPECT_EQ(styles.XF(fromStyle).numFormat, 44);
    EXPECT_EQ(styles.Count(), 23);
    styles.Reset();
    EXPECT_EQ(styles.Count(), 21);
}

TEST(XLSStyleTables, PrepareForSaveCompactsAndSkipsFontIndexFour) {
    TXLSStyleXFs styles;
    TXLSStyleFont bold;
    bold.bold = true;
    TXLSStyleFont italic;
    italic.italic = true;
    int32_t unusedFont = styles.Fonts().FindOrAdd(italic);  // 4, used by no XF
    int32_t boldFont = styles.Fonts().FindOrAdd(bold);      // 5
    TXLSStyleXF base = styles.XF(15);
    TXLSStyleXF unused = base;
    unused.numFormat = 2;
    TXLSStyleXF used = base;
    used.font = boldFont;
    int32_t unusedXF = styles.AddXF(unused);  // 21
    int32_t usedXF = styles.AddXF(used);      // 22
    styles.MoveUse(0, usedXF);
    styles.MoveUse(0, unusedXF);
    styles.MoveUse(unusedXF, 15);

    styles.PrepareForSave(0x0600);
    EXPECT_EQ(styles.OutputIndex(15), 16);
    EXPECT_EQ(styles.OutputIndex(usedXF), 22);
    EXPECT_EQ(styles.OutputIndex(unusedXF), 0);
    EXPECT_EQ(styles.OutputIndex(0), 0);
    EXPECT_EQ(styles.RecordXFIndex(usedXF), 21);
    EXPECT_EQ(styles.RecordXFIndex(unusedXF), 15);  // dropped: the default cell format
    EXPECT_EQ(styles.XFRecordCount(), 22);
    EXPECT_EQ(styles.FontRecordCount(), 5);
    (void)unusedFont;
    // The used XF names the bold font by its record number: position 4 is written as 5.
    TXLSBlob record = styles.XFRecord(21, 0x0600);
    EXPECT_EQ(record.ReadWord(4), 5);
    TXLSBlob font = styles.FontRecord(4, 0x0600);
    EXPECT_EQ(font.ReadWord(4 + 6), 700);
}

TEST(XLSStyleTables, ReaderOperations) {
    TXLSStyleXFs styles;
    TXLSStyleFont font;
    font.name = u"Courier";
    styles.Fonts().SetFont(6, font);
    EXPECT_EQ(styles.Fonts().Count(), 7);
    EXPECT_EQ(styles.Fonts().Font(5), TXLSStyleFonts::DefaultFont());
    styles.SetFontCount(5);
    EXPECT_EQ(styles.Fonts().Count(), 5);

    TXLSStyleBorder border;
    border.left.style = 1;
    EXPECT_EQ(styles.Borders().FindOrAdd(border), 1);
    EXPECT_EQ(styles.Borders().FindOrAdd(border), 1);
    EXPECT_EQ(styles.Borders().FindOrAdd(TXLSStyleBorder{}), 0);
    EXPECT_EQ(styles.Fills().Count(), 2);
    EXPECT_EQ(styles.Fills().Fill(1).pattern, 17);
    TXLSStyleFill fill;
    fill.pattern = 1;
    EXPECT_EQ(styles.Fills().FindOrAdd(fill), 2);

    TXLSStyleXF xf;
    xf.numFormat = 3;
    styles.SetXF(30, xf);
    EXPECT_EQ(styles.Count(), 31);
    EXPECT_EQ(styles.XF(25), styles.XF(-1));
    EXPECT_EQ(styles.XF(30).numFormat, 3);
    styles.SetXFCount(3);
    EXPECT_EQ(styles.Count(), 3);
    EXPECT_EQ(styles.XF(15).parent, 0);  // out of range: a default cell format
    styles.MarkAsStyle(2);
    EXPECT_TRUE(styles.XF(2).IsStyle());

    styles.SetPaletteColor(1, 0x00112233);
    styles.SetPaletteColor(57, 0x00445566);
    EXPECT_EQ(styles.Palette().PaletteColor(8), 0x00112233u);
    EXPECT_TRUE(styles.Palette().Modified());
    styles.RegisterStyle({0, 2, -1, {}});
    styles.RegisterStyle({-1, 1, -1, u"Mine"});
    EXPECT_EQ(styles.Styles().Count(), 7);
    EXPECT_EQ(styles.Styles().Style(5).xf, 2);
}

TEST(XLSStyleTables, ColoursBecomePaletteIndices) {
    TXLSColorManager palette;
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromPalette(1)), 8);
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromPalette(56)), 63);
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromPalette(57)), kXLSColorAutomatic);
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromIndex(64)), 64);
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromRGB(0x0000FF)), 10);    // red
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromRGB(0x00FE0000)), 12);  // near blue
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromRGB(0x00969696)), 55);
    EXPECT_EQ(palette.IndexOf(TXLSStyleColor::FromTheme(1, 0.0)), 9);     // light 1: white
    EXPECT_EQ(palette.PaletteColor(64), 0u);
}

// Builds a bare BIFF stream around the style records: globals with the records
// and one BOUNDSHEET, then an empty worksheet.
Bytes BareStream(const TXLSStyleXFs& styles, uint16_t bof) {
    const bool biff8 = bof == 0x0600;
    Bytes globals;
    auto add = [](Bytes& to, uint16_t id, const Bytes& body) {
        to.push_back(uint8_t(id));
        to.push_back(uint8_t(id >> 8));
        to.push_back(uint8_t(body.size()));
        to.push_back(uint8_t(body.size() >> 8));
        to.insert(to.end(), body.begin(), body.end());
    };
    Bytes bofBody = {uint8_t(bof), uint8_t(bof >> 8), 0x05, 0x00, 0xAF, 0x18, 0xCD, 0x07};
    if (biff8) bofBody.insert(bofBody.end(), {0xC9, 0x80, 0, 0, 0x06, 0x01, 0, 0});
    add(globals, 0x0809, bofBody);
    add(globals, 0x0042, biff8 ? Bytes{0xB0, 0x04} : Bytes{0xE4, 0x04});
    std::vector<TXLSBlob> records;
    styles.BuildRecords(bof, 1252, records);
    for (const TXLSBlob& r : records) globals.insert(globals.end(), r.Data(), r.Data() + r.Length());
    Bytes sheetName = biff8 ? Bytes{0x01, 0x01, 'S', 0} : Bytes{0x01, 'S'};
    size_t boundsheetSize = 4 + 6 + sheetName.size();
    uint32_t sheetOffset = uint32_t(globals.size() + boundsheetSize + 4);
    Bytes boundsheet = {uint8_t(sheetOffset), uint8_t(sheetOffset >> 8), uint8_t(sheetOffset >> 16), 0, 0, 0};
    boundsheet.insert(boundsheet.end(), sheetName.begin(), sheetName.end());
    add(globals, 0x0085, boundsheet);
    add(globals, 0x000A, {});
    Bytes sheetBof = bofBody;
    sheetBof[2] = 0x10;
    add(globals, 0x0809, sheetBof);
    add(globals, 0x0200, biff8 ? Bytes(14, 0) : Bytes(10, 0));
    add(globals, 0x000A, {});
    return globals;
}

const char* kXlrdDump = R"PY(
import sys, json
try:
    import xlrd
except ImportError:
    sys.exit(77)
book = xlrd.open_workbook(sys.argv[1] if len(sys.argv) > 1 else PATH, formatting_info=True)
out = {
  "fonts": [[f.name, f.height, f.weight, f.italic, f.colour_index] for f in book.font_list],
  "formats": {str(k): v.format_str for k, v in book.format_map.items() if k in (5, 6, 7, 8) or k >= 164},
  "xfs": [[x.font_index, x.format_key, x.is_style, x.parent_style_index, x.alignment.vert_align,
           x.alignment.text_wrapped, x.protection.cell_locked, x.background.pattern_colour_index,
           x.background.background_colour_index, x.background.fill_pattern] for x in book.xf_list],
  "styles": {k: list(v) for k, v in book.style_name_map.items()},
  "palette": [list(book.colour_map[i]) for i in (8, 16, 30, 63)],
}
b = book.xf_list[-1].border
out["border"] = [b.left_line_style, b.left_colour_index, b.right_line_style, b.right_colour_index,
                 b.top_line_style, b.top_colour_index, b.bottom_line_style, b.bottom_colour_index]
print(json.dumps(out, sort_keys=True))
)PY";

std::string XlrdDump(const Bytes& stream, const std::string& name) {
    std::string path = "/tmp/korvel_tables_" + name + "_" + std::to_string(::getpid()) + ".bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stream.data()), stream.size());
    std::string script = std::string("PATH = '") + path + "'\n" + kXlrdDump;
    std::string output;
    int exitCode = 0;
    bool ran = testing::RunPython(script, output, exitCode);
    std::remove(path.c_str());
    if (!ran) return "SKIP";
    EXPECT_EQ(exitCode, 0) << output << DumpRecords(stream, 60);
    return output;
}

// What an independent reader makes of the records of a new workbook: the
// values come from the default set (fonts, formats 5-8, 21 XFs, 6 styles,
// palette), not from our own output.
TEST(XLSStyleRecords, IndependentReaderSeesTheDefaultSet) {
    for (uint16_t bof : {uint16_t(0x0600), uint16_t(0x0500)}) {
        TXLSStyleXFs styles;
        styles.PrepareForSave(bof);
        std::string dump = XlrdDump(BareStream(styles, bof), "default");
        if (dump == "SKIP") GTEST_SKIP() << "xlrd not available";
        std::string fonts = "\"fonts\": [";
        for (int i = 0; i < 4; ++i) fonts += std::string(i ? ", " : "") + "[\"Arial\", 200, 400, 0, 32767]";
        EXPECT_NE(dump.find(fonts + "]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"5\": \"\\\"$\\\"#,##0;(\\\"$\\\"#,##0)\""), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"8\": \"\\\"$\\\"#,##0.00;[Red](\\\"$\\\"#,##0.00)\""), std::string::npos) << dump;
        // XF 0 (Normal), XF 1, XF 15 (cell XF under Normal), XF 16 (format 44).
        EXPECT_NE(dump.find("\"xfs\": [[0, 0, 1, 4095, 2, 0, 1, 64, 65, 0], [1, 0, 1, 4095, 2, 0, 1, 64, 65, 0]"),
                  std::string::npos) << dump;
        EXPECT_NE(dump.find("[0, 0, 0, 0, 2, 0, 1, 64, 65, 0], [1, 44, 1, 4095, 2, 0, 1, 64, 65, 0], "
                            "[1, 42, 1, 4095, 2, 0, 1, 64, 65, 0], [1, 9, 1, 4095, 2, 0, 1, 64, 65, 0], "
                            "[1, 43, 1, 4095, 2, 0, 1, 64, 65, 0], [1, 41, 1, 4095, 2, 0, 1, 64, 65, 0]]"),
                  std::string::npos) << dump;
        EXPECT_NE(dump.find("\"Normal\": [1, 0]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"Comma\": [1, 19]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"Currency [0]\": [1, 17]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"Percent\": [1, 18]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"palette\": [[0, 0, 0], [127, 0, 0], [0, 102, 204], [51, 51, 51]]"), std::string::npos)
            << dump;
    }
}

TEST(XLSStyleRecords, IndependentReaderSeesAddedEntries) {
    for (uint16_t bof : {uint16_t(0x0600), uint16_t(0x0500)}) {
        TXLSStyleXFs styles;
        TXLSStyleFont bold;
        bold.bold = true;
        bold.name = u"Tahoma";
        bold.height = 240;
        bold.color = TXLSStyleColor::FromPalette(3);
        int32_t font = styles.Fonts().FindOrAdd(bold);
        TXLSStyleXF xf = styles.XF(15);
        xf.font = font;
        xf.numFormat = styles.NumFormats().FindOrAddFormat(u"dd/mm/yyyy");
        xf.wrap = true;
        TXLSStyleFill fill;
        fill.pattern = 1;
        fill.foreground = TXLSStyleColor::FromIndex(13);
        xf.fill = styles.Fills().FindOrAdd(fill);
        TXLSStyleBorder border;
        border.left = {1, TXLSStyleColor::FromIndex(10)};
        border.right = {2, TXLSStyleColor::FromIndex(11)};
        border.top = {3, TXLSStyleColor::FromIndex(12)};
        border.bottom = {4, TXLSStyleColor::FromPalette(6)};
        xf.border = styles.Borders().FindOrAdd(border);
        int32_t id = styles.AddXF(xf);
        styles.MoveUse(0, id);
        styles.RegisterStyle({-1, 3, -1, u"Mine"});
        styles.PrepareForSave(bof);
        std::string dump = XlrdDump(BareStream(styles, bof), "added");
        if (dump == "SKIP") GTEST_SKIP() << "xlrd not available";
        EXPECT_NE(dump.find("[\"Tahoma\", 240, 700, 0, 10]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"164\": \"dd/mm/yyyy\""), std::string::npos) << dump;
        // xlrd numbers fonts as the file does (index 5 for the fifth record).
        EXPECT_NE(dump.find("[5, 164, 0, 0, 2, 1, 1, 13, 65, 1]]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"Mine\": [0, 3]"), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"border\": [1, 10, 2, 11, 3, 12, 4, 13]"), std::string::npos) << dump;
    }
}

}  // namespace
}  // namespace korvel
