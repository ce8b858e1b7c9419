// The SST writer: the strings in use, in id order, as one SST record and as
// many CONTINUE records as needed, then the EXTSST index ([MS-XLS] 2.4.265,
// 2.4.107). Strings are always stored as UTF-16 (option byte 0x01); a
// string's header is never split, and a string whose first piece would start
// with fewer than 5 bytes left moves whole to the next record.
#include <algorithm>

#include "xls/biff/XLSBlob.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSRecordResults.h"
#include "xls/model/XLSStringTable.h"

namespace korvel {

namespace {
constexpr uint8_t kUncompressedOption = 0x01;
constexpr uint16_t kStringsPerBucket = 8;
constexpr uint32_t kExtEntrySize = 8;
constexpr uint32_t kFirstPieceHeader = 3;         // character count and option byte
constexpr uint32_t kContinuationHeader = 1;       // option byte
constexpr uint32_t kSmallestFirstPieceRoom = 5;   // header and one character
constexpr size_t kMaxStringUnits = 0xFFFF;
constexpr uint16_t kSmallestDataLimit = 16;
constexpr uint16_t kLargestDataLimit = 8224;
}  // namespace

// One pass of WriteSST. pos_ follows the stream offset of the next byte
// written, which is what EXTSST entries record.
class TXLSStringTable::SSTWriter {
public:
    SSTWriter(TXLSBlobList& list, int64_t streamOffset, uint16_t dataLimit, int32_t totalRefs, int32_t unique)
        : list_(list), pos_(streamOffset), limit_(dataLimit), totalRefs_(totalRefs), unique_(unique),
          sst_(dataLimit + 4u), ext_(dataLimit + 4u) {}

    void WriteString(int32_t n, std::u16string_view text);
    void Finish();

private:
    uint32_t RecordRoom() const { return limit_ + 4u; }
    void OpenSST();
    void CloseSST();
    void AddExtEntry(uint32_t recordOffset);
    void OpenExt();
    void CloseExt();
    static void Close(TXLSBlob& record, TXLSBlobList& target);

    TXLSBlobList& list_;
    TXLSBlobList extList_;
    int64_t pos_;
    uint32_t limit_;
    int32_t totalRefs_;
    int32_t unique_;
    TXLSBlob sst_;
    TXLSBlob ext_;
    bool sstOpen_ = false;
    bool extOpen_ = false;
    bool sstHeaderPending_ = true;
    bool extHeaderPending_ = true;
};

void TXLSStringTable::SSTWriter::Close(TXLSBlob& record, TXLSBlobList& target) {
    record.PutWord(static_cast<uint16_t>(record.Length() - 4), 2);
    target.Add(record.Data(), record.Length());
    record.Rewind();
}

void TXLSStringTable::SSTWriter::OpenSST() {
    if (sstHeaderPending_) {
        sst_.WriteWord(XLSRecordId::kSST);
        sst_.WriteWord(0);
        sst_.WriteLongWord(static_cast<uint32_t>(totalRefs_));
        sst_.WriteLongWord(static_cast<uint32_t>(unique_));
        sstHeaderPending_ = false;
    } else {
        sst_.WriteWord(XLSRecordId::kCONTINUE);
        sst_.WriteWord(0);
    }
    pos_ += sst_.Length();
    sstOpen_ = true;
}

void TXLSStringTable::SSTWriter::CloseSST() {
    Close(sst_, list_);
    sstOpen_ = false;
}

void TXLSStringTable::SSTWriter::OpenExt() {
    if (extHeaderPending_) {
        ext_.WriteWord(XLSRecordId::kEXTSST);
        ext_.WriteWord(0);
        ext_.WriteWord(kStringsPerBucket);
        extHeaderPending_ = false;
    } else {
        ext_.WriteWord(XLSRecordId::kCONTINUE);
        ext_.WriteWord(0);
    }
    extOpen_ = true;
}

void TXLSStringTable::SSTWriter::CloseExt() {
    Close(ext_, extList_);
    extOpen_ = false;
}

void TXLSStringTable::SSTWriter::AddExtEntry(uint32_t recordOffset) {
    if (!extOpen_) OpenExt();
    if (ext_.Length() + kExtEntrySize > RecordRoom()) {
        CloseExt();
        OpenExt();
    }
    ext_.WriteLongWord(static_cast<uint32_t>(pos_));
    ext_.WriteWord(static_cast<uint16_t>(recordOffset));
    ext_.WriteWord(0);
}

namespace {
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
}  // namespace

void TXLSStringTable::SSTWriter::WriteString(int32_t n, std::u16string_view text) {
    // The character count is one word: a longer text is stored cut to what the
    // count can say, so that count and characters agree.
    if (text.size() > kMaxStringUnits) text = text.substr(0, kMaxStringUnits);
    const uint32_t totalUnits = static_cast<uint32_t>(text.size());
    bool first = true;
    for (;;) {
        if (!sstOpen_) OpenSST();
        const uint32_t header = first ? kFirstPieceHeader : kContinuationHeader;
        const uint32_t used = sst_.Length();
        const uint32_t room = RecordRoom() - used;
        const uint64_t pieceBytes = header + 2 * uint64_t(text.size());
        if (pieceBytes > room && first && room < kSmallestFirstPieceRoom) {
            CloseSST();
            continue;
        }
        if (first && n % kStringsPerBucket == 0) AddExtEntry(used);
        uint32_t units = pieceBytes <= room ? static_cast<uint32_t>(text.size()) : (room - header) / 2;
        // Never cut between the two halves of a surrogate pair: readers decode
        // each piece on its own and reject a lone half.
        if (units > 0 && units < text.size() && IsHighSurrogate(text[units - 1]) && IsLowSurrogate(text[units]))
            --units;
        if (first) sst_.WriteWord(static_cast<uint16_t>(totalUnits));
        sst_.WriteByte(kUncompressedOption);
        sst_.WriteWideText(text.substr(0, units));
        pos_ += header + 2 * uint64_t(units);
        if (units == text.size()) return;
        CloseSST();
        text.remove_prefix(units);
        first = false;
    }
}

void TXLSStringTable::SSTWriter::Finish() {
    if (sstOpen_ && sst_.Length() > 4) CloseSST();
    if (extOpen_ && ext_.Length() > 4) CloseExt();
    list_.AppendList(extList_);
}

int32_t TXLSStringTable::WriteSST(TXLSBlobList& list, int32_t streamOffset) {
    if (uniqueCount_ <= 0) return kXLSRecordOk;
    SSTWriter writer(list, streamOffset, recordDataLimit_, totalRefs_, uniqueCount_);
    int32_t n = 0;
    for (int32_t id = 1; id <= highestId_; ++id) {
        const Entry& entry = EntryOf(id);
        if (entry.refCount > 0) writer.WriteString(n++, entry.Text());
    }
    writer.Finish();
    return kXLSRecordOk;
}

void TXLSStringTable::SetRecordDataLimit(uint16_t limit) {
    // A record must hold the SST header and a string header; BIFF8 allows no more than 8224.
    recordDataLimit_ = std::clamp(limit, kSmallestDataLimit, kLargestDataLimit);
}

}  // namespace korvel
