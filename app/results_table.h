// The results table: one CSV row per unit that produced paragraphs, with
// the figures of its paragraphs, for a spreadsheet. UTF-8 with a header row,
// amounts in euros with two decimals and a point, indices with three, dates
// as YYYY-MM-DD, fields with a comma or a quote quoted.
#pragma once

#include <cstdio>
#include <string>

#include "app/data_files.h"
#include "lease/lease_facts.h"
#include "lease/price_index.h"
#include "lease/rent_update.h"

namespace app {

class ResultsTable {
 public:
  ResultsTable() = default;
  ResultsTable(const ResultsTable&) = delete;
  ResultsTable& operator=(const ResultsTable&) = delete;
  ~ResultsTable();

  // Creates the file (replacing one there) and writes the header row.
  [[nodiscard]] bool Open(const std::string& path, std::string* err);

  // reading: null when no index was found.
  void AddUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
               const lease::IndexReading* reading, const lease::UpdateResult& result,
               bool letter_merged);

  // True when every row reached the file.
  [[nodiscard]] bool Close();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Cents as euros with two decimals and a point: 432936.6 -> "4329.37"
// (nearest, ties to even, as the report rounds).
std::string EurosText(double cents);

}  // namespace app
