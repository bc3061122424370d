// The record manager's engine for data files on disk.
//
// A data file ("DADES/DepartaV.dat") is one SQLite database holding each
// record as a byte string with one indexed column per key, built from the
// key's segments of the record; keys compare byte-wise, duplicates of a key
// follow in insertion order. Every insert and update is one transaction
// (WAL journal, synchronous NORMAL): a write that returned 0 survives the
// process being killed, and no record is ever half-written. Several
// processes may use one file at once. The record locks are open-file-
// description byte-range locks on the companion file "<data file>.rlk" (one
// byte per record position), so they vanish when the process ends, however
// it ends.
#pragma once

#include <memory>
#include <string>

#include "storage/engine.h"

namespace storage::sqlite {

// The engine of the data file at path (resolved).
std::unique_ptr<Engine> FileEngine(const std::string& path);

}  // namespace storage::sqlite
