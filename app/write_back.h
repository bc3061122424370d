// Run mode "A": the results of a unit written into its unit and transition
// records, or, in a preview, the changes such a write would make, one row
// per field that would change.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/data_files.h"
#include "lease/rent_update.h"

namespace app {

// Sets the write-back's fields in the record buffers (not yet written).
void SetWriteBackFields(const lease::WriteBack& w, std::string* unit, std::string* transition);

// Sets the fields and writes the records: the transition record is inserted
// (new_record) or updated, then the unit record is updated. When the unit's
// update fails after its transition record was written, the transition
// record is put back as it was, so that no unit is left half-written.
// The first write that did not return 0 (the record layer has logged it),
// or status 0.
struct WriteOutcome {
  int16_t status = 0;
  storage::FileCode file = 0;
  bool inserted = false;  // the failed write was the transition record's insert
};
WriteOutcome ApplyWriteBack(const lease::WriteBack& w, RecordBuffers& r, bool new_record);

// The preview's CSV: a header line, then one row per unit and field whose
// value would change:
//   unit,file,field,old,new,transition_inserted
// unit as "0001.0003", file "DepartaV" or "TranLauV", values as the integers
// (or, for the date, YYYY-MM-DD) the records hold, transition_inserted "yes"
// when the unit has no transition record yet (it would be inserted whole).
std::string PreviewHeader();
std::string PreviewRows(const lease::WriteBack& w, const RecordBuffers& r, bool new_record);

// A unit key and an update date as the write-back journal notes them:
// "0001.0003,2025-01-10".
std::string JournalLine(const std::string& packed_key, const base::PackedDate& update_date);

// A date as YYYY-MM-DD, empty for the zero date.
std::string IsoDate(const base::PackedDate& date);

}  // namespace app
