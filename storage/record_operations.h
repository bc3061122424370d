// The record manager's operation codes and statuses.
//
// Callers test the exact numbers, so they are plain 16-bit values. An
// operation code plus kLockBias is the same read taking the record's lock.
#pragma once

#include <cstdint>

namespace storage {

// Operation codes.
inline constexpr int16_t kOpOpen = 0;
inline constexpr int16_t kOpInsert = 2;
inline constexpr int16_t kOpUpdate = 3;
inline constexpr int16_t kOpGetEqual = 5;
inline constexpr int16_t kOpGetNext = 6;
inline constexpr int16_t kOpGetPrevious = 7;
inline constexpr int16_t kOpGetGreaterOrEqual = 9;
inline constexpr int16_t kOpGetLessOrEqual = 11;
inline constexpr int16_t kOpCreate = 14;
inline constexpr int16_t kOpStat = 15;
// A transaction of one open file: its inserts and updates up to the end are
// kept all together or, on an abort (or when the process ends first), not at
// all. Other processes writing the file wait meanwhile.
inline constexpr int16_t kOpBeginTransaction = 19;
inline constexpr int16_t kOpEndTransaction = 20;
inline constexpr int16_t kOpAbortTransaction = 21;
inline constexpr int16_t kOpGetPosition = 22;
inline constexpr int16_t kOpGetDirect = 23;
inline constexpr int16_t kOpUnlock = 27;  // drops the handle's record lock
inline constexpr int16_t kOpReset = 28;
inline constexpr int16_t kLockBias = 200;

// Statuses.
inline constexpr int16_t kStatusOk = 0;
inline constexpr int16_t kStatusInvalidOperation = 1;
inline constexpr int16_t kStatusIoError = 2;
inline constexpr int16_t kStatusKeyNotFound = 4;
inline constexpr int16_t kStatusDuplicateKey = 5;
inline constexpr int16_t kStatusInvalidKeyNumber = 6;
inline constexpr int16_t kStatusNoCurrentRecord = 8;
inline constexpr int16_t kStatusEndOfFile = 9;
inline constexpr int16_t kStatusFileNotFound = 12;
inline constexpr int16_t kStatusBadCreationBlock = 24;
inline constexpr int16_t kStatusInvalidRecordLength = 28;
inline constexpr int16_t kStatusNotARecordFile = 30;
inline constexpr int16_t kStatusDataBufferShort = 22;
inline constexpr int16_t kStatusInvalidPosition = 43;
inline constexpr int16_t kStatusWrongOwner = 51;
inline constexpr int16_t kStatusFileExists = 59;
inline constexpr int16_t kStatusRecordLocked = 84;
inline constexpr int16_t kStatusFileLocked = 85;

}  // namespace storage
