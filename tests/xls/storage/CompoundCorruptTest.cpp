// Damaged compound documents: every fault must give an error result, never a
// crash, a hang or an allocation larger than the file.
#include <gtest/gtest.h>

#include <functional>

#include "common/ByteCursor.h"
#include "tests/xls/storage/StorageTestSupport.h"
#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/CompoundDocumentWriter.h"
#include "xls/storage/CompoundNames.h"

namespace korvel {
namespace {

// Field offsets from [MS-CFB] 2.2 and 2.6.1, written out here independently of
// the implementation.
constexpr size_t kByteOrder = 0x1C, kSectorShift = 0x1E, kMiniShift = 0x20, kFatCount = 0x2C,
                 kDirStart = 0x30, kMiniFatStart = 0x3C, kDifatStart = 0x44, kHeaderDifat = 0x4C;
constexpr size_t kEntryLeft = 0x44, kEntryRight = 0x48, kEntryChild = 0x4C, kEntryType = 0x42,
                 kEntryStart = 0x74, kEntrySize = 0x78;
constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;

// A document's bytes with accessors that find structures the way [MS-CFB] lays them out.
struct TDoc {
    std::vector<uint8_t> b;

    uint32_t U32(size_t at) const { return ByteCursor(b.data(), b.size()).U32At(at); }
    void Set16(size_t at, uint16_t v) { StoreU16LE(&b.at(at + 1) - 1, v); }
    void Set32(size_t at, uint32_t v) {
        b.at(at + 3);
        StoreU32LE(&b[at], v);
    }
    void Set64(size_t at, uint64_t v) {
        Set32(at, uint32_t(v));
        Set32(at + 4, uint32_t(v >> 32));
    }
    size_t SectorSize() const { return size_t(1) << (b[kSectorShift] | b[kSectorShift + 1] << 8); }
    size_t Sector(uint32_t s) const { return (size_t(s) + 1) * SectorSize(); }
    size_t Fat(uint32_t s) const {
        const size_t per = SectorSize() / 4;
        return Sector(U32(kHeaderDifat + 4 * (s / per))) + 4 * (s % per);
    }
    size_t Entry(uint32_t id) const {
        const size_t per = SectorSize() / 128;
        uint32_t s = U32(kDirStart);
        for (uint32_t k = 0; k < id / per; ++k)
            s = U32(Fat(s));
        return Sector(s) + 128 * (id % per);
    }
    size_t MiniFat(uint32_t m) const { return Sector(U32(kMiniFatStart)) + 4 * m; }
    // The id of the entry named so (ASCII names only).
    uint32_t Id(const std::string& name) const {
        for (uint32_t id = 1;; ++id) {
            const size_t at = Entry(id);
            size_t i = 0;
            while (i < name.size() && b.at(at + 2 * i) == uint8_t(name[i]) && !b[at + 2 * i + 1]) ++i;
            if (i == name.size() && !b[at + 2 * i] && !b[at + 2 * i + 1]) return id;
        }
    }
};

std::vector<uint8_t> Written(uint16_t version, size_t workbookSize) {
    TCompoundDocumentWriter doc(version);
    TCompoundStreamWriter* stream = nullptr;
    doc.Root().CreateStream(u"Workbook", stream);
    std::vector<uint8_t> body(workbookSize, 0x5A);
    stream->Write(body.data(), body.size());
    doc.Root().CreateStream(u"Small", stream);
    stream->Write("tiny", 4);
    std::vector<uint8_t> bytes;
    doc.SaveToBytes(bytes);
    return bytes;
}

TDoc Base(const std::string& name) {
    if (name == "large") {
        static const std::vector<uint8_t> large = Written(3, 8 * 1024 * 1024);
        return {large};
    }
    if (name == "v4") return {Written(4, 20000)};
    return {test::ReadWholeFile(test::FixturePath(name))};
}

struct TCorruptCase {
    const char* Name;
    const char* Base;
    std::function<void(TDoc&)> Mutate;
    int32_t Open;  // expected result of opening
    int32_t Read;  // expected result of reading "Workbook" when the open succeeds
};

const char* kXlwt = "tiny-xlwt.xls";          // Workbook in sectors 0..7, one FAT sector
const char* kLibre = "tiny-libreoffice.xls";  // Workbook in the mini stream

const TCorruptCase kCases[] = {
    {"short header", kXlwt, [](TDoc& d) { d.b.resize(100); }, kStorageNotCompound, 0},
    {"bad signature", kXlwt, [](TDoc& d) { d.b[0] = 0; }, kStorageNotCompound, 0},
    {"byte order", kXlwt, [](TDoc& d) { d.Set16(kByteOrder, 0xFEFF); }, kStorageCorrupt, 0},
    {"v3 with 4096-byte sectors", kXlwt, [](TDoc& d) { d.Set16(kSectorShift, 12); },
     kStorageCorrupt, 0},
    {"odd sector shift", kXlwt, [](TDoc& d) { d.Set16(kSectorShift, 31); }, kStorageCorrupt, 0},
    {"mini sector shift", kXlwt, [](TDoc& d) { d.Set16(kMiniShift, 7); }, kStorageCorrupt, 0},
    {"FAT count huge", kXlwt, [](TDoc& d) { d.Set32(kFatCount, 0xFFFFFFFF); }, kStorageCorrupt, 0},
    {"FAT sector out of range", kXlwt, [](TDoc& d) { d.Set32(kHeaderDifat, 5000); },
     kStorageCorrupt, 0},
    {"FAT sector free", kXlwt, [](TDoc& d) { d.Set32(kHeaderDifat, kFree); }, kStorageCorrupt, 0},
    {"FAT sector listed twice", kXlwt,
     [](TDoc& d) {
         d.Set32(kFatCount, 2);
         d.Set32(kHeaderDifat + 4, d.U32(kHeaderDifat));
     },
     kStorageCorrupt, 0},
    {"FAT count beyond the DIFAT chain", kXlwt, [](TDoc& d) { d.Set32(kFatCount, 110); },
     kStorageCorrupt, 0},
    {"DIFAT chain loops", "large",
     [](TDoc& d) {
         const uint32_t difat = d.U32(kDifatStart);
         d.Set32(d.Sector(difat) + d.SectorSize() - 4, difat);
         d.Set32(kFatCount, d.U32(kFatCount) + 127);
     },
     kStorageCorrupt, 0},
    {"DIFAT sector out of range", "large", [](TDoc& d) { d.Set32(kDifatStart, 0xFFFFFF00); },
     kStorageCorrupt, 0},
    {"truncated inside the FAT", "large", [](TDoc& d) { d.b.resize(d.b.size() / 2); },
     kStorageCorrupt, 0},
    {"directory start out of range", kXlwt, [](TDoc& d) { d.Set32(kDirStart, 100000); },
     kStorageCorrupt, 0},
    {"directory start is end of chain", kXlwt, [](TDoc& d) { d.Set32(kDirStart, kEnd); },
     kStorageCorrupt, 0},
    {"directory chain loops", kXlwt,
     [](TDoc& d) {
         const uint32_t s = d.U32(kDirStart);
         d.Set32(d.Fat(s), s);
     },
     kStorageCorrupt, 0},
    {"directory chain into free sector", kXlwt,
     [](TDoc& d) { d.Set32(d.Fat(d.U32(kDirStart)), kFree); }, kStorageCorrupt, 0},
    {"root entry is not a root", kXlwt, [](TDoc& d) { d.b[d.Entry(0) + kEntryType] = 1; },
     kStorageCorrupt, 0},
    {"sibling points back at the root", kXlwt, [](TDoc& d) { d.Set32(d.Entry(1) + kEntryLeft, 0); },
     kStorageCorrupt, 0},
    {"sibling points at itself", kXlwt, [](TDoc& d) { d.Set32(d.Entry(1) + kEntryRight, 1); },
     kStorageCorrupt, 0},
    {"sibling cycle over three entries", kLibre,
     [](TDoc& d) { d.Set32(d.Entry(3) + kEntryLeft, 1); }, kStorageCorrupt, 0},
    {"sibling out of range", kXlwt, [](TDoc& d) { d.Set32(d.Entry(1) + kEntryLeft, 5000); },
     kStorageCorrupt, 0},
    {"child of unknown type", kXlwt, [](TDoc& d) { d.b[d.Entry(1) + kEntryType] = 7; },
     kStorageCorrupt, 0},
    {"storage containing the root", kXlwt,
     [](TDoc& d) {
         d.b[d.Entry(1) + kEntryType] = 1;
         d.Set32(d.Entry(1) + kEntryChild, 0);
     },
     kStorageCorrupt, 0},
    {"stream start out of range", kXlwt, [](TDoc& d) { d.Set32(d.Entry(1) + kEntryStart, 100000); },
     kStorageOk, kStorageCorrupt},
    {"stream chain loops", kXlwt, [](TDoc& d) { d.Set32(d.Fat(3), 1); }, kStorageOk,
     kStorageCorrupt},
    {"stream chain ends early", kXlwt, [](TDoc& d) { d.Set32(d.Fat(3), kEnd); }, kStorageOk,
     kStorageCorrupt},
    {"stream chain runs into a free sector", kXlwt, [](TDoc& d) { d.Set32(d.Fat(3), kFree); },
     kStorageOk, kStorageCorrupt},
    {"stream size huge", kXlwt, [](TDoc& d) { d.Set32(d.Entry(1) + kEntrySize, 0xFFFFFFF0); },
     kStorageOk, kStorageCorrupt},
    {"stream size past the file", "biff8-xlwt.xls",
     [](TDoc& d) { d.Set32(d.Entry(1) + kEntrySize, 40960 + 512); }, kStorageOk, kStorageCorrupt},
    {"v3 ignores the high size half", kXlwt,
     [](TDoc& d) { d.Set32(d.Entry(1) + kEntrySize + 4, 7); }, kStorageOk, kStorageOk},
    {"v4 size huge", "v4",
     [](TDoc& d) { d.Set64(d.Entry(d.Id("Workbook")) + kEntrySize, 1ull << 40); }, kStorageOk,
     kStorageCorrupt},
    {"v4 stream chain loops", "v4",
     [](TDoc& d) {
         const uint32_t s = d.U32(d.Entry(d.Id("Workbook")) + kEntryStart);
         d.Set32(d.Fat(s + 1), s);
     },
     kStorageOk, kStorageCorrupt},
    {"mini chain loops", kLibre,
     [](TDoc& d) { d.Set32(d.MiniFat(d.U32(d.Entry(d.Id("Workbook")) + kEntryStart)), 0); },
     kStorageOk, kStorageCorrupt},
    {"mini sector out of range", kLibre,
     [](TDoc& d) { d.Set32(d.Entry(d.Id("Workbook")) + kEntryStart, 100000); }, kStorageOk,
     kStorageCorrupt},
    {"mini stream size past the mini stream", kLibre,
     [](TDoc& d) { d.Set32(d.Entry(d.Id("Workbook")) + kEntrySize, 4000); }, kStorageOk,
     kStorageCorrupt},
    {"mini stream container out of range", kLibre,
     [](TDoc& d) { d.Set32(d.Entry(0) + kEntryStart, 100000); }, kStorageOk, kStorageCorrupt},
    {"mini stream container size huge", kLibre,
     [](TDoc& d) { d.Set32(d.Entry(0) + kEntrySize, 0xFFFFFF00); }, kStorageOk, kStorageCorrupt},
    {"mini FAT chain loops", kLibre,
     [](TDoc& d) {
         const uint32_t s = d.U32(kMiniFatStart);
         d.Set32(d.Fat(s), s);
     },
     kStorageOk, kStorageCorrupt},
};

// Opens the document and touches everything: elements, and every stream of
// every storage, both whole and through the TStream view.
void TouchEverything(const TCompoundStorageReader& storage, int depth) {
    std::vector<TCompoundElement> elements;
    ASSERT_EQ(storage.Elements(elements), kStorageOk);
    for (const auto& e : elements) {
        if (e.Type == TElementType::Storage) {
            TCompoundStorageReader child;
            if (storage.OpenStorage(e.Name, child) == kStorageOk && depth < 64)
                TouchEverything(child, depth + 1);
            continue;
        }
        std::vector<uint8_t> bytes;
        if (storage.ReadStream(e.Name, bytes) == kStorageOk) {
            EXPECT_EQ(bytes.size(), e.Size);
        }
        std::unique_ptr<TCompoundStreamReader> stream;
        if (storage.OpenStream(e.Name, stream) == kStorageOk) {
            std::vector<uint8_t> buffer(777);
            uint64_t total = 0;
            for (size_t n; (n = stream->Read(buffer.data(), buffer.size())) > 0;)
                total += n;
            EXPECT_EQ(total, e.Size);
        }
    }
}

TEST(CompoundCorrupt, EveryFaultGivesItsResult) {
    for (const TCorruptCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        TDoc doc = Base(c.Base);
        ASSERT_GT(doc.b.size(), 0u);
        c.Mutate(doc);
        TCompoundDocumentReader reader;
        ASSERT_EQ(reader.OpenBytes(doc.b), c.Open);
        if (c.Open != kStorageOk) {
            EXPECT_FALSE(reader.IsOpen());
            continue;
        }
        std::vector<uint8_t> bytes;
        EXPECT_EQ(reader.Root().ReadStream(u"Workbook", bytes), c.Read);
        std::unique_ptr<TCompoundStreamReader> stream;
        EXPECT_EQ(reader.Root().OpenStream(u"Workbook", stream), c.Read);
        EXPECT_EQ(stream != nullptr, c.Read == kStorageOk);
        TouchEverything(reader.Root(), 0);
    }
}

// The unchanged bases open and read: the faults above are what the mutation made.
TEST(CompoundCorrupt, UnchangedBasesAreSound) {
    for (const char* base : {kXlwt, kLibre, "biff8-xlwt.xls", "large", "v4"}) {
        SCOPED_TRACE(base);
        TCompoundDocumentReader reader;
        ASSERT_EQ(reader.OpenBytes(Base(base).b), kStorageOk);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(reader.Root().ReadStream(u"Workbook", bytes), kStorageOk);
        TouchEverything(reader.Root(), 0);
    }
}

// Cutting a document anywhere must never crash the reader.
TEST(CompoundCorrupt, TruncationAtEveryBoundary) {
    for (const char* base : {kXlwt, kLibre}) {
        const TDoc whole = Base(base);
        for (size_t size = 0; size <= whole.b.size(); size += 64) {
            TCompoundDocumentReader reader;
            std::vector<uint8_t> cut(whole.b.begin(), whole.b.begin() + size);
            if (reader.OpenBytes(std::move(cut)) == kStorageOk) TouchEverything(reader.Root(), 0);
        }
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// One storage holding a name twice (no valid tree can): enumeration lists the
// name once, and what it lists is what a lookup reads.
TEST(CompoundCorrupt, NameHeldTwiceIsListedOnce) {
    TDoc doc = Base(kLibre);
    const size_t at = doc.Entry(doc.Id("\x01Ole"));
    const std::u16string name = u"WORKBOOK";
    for (size_t i = 0; i < name.size(); ++i)
        doc.Set16(at + 2 * i, name[i]);
    doc.Set16(at + 0x40, static_cast<uint16_t>(2 * name.size() + 2));
    for (const std::vector<uint8_t>& bytes :
         {doc.b, test::ReadWholeFile(test::FixturePath("fuzz-duplicate-names.cfb"))}) {
        TCompoundDocumentReader reader;
        ASSERT_EQ(reader.OpenBytes(bytes), kStorageOk);
        std::vector<TCompoundElement> elements;
        ASSERT_EQ(reader.Root().Elements(elements), kStorageOk);
        for (size_t i = 0; i + 1 < elements.size(); ++i)
            EXPECT_LT(CompareCompoundNames(elements[i].Name, elements[i + 1].Name), 0);
        TouchEverything(reader.Root(), 0);
    }
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenBytes(doc.b), kStorageOk);
    std::vector<TCompoundElement> elements;
    reader.Root().Elements(elements);
    EXPECT_EQ(elements.size(), 4u);
}

}  // namespace
}  // namespace korvel
