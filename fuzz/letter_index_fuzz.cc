// A letter index of any bytes ("cartes.tmp", read by the print program's
// device of one PDF per letter), read and checked against a print file.
#include "fuzz/fuzz_support.h"
#include "printer/letter_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  printer::LetterIndex index;
  std::string err;
  if (printer::ParseLetterIndex(std::string(reinterpret_cast<const char*>(data), size), &index,
                                &err)) {
    for (const printer::IndexedLetter& l : index.letters) (void)printer::CsvField(l.tenant);
  }
  return 0;
}
