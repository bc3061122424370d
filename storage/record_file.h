// The program's layer over the record manager.
//
// Files are opened under a small file code chosen by the caller and bound to
// one fixed-layout record buffer that the caller owns; every later operation
// names the file by its code. Reads fill the buffer, writes send it. Reads
// take a single-record lock without waiting (status 84 when another station
// holds the record); every insert and update is logged in "db.log" of the
// current directory (the data root). A missing data file is created from its
// description "ddf\<name>.xdf" under the data root: a 16-bit little-endian
// length L, then L bytes of creation block.
//
// Statuses are 16-bit numbers: 0 success, the layer's own 3, 1002, 1003 and
// 1004 below, all others the record manager's (storage/record_manager.h).
// Status 22 (data buffer too short) counts as success on reads and updates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

using FileCode = int16_t;

inline constexpr int16_t kStatusFileNotOpen = 3;
inline constexpr int16_t kStatusAlreadyOpen = 1002;
inline constexpr int16_t kStatusNoFreeSlot = 1003;
inline constexpr int16_t kStatusNoSuchKey = 1004;

inline constexpr int kFileSlots = 40;

// Opens (or creates, then opens) the file. A status other than 0, 1002 and
// 1003 means the program must end: the message naming the path and status
// has been shown in a console window, the operator's key awaited and the
// record manager reset. Copies into the buffer never exceed buffer_size.
int16_t OpenRecordFile(FileCode code, const std::string& path, char* buffer, size_t buffer_size);

// Shows the open-failure message of path and status in a console window,
// awaits the operator's key and resets the record manager, as a failed open
// does.
void ShowOpenFailure(const std::string& path, int16_t status);

// mode 0 equal, > 0 greater or equal, < 0 less or equal. Takes the record lock.
int16_t SeekByKey(FileCode code, int16_t key_number, std::string_view key, int mode);

// The same read without the record lock, for reference data that the program
// only reads (owners, receipt-concept types, price indices).
int16_t SeekByKeyWithoutLock(FileCode code, int16_t key_number, std::string_view key, int mode);

// Every record of the file along key path 0, in its order, read without
// locks in a few exchanges (storage/record_manager.h ReadAllRecords), for a
// reference table read whole once per run. The buffer, the current record
// and the lock stay as they were.
int16_t ReadWholeFile(FileCode code, std::vector<std::string>* records);

// count >= 0 forward, < 0 backward, along the key of the last read. lock
// false: a read that takes no record lock (and is not held up by one).
int16_t StepRecords(FileCode code, int32_t count, bool lock = true);

// position 0: the current record's position (0 on failure); otherwise reads
// the record at that position and returns the status. Takes no lock.
int32_t ReadByPosition(FileCode code, int32_t position);

int16_t InsertRecord(FileCode code);

// Rewrites the current record with the buffer, then reads it again so the
// file position and the buffer are re-established.
int16_t UpdateRecord(FileCode code);

struct FileLengths {
  int32_t record_length = 0;
  int32_t key_length = 0;  // 0 when the key does not exist
};
FileLengths GetFileLengths(FileCode code, int16_t key_number);

// Drops the record lock of the file's last locking read, keeping its place.
int16_t ReleaseRecordLock(FileCode code);

// A transaction of the file (op: kOpBeginTransaction, kOpEndTransaction or
// kOpAbortTransaction of the record manager): its writes in between are kept
// together or not at all.
int16_t FileTransaction(FileCode code, int16_t op);

// Closes every file and drops every record lock.
int16_t ResetRecordManager();

// The owner name with which the installation's files are opened.
std::string OwnerName();

// The "db.log" line of one write: three numbers in zones of 14 columns.
std::string OperationsLogLine(int code, int operation, int status);

// The full name the record manager receives for a path: "DADES\Textos"
// gives "DADES\Textos.dat"; *name gets the bare name ("Textos").
std::string FullFileName(const std::string& path, std::string* name);

}  // namespace storage
