// The paragraphs of a unit's situation report (and of its letter): the kind
// of lease and its regime, the end of the contract, the revaluation and CPI
// update, what the tenant owes now and over the following years, or why no
// increment applies. Each fixed phrase is written in Catalan and passed
// through Translate; values are formatted and stripped of leading blanks.
// Amounts are per receipt.
#pragma once

#include <string>
#include <vector>

#include "lease/lease_facts.h"
#include "lease/price_index.h"
#include "lease/rent_update.h"

namespace lease {

// reading null: no price index was found, so only the kind and the end of
// the contract are stated. Texts in code page 850, in order.
std::vector<std::string> ComposeReportParagraphs(const LeaseFacts& facts,
                                                 const IndexReading* reading,
                                                 const UpdateResult& result);

}  // namespace lease
