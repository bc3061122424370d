#include "app/write_back.h"

#include "app/run_parameters.h"
#include "base/dates.h"
#include "storage/record_file.h"
#include "storage/record_layouts.h"

namespace app {
namespace {

namespace u = storage::unit;
namespace t = storage::transition;

using storage::FieldEntry;
using storage::FieldKind;

struct WrittenField {
  const storage::DataFile& file;
  const storage::TableField& field;
  bool InUnit() const { return &file == &u::kFile; }
};

// Every field the write-back may change, as the data files' table names it.
constexpr WrittenField kWrittenFields[] = {
    {u::kFile, FieldEntry(u::kFile, "duration_months", FieldKind::kInt16)},
    {u::kFile, FieldEntry(u::kFile, "last_update_date", FieldKind::kDate)},
    {u::kFile, FieldEntry(u::kFile, "update_months", FieldKind::kInt16)},
    {u::kFile, FieldEntry(u::kFile, "last_update_index", FieldKind::kInt32)},
    {u::kFile, FieldEntry(u::kFile, "concept2", FieldKind::kInt32)},
    {u::kFile, FieldEntry(u::kFile, "concept3", FieldKind::kInt32)},
    {u::kFile, FieldEntry(u::kFile, "concept6", FieldKind::kInt32)},
    {u::kFile, FieldEntry(u::kFile, "concept7", FieldKind::kInt32)},
    {u::kFile, FieldEntry(u::kFile, "concept10", FieldKind::kInt32)},
    {t::kFile, FieldEntry(t::kFile, "revalued_rent", FieldKind::kInt32)},
    {t::kFile, FieldEntry(t::kFile, "base_index", FieldKind::kInt32)},
    {t::kFile, FieldEntry(t::kFile, "steps_at_start", FieldKind::kInt16)},
    {t::kFile, FieldEntry(t::kFile, "steps_reached", FieldKind::kInt16)},
};

std::string ValueText(const std::string& record, const WrittenField& f) {
  switch (f.field.kind) {
    case FieldKind::kInt16:
      return std::to_string(storage::GetInt16(record, f.field.position));
    case FieldKind::kInt32:
      return std::to_string(storage::GetInt32(record, f.field.position));
    case FieldKind::kDate:
      return IsoDate(base::PackedDate::FromBytes(storage::GetBytes(record, f.field.Bytes())));
    default:
      return "";
  }
}

}  // namespace

void SetWriteBackFields(const lease::WriteBack& w, std::string* unit, std::string* transition) {
  storage::SetInt16(unit, u::kDurationMonths, w.duration_months);
  if (w.set_update_months_to_12) storage::SetInt16(unit, u::kUpdateMonths, 12);
  storage::SetInt32(transition, t::kRevaluedRent, w.revalued_rent);
  storage::SetInt32(transition, t::kBaseIndex, w.base_index);
  storage::SetInt16(transition, t::kStepsAtStart, w.steps_at_start);
  storage::SetInt16(transition, t::kStepsReached, w.steps_reached);
  if (w.set_last_update) {
    storage::SetBytes(unit, u::kLastUpdateDate, w.last_update_date);
    storage::SetInt32(unit, u::kLastUpdateIndex, w.last_update_index);
  }
  for (int number : {2, 3, 6, 7, 10})
    storage::SetInt32(unit, u::kFixedConcept1 + 4 * (number - 1), 0);
  storage::SetInt32(unit, u::kFixedConcept1 + 4, w.assimilated_concept);
}

WriteOutcome ApplyWriteBack(const lease::WriteBack& w, RecordBuffers& r, bool new_record) {
  const std::string transition_before = r.transition;
  SetWriteBackFields(w, &r.unit, &r.transition);
  const int16_t transition =
      new_record ? storage::InsertRecord(kTransitionFile) : storage::UpdateRecord(kTransitionFile);
  if (transition != 0) return {transition, kTransitionFile, new_record};
  const int16_t unit = storage::UpdateRecord(kUnitFile);
  if (unit != 0 && !new_record) {
    // The transition record goes back to what it held; an inserted one stays
    // (the record manager has no delete), holding values the next run
    // recomputes from the unit record, which is unchanged.
    std::copy(transition_before.begin(), transition_before.end(), r.transition.begin());
    (void)storage::UpdateRecord(kTransitionFile);
  }
  return {unit, unit == 0 ? storage::FileCode{0} : kUnitFile, false};
}

std::string PreviewHeader() { return "unit,file,field,old,new,transition_inserted\n"; }

std::string PreviewRows(const lease::WriteBack& w, const RecordBuffers& r, bool new_record) {
  std::string unit = r.unit;
  std::string transition = r.transition;
  SetWriteBackFields(w, &unit, &transition);
  const std::string key = DottedKey(storage::GetBytes(r.unit, u::kKey));
  std::string rows;
  for (const WrittenField& f : kWrittenFields) {
    const std::string& before = f.InUnit() ? r.unit : r.transition;
    const std::string& after = f.InUnit() ? unit : transition;
    const std::string old_text = ValueText(before, f);
    const std::string new_text = ValueText(after, f);
    if (old_text == new_text && !(new_record && !f.InUnit())) continue;
    rows += key + "," + f.file.name + "," + f.field.name + "," + old_text + "," + new_text + "," +
            (new_record ? "yes" : "no") + "\n";
  }
  return rows;
}

std::string JournalLine(const std::string& packed_key, const base::PackedDate& update_date) {
  return DottedKey(packed_key) + "," + IsoDate(update_date);
}

std::string IsoDate(const base::PackedDate& date) {
  if (date.IsZero()) return "";
  const std::string digits = date.Digits();
  return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2);
}

}  // namespace app
