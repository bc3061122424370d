// The record manager: indexed record files on SQLite behind one call.
//
// A data file ("DADES/DepartaV.dat") is one SQLite database holding each
// record as a byte string with one indexed column per key, built from the
// key's segments of the record; keys compare byte-wise, duplicates of a key
// follow in insertion order. Every insert and update is one transaction
// (WAL journal, synchronous NORMAL): a write that returned 0 survives the
// process being killed, and no record is ever half-written. Several processes
// may use one file at once.
//
// Single-record locks: a read with the lock bias (operation + 200) locks the
// record it returns and drops the file's previous lock, also when the read
// fails, and the unlock operation drops it. The locks are open-file-description byte-range locks on
// the companion file "<data file>.rlk" (one byte per record position), so they vanish when the
// process ends, however it ends.
//
// The position block (128 bytes) holds the handle of the open file; the
// current record and key path live with the handle. A created file has no
// owner name until its first open, which records the one given; later opens
// must give the same name (status 51 otherwise).
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

inline constexpr int kPositionBlockSize = 128;

// op: operation code, plus kLockBias for a locking read.
// position_block: 128 bytes, owned by the record manager between calls.
// data / data_length: the data buffer; on entry the buffer's size (or the
//   record's length for writes), on return the length of what was returned.
// key / key_length: the key buffer (the path for open and create), in and out;
//   a read returns the key of its record there, so it must hold 255 bytes.
// key_number: the key path; -1 on create refuses to replace a file.
int16_t RecordManagerCall(int16_t op, char* position_block, char* data, uint16_t* data_length,
                          char* key, uint16_t key_length, int16_t key_number);

}  // namespace storage
