// Blob streams and their manager, and copying long fields to and from
// streams and pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "host/graphics.h"
#include "host/stream.h"
#include "tests/base/statement_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using namespace velar_test;
using velar::TVelarBlobManager;
using velar::TVelarBlobStream;
using velar::testing::MessageOf;

// The base stream with a Read over what was written.
class TMemoryBlob : public TVelarBlobStream {
 public:
  using TVelarBlobStream::TVelarBlobStream;
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    if (memory_ == nullptr || position_ < 0 || position_ >= size_) return 0;
    const std::int64_t n = std::min<std::int64_t>(Count, size_ - position_);
    std::memcpy(Buffer, memory_.get() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
};

TEST(BlobStream, SizeCountsOnlyWrittenData) {
  TMemoryBlob blob(nullptr, "NOTE");
  EXPECT_EQ(blob.GetBlobSize(), 0);
  EXPECT_EQ(blob.Seek(5, host::soFromBeginning), 5);
  EXPECT_EQ(blob.GetBlobSize(), 0) << "seeking writes nothing";
  blob.SetPosition(0);
  EXPECT_EQ(blob.Write("0123456789", 10), 10);
  EXPECT_TRUE(blob.Modified());
  EXPECT_EQ(blob.GetBlobSize(), 10);
  EXPECT_EQ(blob.Seek(-3, host::soFromEnd), 7);
  EXPECT_EQ(blob.Seek(2, host::soFromCurrent), 9);
  EXPECT_EQ(blob.Seek(100, static_cast<host::TSeekOrigin>(7)), 9) << "unknown origin";
  EXPECT_EQ(blob.Seek(-20, host::soFromBeginning), -20) << "not clamped";
  EXPECT_EQ(blob.Write("x", 1), 0) << "nothing lands before the start";
  blob.Clear();
  EXPECT_EQ(blob.GetBlobSize(), 0);
  EXPECT_EQ(blob.Memory(), nullptr);
  EXPECT_FALSE(blob.Modified());
  EXPECT_EQ(blob.Position(), 0);
}

// A write past the end grows the data to cover it, so nothing is written
// outside the block the stream holds.
TEST(BlobStream, WritesPastTheEndStayInsideTheBlock) {
  TMemoryBlob blob(nullptr, "B");
  blob.Write("abc", 3);
  blob.SetPosition(6);
  EXPECT_EQ(blob.Write("xy", 2), 2);
  EXPECT_EQ(blob.DataSize(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(blob.Memory()), 8),
            std::string("abc\0\0\0xy", 8));
  blob.SetPosition(1);
  blob.Write("Z", 1);
  EXPECT_EQ(blob.DataSize(), 8);
  EXPECT_EQ(blob.Memory()[1], 'Z');
}

TEST(BlobManager, OwnsFindsAndResetsItsStreams) {
  auto manager = std::make_unique<TVelarBlobManager>(nullptr);
  auto* amount = new TMemoryBlob(manager.get(), "AMOUNT");
  auto* note = new TMemoryBlob(manager.get(), "NOTE");
  EXPECT_EQ(manager->Count(), 2);
  EXPECT_EQ(manager->BlobByName("amount"), amount);
  EXPECT_EQ(manager->GetBlob(1), note);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { manager->BlobByName("PRICE"); }),
            "Field \"PRICE\" is not a blob.");
  EXPECT_THROW(manager->GetBlob(2), host::EListError);
  EXPECT_EQ(amount->GetFieldNo(), -1) << "no statement";
  EXPECT_EQ(amount->GetFieldExtType(), -1);

  // Reset keeps the bytes but no longer counts them as written.
  note->Write("0123456789", 10);
  manager->ResetBlobs();
  EXPECT_EQ(note->GetBlobSize(), 0);
  EXPECT_EQ(note->DataSize(), 10);
  EXPECT_EQ(note->Position(), 0);
  note->Write("abc", 3);
  manager->ClearBlobs();
  EXPECT_EQ(note->DataSize(), 0);

  delete amount;  // leaves the list by itself
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_EQ(note->Manager(), manager.get());
  manager.reset();  // frees the rest
}

class BlobFieldTest : public StatementFixture {
 protected:
  // The table gains a long binary column for pictures.
  void SetUp() override {
    StatementFixture::SetUp();
    TestTable::Columns.push_back({"IMAGE", velar::ntBlob, 0});
    for (auto& row : TestTable::Rows)
      row.push_back(host::Null());
  }
  std::string Raised(const std::function<void()>& Action) {
    return MessageOf<velar::EVelarException>(Action);
  }
};

TEST_F(BlobFieldTest, StreamsOfTheFieldsKnowTheirField) {
  ASSERT_TRUE(query->OpenRead("select * from T"));
  TVelarBlobStream* note = query->BlobManager()->BlobByName("note");
  EXPECT_EQ(note->GetFieldNo(), 3);
  EXPECT_EQ(note->GetFieldExtType(), velar::ntMemo * 100);
  host::TMemoryStream target;
  query->BlobToStream("NOTE", &target);
  EXPECT_EQ(TTestSQL::StreamToStr(&target), "first") << "read through the driver";
  EXPECT_EQ(target.Position(), 0);
}

// The source is copied whole wherever its position stands; the checks come
// first, so a refused copy leaves the blob as it was.
TEST_F(BlobFieldTest, StreamsIntoAndOutOfALongField) {
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  host::TStringStream source("new note");
  source.SetPosition(4);
  query->SetFieldValue("NOTE", host::Null());
  query->StreamToBlob("note", &source);
  EXPECT_FALSE(query->IsFieldNull("NOTE"));
  EXPECT_EQ(query->GetFieldValue("NOTE").AsString(), "new note");

  EXPECT_EQ(Raised([&] { query->StreamToBlob("NOTE", nullptr); }), "Not a valid stream parameter.");
  EXPECT_EQ(Raised([&] { query->StreamToBlob("MISSING", &source); }),
            "Field \"MISSING\" not found.");
  EXPECT_EQ(Raised([&] { query->StreamToBlob("NAME", &source); }), "Field \"NAME\" is not a blob.");
  EXPECT_EQ(Raised([&] { query->BlobToStream("NOTE", nullptr); }), "Not a valid stream parameter.");
  EXPECT_EQ(query->GetFieldValue("NOTE").AsString(), "new note");

  ASSERT_TRUE(query->OpenRead("select * from T"));
  EXPECT_EQ(Raised([&] { query->StreamToBlob("NOTE", &source); }), "The cursor is read-only.");
  host::TMemoryStream target;
  query->BlobToStream("NOTE", &target);
  EXPECT_EQ(TTestSQL::StreamToStr(&target), "first");
}

TEST_F(BlobFieldTest, PicturesIntoAndOutOfALongField) {
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  host::TPicture picture;
  picture.Bitmap()->SetSize(3, 2);
  picture.Bitmap()->SetPixel(2, 1, host::MakeColor(10, 20, 30));
  query->GraphicToBlob("IMAGE", &picture, velar::gtBitmap);
  EXPECT_FALSE(query->IsFieldNull("IMAGE"));
  EXPECT_EQ(query->BlobManager()->BlobByName("IMAGE")->DataSize(), 14 + 40 + 2 * 12);

  host::TPicture loaded;
  query->BlobToGraphic("IMAGE", &loaded, velar::gtBitmap);
  ASSERT_NE(dynamic_cast<host::TBitmap*>(loaded.Graphic()), nullptr);
  EXPECT_EQ(loaded.Width(), 3);
  EXPECT_EQ(loaded.Bitmap()->Pixel(2, 1), host::MakeColor(10, 20, 30));

  picture.Icon()->AddImage(*loaded.Bitmap());
  query->GraphicToBlob("IMAGE", &picture, velar::gtIcon);
  query->BlobToGraphic("IMAGE", &loaded, velar::gtIcon);
  EXPECT_EQ(loaded.Icon()->ImageCount(), 1);
  // The blob holds an icon, not a bitmap: loading it as one says so.
  EXPECT_EQ(MessageOf<host::EInvalidGraphic>(
                [&] { query->BlobToGraphic("IMAGE", &loaded, velar::gtBitmap); }),
            "Bitmap image is not valid: the data does not start with BM");

  picture.Metafile()->SetBounds(0, 0, 1440, 720);
  picture.Metafile()->Rectangle(10, 10, 100, 50);
  query->GraphicToBlob("IMAGE", &picture, velar::gtMetafile);
  query->BlobToGraphic("IMAGE", &loaded, velar::gtMetafile);
  EXPECT_EQ(loaded.Metafile()->RecordCount(), 1);
  EXPECT_EQ(loaded.Width(), 96);

  EXPECT_EQ(Raised([&] { query->GraphicToBlob("IMAGE", nullptr, velar::gtIcon); }),
            "Not a valid picture parameter.");
  EXPECT_EQ(Raised([&] { query->BlobToGraphic("IMAGE", nullptr, velar::gtIcon); }),
            "Not a valid picture parameter.");
  EXPECT_EQ(Raised([&] { query->GraphicToBlob("NOPE", &picture, velar::gtIcon); }),
            "Field \"NOPE\" not found.");
  ASSERT_TRUE(query->OpenRead("select * from T"));
  EXPECT_EQ(Raised([&] { query->GraphicToBlob("IMAGE", &picture, velar::gtIcon); }),
            "The cursor is read-only.");
}

}  // namespace
