// Copying long fields to and from streams and pictures.
#include "base/VlrSQL.h"
#include "host/graphics.h"
#include "host/stream.h"

namespace velar {

// The field must exist and be a long one; its stream comes from the
// manager, which raises "Field "%s" is not a blob." for any other field.
TVelarBlobStream* TVelarSQL::BlobOf(const host::Variant& Field, int& FieldNo) {
  int offset = 0;
  FieldNo = RequireField(Field, offset);
  return blobManager_->BlobByName(fields_[FieldNo].Name);
}

// Every check comes before Clear, so a refused copy leaves the blob as it
// was. The whole source is copied, wherever its position stood.
void TVelarSQL::StreamToBlob(const host::Variant& Field, host::TStream* Source) {
  if (readOnly_) RaiseMessage(VELAR_ERR_CURS_READ_ONLY);
  if (Source == nullptr) RaiseMessage(VELAR_ERR_BLOB_STREAM_INVALID);
  int number = -1;
  TVelarBlobStream* blob = BlobOf(Field, number);
  blob->Clear();
  blob->CopyFrom(Source, 0);
  SetNullIndicator(number, 0);
}

// The size comes from the stream's GetBlobSize, so a value still in the
// database is read through the driver.
void TVelarSQL::BlobToStream(const host::Variant& Field, host::TStream* Target) {
  if (Target == nullptr) RaiseMessage(VELAR_ERR_BLOB_STREAM_INVALID);
  int number = -1;
  TVelarBlobStream* blob = BlobOf(Field, number);
  blob->SetPosition(0);
  Target->CopyFrom(blob, 0);
  Target->SetPosition(0);
}

namespace {

// The picture's graphic of that kind (replacing another kind it holds).
host::TGraphic* GraphicOf(host::TPicture* Picture, TVelarGraphicType Kind) {
  switch (Kind) {
    case gtBitmap:
      return Picture->Bitmap();
    case gtMetafile:
      return Picture->Metafile();
    case gtIcon:
      return Picture->Icon();
  }
  return nullptr;
}

}  // namespace

void TVelarSQL::GraphicToBlob(const host::Variant& Field, host::TPicture* Picture,
                              TVelarGraphicType Kind) {
  if (readOnly_) RaiseMessage(VELAR_ERR_CURS_READ_ONLY);
  if (Picture == nullptr) RaiseMessage(VELAR_ERR_BLOB_PICTURE_INVALID);
  int number = -1;
  TVelarBlobStream* blob = BlobOf(Field, number);
  blob->Clear();
  if (host::TGraphic* graphic = GraphicOf(Picture, Kind)) graphic->SaveToStream(blob);
  SetNullIndicator(number, 0);
}

// A blob that holds no valid picture of the kind raises the picture's own
// error and leaves the picture as it was.
void TVelarSQL::BlobToGraphic(const host::Variant& Field, host::TPicture* Picture,
                              TVelarGraphicType Kind) {
  if (Picture == nullptr) RaiseMessage(VELAR_ERR_BLOB_PICTURE_INVALID);
  int number = -1;
  TVelarBlobStream* blob = BlobOf(Field, number);
  blob->SetPosition(0);
  if (host::TGraphic* graphic = GraphicOf(Picture, Kind)) graphic->LoadFromStream(blob);
}

}  // namespace velar
