// The record manager's second engine: an installation's data files as tables
// of a PostgreSQL database, for workstations on several machines.
//
// An installation is on a server when its data root's "Vorn.ini" has a
// libpq connection string in [Dades] "Servidor"; blank or missing, its files
// are the SQLite files on disk. The data root is the folder above a data
// file's folder ("DADES\DepartaV.dat", "TAULES\UIpc.dat"). Each data file is
// the table named from its path below the root ("dades_departav_dat"), in
// the schema of [Dades] "Esquema" (default "kep"), so that one database can
// hold several installations. The schema's table "kep_meta" holds each
// table's owner name and creation block.
//
// The behaviour is the SQLite engine's: keys are bytea columns, which the
// server orders byte-wise; duplicates follow insertion order; every insert
// and update is one transaction; single-record locks are advisory locks of
// the handle's own connection, so they vanish when the process ends, however
// it ends. Each open file has its own connection. A connection that cannot be
// made gives the open status 2; a lost one makes later calls return 2; no
// call waits longer than the connection and statement time limits.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/engine.h"

namespace storage::postgres {

struct Location {
  std::string server;  // libpq connection string
  std::string schema;
  std::string table;
};

// Where the data file at path (resolved) lives: false for a file on disk.
bool LocationOf(const std::string& path, Location* location);

// The engine of the data file at location; in a build without libpq, one
// whose create and open say so and give status 2.
std::unique_ptr<Engine> ServerEngine(const Location& location);

// Snapshots of tables on the server, for the undo of a write-back.
// Copies the tables of schema into the new schema copy_schema, with their
// rows and descriptions, in one transaction: the copy exists whole or not at
// all, and shows every table at one moment.
[[nodiscard]] bool CopyTablesToSchema(const std::string& server, const std::string& schema,
                                      const std::vector<std::string>& tables,
                                      const std::string& copy_schema, std::string* err);
// Puts the rows of the copy back into the tables of schema, in one
// transaction; refused while a session holds a record lock of one of them.
[[nodiscard]] bool RestoreTablesFromSchema(const std::string& server,
                                           const std::string& copy_schema,
                                           const std::string& schema,
                                           const std::vector<std::string>& tables,
                                           std::string* err);
[[nodiscard]] bool DropSchema(const std::string& server, const std::string& schema,
                              std::string* err);

}  // namespace storage::postgres
