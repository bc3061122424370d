#include "datatool/commands.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "base/codepage.h"
#include "base/ini_file.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/terminal.h"
#include "datatool/csv.h"
#include "datatool/ine_cpi.h"
#include "datatool/tables.h"
#include "datatool/text_files.h"
#include "storage/record_file.h"
#include "storage/record_layouts.h"
#include "storage/record_manager.h"
#include "storage/snapshots.h"

namespace datatool {
namespace {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;
  const char* help;
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

std::string Root(std::string root) {
  if (!root.empty() && root.back() != '/' && root.back() != '\\') root += '/';
  return root;
}

// The data file's name on disk under the data root: "DADES\DepartaV.dat".
std::string FileOnDisk(const storage::DataFile& f) {
  std::string name;
  return storage::FullFileName(f.path, &name);
}

// Every command but init works only on an existing installation, so that a
// mistyped path never becomes a new one.
bool CheckInstallation(const std::string& root, std::ostream& err) {
  // An installation on a server has its description files and "Vorn.ini"
  // on disk and its data in the server's tables.
  if (!base::IniRead(root + "Vorn.ini", "Dades", "Servidor").empty()) {
    if (base::PathExists(root + "ddf\\" + storage::unit::kFile.name + ".xdf")) return true;
    err << "kepdata: " << root << " is not an installation: its description files are missing\n";
    return false;
  }
  for (const storage::DataFile& f : storage::kDataFiles) {
    if (!base::PathExists(root + FileOnDisk(f))) {
      err << "kepdata: " << root
          << " is not an installation: " << base::ResolvePath(root + FileOnDisk(f))
          << " is missing (create one with: kepdata init DATAROOT)\n";
      return false;
    }
  }
  return true;
}

// Opens a table's file with the layer; the data root is the current setting.
bool OpenTable(const Table& t, std::string* buffer, std::ostream& err) {
  buffer->assign(static_cast<size_t>(t.record_length), ' ');
  const int16_t status = storage::OpenRecordFile(t.code, base::Settings().root_dir + t.path,
                                                 buffer->data(), buffer->size());
  if (status != 0) {
    err << "kepdata: cannot open " << t.path << " (status " << status << ")\n";
    return false;
  }
  // A file of another layout would be read and written as garbage.
  const int32_t length = storage::GetFileLengths(t.code, 0).record_length;
  if (length != t.record_length) {
    err << "kepdata: " << t.path << " holds records of " << length << " bytes, not "
        << t.record_length << " (status " << storage::kStatusInvalidRecordLength << ")\n";
    storage::ResetRecordManager();
    return false;
  }
  return true;
}

// The data root becomes the current directory, so that "db.log" lands in
// it as it does for the suite's programs.
void Prepare(const std::string& root) {
  base::UseNoTerminal();
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(base::ResolvePath(root), ec).string();
  if (absolute.empty()) absolute = base::ResolvePath(root);
  if (absolute.back() != '/') absolute += '/';
  base::Settings().root_dir = absolute;
  base::Settings().tmp_dir = absolute;
  (void)base::SetCurrentDir(absolute);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(base::ResolvePath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

const char kVornIni[] =
    "; Installation settings read by the programs of the suite.\r\n"
    "[Usuari]\r\n"
    "DatOrdre=DMA\r\n"
    "DatCaracter=/\r\n"
    "DecCaracter='\r\n"
    "MilCaracter=.\r\n"
    "Idioma=CAT\r\n"
    "[Empresa]\r\n"
    "Camp1=\r\nCamp2=\r\nCamp3=\r\nCamp4=\r\nCamp5=\r\nCamp6=\r\nCamp7=\r\nCamp8=\r\n";

// The CPI file that comes with the program: beside an installed copy
// (<prefix>/bin/kepdata and <prefix>/share/mirtosek/UIpc.csv), or, for a
// kepdata run from the build folder, in the source tree. Empty when neither.
std::string ShippedCpiFile() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string();
#ifdef KEP_DATA_FROM_BIN
  const fs::path installed =
      (exe.parent_path() / KEP_DATA_FROM_BIN / "UIpc.csv").lexically_normal();
  if (fs::is_regular_file(installed, ec)) return installed.string();
#endif
#if defined(KEP_SOURCE_DIR) && defined(KEP_BUILD_DIR)
  // Only a program of this build folder looks into the source tree: an
  // installed copy uses its own files or none.
  const std::string build = fs::weakly_canonical(KEP_BUILD_DIR, ec).string() + "/";
  if (exe.string().rfind(build, 0) == 0) {
    const fs::path source = fs::path(KEP_SOURCE_DIR) / "installation" / "cpi" / "UIpc.csv";
    if (fs::is_regular_file(source, ec)) return source.string();
  }
#endif
  return std::string();
}

int Import(const Args& args, std::ostream&, std::ostream& err);

int Init(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return -1;
  std::string server, schema, cpi_file;
  bool no_cpi = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--no-cpi") {
      no_cpi = true;
      continue;
    }
    if (i + 1 >= args.size()) return -1;
    if (args[i] == "--server") {
      server = args[++i];
    } else if (args[i] == "--schema") {
      schema = args[++i];
    } else if (args[i] == "--cpi") {
      cpi_file = args[++i];
    } else {
      return -1;
    }
  }
  if (no_cpi && !cpi_file.empty()) return -1;
  if (!no_cpi && cpi_file.empty()) {
    cpi_file = ShippedCpiFile();
    if (cpi_file.empty()) {
      err << "kepdata: the CPI file that comes with the program (UIpc.csv) is not where it was "
             "installed;\n"
             "  give one with --cpi FILE, or make the installation without indices with --no-cpi\n";
      return 1;
    }
  }
  const std::string root = Root(args[0]);
  if (!server.empty() && !KEP_WITH_POSTGRES) {
    err << "kepdata: this build has no PostgreSQL engine (it was made without libpq): --server "
           "cannot be used\n";
    return 1;
  }
  if (!server.empty() && base::PathExists(root + "Vorn.ini")) {
    err << "kepdata: " << base::ResolvePath(root + "Vorn.ini")
        << " exists; set [Dades] Servidor in it by hand\n";
    return 1;
  }
  for (const storage::DataFile& f : storage::kDataFiles) {
    if (base::PathExists(root + FileOnDisk(f))) {
      err << "kepdata: " << base::ResolvePath(root + FileOnDisk(f))
          << " exists; init does not overwrite data files\n";
      return 1;
    }
  }
  for (const char* dir : {"DADES", "TAULES", "LOCKS", "LOCALE", "TEXTOS", "ddf"}) {
    if (!base::MakeDirectories(root + dir)) {
      err << "kepdata: cannot create " << root << dir << "\n";
      return 1;
    }
  }
  for (const Description& d : Descriptions()) {
    if (!WriteFile(root + "ddf\\" + d.name + ".xdf", d.xdf)) {
      err << "kepdata: cannot write " << root << "ddf/" << d.name << ".xdf\n";
      return 1;
    }
  }
  std::string vorn = kVornIni;
  if (!server.empty()) {
    vorn += "[Dades]\r\nServidor=" + server + "\r\n";
    if (!schema.empty()) vorn += "Esquema=" + schema + "\r\n";
  }
  if (!base::PathExists(root + "Vorn.ini") && !WriteFile(root + "Vorn.ini", vorn)) {
    err << "kepdata: cannot write " << root << "Vorn.ini\n";
    return 1;
  }
  Prepare(root);
  for (const Table& t : Tables()) {
    std::string buffer;
    if (!OpenTable(t, &buffer, err)) return 1;
  }
  std::string text(storage::text::kLength, ' ');
  if (storage::OpenRecordFile(storage::text::kFile.code,
                              base::Settings().root_dir + storage::text::kFile.path, text.data(),
                              text.size()) != 0) {
    return 1;
  }
  storage::ResetRecordManager();
  if (cpi_file.empty()) return 0;
  // The official monthly series, so that a new installation updates rents
  // with real indices from its first run.
  if (Import({root, storage::cpi::kFile.name, cpi_file}, out, err) != 0) {
    err << "kepdata: the installation was made, but its CPI file could not be loaded from "
        << cpi_file << "\n";
    return 1;
  }
  return 0;
}

struct ParsedRow {
  int line;
  std::string key;
  std::vector<std::pair<const Column*, std::string>> values;
};

std::string KeyOf(const Table& t, const std::string& record) {
  return record.substr(static_cast<size_t>(t.key.position - 1), static_cast<size_t>(t.key.width));
}

// The columns that make up the key: those inside its bytes.
bool IsKeyColumn(const Table& t, const Column& c) {
  return c.position >= t.key.position && c.position + c.width <= t.key.position + t.key.width;
}

// The receipt-concept types are keyed by one byte that either of two
// columns gives: a concept's number or a coded concept's code.
bool KeyedByConcept(const Table& t) {
  for (const Column& c : t.fields) {
    if (c.kind == Kind::kConcept) return true;
  }
  return false;
}

bool ParseRows(const Table& t, const std::string& file, const std::vector<CsvRow>& rows,
               std::vector<ParsedRow>* parsed, std::ostream& err) {
  if (rows.empty()) {
    err << "kepdata: " << file << ": no header row\n";
    return false;
  }
  std::vector<const Column*> header;
  for (size_t i = 0; i < rows[0].fields.size(); ++i) {
    const std::string& name = rows[0].fields[i];
    const Column* found = nullptr;
    for (const Column& c : t.fields) {
      if (name == c.name) found = &c;
    }
    if (found == nullptr && name != "note") {
      err << "kepdata: " << file << ":1: column " << i + 1 << ": unknown column \"" << name
          << "\" for " << t.name << "\n";
      return false;
    }
    for (const Column* h : header) {
      if (found != nullptr && h == found) {
        err << "kepdata: " << file << ":1: column " << i + 1 << ": \"" << name
            << "\" given twice\n";
        return false;
      }
    }
    header.push_back(found);
  }
  for (const Column& c : t.fields) {
    bool present = false;
    for (const Column* h : header) present = present || h == &c;
    if (IsKeyColumn(t, c) && !present && c.kind != Kind::kConcept && c.kind != Kind::kConceptCode) {
      err << "kepdata: " << file << ":1: the key column \"" << c.name << "\" is missing\n";
      return false;
    }
  }
  std::map<std::string, int> lines_of_keys;
  for (size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (row.fields.size() != header.size()) {
      err << "kepdata: " << file << ":" << row.line << ": " << row.fields.size()
          << " fields where the header has " << header.size() << "\n";
      return false;
    }
    ParsedRow p{row.line, "", {}};
    std::string scratch = EmptyRecord(t);
    int key_bytes_set = 0;
    for (size_t i = 0; i < header.size(); ++i) {
      const Column* c = header[i];
      if (c == nullptr) continue;
      const std::string& text = row.fields[i];
      if ((c->kind == Kind::kConcept || c->kind == Kind::kConceptCode) && text.empty()) continue;
      if (IsKeyColumn(t, *c) && text.empty()) {
        err << "kepdata: " << file << ":" << row.line << ": column " << i + 1 << " (" << c->name
            << "): the key may not be empty\n";
        return false;
      }
      std::string why;
      if (!SetColumn(*c, text, &scratch, &why)) {
        err << "kepdata: " << file << ":" << row.line << ": column " << i + 1 << " (" << c->name
            << "): " << why << "\n";
        return false;
      }
      if (c->kind == Kind::kConcept || c->kind == Kind::kConceptCode) ++key_bytes_set;
      p.values.emplace_back(c, text);
    }
    if (KeyedByConcept(t) && key_bytes_set != 1) {
      err << "kepdata: " << file << ":" << row.line
          << ": give exactly one of \"concept\" (1 to 10) and \"code\" (0 to 99)\n";
      return false;
    }
    p.key = KeyOf(t, scratch);
    const auto [earlier, first] = lines_of_keys.emplace(p.key, row.line);
    if (!first) {
      err << "kepdata: " << file << ":" << row.line << ": the same key as line " << earlier->second
          << ": a file gives each record once\n";
      return false;
    }
    parsed->push_back(p);
  }
  return true;
}

// The premises tenant flag of a new transition record comes from its unit.
std::string NewRecord(const Table& t, const std::string& key, std::ostream& err) {
  if (t.code != storage::transition::kFile.code) return EmptyRecord(t);
  const Table* units = &storage::unit::kFile;
  // The unit file stays open (and bound to this buffer) for the rest of the import.
  static std::string unit;
  std::string tax_id;
  const bool open =
      storage::GetFileLengths(units->code, 0).record_length > 0 || OpenTable(*units, &unit, err);
  if (open && storage::SeekByKeyWithoutLock(units->code, 0, key, 0) == 0) {
    tax_id = storage::GetText(unit, storage::unit::kTaxId);
  }
  return storage::DefaultTransitionRecord(key, tax_id);
}

// The rows of a CSV text into the table; name is the text's file (for the
// messages).
int ImportText(const std::string& root, const Table* t, const std::string& text,
               const std::string& name, std::ostream& err);

int Import(const Args& args, std::ostream&, std::ostream& err) {
  if (args.size() != 3) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  const Table* t = FindTable(args[1]);
  if (t == nullptr) {
    err << "kepdata: unknown table \"" << args[1] << "\" (" << TableNames() << ")\n";
    return 1;
  }
  std::string text;
  if (!base::ReadWholeFile(args[2], &text)) {
    err << "kepdata: cannot read " << args[2] << "\n";
    return 1;
  }
  return ImportText(root, t, text, args[2], err);
}

int ImportText(const std::string& root, const Table* t, const std::string& text,
               const std::string& name, std::ostream& err) {
  const Args args = {root, t->name, name};
  std::vector<CsvRow> rows;
  std::string why;
  if (!ParseCsv(text, &rows, &why)) {
    err << "kepdata: " << args[2] << ": " << why << "\n";
    return 1;
  }
  std::vector<ParsedRow> parsed;
  if (!ParseRows(*t, args[2], rows, &parsed, err)) return 1;
  Prepare(root);
  std::string buffer;
  if (!OpenTable(*t, &buffer, err)) return 1;
  // The whole file in one transaction: a failed row, a full disk or a kill
  // leaves the table as it was.
  if (const int16_t begun = storage::FileTransaction(t->code, storage::kOpBeginTransaction);
      begun != 0) {
    err << "kepdata: " << t->name << " cannot be written now (status " << begun
        << "): another program is writing it\n";
    storage::ResetRecordManager();
    return 1;
  }
  for (const ParsedRow& row : parsed) {
    const int16_t found = storage::SeekByKeyWithoutLock(t->code, 0, row.key, 0);
    const bool exists = found == 0;
    std::string record = exists ? buffer : NewRecord(*t, row.key, err);
    for (const auto& [column, value] : row.values) {
      std::string ignored;
      (void)SetColumn(*column, value, &record, &ignored);
    }
    std::copy(record.begin(), record.end(),
              buffer.begin());  // the layer holds the buffer's address
    const int16_t status = exists ? storage::UpdateRecord(t->code) : storage::InsertRecord(t->code);
    if (status != 0) {
      (void)storage::FileTransaction(t->code, storage::kOpAbortTransaction);
      const bool held =
          status == storage::kStatusRecordLocked || status == storage::kStatusFileLocked;
      err << "kepdata: " << args[2] << ":" << row.line << ": " << (exists ? "update" : "insert")
          << " failed with status " << status
          << (held ? " (another station holds the record: try again when its run has ended)" : "")
          << "; nothing of the file was imported\n";
      storage::ResetRecordManager();
      return 1;
    }
  }
  const int16_t ended = storage::FileTransaction(t->code, storage::kOpEndTransaction);
  storage::ResetRecordManager();
  if (ended != 0) {
    err << "kepdata: " << args[2] << ": the import could not be committed (status " << ended
        << "); nothing of the file was imported\n";
    return 1;
  }
  return 0;
}

// Puts the months of an INE download into UIpc: each month published in the
// download's base is added, or changed when the file holds another value.
int IneImport(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 && args.size() != 4) return -1;
  int given_base = 0;
  if (args.size() == 4) {
    if (args[2] != "--base") return -1;
    const std::string& year = args[3];
    if (year.size() != 4 || year.find_first_not_of("0123456789") != std::string::npos) {
      err << "kepdata: --base \"" << year << "\": give the base's year, for example 2025\n";
      return 1;
    }
    given_base = std::stoi(year);
  }
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  std::string text;
  if (!base::ReadWholeFile(args[1], &text)) {
    err << "kepdata: cannot read " << args[1] << "\n";
    return 1;
  }
  IneSeries series;
  std::string why;
  if (!ReadIneCpi(text, args[1], given_base, &series, &why)) {
    err << "kepdata: " << args[1] << ": " << why << "\n";
    return 1;
  }
  const Table& t = storage::cpi::kFile;
  constexpr const Column& kMonth = storage::FieldEntry(storage::cpi::kFile, "month", Kind::kMonth);
  constexpr const Column& kValue = storage::FieldEntry(storage::cpi::kFile, "value", Kind::kDouble);
  Prepare(root);
  std::string buffer;
  if (!OpenTable(t, &buffer, err)) return 1;
  int added = 0, changed = 0, same = 0;
  for (const IneMonth& m : series.taken) {
    std::string record = EmptyRecord(t), ignored;
    if (!SetColumn(kMonth, m.month, &record, &ignored) ||
        !SetColumn(kValue, m.value, &record, &ignored)) {
      err << "kepdata: " << args[1] << ":" << m.line << ": " << m.month << " " << m.value
          << " cannot be stored\n";
      storage::ResetRecordManager();
      return 1;
    }
    const std::string key = KeyOf(t, record);
    const bool exists = storage::SeekByKey(t.code, 0, key, 0) == 0;
    if (exists && GetColumn(kValue, buffer) == GetColumn(kValue, record)) {
      ++same;
      continue;
    }
    std::copy(record.begin(), record.end(),
              buffer.begin());  // the layer holds the buffer's address
    const int16_t status = exists ? storage::UpdateRecord(t.code) : storage::InsertRecord(t.code);
    if (status != 0) {
      err << "kepdata: " << args[1] << ":" << m.line << ": " << (exists ? "update" : "insert")
          << " of " << m.month << " failed with status " << status << " (" << added
          << " months added and " << changed << " changed before it)\n";
      storage::ResetRecordManager();
      return 1;
    }
    ++(exists ? changed : added);
  }
  storage::ResetRecordManager();
  const size_t left = series.months.size() - series.taken.size();
  out << "kepdata: " << args[1] << ": base " << series.base.year << ", ";
  if (series.taken.empty()) {
    out << "no month from " << series.base.first << " on";
  } else {
    out << series.taken.size() << " months from " << series.taken.front().month << " to "
        << series.taken.back().month << ": " << added << " added, " << changed << " changed, "
        << same << " as they were";
  }
  out << "; " << left << " months outside base " << series.base.year
      << " not taken (they stay in the bases they were published in)\n";
  return 0;
}

int Export(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  const Table* t = FindTable(args[1]);
  if (t == nullptr) {
    err << "kepdata: unknown table \"" << args[1] << "\"\n";
    return 1;
  }
  Prepare(root);
  std::string buffer;
  if (!OpenTable(*t, &buffer, err)) return 1;
  std::vector<std::string> header;
  for (const Column& c : t->fields) header.push_back(c.name);
  out << CsvLine(header);
  int16_t status = storage::SeekByKeyWithoutLock(
      t->code, 0, std::string(static_cast<size_t>(t->key.width), '\0'), 1);
  while (status == 0) {
    std::vector<std::string> fields;
    for (const Column& c : t->fields) fields.push_back(GetColumn(c, buffer));
    out << CsvLine(fields);
    status = storage::StepRecords(t->code, 1, false);  // a write-back may hold records
  }
  storage::ResetRecordManager();
  if (status != 9) {
    err << "kepdata: reading " << t->path << " stopped with status " << status << "\n";
    return 1;
  }
  return 0;
}

// Rewrites the [Empresa] keys of "Vorn.ini", keeping every other line.
bool SetCompanyFields(const std::string& path, const std::map<int, std::string>& values) {
  std::string text;
  (void)base::ReadWholeFile(path, &text);
  std::istringstream in(text);
  std::string line, out;
  bool in_section = false, seen_section = false;
  std::map<int, std::string> pending = values;
  auto flush = [&] {
    for (const auto& [n, v] : pending) out += "Camp" + std::to_string(n) + "=" + v + "\r\n";
    pending.clear();
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string upper = base::UpperCase850(line);
    if (!line.empty() && line.find_first_not_of(' ') != std::string::npos &&
        line[line.find_first_not_of(' ')] == '[') {
      if (in_section) flush();
      in_section = upper.find("[EMPRESA]") != std::string::npos;
      seen_section = seen_section || in_section;
    } else if (in_section) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos && upper.rfind("CAMP", 0) == 0) {
        const int n = std::atoi(line.substr(4, eq - 4).c_str());
        if (values.count(n) != 0) {
          if (pending.count(n) != 0)
            out += "Camp" + std::to_string(n) + "=" + values.at(n) + "\r\n";
          pending.erase(n);
          continue;
        }
      }
    }
    out += line + "\r\n";
  }
  if (!seen_section) out += "[Empresa]\r\n";
  flush();
  return WriteFile(path, out);
}

int Company(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  std::map<int, std::string> values;
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    const int n = eq == std::string::npos ? 0 : std::atoi(args[i].substr(0, eq).c_str());
    if (n < 1 || n > 8) {
      err << "kepdata: \"" << args[i] << "\": give N=VALUE with N from 1 to 8\n";
      return 1;
    }
    const std::string cp = base::Utf8ToCp850(args[i].substr(eq + 1));
    if (base::Cp850ToUtf8(cp) != args[i].substr(eq + 1) || cp.size() > 35 ||
        cp.find_first_of(";\r\n") != std::string::npos) {
      err << "kepdata: field " << n << ": at most 35 characters of code page 850, without \";\"\n";
      return 1;
    }
    values[n] = cp;
  }
  if (!values.empty() && !SetCompanyFields(root + "Vorn.ini", values)) {
    err << "kepdata: cannot write " << root << "Vorn.ini\n";
    return 1;
  }
  for (int n = 1; n <= 8; ++n) {
    out << n << ": "
        << base::Cp850ToUtf8(
               base::IniRead(root + "Vorn.ini", "Empresa", "Camp" + std::to_string(n)))
        << "\n";
  }
  return 0;
}

// Every table of one installation into another, each on either backend:
// exported as CSV and imported from memory, so that every row is checked on
// the way and no file that another user could reach holds the records.
int Copy(const Args& args, std::ostream&, std::ostream& err) {
  if (args.size() != 2) return -1;
  const std::filesystem::path here = std::filesystem::current_path();
  const std::string to = Root(args[1]);
  if (!CheckInstallation(to, err)) return 1;
  for (const Table& t : Tables()) {
    std::ostringstream csv;
    int rc = RunDataTool({"export", args[0], t.name}, csv, err);
    std::filesystem::current_path(here);
    if (rc != 0) return 1;
    rc = ImportText(to, &t, csv.str(), args[0] + " (" + t.name + ")", err);
    std::filesystem::current_path(here);
    if (rc != 0) return 1;
  }
  return 0;
}

// The snapshots that write-backs took, oldest first.
int Snapshots(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  const std::vector<storage::SnapshotInfo> all = storage::ListSnapshots(root);
  if (all.empty()) out << "no snapshot in " << base::ResolvePath(root + "SNAPSHOTS") << "\n";
  for (const storage::SnapshotInfo& s : all) {
    out << s.name << "  taken " << s.taken << "  " << s.engine
        << "  units written back after it: " << s.written_units << "\n";
  }
  return 0;
}

int Restore(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  std::string message;
  if (!storage::RestoreSnapshot(root, args[1], &message)) {
    err << "kepdata: restore " << args[1] << ": " << message << "\n";
    return 1;
  }
  out << "restored DepartaV and TranLauV as they were at snapshot " << args[1] << "\n";
  return 0;
}

// A letter template or a language file written in UTF-8, stored in code
// page 850 under its own name: "NAME.txt" in TEXTOS, "NAME.LNG" in LOCALE.
// A file with a character that code page 850 cannot hold is refused whole.
int Install(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return -1;
  const std::string root = Root(args[0]);
  if (!CheckInstallation(root, err)) return 1;
  const std::filesystem::path source(args[1]);
  const std::string extension = base::UpperCase850(source.extension().string());
  const char* folder = extension == ".TXT" ? "TEXTOS" : extension == ".LNG" ? "LOCALE" : nullptr;
  if (folder == nullptr) {
    err << "kepdata: " << args[1]
        << ": give a letter template (NAME.txt) or a language file (NAME.LNG)\n";
    return 1;
  }
  std::string utf8, cp850;
  if (!base::ReadWholeFile(args[1], &utf8)) {
    err << "kepdata: " << args[1] << ": cannot be read\n";
    return 1;
  }
  std::vector<TextFault> faults;
  if (!TextToCodePage850(utf8, &cp850, &faults)) {
    for (const TextFault& f : faults) {
      err << "kepdata: " << args[1] << ":" << f.line << ": column " << f.column << ": " << f.what
          << "\n";
    }
    if (faults.size() == kMostFaults) err << "kepdata: " << args[1] << ": and perhaps more\n";
    err << "kepdata: " << args[1] << ": nothing installed\n";
    return 1;
  }
  // Written beside the target and renamed over it: a reader never sees half a file.
  const std::string target = base::ResolvePath(root + folder + "\\" + source.filename().string());
  const std::string partial = target + ".kepdata-new";
  std::error_code ec;
  if (!WriteFile(partial, cp850) || (std::filesystem::rename(partial, target, ec), ec)) {
    std::filesystem::remove(partial, ec);
    err << "kepdata: cannot write " << target << "\n";
    return 1;
  }
  size_t lines = 0;
  for (size_t at = 0; (at = cp850.find('\n', at)) != std::string::npos; ++at) ++lines;
  if (!cp850.empty() && cp850.back() != '\n') ++lines;
  out << "installed " << target << ": " << lines << " lines in code page 850\n";
  return 0;
}

const Command kCommands[] = {
    {"init", "init DATAROOT [--server CONNINFO [--schema NAME]] [--cpi FILE | --no-cpi]",
     "create an installation: folders, description files, data files, Vorn.ini, and the CPI file "
     "loaded with\n"
     "      the official series that comes with the program (or FILE, or none); with --server its "
     "data\n"
     "      files are tables of that PostgreSQL database (libpq connection string), in schema NAME "
     "(default kep)",
     Init},
    {"copy", "copy FROM_DATAROOT TO_DATAROOT",
     "copy every table of one installation into another (either backend)", Copy},
    {"import", "import DATAROOT TABLE FILE.csv",
     "insert or update the CSV's rows in the table (all rows are checked first)", Import},
    {"ine", "ine DATAROOT FILE.csv [--base YEAR]",
     "add the months of the general CPI from INE's download of a CPI table (\";\", decimal comma, "
     "\"2026M08\")\n"
     "      to UIpc; only the months published in the file's base are taken (base 2025: from "
     "2026-01)",
     IneImport},
    {"export", "export DATAROOT TABLE",
     "write the table's records as CSV, in key order, on standard output", Export},
    {"company", "company DATAROOT [N=VALUE ...]",
     "show, or set, the eight company fields (Vorn.ini [Empresa])", Company},
    {"snapshots", "snapshots DATAROOT",
     "list the snapshots that mode A took before writing back (SNAPSHOTS/ of the data root)",
     Snapshots},
    {"restore", "restore DATAROOT SNAPSHOT",
     "put the records of a snapshot back (refused while a workstation holds a lock of them)",
     Restore},
    {"install", "install DATAROOT FILE",
     "store a letter template (NAME.txt, into TEXTOS) or a language file (NAME.LNG, into LOCALE) "
     "written in\n"
     "      UTF-8 in code page 850, as the programs read them; a character code page 850 lacks is "
     "refused\n"
     "      (line and column); template control bytes may be written as the control pictures "
     "\u2421 \u2401..\u2409 \u2410 \u2411 \u2412",
     Install},
};

void Usage(std::ostream& s) {
  s << "usage: kepdata COMMAND ARGS   (kepdata COMMAND --help for one command)\n";
  for (const Command& c : kCommands) s << "  " << c.usage << "\n      " << c.help << "\n";
  s << "TABLE: " << TableNames() << " (any case).\n";
}

}  // namespace

int RunDataTool(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    Usage(args.empty() ? err : out);
    return args.empty() ? 1 : 0;
  }
  for (const Command& c : kCommands) {
    if (args[0] != c.name) continue;
    const Args rest(args.begin() + 1, args.end());
    if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
      out << "usage: kepdata " << c.usage << "\n  " << c.help << "\n";
      return 0;
    }
    const int status = c.run(rest, out, err);
    if (status < 0) {
      err << "usage: kepdata " << c.usage << "\n";
      return 1;
    }
    return status;
  }
  err << "kepdata: unknown command \"" << args[0] << "\"\n";
  Usage(err);
  return 1;
}

}  // namespace datatool
