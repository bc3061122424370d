// Snapshots: a copy of the data files a write-back rewrites, taken before its
// first write, so that the run can be undone.
//
// A snapshot is the folder "SNAPSHOTS/<name>" of the data root, named after
// the local date and time it was taken and the process that took it
// ("20261209-221530-4242"). It holds the
// file "MANIFEST" (one "key=value" line each: "taken", "engine" "sqlite" or
// "postgres", "schema" for the server's copy, and one "file" line per data
// file, its file code and path, as "507 DADES/DepartaV.dat") and, for files on disk, a copy of each
// data file at the same relative path, made with SQLite's online backup inside one read transaction
// over all the files, so that the copies are consistent with one another. For an installation on a
// server the copy is a schema of the same database ("<schema>_snap_<name>"), made in one
// transaction.
//
// The folder is built as "<name>.partial" and renamed when complete: a run
// killed while it takes its snapshot leaves no folder that the listing shows
// or that a restore accepts, and a snapshot taken an hour later or more
// removes what it left.
// The journal "WRITTEN" of a snapshot lists the units the run then wrote
// back, one "<unit key>,<update date YYYY-MM-DD>" line each.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace storage {

// How many snapshots a data root keeps; older ones are removed when a new
// one is taken.
inline constexpr int kSnapshotsKept = 10;

struct SnapshotFile {
  int code = 0;      // the file code its records are logged under
  std::string path;  // relative to the data root, "DADES/DepartaV.dat"
};

struct SnapshotInfo {
  std::string name;
  std::string taken;   // "2026-12-09 22:15:30"
  std::string engine;  // "sqlite" or "postgres"
  std::string schema;  // the server's copy
  std::vector<SnapshotFile> files;
  long written_units = 0;  // lines of its journal
};

// root: the data root (any separator at the end). On success sets *name; on failure nothing is
// left and *err says why.
[[nodiscard]] bool TakeSnapshot(const std::string& root, const std::vector<SnapshotFile>& files,
                                std::string* name, std::string* err);

// Complete snapshots, oldest first.
std::vector<SnapshotInfo> ListSnapshots(const std::string& root);

// Removes all but the newest keep snapshots, and what killed runs left.
void PruneSnapshots(const std::string& root, int keep);

// Puts the records of the snapshot's files back as they were. Refused, with
// nothing changed, while a workstation holds a lock entry of one of those
// tables (a recent entry of "LOCKS/<table>.lck") or a record of them.
// Appends one line per restored file to "db.log" of the data root: its file
// code, operation 14 (the file's records replaced as a whole) and status 0.
// The journals of the snapshot and of later ones become "UNDONE".
[[nodiscard]] bool RestoreSnapshot(const std::string& root, const std::string& name,
                                   std::string* err);

// Adds a unit to the journal of the snapshot (the run's own), one line
// written whole.
void NoteWrittenUnit(const std::string& root, const std::string& name, const std::string& line);

// The journal lines of every snapshot but the one named except.
std::set<std::string> EarlierWrittenUnits(const std::string& root, const std::string& except);

}  // namespace storage
