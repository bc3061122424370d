// The table that holds a data file on either engine, and the statements
// both engines build on it.
//
// One row per record:
//   id    the record's position, given in insertion order
//   data  the record's bytes
//   k<n>  the record's bytes along key path n, indexed: alone for a unique
//         key, with the id for a key that allows duplicates, so that they
//         follow in insertion order
// Parameters are written with the engine's mark and their number ("?1" on
// SQLite, "$1" on PostgreSQL); tables, index names and types of bytes are
// the engine's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "storage/engine.h"

namespace storage {

// "k0", the column of key path k.
std::string KeyColumn(int k);

// ", k0 BLOB, k1 BLOB": the key columns of a CREATE TABLE, of type bytes.
std::string KeyColumnsSql(const FileSpec& file_spec, const std::string& bytes);

// "CREATE INDEX <name> ON <table>(k0, id);" and the like for every key;
// index_name(column) names the index of a column.
std::string KeyIndexesSql(const FileSpec& file_spec, const std::string& table,
                          const std::function<std::string(const std::string&)>& index_name);

// A statement that fails where the table or one of its columns is missing.
std::string ProbeSql(const std::string& table, size_t nkeys);

// "INSERT INTO <table>(data, k0) VALUES(?1, ?2)".
std::string InsertSql(const std::string& table, size_t nkeys, char mark);

// "UPDATE <table> SET data = ?1, k0 = ?2 WHERE id = ?3".
std::string UpdateSql(const std::string& table, size_t nkeys, char mark);

// The condition of a read on key column kc, <mark>1 its key. A step past
// the current record compares the id too, as id_param, when id_param is not
// empty; empty, the key alone (for a key without duplicates).
std::string KeyCondition(const std::string& kc, KeyComparison comparison, char mark,
                         const std::string& id_param);

// The rows of column kc meeting where, in the order of the comparison: by
// the key, then by the id when by_id.
std::string SelectSql(const std::string& table, const std::string& kc, const std::string& where,
                      KeyComparison comparison, bool by_id, int limit);

// The row at the id given as id_param, with its column kc.
std::string ByIdSql(const std::string& table, const std::string& kc, const std::string& id_param);

}  // namespace storage
