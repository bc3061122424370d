#include "printer/divivovi.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "base/platform.h"
#include "base/session_settings.h"
#include "printer/letter_files.h"
#include "printer/page_layout.h"
#include "printer/print_commands.h"
#include "printer/render.h"

namespace printer {
namespace {

constexpr char kUsage[] =
    "usage: divivovi [FILE [--pdf OUT.pdf] [--text OUT.txt] [--letters FOLDER]]\n"
    "  Renders a print command file of the suite into a PDF and a text file.\n"
    "  Without FILE: reads KEPTMP/divivovi.tmp and writes where its DEVICE line says:\n"
    "    DEVICE or DEVICEPDF     divivovi.pdf and divivovi.txt beside the file\n"
    "    DEVICEPDF:<path>        <path> and <path>.txt\n"
    "    DEVICETXT:<path>        the text only\n"
    "    DEVICECARTES:<folder>   one PDF per letter, named after its receipt code, and index.csv\n"
    "    DEVICENUL               nothing\n"
    "  With FILE and no --pdf/--text/--letters, the DEVICE line decides too.\n";

// The creation date: now, or SOURCE_DATE_EPOCH when it is set (a build or a
// test that wants the same PDF twice).
std::time_t CreationTime() {
  const std::string epoch = base::GetEnv("SOURCE_DATE_EPOCH");
  if (!epoch.empty() && epoch.find_first_not_of("0123456789") == std::string::npos) {
    return static_cast<std::time_t>(std::stoll(epoch));
  }
  return std::time(nullptr);
}

// Title, author and date of a PDF of these pages. The author is the company
// of the installation (company field 1 of KEPROOT's "Vorn.ini").
PdfOptions OptionsFor(const std::vector<Page>& pages) {
  base::LoadCompanyData();
  PdfOptions options;
  options.author = base::Company().fields[0];
  options.title = TitleOf(pages, options.author);
  options.created = CreationTime();
  return options;
}

// The letters of the print file at path, one PDF each, with the letter
// index that mirtosek leaves beside it.
int WriteLetters(const ParseResult& parsed, const std::string& path, const std::string& folder,
                 std::ostream& out, std::ostream& err) {
  const std::string index_path =
      (std::filesystem::path(path).parent_path() / "cartes.tmp").string();
  std::string text, why, warning;
  if (!base::ReadWholeFile(index_path, &text)) {
    err << "divivovi: " << index_path
        << ": cannot be read (one PDF per letter needs the letter index that "
        << "mirtosek writes beside the print file)\n";
    return 1;
  }
  LetterIndex index;
  if (!ParseLetterIndex(text, &index, &why)) {
    err << "divivovi: " << index_path << ": " << why << "\n";
    return 1;
  }
  const bool written = WriteLetterFiles(parsed, index, folder, OptionsFor({}), out, &why, &warning);
  if (!warning.empty()) err << "divivovi: " << warning << "\n";
  if (!written) {
    err << "divivovi: " << why << "\n";
    return 1;
  }
  return 0;
}

std::string DeviceOf(const std::vector<Command>& commands) {
  for (const Command& c : commands) {
    if (c.kind == Command::Kind::kDevice) return c.text;
  }
  return std::string();
}

}  // namespace

Outputs OutputsForDevice(const std::string& device, const std::string& dir) {
  const std::string prefix = dir.empty() ? "" : dir + "/";
  if (device == "NUL") return Outputs{};
  if (device.rfind("PDF:", 0) == 0 && device.size() > 4) {
    const std::string path = device.substr(4);
    const std::filesystem::path p(path);
    return Outputs{path, (p.parent_path() / p.stem()).string() + ".txt", ""};
  }
  if (device.rfind("TXT:", 0) == 0 && device.size() > 4) return Outputs{"", device.substr(4), ""};
  if (device.rfind("CARTES:", 0) == 0 && device.size() > 7)
    return Outputs{"", "", device.substr(7)};
  return Outputs{prefix + "divivovi.pdf", prefix + "divivovi.txt", ""};
}

int RunDivivovi(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input;
  Outputs outputs;
  bool named_outputs = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
    if (a == "--version") {
      out << "divivovi 1.0\n";
      return 0;
    }
    if ((a == "--pdf" || a == "--text" || a == "--letters") && i + 1 < args.size()) {
      (a == "--pdf" ? outputs.pdf : a == "--text" ? outputs.text : outputs.letters) = args[++i];
      named_outputs = true;
    } else if (input.empty() && a.rfind("--", 0) != 0) {
      input = a;
    } else {
      err << "divivovi: unexpected argument \"" << a << "\"\n" << kUsage;
      return 1;
    }
  }
  if (input.empty()) input = base::NormaliseDirectory(base::GetEnv("KEPTMP")) + "divivovi.tmp";
  const std::string resolved = base::ResolvePath(input);
  std::string contents;
  if (!base::ReadWholeFile(resolved, &contents)) {
    err << "divivovi: " << resolved << ": cannot be read\n";
    return 1;
  }
  const ParseResult parsed = ParsePrintCommands(contents);
  for (const std::string& e : parsed.errors)
    err << "divivovi: " << resolved << ": " << e << " (skipped)\n";
  if (!named_outputs) {
    outputs = OutputsForDevice(DeviceOf(parsed.commands),
                               std::filesystem::path(resolved).parent_path().string());
  }
  if (!outputs.letters.empty()) return WriteLetters(parsed, resolved, outputs.letters, out, err);
  const std::vector<Page> pages = LayOut(parsed.commands);
  if (!outputs.text.empty()) {
    std::ofstream text(outputs.text, std::ios::binary | std::ios::trunc);
    text << RenderText(pages);
    // A full disk shows when the buffer goes out: only a closed file is written.
    text.close();
    if (text.fail() || !base::SyncToDisk(outputs.text)) {
      err << "divivovi: " << outputs.text << ": cannot be written\n";
      return 1;
    }
    out << "divivovi: " << outputs.text << "\n";
  }
  if (!outputs.pdf.empty()) {
    std::string why, warning;
    const bool written = WritePdf(pages, OptionsFor(pages), outputs.pdf, &why, &warning);
    if (!warning.empty()) err << "divivovi: " << warning << "\n";
    if (!written) {
      err << "divivovi: " << why << "\n";
      return 1;
    }
    out << "divivovi: " << outputs.pdf << "\n";
  }
  return 0;
}

}  // namespace printer
