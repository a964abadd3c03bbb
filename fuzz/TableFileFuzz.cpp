// Fuzz target: table-file reading and every lookup on the result. Also checks that writing a
// parsed table and reading it again is stable after one round (the file form is canonical).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/TableFile.h"

namespace {

void queryAll(TableFile& t) {
  char buf[32];
  std::string s;
  int32_t i32;
  int16_t i16;
  char c;
  bool b;
  unsigned char bytes[48];
  size_t got;
  for (int rec = -1; rec < 3; ++rec) {
    if (rec >= 0) t.selectRecord(rec);
    for (const char* name : {"Count", "Name", "Block", "Flag", "a", "ab"}) {
      t.getString(name, buf, sizeof buf);
      t.getString(name, &s, 16);
      t.getInt32(name, &i32);
      t.getInt16(name, &i16);
      t.getChar(name, &c);
      t.getYesNo(name, &b);
      t.getNoYes(name, &b);
      t.getBytes(name, bytes, sizeof bytes, &got);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TableFile t("Lexaurum Options");
  if (t.parse(reinterpret_cast<const char*>(data), size) < 0) return 0;
  queryAll(t);
  std::string once = t.toFileText();
  TableFile again("Lexaurum Options");
  if (again.parse(once.data(), once.size()) < 0) std::abort();
  std::string twice = again.toFileText();
  if (twice != once) std::abort();
  return 0;
}
