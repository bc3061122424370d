#include "lease/letter_case.h"

namespace lease {

LetterCase LetterCaseOf(const LeaseFacts& f) {
  if (!IsTransitional(f.contract_date)) return LetterCase::kNone;
  if (f.use_code == 'V') return LetterCase::kHousing;
  if (f.use_code == 'L' && f.premises_flag == 'S') return LetterCase::kPremisesMarkedS;
  if (f.use_code == 'L' && f.premises_flag == 'N') return LetterCase::kPremisesMarkedN;
  return LetterCase::kNone;
}

}  // namespace lease
