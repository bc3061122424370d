// The record manager: indexed record files behind one call.
//
// A data file holds fixed-length records along one or more key paths; keys
// compare byte-wise, duplicates of a key follow in insertion order. Every
// insert and update is one transaction: a write that returned 0 survives the
// process being killed, and no record is ever half-written. Several
// processes may use one file at once. The files of an installation are
// SQLite files on disk (storage/sqlite_engine.h) or, when its "Vorn.ini"
// names a server, tables of a PostgreSQL database
// (storage/postgres_backend.h); both behave alike (storage/record_cursor.h).
//
// Single-record locks: a read with the lock bias (operation + 200) locks the
// record it returns and drops the file's previous lock, also when the read
// fails, and the unlock operation drops it. The locks vanish when the
// process ends, however it ends.
//
// The position block (128 bytes) holds the handle of the open file; the
// current record and key path live with the handle. A created file has no
// owner name until its first open, which records the one given; later opens
// must give the same name (status 51 otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/record_operations.h"

namespace storage {

inline constexpr int kPositionBlockSize = 128;

// op: operation code, plus kLockBias for a locking read.
// position_block: 128 bytes, owned by the record manager between calls.
// data / data_length: the data buffer; on entry the buffer's size (or the
//   record's length for writes), on return the length of what was returned.
// key / key_length: the key buffer (the path for open and create), in and out;
//   a read takes key_length bytes of it as the key, padded with zero bytes,
//   and returns the key of its record there, so it must hold 255 bytes.
// key_number: the key path; -1 on create refuses to replace a file.
int16_t RecordManagerCall(int16_t op, char* position_block, char* data, uint16_t* data_length,
                          char* key, uint16_t key_length, int16_t key_number);

// Every record of the open file along key path key_number, in its order,
// read without locks in exchanges of many records each: for a table that a
// run reads whole once and keeps (the tables only this program reads and
// never locks). Rows that are not records of the file are skipped and told
// of, as by the reads. The file's current record and lock stay as they were.
int16_t ReadAllRecords(char* position_block, int16_t key_number, std::vector<std::string>* records);

}  // namespace storage
