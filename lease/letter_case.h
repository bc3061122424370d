// Which letter may tell a unit's situation in run mode "C". Only the
// transitional contracts (dated before 9 May 1985) have one; the run's letter
// flags then choose among housing and the two kinds of premises. The letter
// output asks here and decides nothing of the law itself.
#pragma once

#include "lease/lease_facts.h"

namespace lease {

enum class LetterCase {
  kNone,             // not transitional, or premises marked neither "S" nor "N"
  kHousing,          // run parameter line 10 asks for it
  kPremisesMarkedS,  // line 11
  kPremisesMarkedN,  // line 12
};

LetterCase LetterCaseOf(const LeaseFacts& facts);

}  // namespace lease
