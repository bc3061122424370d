// The general CPI as the national statistics institute (INE) offers it for
// download: a CSV of one of its CPI tables (50902 in base 2021, 76125 in base
// 2025, ...), fields separated by ";", decimal comma, periods written
// "2026M08", one row per class, data type and month:
//
//   Índice general;Índice;2024M03;114,674
//   Índice general;Variación mensual;2024M03;0,8
//
// Only the national general index is taken; rows of other groups and other
// data types are skipped. The download holds the whole series rebased to the
// table's base, so only the months published in that base are taken: the
// earlier ones were published, and are kept, in the bases of their time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace datatool {

struct IneMonth {
  std::string month;  // "YYYY-MM"
  std::string value;  // the index with a decimal point, as published
  int line = 0;
};

// A base of the index and the months INE published in it.
struct IneBase {
  int year = 0;
  std::string first;  // "YYYY-MM"
  std::string last;   // empty while it is the base in force
};

const std::vector<IneBase>& KnownIneBases();

struct IneSeries {
  IneBase base;
  std::vector<IneMonth> months;  // every month of the file, in the file's order
  std::vector<IneMonth> taken;   // those published in the file's base, by month
};

// given_base: the base named on the command line, 0 for none; otherwise the
// file must name it ("base 2025") or be named after its table. False with a
// message on a file that is not such a download, holds no general index,
// gives one month twice with two values, or whose base is unknown.
bool ReadIneCpi(std::string_view text, std::string_view file_name, int given_base,
                IneSeries* series, std::string* err);

}  // namespace datatool
