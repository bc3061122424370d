#include "storage/data_files_table.h"

#include <algorithm>

namespace storage {

std::string RelativeFilePath(const DataFile& file) {
  std::string name;
  std::string path = FullFileName(file.path, &name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace storage
