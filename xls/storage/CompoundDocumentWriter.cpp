#include "xls/storage/CompoundDocumentWriter.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "xls/storage/CompoundLayout.h"
#include "xls/storage/CompoundNames.h"

namespace korvel {

// ---- stream ---------------------------------------------------------------

size_t TCompoundStreamWriter::Read(void* buffer, size_t count) {
    if (pos_ >= data_.size()) return 0;
    const size_t take = std::min(count, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, take);
    pos_ += take;
    return take;
}

size_t TCompoundStreamWriter::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    const auto* src = static_cast<const uint8_t*>(buffer);
    if (pos_ == data_.size()) {
        data_.insert(data_.end(), src, src + count);  // geometric growth: cheap appends
    } else {
        if (pos_ + count > data_.size()) data_.resize(pos_ + count);
        std::memcpy(data_.data() + pos_, src, count);
    }
    pos_ += count;
    return count;
}

int64_t TCompoundStreamWriter::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<int64_t>(pos_);
    if (origin == SeekOrigin::End) base = static_cast<int64_t>(data_.size());
    if (offset < 0 && -offset > base) return -1;
    pos_ = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(pos_);
}

// ---- storage --------------------------------------------------------------

void TCompoundStorageWriter::Detach(std::u16string_view name) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [&](const TChild& c) { return SameCompoundName(c.Name(), name); });
    if (it == children_.end()) return;
    doc_.detached_.push_back(std::move(*it));
    children_.erase(it);
}

int32_t TCompoundStorageWriter::CreateStream(std::u16string_view name,
                                             TCompoundStreamWriter*& out) {
    out = nullptr;
    if (!IsValidCompoundName(name)) return kStorageInvalidName;
    Detach(name);
    TChild child;
    child.Stream = std::make_unique<TCompoundStreamWriter>(std::u16string(name));
    out = child.Stream.get();
    children_.push_back(std::move(child));
    return kStorageOk;
}

int32_t TCompoundStorageWriter::CreateStorage(std::u16string_view name,
                                              TCompoundStorageWriter*& out) {
    out = nullptr;
    if (!IsValidCompoundName(name)) return kStorageInvalidName;
    Detach(name);
    TChild child;
    child.Storage = std::make_unique<TCompoundStorageWriter>(doc_, std::u16string(name));
    out = child.Storage.get();
    children_.push_back(std::move(child));
    return kStorageOk;
}

// ---- document -------------------------------------------------------------

namespace {

class TVectorSink : public TByteSink {
public:
    explicit TVectorSink(std::vector<uint8_t>& out) : out_(out) {}
    bool Put(const uint8_t* data, size_t size) override {
        out_.insert(out_.end(), data, data + size);
        return true;
    }

private:
    std::vector<uint8_t>& out_;
};

// Gathers small pieces (padding, table sectors) into large writes; large
// pieces (stream bodies) go straight through.
class TStreamSink : public TByteSink {
public:
    explicit TStreamSink(TStream& out) : out_(out) { buffer_.reserve(kBufferSize); }
    bool Put(const uint8_t* data, size_t size) override {
        if (buffer_.size() + size > kBufferSize && !Flush()) return false;
        if (size >= kBufferSize) return out_.Write(data, size) == size;
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }
    bool Flush() {
        const bool ok = out_.Write(buffer_.data(), buffer_.size()) == buffer_.size();
        buffer_.clear();
        return ok;
    }

private:
    static constexpr size_t kBufferSize = 64 * 1024;
    TStream& out_;
    std::vector<uint8_t> buffer_;
};

}  // namespace

TCompoundDocumentWriter::TCompoundDocumentWriter(uint16_t majorVersion)
    : majorVersion_(majorVersion == 4 ? 4 : 3), root_(*this, u"Root Entry") {}

int32_t TCompoundDocumentWriter::SaveToBytes(std::vector<uint8_t>& out) const {
    out.clear();
    TCompoundLayout layout;
    const int32_t result = PlanCompoundLayout(root_, majorVersion_, layout);
    if (result != kStorageOk) return result;
    out.reserve(layout.TotalBytes);
    TVectorSink sink(out);
    EmitCompoundLayout(layout, sink);
    return kStorageOk;
}

int32_t TCompoundDocumentWriter::SaveToStream(TStream& out) const {
    TCompoundLayout layout;
    const int32_t result = PlanCompoundLayout(root_, majorVersion_, layout);
    if (result != kStorageOk) return result;
    TStreamSink sink(out);
    if (!EmitCompoundLayout(layout, sink) || !sink.Flush()) return kStorageFileError;
    return kStorageOk;
}

int32_t TCompoundDocumentWriter::SaveToFile(const std::string& path) const {
    TCompoundLayout layout;
    int32_t result = PlanCompoundLayout(root_, majorVersion_, layout);
    if (result != kStorageOk) return result;
    const std::string temporary = TemporaryPathBeside(path);
    if (temporary.empty()) return kStorageFileError;
    try {
        TFileStream file(temporary, FileMode::Create);
        TStreamSink sink(file);
        if (!EmitCompoundLayout(layout, sink) || !sink.Flush()) result = kStorageFileError;
    } catch (const EKorvelError&) {
        // The temporary file could not be created: nothing was written anywhere.
        return kStorageFileError;
    }
    if (result == kStorageOk && !RenameFile(temporary, path)) result = kStorageFileError;
    if (result != kStorageOk) RemoveFile(temporary);
    return result;
}

}  // namespace korvel
