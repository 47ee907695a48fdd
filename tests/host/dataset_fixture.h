// The table most record-set tests use: ten rows of ID, NAME and PRICE in an
// in-memory data set, a data source over it, and helpers to read where the
// data set stands.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/db_link.h"
#include "host/fields.h"
#include "tests/host/memory_dataset.h"

namespace dbtest {

class RecordSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.SetColumns(
        {{"ID", host::ftInteger}, {"NAME", host::ftString, 10}, {"PRICE", host::ftFloat}});
    for (int i = 1; i <= 10; ++i)
      data.AddRow({i, "Item " + std::to_string(i), i * 1.5});
    source.SetDataSet(&data);
  }

  TTrace& Trace() { return data.Trace(); }
  // The trace from now on.
  void Mark() { Trace().clear(); }
  int ActiveId() { return data.FieldByName("ID")->AsInteger(); }
  // The IDs of the records in the data set's window, read through a link
  // that looks at all of it.
  std::vector<int> WindowIds(host::TDataLink& Link) {
    std::vector<int> ids;
    int saved = Link.ActiveRecord();
    for (int row = 0; row < Link.RecordCount(); ++row) {
      Link.SetActiveRecord(row);
      ids.push_back(ActiveId());
    }
    Link.SetActiveRecord(saved);
    return ids;
  }

  TMemoryDataSet data;
  host::TDataSource source{nullptr};
};

}  // namespace dbtest
