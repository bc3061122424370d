#include "app/base_changes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/dates.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

std::string Contents(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

// An installation adds a base change of its own in "Vorn.ini" [IPC]; a line
// that cannot be one is said once, with its line, and left out.
TEST(BaseChanges, ComeFromVornIniWithEachMalformedLineSaid) {
  testing_support::TempDir dir;
  dir.Write("Vorn.ini",
            "[Usuari]\r\nIdioma=CAT\r\n"
            "[IPC]\r\n"
            "; the first month of a new base = the factor to the previous one\r\n"
            "2031-01=1.052345\r\n"
            "2032-01=un\r\n"
            "canvi de base\r\n"
            "[Empresa]\r\nCamp1=x\r\n");
  std::FILE* messages = std::tmpfile();
  ASSERT_NE(messages, nullptr);
  const lease::BaseChangeTable table = LoadBaseChanges(dir.path() + "/Vorn.ini", messages);
  const std::string said = Contents(messages);
  std::fclose(messages);
  ASSERT_EQ(table.size(), lease::BuiltInBaseChanges().size() + 1);
  EXPECT_EQ(table.back().from, base::ParseDate("01012031"));
  EXPECT_DOUBLE_EQ(table.back().factor, 1.052345);
  EXPECT_EQ(said,
            "mirtosek: Vorn.ini [IPC] line 6: \"un\" is not a factor from 0.5 to 2 written with a "
            "decimal point; "
            "that base change is not used\n"
            "mirtosek: Vorn.ini [IPC] line 7: \"canvi de base\" is not MONTH=FACTOR; that base "
            "change is not used\n");

  // No section, no file: the program's own table, and nothing said.
  messages = std::tmpfile();
  EXPECT_EQ(LoadBaseChanges(dir.path() + "/none.ini", messages).size(),
            lease::BuiltInBaseChanges().size());
  EXPECT_EQ(Contents(messages), "");
  std::fclose(messages);
}

}  // namespace
}  // namespace app
