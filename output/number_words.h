// Numbers and amounts written out in words, in the session's language
// (Catalan, Spanish, Galician or Aranese), for the dates of the letters.
#pragma once

#include <string>
#include <string_view>

namespace output {

// mode, first letter in lower case: "m" a number, masculine; "f" a number,
// feminine; "p" an amount in hundredths of a euro written as whole pesetas
// (feminine); anything else an amount in hundredths, with its cents. The
// sign is ignored; only the last nine digits of the whole part are written.
// Code page 850; empty when there is nothing to write.
std::string NumberInWords(double value, std::string_view mode);

}  // namespace output
