// Lays out a document built with TCompoundDocumentWriter and emits its bytes.
//
// Sector order of the written file: regular streams (each contiguous, in
// directory order), the mini stream, the mini FAT, the directory, the FAT,
// then the DIFAT sectors. The directory numbers entries breadth first; the
// children of each storage get consecutive numbers in [MS-CFB] name order and
// are linked as a balanced binary tree coloured as a valid red-black tree.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/storage/CompoundDocumentWriter.h"
#include "xls/storage/CompoundFormat.h"

namespace korvel {

// Where emitted bytes go. Put returns false when the bytes could not be taken.
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual bool Put(const uint8_t* data, size_t size) = 0;
    // Puts count copies of value.
    bool PutFill(uint8_t value, size_t count);
};

struct TCompoundLayout {
    TCompoundHeader Header;
    std::vector<TDirEntry> Entries;
    std::vector<const std::vector<uint8_t>*> Data;  // per entry; null for storages
    std::vector<uint32_t> RegularStreams;           // entry ids, in sector order
    std::vector<uint32_t> MiniStreams;              // entry ids, in mini sector order
    uint32_t RegularSectors = 0;                    // sectors of all regular streams
    uint32_t MiniSectors = 0;                       // 64-byte sectors in the mini stream
    uint32_t MiniContainerSectors = 0;
    uint32_t DirectorySectors = 0;
    uint32_t FatSectors = 0;
    uint32_t DifatSectors = 0;
    uint64_t TotalBytes = 0;  // size of the whole file
};

// Plans the layout of the tree under root.
// Results: kStorageOk; kStorageTooLarge when a stream does not fit the
// version's size field or the file would need more sectors than can be numbered.
int32_t PlanCompoundLayout(const TCompoundStorageWriter& root, uint16_t majorVersion,
                           TCompoundLayout& layout);

// Emits the planned file, exactly layout.TotalBytes bytes. False when the sink refused bytes.
bool EmitCompoundLayout(const TCompoundLayout& layout, TByteSink& sink);

}  // namespace korvel
