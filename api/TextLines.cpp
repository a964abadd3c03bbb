// Reading a text file as lines.
#include "api/TextLines.h"

#include <cstdio>

namespace script {

bool readTextLines(const std::string& name, std::vector<std::string>* lines) {
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return false;
  std::string line;
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines->push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines->push_back(line);
  std::fclose(f);
  return true;
}

}  // namespace script
