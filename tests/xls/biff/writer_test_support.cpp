#include "tests/xls/biff/writer_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/ByteCursor.h"
#include "platform/Stream.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSWorkbookWriter.h"

namespace korvel {
namespace writer_test {

namespace Rec = XLSRecordId;

uint16_t Record::Word(size_t at) const { return ByteCursor(Body.data(), Body.size()).U16At(at); }
uint32_t Record::Long(size_t at) const { return ByteCursor(Body.data(), Body.size()).U32At(at); }
double Record::Double(size_t at) const { return ByteCursor(Body.data(), Body.size()).F64At(at); }

std::vector<Record> SplitRecords(const std::vector<uint8_t>& stream, size_t* padding) {
    std::vector<Record> records;
    ByteCursor cursor(stream.data(), stream.size());
    while (cursor.Remaining() >= 4) {
        const size_t offset = cursor.Position();
        const uint16_t id = cursor.U16();
        const uint16_t length = cursor.U16();
        if (id == 0 && length == 0) {
            cursor.Seek(offset);
            break;
        }
        auto body = cursor.Bytes(length);
        if (!cursor.Ok()) {
            ADD_FAILURE() << "record 0x" << std::hex << id << " at " << std::dec << offset << " runs past the end";
            return records;
        }
        records.push_back({offset, id, std::vector<uint8_t>(body.begin(), body.end())});
    }
    const size_t rest = cursor.Remaining();
    for (size_t i = cursor.Position(); i < stream.size(); ++i) {
        if (stream[i] != 0) {
            ADD_FAILURE() << "non-zero byte in the padding at " << i;
            break;
        }
    }
    if (padding) *padding = rest;
    return records;
}

std::vector<uint8_t> WriteStream(TXLSWorkbook& workbook, int32_t format) {
    TMemoryStream out;
    const int32_t result = WriteBiffWorkbookStream(workbook, format, out);
    EXPECT_EQ(result, 1);
    return out.Bytes();
}

size_t FindRecord(const std::vector<Record>& records, uint16_t id, size_t from) {
    for (size_t i = from; i < records.size(); ++i)
        if (records[i].Id == id) return i;
    return records.size();
}

size_t RecordAtOffset(const std::vector<Record>& records, size_t offset) {
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].Offset == offset) return i;
    return records.size();
}

namespace {

bool IsCellRecord(uint16_t id) {
    switch (id) {
        case Rec::kLABELSST: case Rec::kLABEL: case Rec::kNUMBER: case Rec::kRK: case Rec::kMULRK:
        case Rec::kBLANK: case Rec::kMULBLANK: case Rec::kBOOLERR: case Rec::kFORMULA:
            return true;
        default:
            return false;
    }
}

}  // namespace

void CheckCellTable(const std::vector<Record>& records, size_t bof) {
    ASSERT_LT(bof, records.size());
    const bool biff8 = records[bof].Word(0) == 0x0600;
    const size_t eof = FindRecord(records, Rec::kEOF, bof);
    ASSERT_LT(eof, records.size());
    const size_t index = bof + 1 < eof && records[bof + 1].Id == Rec::kINDEX ? bof + 1 : records.size();

    std::vector<size_t> dbcells;
    for (size_t i = bof; i < eof; ++i)
        if (records[i].Id == Rec::kDBCELL) dbcells.push_back(i);

    if (index < records.size()) {
        const Record& rec = records[index];
        const size_t headerSize = biff8 ? 16 : 12;
        ASSERT_GE(rec.Body.size(), headerSize);
        const size_t count = (rec.Body.size() - headerSize) / 4;
        ASSERT_EQ(count, dbcells.size()) << "INDEX must list every DBCELL";
        for (size_t k = 0; k < count; ++k) {
            const uint32_t target = rec.Long(headerSize + 4 * k);
            EXPECT_EQ(target, records[dbcells[k]].Offset) << "INDEX entry " << k;
        }
    }

    // Each DBCELL against the ROW and cell records of its block.
    size_t blockStart = bof + 1;
    for (size_t d : dbcells) {
        std::vector<size_t> rows;
        size_t firstRow = records.size();
        for (size_t i = blockStart; i < d; ++i) {
            if (records[i].Id == Rec::kROW) {
                if (firstRow == records.size()) firstRow = i;
                rows.push_back(records[i].Word(0));
            }
        }
        const Record& db = records[d];
        ASSERT_EQ(db.Body.size(), 4 + 2 * rows.size()) << "DBCELL at " << db.Offset;
        if (rows.empty()) {
            EXPECT_EQ(db.Long(0), 0u);
        } else {
            EXPECT_EQ(db.Long(0), db.Offset - records[firstRow].Offset) << "DBCELL at " << db.Offset;
            // Position of each row's first cell record (or of what follows its
            // predecessor's cells when the row has none).
            size_t previous = records[firstRow].Offset + 20;
            for (size_t k = 0; k < rows.size(); ++k) {
                size_t first = db.Offset;
                for (size_t i = firstRow; i < d; ++i) {
                    if (IsCellRecord(records[i].Id) && records[i].Word(0) >= rows[k]) {
                        first = records[i].Offset;
                        break;
                    }
                }
                EXPECT_EQ(db.Word(4 + 2 * k), first - previous) << "DBCELL at " << db.Offset << " row " << rows[k];
                previous = first;
            }
        }
        blockStart = d + 1;
    }
}

std::string OraclePython() {
    static const std::string python = [] {
        std::string out;
        if (RunCommand("/usr/bin/python3 -c 'import xlrd, olefile, openpyxl' 2>/dev/null", out) == 0)
            return std::string("/usr/bin/python3");
        return std::string();
    }();
    return python;
}

std::string OracleScript() { return std::string(KORVEL_SOURCE_DIR) + "/tests/tools/oracle-dump.py"; }

int RunCommand(const std::string& command, std::string& out) {
    out.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

const std::filesystem::path& TempFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("korvel-writer-tests-" + std::to_string(getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return folder;
}

void RemoveTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(TempFolder(), ignored);
}

}  // namespace

std::string TempPath(const std::string& name) {
    // Registered once the folder exists, so it runs before the folder's path is destroyed.
    // The dumps of the large workbooks take some 100 MB: leave nothing behind.
    static const bool cleanup = (TempFolder(), std::atexit(RemoveTempFolder) == 0);
    (void)cleanup;
    return (TempFolder() / name).string();
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace writer_test
}  // namespace korvel
