// TXLSReader: reads a BIFF5 or BIFF8 workbook into a TXLSWorkbook.
//
// It pulls records from a TXLSReadStream, groups each record with its
// CONTINUE records (and MSODRAWINGGROUP records with the ones that follow
// them), and dispatches every group by the substream it lies in:
//
//   state        entered by                        left by
//   None         start, EOF                        BOF
//   Globals      BOF type 0x0005                   EOF, or the next BOF
//   Worksheet    BOF type 0x0010                   EOF
//   ChartSheet   BOF type 0x0020                   EOF
//   SheetChart   BOF type 0x0020 inside a sheet    EOF (back to Worksheet)
//
// Other substreams (macro sheets, modules) stay in None and are skipped to
// their EOF. The n-th worksheet or chart substream fills the n-th sheet.
// The workbook-globals records fill the shared strings (kept by the reader),
// the style tables, the sheet directory, the code page, the date system,
// the protection and the active sheet; worksheet records go to a
// TXLSSheetReader. Chart and drawing records are skipped.
//
// A reader is made for one read and then destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "xls/biff/XLSReadStream.h"
#include "xls/biff/XLSRecordText.h"
#include "xls/biff/XLSSheetReader.h"

namespace korvel {

class TStream;
class TXLSWorkbook;

class TXLSReader {
public:
    TXLSReader(TXLSWorkbook& workbook, const std::u16string& password);
    ~TXLSReader();
    TXLSReader(const TXLSReader&) = delete;
    TXLSReader& operator=(const TXLSReader&) = delete;

    // Opens the file's record stream and reads the workbook. The workbook is
    // emptied first (once the record stream is found). Results: 1;
    // kXLSReadNoRecordStream (-3); kXLSReadFailed (-1) for a body shorter
    // than its header, an unsupported BIFF version or a malformed FONT;
    // kXLSReadEndOfStream (100) when the stream ends inside a substream; the
    // decryption codes -1001 .. -1006. What was read before a failure stays
    // in the workbook.
    int32_t ReadFile(const std::u16string& path);
    // The same from the caller's stream (read from its start; not kept).
    int32_t ReadStream(TStream& stream);
    // The same from a whole file in memory, which owner keeps alive.
    int32_t ReadBytes(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);

    // kXLSFormatBiff5 (1) when the globals BOF gave a version below 0x0600,
    // else kXLSFormatBiff8 (2).
    int32_t FileFormat() const;

private:
    enum class TState { None, Globals, Worksheet, ChartSheet, SheetChart };

    int32_t ReadWorkbook();
    int32_t ReadRecords();
    int32_t Dispatch(uint16_t id, const TXLSRecordGroup& group);
    int32_t HandleBof(std::span<const uint8_t> body);
    void HandleEof();
    void Finish();
    void KeepParts();
    TXLSSheetReadSettings SheetSettings();

    // Workbook globals (XLSReaderGlobals.cpp).
    int32_t DispatchGlobals(uint16_t id, const TXLSRecordGroup& group);
    void ReadBoundSheet(std::span<const uint8_t> body);
    void ReadCodePage(std::span<const uint8_t> body);
    void ReadDateMode(std::span<const uint8_t> body);
    void ReadWindow1(std::span<const uint8_t> body);
    void ReadProtect(std::span<const uint8_t> body);
    void ReadPassword(std::span<const uint8_t> body);
    // Style records (XLSReaderStyles.cpp).
    int32_t ReadFont(std::span<const uint8_t> body);
    void ReadXF(std::span<const uint8_t> body);
    void ReadStyle(std::span<const uint8_t> body);
    void ReadFormat(std::span<const uint8_t> body);
    void ReadPalette(std::span<const uint8_t> body);
    void ReadSST(const TXLSRecordGroup& group);
    // Gives back the references held to the SST's strings.
    void ReleaseSharedStrings();
    // A BIFF8 (16-bit count and option byte) or BIFF5 (8-bit characters)
    // text at the cursor; false when the body ends early.
    bool ReadText(ByteCursor& cursor, bool count16, std::u16string& out) const;
    bool Biff8() const { return biffVersion_ >= 0x0600; }

    TXLSWorkbook& workbook_;
    TXLSReadStream stream_;
    uint16_t biffVersion_ = 0;
    TState state_ = TState::None;
    int32_t sheetIndex_ = 0;
    uint16_t activeTab_ = 0;
    bool date1904_ = false;
    uint16_t codePage_ = 1252;
    std::vector<TXLSSharedStringRef> sharedStrings_;  // one reference held to each
    int32_t fontCount_ = 0;
    int32_t xfCount_ = 0;
    std::unique_ptr<TXLSSheetReader> sheetReader_;
};

}  // namespace korvel
