// Metafiles: the placeable form with its bounds, units per inch and
// checksum, the metafile header and the records up to the end-of-file record.
#include <algorithm>
#include <cstdlib>

#include "host/graphics.h"

namespace host {

using graphics_detail::PutU16;
using graphics_detail::PutU32;
using graphics_detail::TReader;

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kHeaderSize = 18;
constexpr std::uint16_t kHeaderWords = 9;
constexpr std::uint16_t kEndOfFile = 0x0000;
constexpr std::uint32_t kRecordHeaderWords = 3;  // size (two words) and function
constexpr int kScreenPixelsPerInch = 96;

// The placeable header's checksum: the exclusive or of its first ten words.
std::uint16_t Checksum(const TReader& R, std::size_t Offset) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 10; ++i)
    sum ^= R.U16(Offset + 2 * i);
  return sum;
}

std::uint16_t Word(std::int16_t Value) {
  return static_cast<std::uint16_t>(Value);
}

}  // namespace

TMetafile::~TMetafile() = default;

int TMetafile::Width() const {
  return inch_ == 0 ? 0 : std::abs(right_ - left_) * kScreenPixelsPerInch / inch_;
}

int TMetafile::Height() const {
  return inch_ == 0 ? 0 : std::abs(bottom_ - top_) * kScreenPixelsPerInch / inch_;
}

void TMetafile::SetBounds(std::int16_t Left, std::int16_t Top, std::int16_t Right,
                          std::int16_t Bottom) {
  left_ = Left;
  top_ = Top;
  right_ = Right;
  bottom_ = Bottom;
}

const TMetafileRecord& TMetafile::Record(int Index) const {
  if (Index < 0 || Index >= RecordCount()) RaiseListIndexError(Index);
  return records_[static_cast<std::size_t>(Index)];
}

// A record of more parameters than its 32-bit size field can count cannot
// be written, so it is refused here rather than when saving.
void TMetafile::AddRecord(std::uint16_t Function, std::vector<std::uint16_t> Params) {
  if (Function == kEndOfFile) throw EInvalidGraphic("The end-of-file record is written by saving");
  if (Params.size() > 0x7FFFFFF0u) throw EInvalidGraphic("Metafile record too large");
  records_.push_back(TMetafileRecord{Function, std::move(Params)});
}

// The parameters of the drawing records come in reverse order: y before x.
void TMetafile::MoveTo(std::int16_t X, std::int16_t Y) {
  AddRecord(kMoveTo, {Word(Y), Word(X)});
}

void TMetafile::LineTo(std::int16_t X, std::int16_t Y) {
  AddRecord(kLineTo, {Word(Y), Word(X)});
}

void TMetafile::Rectangle(std::int16_t Left, std::int16_t Top, std::int16_t Right,
                          std::int16_t Bottom) {
  AddRecord(kRectangle, {Word(Bottom), Word(Right), Word(Top), Word(Left)});
}

void TMetafile::Clear() {
  *this = TMetafile();
}

// The header's size must be the words read up to the end-of-file record, and
// no record larger than the header's largest, so that a reader trusting
// either field is never misled; the picture changes only once all was read.
void TMetafile::LoadFromStream(TStream* Stream) {
  const std::vector<std::uint8_t> bytes = graphics_detail::ReadRemainder(Stream);
  if (bytes.empty()) {
    Clear();
    return;
  }
  TReader r(bytes.data(), bytes.size(), "Metafile");
  TMetafile loaded;
  std::size_t start = 0;
  if (r.Size() >= 4 && r.U32(0) == kPlaceableKey) {
    r.Need(0, kPlaceableSize);
    if (Checksum(r, 0) != r.U16(20)) r.Fail("the placeable header's checksum is wrong");
    loaded.SetBounds(static_cast<std::int16_t>(r.U16(6)), static_cast<std::int16_t>(r.U16(8)),
                     static_cast<std::int16_t>(r.U16(10)), static_cast<std::int16_t>(r.U16(12)));
    loaded.inch_ = r.U16(14);
    if (loaded.inch_ == 0) r.Fail("the units per inch are 0");
    start = kPlaceableSize;
  }
  const std::uint16_t type = r.U16(start);
  const std::uint16_t version = r.U16(start + 4);
  if ((type != 1 && type != 2) || r.U16(start + 2) != kHeaderWords ||
      (version != 0x0100 && version != 0x0300))
    r.Fail("the metafile header is not valid");
  const std::uint32_t totalWords = r.U32(start + 6);
  const std::uint32_t largestRecord = r.U32(start + 12);

  std::size_t at = start + kHeaderSize;
  for (;;) {
    const std::uint32_t words = r.U32(at);
    const std::uint16_t function = r.U16(at + 4);
    if (words < kRecordHeaderWords) r.Fail("a record is shorter than its header");
    if (words > (r.Size() - at) / 2) r.Fail("the data ends early");
    if (words > largestRecord) r.Fail("a record is larger than the header allows");
    if (function == kEndOfFile) {
      if (words != kRecordHeaderWords) r.Fail("the end-of-file record has parameters");
      at += kRecordHeaderWords * 2;
      break;
    }
    TMetafileRecord record;
    record.Function = function;
    record.Params.reserve(words - kRecordHeaderWords);
    for (std::uint32_t i = kRecordHeaderWords; i < words; ++i)
      record.Params.push_back(r.U16(at + 2 * i));
    loaded.records_.push_back(std::move(record));
    at += static_cast<std::size_t>(words) * 2;
  }
  if ((at - start) / 2 != totalWords) r.Fail("the header's size does not match its records");
  *this = std::move(loaded);
}

void TMetafile::SaveToStream(TStream* Stream) const {
  if (Empty()) return;
  std::vector<std::uint8_t> out;
  PutU32(out, kPlaceableKey);
  PutU16(out, 0);  // no handle
  PutU16(out, Word(left_));
  PutU16(out, Word(top_));
  PutU16(out, Word(right_));
  PutU16(out, Word(bottom_));
  PutU16(out, inch_);
  PutU32(out, 0);
  const TReader placeable(out.data(), out.size(), "Metafile");
  PutU16(out, Checksum(placeable, 0));

  std::uint32_t totalWords = kHeaderWords + kRecordHeaderWords;
  std::uint32_t largest = kRecordHeaderWords;
  for (const TMetafileRecord& record : records_) {
    const auto words = static_cast<std::uint32_t>(kRecordHeaderWords + record.Params.size());
    totalWords += words;
    largest = std::max(largest, words);
  }
  PutU16(out, 1);  // kept in memory
  PutU16(out, kHeaderWords);
  PutU16(out, 0x0300);
  PutU32(out, totalWords);
  PutU16(out, 0);  // no objects
  PutU32(out, largest);
  PutU16(out, 0);
  for (const TMetafileRecord& record : records_) {
    PutU32(out, static_cast<std::uint32_t>(kRecordHeaderWords + record.Params.size()));
    PutU16(out, record.Function);
    for (std::uint16_t param : record.Params)
      PutU16(out, param);
  }
  PutU32(out, kRecordHeaderWords);
  PutU16(out, kEndOfFile);
  graphics_detail::WriteAll(Stream, out);
}

}  // namespace host
