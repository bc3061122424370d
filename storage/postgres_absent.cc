// A build without the server engine (no libpq): an installation whose
// "Vorn.ini" names a server is told that this build cannot reach it, and its
// files fail to open with status 2, as for a server that cannot be reached.
#include <cstdio>
#include <filesystem>

#include "base/ini_file.h"
#include "storage/postgres_backend.h"

namespace storage::postgres {
namespace {

constexpr char kNoEngine[] =
    "this build of the programs has no PostgreSQL engine, and the installation's Vorn.ini [Dades] "
    "Servidor "
    "names a server: install a build made with libpq";

void SayNoEngine() {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "%s\n", kNoEngine);
}

class AbsentEngine : public Engine {
 public:
  int16_t Create(const FileSpec&, bool) override {
    SayNoEngine();
    return kStatusIoError;
  }
  int16_t Open(const std::string&, std::unique_ptr<EngineFile>*) override {
    SayNoEngine();
    return kStatusIoError;
  }
};

}  // namespace

bool LocationOf(const std::string& path, Location* location) {
  const std::filesystem::path root = std::filesystem::path(path).parent_path().parent_path();
  location->server = base::IniRead((root / "Vorn.ini").string(), "Dades", "Servidor");
  return !location->server.empty();
}

std::unique_ptr<Engine> ServerEngine(const Location&) { return std::make_unique<AbsentEngine>(); }

bool CopyTablesToSchema(const std::string&, const std::string&, const std::vector<std::string>&,
                        const std::string&, std::string* err) {
  *err = kNoEngine;
  return false;
}

bool RestoreTablesFromSchema(const std::string&, const std::string&, const std::string&,
                             const std::vector<std::string>&, std::string* err) {
  *err = kNoEngine;
  return false;
}

bool DropSchema(const std::string&, const std::string&, std::string* err) {
  *err = kNoEngine;
  return false;
}

}  // namespace storage::postgres
