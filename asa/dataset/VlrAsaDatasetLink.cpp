// The master link of a detail dataset, and the dataset's blob stream.
#include "asa/dataset/VlrAsaDatasetLink.h"

#include "asa/dataset/VlrAsaDataset.h"
#include "host/application.h"
#include "host/fields.h"

namespace velar {

// ------------------------------------------------------------ TAsaDataLink

TAsaDataLink::TAsaDataLink(TAsaDataset* ADataset) : dataset_(ADataset) {}

TAsaDataLink::~TAsaDataLink() = default;

void TAsaDataLink::ActiveChanged() {
  if (dataset_->Active()) dataset_->RefreshDetail();
}

void TAsaDataLink::CheckBrowseMode() {
  if (dataset_->Active()) dataset_->CheckBrowseMode();
}

void TAsaDataLink::RecordChanged(host::TField* Field) {
  if (Field == nullptr && dataset_->Active()) dataset_->RefreshDetail();
}

// A master that is closed, or whose keys are being entered, has no record
// to follow. The controls of the detail see one change for the whole
// reopening, also when it fails.
void TAsaDataset::RefreshDetail() {
  DisableControls();
  try {
    host::TDataSource* source = masterLink_->DataSource();
    host::TDataSet* master = source != nullptr ? source->DataSet() : nullptr;
    if (master != nullptr && master->Active() && master->State() != host::dsSetKey) {
      Close();
      Open();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

// --------------------------------------------------- TAsaDatasetBlobStream

TAsaDatasetBlobStream::TAsaDatasetBlobStream(host::TBlobField* Field, host::TBlobStreamMode Mode)
    : field_(Field),
      dataset_(dynamic_cast<TAsaDataset*>(Field->DataSet())),
      mode_(Mode),
      fieldNo_(Field->FieldNo()) {
  if (dataset_ == nullptr) throw host::EInvalidCast("Invalid class typecast");
  if (!dataset_->GetStateBuffer(buffer_)) return;
  blob_ = dataset_->Statement()->BlobManager()->BlobByName(Field->FieldName());
  opened_ = true;
  if (mode_ == host::bmWrite)
    Truncate();
  else
    blob_->Seek(0, host::soFromBeginning);
}

// A stream that wrote gives the field a value; a write stream that wrote
// nothing leaves it null. A stream that only read changes nothing, and
// neither does a read-write stream that wrote nothing (the value it read
// stays).
TAsaDatasetBlobStream::~TAsaDatasetBlobStream() {
  if (!opened_ || mode_ == host::bmRead) return;
  char& nullFlag = buffer_[dataset_->nullOffset_ + fieldNo_ - 1];
  if (blob_->Modified()) {
    field_->SetModified(true);
    nullFlag = 0;
    if (blob_->Memory() != nullptr) dataset_->KeepBlob(fieldNo_, *blob_);
    NotifyChanged();
  } else if (mode_ == host::bmWrite) {
    nullFlag = 1;
    dataset_->ForgetBlob(fieldNo_);
  }
}

void TAsaDatasetBlobStream::NotifyChanged() noexcept {
  try {
    dataset_->DataEvent(host::deFieldChange, reinterpret_cast<std::intptr_t>(field_));
  } catch (...) {
    try {
      host::Application->HandleException(this);
    } catch (...) {
    }
  }
}

// Only the bytes read are converted; the rest of the caller's buffer is
// left alone.
std::int64_t TAsaDatasetBlobStream::Read(void* Buffer, std::int64_t Count) {
  if (!opened_) return 0;
  const std::int64_t read = blob_->Read(Buffer, Count);
  if (read > 0 && field_->Transliterate()) {
    if (TVelarSession* session = dataset_->Statement()->SessionLink()) {
      auto* text = static_cast<char*>(Buffer);
      session->TranslateChar(text, text, static_cast<std::size_t>(read), false);
    }
  }
  return read;
}

// The conversion works on a copy: the caller's bytes may be a string it
// still holds, or constant.
std::int64_t TAsaDatasetBlobStream::Write(const void* Buffer, std::int64_t Count) {
  if (!opened_) return 0;
  TVelarSession* session = dataset_->Statement()->SessionLink();
  if (Count > 0 && field_->Transliterate() && session != nullptr && session->OEMConvert()) {
    translated_.assign(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
    session->TranslateChar(translated_.data(), translated_.data(), translated_.size(), true);
    return blob_->Write(translated_.data(), Count);
  }
  return blob_->Write(Buffer, Count);
}

std::int64_t TAsaDatasetBlobStream::Seek(std::int64_t Offset, host::TSeekOrigin Origin) {
  if (!opened_) return 0;
  return blob_->Seek(Offset, Origin);
}

void TAsaDatasetBlobStream::Truncate() {
  if (opened_) blob_->Clear();
}

}  // namespace velar
