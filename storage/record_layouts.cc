#include "storage/record_layouts.h"

#include <cstring>

#include "base/dates.h"
#include "storage/little_endian.h"

namespace storage {
namespace {

// The fixed concepts are addressed as kFixedConcept1 + 4 * (n - 1).
consteval bool FixedConceptsFourBytesApart() {
  constexpr std::string_view kNames[] = {"concept1", "concept2", "concept3", "concept4",
                                         "concept5", "concept6", "concept7", "concept8",
                                         "concept9", "concept10"};
  for (int n = 0; n < 10; ++n) {
    if (PositionNamed(unit::kFile, kNames[n], FieldKind::kInt32) != unit::kFixedConcept1 + 4 * n)
      return false;
  }
  return true;
}
static_assert(FixedConceptsFourBytesApart());

bool Fits(std::string_view record, int position, int width) {
  return position >= 1 && width >= 0 && static_cast<size_t>(position - 1 + width) <= record.size();
}

}  // namespace

std::string GetBytes(std::string_view record, Field f) {
  if (!Fits(record, f.position, f.width))
    return std::string(static_cast<size_t>(std::max(f.width, 0)), '\0');
  return std::string(
      record.substr(static_cast<size_t>(f.position - 1), static_cast<size_t>(f.width)));
}

void SetBytes(std::string* record, Field f, std::string_view bytes) {
  if (!Fits(*record, f.position, f.width)) return;
  std::string v(bytes.substr(0, static_cast<size_t>(f.width)));
  v.resize(static_cast<size_t>(f.width), '\0');
  record->replace(static_cast<size_t>(f.position - 1), v.size(), v);
}

std::string GetText(std::string_view record, Field f) {
  if (!Fits(record, f.position, f.width))
    return std::string(static_cast<size_t>(std::max(f.width, 0)), ' ');
  return GetBytes(record, f);
}

void SetText(std::string* record, Field f, std::string_view text) {
  std::string v(text.substr(0, static_cast<size_t>(f.width)));
  v.resize(static_cast<size_t>(f.width), ' ');
  SetBytes(record, f, v);
}

int16_t GetInt16(std::string_view record, int position) {
  if (!Fits(record, position, 2)) return 0;
  return static_cast<int16_t>(DecodeFixed16(record.data() + position - 1));
}

void SetInt16(std::string* record, int position, int16_t value) {
  std::string v;
  EncodeFixed16(&v, static_cast<uint16_t>(value));
  SetBytes(record, Field{position, 2}, v);
}

int32_t GetInt32(std::string_view record, int position) {
  if (!Fits(record, position, 4)) return 0;
  return static_cast<int32_t>(DecodeFixed32(record.data() + position - 1));
}

void SetInt32(std::string* record, int position, int32_t value) {
  std::string v;
  EncodeFixed32(&v, static_cast<uint32_t>(value));
  SetBytes(record, Field{position, 4}, v);
}

double GetDouble(std::string_view record, int position) {
  if (!Fits(record, position, 8)) return 0;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    bits |= static_cast<uint64_t>(
                static_cast<unsigned char>(record[static_cast<size_t>(position - 1 + i)]))
            << (8 * i);
  }
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void SetDouble(std::string* record, int position, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::string v;
  for (int i = 0; i < 8; ++i) v.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  SetBytes(record, Field{position, 8}, v);
}

char PremisesTenantFlag(std::string_view tax_id) {
  const std::string_view rest = tax_id.size() > 2 ? tax_id.substr(2) : std::string_view();
  if (rest.find_first_not_of(' ') == std::string_view::npos) return 'N';
  if (tax_id.substr(0, 2) != "ES") return 'N';
  char third = tax_id[2];
  if (third >= 'a' && third <= 'z') third = static_cast<char>(third - 32);
  const auto c = static_cast<unsigned char>(third);
  return (c < 'A' || c > 'W') ? 'S' : 'N';
}

std::string DefaultTransitionRecord(std::string_view unit_key, std::string_view tax_id) {
  using namespace transition;
  std::string r(kLength, '\0');
  SetBytes(&r, kKey, unit_key);
  SetBytes(&r, kReferenceDate1, base::ZeroDate());
  SetBytes(&r, kReferenceDate2, base::ZeroDate());
  SetText(&r, kAssimilated, "N");
  SetText(&r, kAssimilatedHousing, "N");
  SetBytes(&r, kCadastralDate, base::ZeroDate());
  SetText(&r, kOpposedUpdate, "N");
  SetText(&r, kPremisesCategory, "O");
  SetText(&r, kPremisesFlag, std::string(1, PremisesTenantFlag(tax_id)));
  SetText(&r, kTookOption7, "N");
  SetText(&r, kPremisesOpposed, "N");
  return r;
}

}  // namespace storage
