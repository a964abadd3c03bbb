// MacroTable: the user's request macros, the table file MACROS.DAT ("Lexaurum Macros"): one
// "name = expansion" line per macro. A request names a macro with the macro character in
// front. Depends on api/TableFile.
#pragma once

#include <map>
#include <string>

// Threads: one user at a time to load; a loaded table may be read by many.
class MacroTable {
 public:
  static constexpr const char* kTitle = "Lexaurum Macros";
  static constexpr const char* kFileName = "MACROS.DAT";  // well-known kind 49

  // Replaces the macros with the file's. 0; -1 when the file cannot be read or is not a
  // macros table (the table is then empty).
  int load(const std::string& path);
  // The same from memory (the file's bytes, title first). Lines without "=" or with an empty name are passed over; of two
  // lines with one name the first counts.
  int parse(const char* data, size_t size);
  // Adds or replaces a macro. Names are compared without regard to ASCII letter case.
  void set(const std::string& name, const std::string& expansion);
  void clear() { macros_.clear(); }

  // The expansion of `name`, or null. Valid until the table changes.
  const std::string* find(const std::string& name) const;
  int count() const { return static_cast<int>(macros_.size()); }

 private:
  static std::string key(const std::string& name);
  void takeLines(const std::string& text);
  std::map<std::string, std::string> macros_;
};
