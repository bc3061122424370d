// The template merge engine: prints a letter template with the fields of a
// merge file into the print command file.
//
// Templates are text files in the data root's "TEXTOS" folder (name +
// ".txt"). A line whose first byte is 127 is a directive: "P" page length,
// "S" lines skipped at the top of each page, "L" heading, "C" scrambled text
// on (nothing behind it) or off, "A"/"T" nothing, anything else a line format
// (left margin at 2-3, right margin 4-5, indent 6-8, alignment last). "@+" or
// "#+" include another template ("#+" then ends the letter); "@." or "#."
// moves to a line of the page; on other lines "@NAME" (value trimmed) and
// "#NAME" (value as stored) are replaced by merge fields. Bytes 1 to 9 first
// on a line select a format; bytes 16, 17, 18 switch bold, underline, italic.
//
// Merge file: for each field a name line (byte 127, name, CR LF) and the
// value's lines, the last ending with byte 255 before its CR LF.
//
// Templates are code page 850 text. A line that holds UTF-8 (a template
// written in UTF-8 and copied in as it was; "kepdata install" converts one) or
// a control byte that is not one of the template's own is said on standard
// error, once per template, and printed as it stands.
//
// One engine serves the letters of a run: it keeps the line formats and the
// page count of the letter in progress, the counts below, and which
// templates it has already said it cannot read or are not text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace output {

class PrintFile;

class TemplateMerge {
 public:
  // print must outlive the engine.
  explicit TemplateMerge(PrintFile& print);
  ~TemplateMerge();
  TemplateMerge(const TemplateMerge&) = delete;
  TemplateMerge& operator=(const TemplateMerge&) = delete;

  // merge_file empty: the template is printed without substitution. The flag
  // has no effect.
  void Merge(std::string_view template_name, std::string_view merge_file, int16_t flag);

  // How many times a template to be printed (one named for a letter, or one
  // it includes) could not be read: each of those letters is incomplete.
  long ReadFailures() const;

  // How many letters were printed from a template (or one it includes) that
  // is not code page 850 text.
  long TextFaults() const;

  // Forgets everything the engine has merged, as a new engine: the letter
  // in progress, the line formats, the counts and the templates said.
  void Reset();

  PrintFile& print() { return print_; }

 private:
  struct State;
  class Letter;

  PrintFile& print_;
  std::unique_ptr<State> state_;
};

// The control bytes a template holds as text: TAB, 1 to 9 (line formats),
// 16 to 18 (bold, underline, italic) and 127 (directive lines).
bool IsTemplateControl(unsigned char byte);

// Where a template line stops being code page 850 text, and why: the first
// UTF-8 sequence of three or four bytes, or of two bytes next to a letter
// (alone, two bytes may be code page 850 box drawing, "─┐"), or the first
// control byte that is not a template's own. *column is 1-based. False when
// the line is text.
bool FindNonText(std::string_view line, size_t* column, std::string* why);

}  // namespace output
