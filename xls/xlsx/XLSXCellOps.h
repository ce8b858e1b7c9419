// The cells and row settings of a worksheet's sheetData, as the XML side of
// the sheet reader hands them to the side that stores them in the model:
// positions resolved, formats mapped to the model's numbering and values
// parsed. Texts stay the part's UTF-8: the storing side widens them to
// UTF-16, since it had time to spare while the XML side did. Nothing here
// touches the model, so the two sides may run on different threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

enum class TXLSXCellOpKind : uint8_t {
    Format,       // the cell's format only (no value, or one that did not parse)
    Number,       // Number; the 1904 correction is the storing side's
    Boolean,      // Number is 1 or 0
    SharedText,   // Index into the shared strings
    EmptyText,    // a shared string index beyond the table
    Text,         // Text: where its bytes lie in the block's texts
    Date,         // Number is the day serial of an ISO date
    RowSettings,  // the row's own settings (Col unused)
};

// Row settings, as flags of TXLSXCellOp::Flags.
inline constexpr uint8_t kRowHeightGiven = 1;
inline constexpr uint8_t kRowCustomHeight = 2;
inline constexpr uint8_t kRowCustomFormat = 4;
inline constexpr uint8_t kRowHidden = 8;

// A text's bytes in its block's texts.
struct TXLSXTextSpan {
    uint32_t Start;
    uint32_t Length;
};

// 24 bytes: a block is written on one thread and read on the other, so its
// size is memory traffic between them.
struct TXLSXCellOp {
    int32_t Row = 0;
    int32_t XF = 0;            // the cell's format; the row's for RowSettings
    uint16_t Col = 0;          // unused for RowSettings
    uint16_t Height = 0;       // RowSettings, in twips
    TXLSXCellOpKind Kind = TXLSXCellOpKind::Format;
    uint8_t Flags = 0;         // RowSettings
    uint8_t OutlineLevel = 0;  // RowSettings
    union {                    // by Kind
        double Number = 0;     // Number, Boolean, Date
        int32_t Index;         // SharedText
        TXLSXTextSpan Text;    // Text
    };
};
static_assert(sizeof(TXLSXCellOp) == 24);

// A run of operations with the texts they refer to. A block is full at
// kOps operations or once its texts pass kTextBytes, so long texts do not
// make it large.
struct TXLSXCellOpBlock {
    static constexpr size_t kOps = 4096;
    static constexpr size_t kTextBytes = size_t{1} << 20;

    TXLSXCellOpBlock() {
        ops.reserve(kOps);
        texts.reserve(kOps * 16);
    }
    bool Full() const { return ops.size() >= kOps || texts.size() >= kTextBytes; }
    void Clear() {
        ops.clear();
        texts.clear();
    }

    std::vector<TXLSXCellOp> ops;
    std::string texts;  // UTF-8
};

}  // namespace korvel
