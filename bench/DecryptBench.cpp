// What decryption adds to opening a workbook: the benchmark's wide sheet
// (65,000 rows of ten mixed columns) is saved, its Workbook stream encrypted
// with RC4 by the test encryptor, and both documents are opened in turn.
//
//   korvel_decrypt_bench [RUNS] [--keep DIR]
//
// Prints the median open times (wall, and CPU of all threads) of the plain and the
// encrypted file and their ratios; --keep leaves both files in DIR (as wide-plain.xls, wide-rc4.xls,
// password "bench-rc4") for timing from outside. Exit code 1 when a file
// does not open or the two read differently at the sampled cells.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "common/TextUtil.h"
#include "platform/Stream.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "xls/model/XLSModelResults.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkSheets.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/CompoundDocumentWriter.h"

using namespace korvel;

namespace {

const std::u16string kPassword = u"bench-rc4";

void FillWide(IXLSWorksheet& sheet) {
    std::array<bench::BenchCell, bench::kWideCols> cells;
    for (int32_t row = 0; row < bench::kWideRows; ++row) {
        bench::WideRow(row, cells);
        for (int32_t col = 0; col < bench::kWideCols; ++col) {
            bench::BenchCell& cell = cells[static_cast<size_t>(col)];
            switch (cell.Kind) {
                case bench::BenchCell::Kind::Text: sheet.SetCellValue(row, col, Variant(std::move(cell.Text))); break;
                case bench::BenchCell::Kind::Number: sheet.SetCellValue(row, col, Variant(cell.Number)); break;
                case bench::BenchCell::Kind::Boolean: sheet.SetCellValue(row, col, Variant(cell.Flag)); break;
                case bench::BenchCell::Kind::None: break;
            }
        }
    }
}

// The Workbook stream of the wide workbook as our writer saves it.
std::vector<uint8_t> WideWorkbookStream() {
    TXLSWorkbook book;
    FillWide(book.Sheets().Add());
    TMemoryStream saved;
    if (book.SaveToStream(saved) != kXLSOk) return {};
    TCompoundDocumentReader reader;
    std::vector<uint8_t> stream;
    if (reader.OpenBytes(saved.Bytes()) != kStorageOk || reader.Root().ReadStream(u"Workbook", stream) != kStorageOk)
        return {};
    // The writer pads the stream with zeros to a whole number of sectors; the
    // encryptor takes whole (empty) records only, so cut the bytes too short
    // for a header.
    size_t end = 0;
    while (end + 4 <= stream.size()) end += 4 + static_cast<size_t>(stream[end + 2] | stream[end + 3] << 8);
    stream.resize(std::min(end, stream.size()));
    return stream;
}

// A compound document holding only stream as "Workbook", written to path.
bool WriteDocument(const std::string& path, const std::vector<uint8_t>& stream) {
    TCompoundDocumentWriter writer;
    TCompoundStreamWriter* out = nullptr;
    std::vector<uint8_t> bytes;
    if (writer.Root().CreateStream(u"Workbook", out) != kStorageOk) return false;
    out->Write(stream.data(), stream.size());
    if (writer.SaveToBytes(bytes) != kStorageOk) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// CPU time of every thread of the process: decryption runs on a worker.
double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Wall and CPU seconds one Open takes; false when it fails. Decryption runs
// beside the parsing, so the CPU time of an encrypted open exceeds its wall.
bool TimeOpen(const std::string& path, const std::u16string& password, double& wall, double& cpu) {
    TXLSWorkbook book;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = book.Open(Utf8ToUtf16(path), password);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = ProcessCpuSeconds() - cpuStart;
    return result == kXLSOk;
}

bool SameSampledCells(TXLSWorkbook& a, TXLSWorkbook& b) {
    IXLSWorksheet& left = *a.Sheets().Items(1);
    IXLSWorksheet& right = *b.Sheets().Items(1);
    for (int32_t row = 1; row <= bench::kWideRows; row += 997)
        for (int32_t col = 1; col <= bench::kWideCols; ++col)
            if (left.Cells()->Item(row, col)->Value() != right.Cells()->Item(row, col)->Value()) return false;
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::string dir = "/tmp";
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            dir = argv[++i];
            keep = true;
        } else {
            runs = std::max(1, std::atoi(argv[i]));
        }
    }
    const std::vector<uint8_t> plain = WideWorkbookStream();
    if (plain.empty()) return std::fprintf(stderr, "cannot save the wide workbook\n"), 1;
    testing::TestEncryption options;
    options.cipher = testing::TestCipher::RC4;
    options.password = kPassword;
    const std::string plainPath = dir + "/wide-plain.xls", rc4Path = dir + "/wide-rc4.xls";
    if (!WriteDocument(plainPath, plain) || !WriteDocument(rc4Path, testing::EncryptWorkbookStream(plain, options)))
        return std::fprintf(stderr, "cannot write into %s\n", dir.c_str()), 1;

    {
        TXLSWorkbook plainBook, rc4Book;
        if (plainBook.Open(Utf8ToUtf16(plainPath)) != kXLSOk || rc4Book.Open(Utf8ToUtf16(rc4Path), kPassword) != kXLSOk)
            return std::fprintf(stderr, "open failed\n"), 1;
        if (!SameSampledCells(plainBook, rc4Book)) return std::fprintf(stderr, "cells differ\n"), 1;
    }
    // Each open starts from an empty process heap of the same state, and the
    // order alternates, so neither file gains from the other's allocations.
    std::vector<double> plainWall, rc4Wall, plainCpu, rc4Cpu;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool encrypted = run % 2 == (run / 2) % 2;
        double wall = 0, cpu = 0;
        if (!TimeOpen(encrypted ? rc4Path : plainPath, encrypted ? kPassword : u"", wall, cpu))
            return std::fprintf(stderr, "open failed\n"), 1;
        (encrypted ? rc4Wall : plainWall).push_back(wall);
        (encrypted ? rc4Cpu : plainCpu).push_back(cpu);
    }
    std::printf("stream %zu bytes, %d runs, medians: wall plain %.3f s, rc4 %.3f s, ratio %.2f; "
                "cpu plain %.3f s, rc4 %.3f s, ratio %.2f\n",
                plain.size(), runs, Median(plainWall), Median(rc4Wall), Median(rc4Wall) / Median(plainWall),
                Median(plainCpu), Median(rc4Cpu), Median(rc4Cpu) / Median(plainCpu));
    if (!keep) {
        std::remove(plainPath.c_str());
        std::remove(rc4Path.c_str());
    }
    return 0;
}
