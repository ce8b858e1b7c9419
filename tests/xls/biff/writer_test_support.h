// Helpers shared by the writer tests: a record walker over written workbook
// streams, and access to the independent Python readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

class TXLSWorkbook;

namespace writer_test {

struct Record {
    size_t Offset = 0;   // of the record header in the stream
    uint16_t Id = 0;
    std::vector<uint8_t> Body;

    uint16_t Word(size_t at) const;
    uint32_t Long(size_t at) const;
    double Double(size_t at) const;
};

// The records of a workbook stream, in order, up to the zero padding; the
// padding's length is stored in padding. Fails the calling test (and returns
// what it could read) when a record runs past the end or the padding holds a
// non-zero byte.
std::vector<Record> SplitRecords(const std::vector<uint8_t>& stream, size_t* padding = nullptr);

// The workbook stream (globals and sheets, padded) as WriteBiffWorkbookStream writes it.
std::vector<uint8_t> WriteStream(TXLSWorkbook& workbook, int32_t format);

// Index of the first record with this id at or after from; records.size() when none.
size_t FindRecord(const std::vector<Record>& records, uint16_t id, size_t from = 0);
// Index of the record that starts at a stream offset; records.size() when none.
size_t RecordAtOffset(const std::vector<Record>& records, size_t offset);

// Checks a worksheet substream that starts at record index bof: every INDEX
// entry must point at a DBCELL, each DBCELL must point back at the first ROW
// record of its block and at the first cell record of each row.
void CheckCellTable(const std::vector<Record>& records, size_t bof);

// /usr/bin/python3 with xlrd, olefile and openpyxl; empty when unavailable.
std::string OraclePython();
// Path of tests/tools/oracle-dump.py in the source tree.
std::string OracleScript();
// Runs a shell command; returns its exit code, with stdout in out.
int RunCommand(const std::string& command, std::string& out);

// A file path in a fresh temporary folder for this test process.
std::string TempPath(const std::string& name);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace writer_test
}  // namespace korvel
