// The dates the lease engine takes from the law: when the urban-leases acts
// and the decree of 1985 began to govern new contracts, and the days that
// bound the periods of the transitional provisions of the act of
// 24 November 1994 (the revaluation tables, the sumptuary limits, the
// reference dates, the cadastral cap). A contract "before" a date is dated
// earlier than that day; a period "up to" a day takes that day in.
#pragma once

#include "base/dates.h"

namespace lease {

using base::PackedDate;

// The acts and the decree under which a contract was made.
// Contracts from 3 April 1947 are under the act of 31 December 1946.
inline constexpr PackedDate kAct1946InForce{1947, 4, 3};
inline constexpr PackedDate kEveOfAct1946InForce{1947, 4, 2};
// Contracts from 1 July 1964 are under the act of 11 June 1964; their rent is
// revalued as at that day.
inline constexpr PackedDate kAct1964InForce{1964, 7, 1};
inline constexpr PackedDate kEveOfAct1964InForce{1964, 6, 30};
// Contracts from 9 May 1985 are under the decree of that day, which ended the
// compulsory extension: those made before it are the transitional contracts
// that the act of 1994 updates, extinguishes and the letters tell of.
inline constexpr PackedDate kDecree1985InForce{1985, 5, 9};
// The act of 24 November 1994 comes into force; the extinction terms of the
// transitional contracts are counted in whole years from this day.
inline constexpr PackedDate kAct1994InForce{1995, 1, 1};

// The revaluation of old rents (transitional provisions second, 11, rule 1
// for housing and third, 6, rule 1 for premises): contracts made before
// 12 May 1956 are revalued, and the population of their municipality counts.
inline constexpr PackedDate kRevaluationCutoff{1956, 5, 12};
// The last day of the last period of the revaluation tables; the report's
// revaluation paragraph is written for contracts before it.
inline constexpr PackedDate kLastRevaluedDay{1956, 5, 11};
// Non-sumptuary housing is revalued as at 1 July 1954 on the index of March
// 1954; sumptuary housing and premises as at the act of 1964 on the index of
// June 1964.
inline constexpr PackedDate kHousingRevaluationDate{1954, 7, 1};
inline constexpr PackedDate kHousingRevaluationIndexMonth{1954, 3, 1};
inline constexpr PackedDate kRevaluationIndexMonth1964{1964, 6, 1};

// The reference dates of a lease: the first is early before the start of the
// civil war, 18 July 1936; the second before 1 January 1942.
inline constexpr PackedDate kCivilWarStart{1936, 7, 18};
inline constexpr PackedDate kStartOf1942{1942, 1, 1};

// The periods of the revaluation tables: the first takes the contracts before
// its day, each other one those up to its last day.
inline constexpr PackedDate kFirstHousingPeriodBefore{1915, 1, 1};
inline constexpr PackedDate kFirstPremisesPeriodBefore{1931, 1, 1};
inline constexpr PackedDate kEndOf1930{1930, 12, 31};
inline constexpr PackedDate kEveOfCivilWar{1936, 7, 17};
inline constexpr PackedDate kEndOf1941{1941, 12, 31};
// The day of the act of 1946.
inline constexpr PackedDate kAct1946{1946, 12, 31};
inline constexpr PackedDate kEndOf1951{1951, 12, 31};
inline constexpr PackedDate kEndOf1952{1952, 12, 31};
inline constexpr PackedDate kEndOfHousingPeriod1954{1954, 6, 30};
inline constexpr PackedDate kEndOfPremisesPeriod1954{1954, 9, 30};

// The rent limits above which housing is sumptuary apply to the contracts up
// to these days (besides kStartOf1942, kAct1946 and kEveOfAct1964InForce).
inline constexpr PackedDate kEndOfSeptember1939{1939, 9, 30};
inline constexpr PackedDate kEndOf1956{1956, 12, 31};
inline constexpr PackedDate kEndOf1959{1959, 12, 31};

// A cadastral value dated after the end of 1989 caps the rent at 12 % of it
// a year, an older one at 24 %.
inline constexpr PackedDate kEndOf1989{1989, 12, 31};

}  // namespace lease
