// Another program holding a record: a child process that opens a data file,
// reads one record with the lock bias and keeps the lock until it is
// released, or until its test is gone.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "storage/record_manager.h"
#include "testing/record_snapshot.h"

namespace testing_support {

class RecordHolder {
 public:
  // key: the key bytes to read; empty reads the first record (greater or equal).
  RecordHolder(const std::string& data_file, const std::string& key) {
    if (::pipe(locked_) != 0 || ::pipe(release_) != 0) return;
    pid_ = ::fork();
    if (pid_ != 0) return;
    char position[storage::kPositionBlockSize] = {};
    int16_t status = OpenDataFile(data_file, position);
    char data[4096] = {}, key_buffer[256] = {};
    std::memcpy(key_buffer, key.data(), std::min<size_t>(key.size(), sizeof key_buffer));
    uint16_t length = sizeof data;
    if (status == 0) {
      const int16_t op = key.empty() ? storage::kOpGetGreaterOrEqual : storage::kOpGetEqual;
      status = storage::RecordManagerCall(op + storage::kLockBias, position, data, &length,
                                          key_buffer, 255, 0);
    }
    const char answer = status == 0 ? 'L' : 'F';
    (void)!::write(locked_[1], &answer, 1);
    ::alarm(120);  // gone with the test, should it stop before releasing
    char c;
    (void)!::read(release_[0], &c, 1);
    ::_exit(0);  // the lock goes with the process
  }
  RecordHolder(const RecordHolder&) = delete;
  RecordHolder& operator=(const RecordHolder&) = delete;
  ~RecordHolder() {
    Release();
    for (int fd : {locked_[0], locked_[1], release_[0], release_[1]}) {
      if (fd >= 0) ::close(fd);
    }
  }

  // True once the child holds the record.
  bool Holds() {
    char answer = 0;
    return pid_ > 0 && ::read(locked_[0], &answer, 1) == 1 && answer == 'L';
  }

  // Drops the lock: the child ends.
  void Release() {
    if (pid_ <= 0) return;
    (void)!::write(release_[1], "x", 1);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
  }

 private:
  int locked_[2] = {-1, -1};
  int release_[2] = {-1, -1};
  pid_t pid_ = 0;
};

}  // namespace testing_support
