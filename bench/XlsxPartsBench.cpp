// Throughput of the package layers on a worksheet part of about 25 MB: the
// pull reader alone (from memory), and the whole path from a deflated zip
// member through inflating to the pull reader.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/Stream.h"
#include "tests/xls/xlsx/ZipBuilder.h"
#include "xls/xlsx/XLSXFileReader.h"
#include "xls/xlsx/XMLReader.h"

namespace {

using namespace korvel;

const std::string& WorksheetPart() {
    static const std::string part = [] {
        std::string doc =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
        for (int r = 1; doc.size() < (25u << 20); ++r) {
            std::string row = std::to_string(r);
            doc += "<row r=\"" + row + "\" spans=\"1:5\">";
            for (char col : std::string("ABCD"))
                doc += std::string("<c r=\"") + col + row + "\" s=\"1\" t=\"s\"><v>" + std::to_string(r * 4) + "</v></c>";
            doc += "<c r=\"E" + row + "\" t=\"inlineStr\"><is><t>Camera &amp; name " + row + "</t></is></c></row>";
        }
        return doc + "</sheetData></worksheet>";
    }();
    return part;
}

// Walks like the worksheet reader does: attributes of every start tag, the
// text of values and inline strings.
size_t WalkCells(TStream& stream) {
    TXMLReader reader(stream);
    std::string text;
    size_t work = 0;
    while (reader.Next()) {
        if (reader.NodeType() != TXMLNodeType::StartTag) continue;
        if (const TXMLAttribute* r = reader.FindAttribute("r")) work += r->Value.size();
        if (reader.Name() == "v" || reader.Name() == "t") {
            reader.ReadElementTextUtf8(text);
            work += text.size();
        }
    }
    return work;
}

void BM_PullReaderWorksheet(benchmark::State& state) {
    const std::string& part = WorksheetPart();
    for (auto _ : state) {
        TSpanStream stream({reinterpret_cast<const uint8_t*>(part.data()), part.size()});
        benchmark::DoNotOptimize(WalkCells(stream));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(part.size()));
}
BENCHMARK(BM_PullReaderWorksheet)->Unit(benchmark::kMillisecond);

void BM_DeflatedWorksheetThroughZip(benchmark::State& state) {
    static const std::vector<uint8_t> archive =
        test::BuildZip({{"xl/worksheets/sheet1.xml", WorksheetPart(), 8}}).bytes;
    for (auto _ : state) {
        TSpanStream stream(archive);
        TXLSXFileReader package;
        package.OpenArchive(stream);
        auto part = package.OpenEntry("/xl/worksheets/sheet1.xml");
        benchmark::DoNotOptimize(WalkCells(*part));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(WorksheetPart().size()));
}
BENCHMARK(BM_DeflatedWorksheetThroughZip)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
