// Preserved parts: a storage tree loaded from one document and saved into another.
#include <gtest/gtest.h>

#include "tests/xls/storage/StorageTestSupport.h"
#include "xls/storage/XLSFileItem.h"

namespace korvel {
namespace {

void Put(TCompoundStorageWriter& storage, const std::u16string& name, size_t size, uint8_t fill) {
    TCompoundStreamWriter* stream = nullptr;
    ASSERT_EQ(storage.CreateStream(name, stream), kStorageOk);
    std::vector<uint8_t> bytes(size, fill);
    stream->Write(bytes.data(), bytes.size());
}

// A source document with a macro storage two levels deep and a "Ctls" stream.
std::vector<uint8_t> SourceDocument() {
    TCompoundDocumentWriter doc;
    Put(doc.Root(), u"Workbook", 6000, 1);
    Put(doc.Root(), u"Ctls", 300, 2);
    TCompoundStorageWriter* macros = nullptr;
    doc.Root().CreateStorage(u"_VBA_PROJECT_CUR", macros);
    Put(*macros, u"PROJECT", 400, 3);
    TCompoundStorageWriter* vba = nullptr;
    macros->CreateStorage(u"VBA", vba);
    Put(*vba, u"dir", 500, 4);
    Put(*vba, u"Module1", 7000, 5);
    Put(*vba, u"Empty", 0, 0);
    std::vector<uint8_t> bytes;
    doc.SaveToBytes(bytes);
    return bytes;
}

TEST(XLSFileItem, StorageTreeSurvivesLoadAndSave) {
    TCompoundDocumentReader source;
    ASSERT_EQ(source.OpenBytes(SourceDocument()), kStorageOk);
    TXLSFileStorage macros(u"_vba_project_cur");  // found without regard to case
    ASSERT_EQ(macros.Load(source.Root()), kFileItemOk);
    TXLSFileStream controls(u"Ctls");
    ASSERT_EQ(controls.Load(source.Root()), kFileItemOk);
    EXPECT_EQ(controls.Bytes(), std::vector<uint8_t>(300, 2));

    TCompoundDocumentWriter target;
    ASSERT_EQ(macros.Save(target.Root()), kFileItemOk);
    ASSERT_EQ(controls.Save(target.Root()), kFileItemOk);
    const std::string path = test::FreshFolder("items") + "kept.xls";
    ASSERT_EQ(target.SaveToFile(path), kStorageOk);

    TCompoundDocumentReader copy;
    ASSERT_EQ(copy.OpenFile(path), kStorageOk);
    TCompoundStorageReader storage, vba;
    ASSERT_EQ(copy.Root().OpenStorage(u"_VBA_PROJECT_CUR", storage), kStorageOk);
    ASSERT_EQ(storage.OpenStorage(u"VBA", vba), kStorageOk);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(vba.ReadStream(u"Module1", bytes), kStorageOk);
    EXPECT_EQ(bytes, std::vector<uint8_t>(7000, 5));
    ASSERT_EQ(vba.ReadStream(u"Empty", bytes), kStorageOk);
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(storage.ReadStream(u"PROJECT", bytes), kStorageOk);
    EXPECT_EQ(bytes, std::vector<uint8_t>(400, 3));

    if (!test::OracleAvailable()) return;
    std::string json;
    EXPECT_EQ(test::OracleCfb(path, json), 0) << json;
    std::vector<uint8_t> oracle;
    ASSERT_TRUE(test::OracleExtract(path, "_VBA_PROJECT_CUR/VBA/dir", oracle));
    EXPECT_EQ(oracle, std::vector<uint8_t>(500, 4));
}

TEST(XLSFileItem, LoadFailures) {
    TCompoundDocumentReader source;
    ASSERT_EQ(source.OpenBytes(SourceDocument()), kStorageOk);
    TXLSFileStorage missing(u"Macros");
    EXPECT_EQ(missing.Load(source.Root()), kFileItemFailed);
    TXLSFileStorage notAStorage(u"Ctls");
    EXPECT_EQ(notAStorage.Load(source.Root()), kFileItemFailed);
    TXLSFileStream notAStream(u"_VBA_PROJECT_CUR");
    EXPECT_EQ(notAStream.Load(source.Root()), kFileItemFailed);
    TXLSFileStream fine(u"Workbook");
    EXPECT_EQ(fine.Load(TCompoundStorageReader()), kFileItemFailed);
}

// A chain of storages each holding the next; the innermost holds one stream.
std::vector<uint8_t> NestedDocument(int depth) {
    TCompoundDocumentWriter doc;
    TCompoundStorageWriter* storage = &doc.Root();
    for (int i = 0; i < depth; ++i) storage->CreateStorage(u"Level", storage);
    Put(*storage, u"Deep", 10, 9);
    std::vector<uint8_t> bytes;
    doc.SaveToBytes(bytes);
    return bytes;
}

TEST(XLSFileItem, NestingDepthIsBounded) {
    for (int depth : {1, kMaxFileStorageDepth, kMaxFileStorageDepth + 1, 500}) {
        TCompoundDocumentReader source;
        ASSERT_EQ(source.OpenBytes(NestedDocument(depth)), kStorageOk);
        TXLSFileStorage kept(u"Level");
        EXPECT_EQ(kept.Load(source.Root()),
                  depth <= kMaxFileStorageDepth ? kFileItemOk : kFileItemFailed)
            << depth;
    }
    TCompoundDocumentReader source;
    ASSERT_EQ(source.OpenBytes(NestedDocument(kMaxFileStorageDepth)), kStorageOk);
    TXLSFileStorage kept(u"Level");
    ASSERT_EQ(kept.Load(source.Root()), kFileItemOk);
    const TXLSFileStorage* level = &kept;
    for (int i = 1; i < kMaxFileStorageDepth; ++i) {
        ASSERT_EQ(level->Items().size(), 1u);
        level = dynamic_cast<const TXLSFileStorage*>(level->Items()[0].get());
        ASSERT_NE(level, nullptr);
    }
    ASSERT_EQ(level->Items().size(), 1u);
    const auto* deep = dynamic_cast<const TXLSFileStream*>(level->Items()[0].get());
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Bytes(), std::vector<uint8_t>(10, 9));
}

TEST(XLSFileItem, SaveStopsAtTheFirstFailingChild) {
    TXLSFileStorage storage(u"Macros");
    auto first = std::make_unique<TXLSFileStream>(u"First");
    first->SetBytes({1, 2, 3});
    storage.Add(std::move(first));
    storage.Add(std::make_unique<TXLSFileStream>(u"bad/name"));
    storage.Add(std::make_unique<TXLSFileStream>(u"Third"));
    TCompoundDocumentWriter target;
    EXPECT_EQ(storage.Save(target.Root()), kFileItemFailed);
    ASSERT_EQ(target.Root().Children().size(), 1u);
    const auto& saved = *target.Root().Children()[0].Storage;
    ASSERT_EQ(saved.Children().size(), 1u);
    EXPECT_EQ(saved.Children()[0].Name(), u"First");
    TXLSFileStorage badName(u"a:b");
    EXPECT_EQ(badName.Save(target.Root()), kFileItemFailed);
}

}  // namespace
}  // namespace korvel
