// The dataset's internal statement: a TAsaSQL that lets its dataset write
// the current row's data and null indicators in one copy each, as posting a
// record buffer needs (the statement's own face writes field by field).
#pragma once

#include <cstdint>

#include "asa/VlrAsa.h"

namespace velar {

class TAsaDatasetSQL final : public TAsaSQL {
 public:
  using TAsaSQL::TAsaSQL;
  ~TAsaDatasetSQL() override;

  std::uint8_t* WritableRecordBuffer() { return recordBuffer_.Data(); }
  std::uint8_t* WritableNullIndicators() { return nullIndicators_.Data(); }
};

}  // namespace velar
