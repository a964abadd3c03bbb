// The variable-length record file: its bytes, the record workspace, in-place rewrites,
// named objects, the record index, and damaged files (truncations, flipped bytes, and a
// table of hand-made damage with the check each one must trip).
#include "io/Vlrfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "io/FileMode.h"
#include "objects/Check.h"
#include "objects/ErrorLog.h"
#include "platform/FaultInjection.h"
#include "tests/io/IoFixture.h"

namespace {

constexpr int kRead = filemode::kRead;
constexpr int kWrite = filemode::kRead | filemode::kWrite;
constexpr int kCreate = filemode::kRead | filemode::kWrite | filemode::kCreate;

void noTermination() {}

std::vector<vlrFieldDef> defs(std::initializer_list<std::pair<char, const char*>> list) {
  std::vector<vlrFieldDef> out;
  for (auto& [type, name] : list) {
    vlrFieldDef d;
    d.type = type;
    std::strncpy(d.name, name, sizeof d.name);
    out.push_back(d);
  }
  out.push_back(vlrFieldDef());
  return out;
}

std::string le32(int32_t v) {
  std::string s(4, 0);
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
  return s;
}

class VlrfileTest : public IoFixture {
 protected:
  void SetUp() override {
    IoFixture::SetUp();
    errorlog::setFolder(dir_.path());
    check::setTerminateHook(noTermination);
    path_ = dir_.file("INDEX_D.IX");
  }
  void TearDown() override {
    errorlog::setFolder("");
    check::setTerminateHook(nullptr);
    IoFixture::TearDown();
  }

  // The three-field file of the worked example, with `count` records of the form
  // {"rec<k>", "", k}; named object "obj" (3 data bytes) after record `objectAfter`.
  void makeFile(int count, bool withIndex, int objectAfter = -1) {
    vlrFile f;
    auto list = defs({{'t', "Name"}, {'D', "Date"}, {'L', "Size"}});
    ASSERT_EQ(0, f.create(path_.c_str(), list.data(), withIndex));
    for (int k = 0; k < count; ++k) {
      putExample(f, k);
      ASSERT_EQ(0, f.appendRecord());
      if (k == objectAfter) {
        int32_t pos = 0;
        IOFile* out = f.writeObject("obj", 3, &pos);
        ASSERT_NE(nullptr, out);
        ASSERT_EQ(3, out->write("xyz", 3));
        ASSERT_EQ(0, f.endObject());
      }
    }
    ASSERT_EQ(0, f.close());
  }
  static void putExample(vlrFile& f, int k) {
    f.clear();
    f.putString(0, ("rec" + std::to_string(k)).c_str());
    f.putLong(2, k);
  }
  static void expectExample(vlrFile& f, int k) {
    char name[16];
    f.getString(0, name, sizeof name);
    EXPECT_EQ("rec" + std::to_string(k), std::string(name));
    EXPECT_EQ(0, f.getFieldLength(1));
    EXPECT_EQ(k, f.getLong(2));
  }
  std::string errorLog() const { return testsupport::readFile(errorlog::path()); }

  std::string path_;
};

TEST_F(VlrfileTest, WorkedExampleHeaderAndRecordBytes) {
  makeFile(0, false);
  std::string h = testsupport::readFile(path_);
  ASSERT_EQ(1174u, h.size());
  EXPECT_EQ(std::string("\xFFQMX-VLRD\0", 10), h.substr(0, 10));
  EXPECT_EQ(std::string("\x03\x00", 2), h.substr(52, 2));
  EXPECT_EQ(std::string("T\0\0\0Name\0", 9), h.substr(54, 9));  // type upper-cased
  EXPECT_EQ(std::string("L\0\0\0Size\0", 9), h.substr(54 + 64, 9));

  vlrFile f;
  ASSERT_EQ(0, f.open(path_.c_str(), kWrite));
  EXPECT_EQ(1174, f.getFirstRecordPos());
  EXPECT_EQ(2, f.findField("Size"));
  EXPECT_EQ(-1, f.findField("Siz"));
  f.clear();
  f.putString(0, "abc");
  f.putLong(2, 0x04030201);
  EXPECT_EQ(18, f.record().getSize());
  ASSERT_EQ(0, f.appendRecord());
  ASSERT_EQ(0, f.close());
  std::string all = testsupport::readFile(path_);
  ASSERT_EQ(1174u + 27u, all.size());
  EXPECT_EQ(std::string("R\x12\0\0\0"
                        "\x03\0\x07\0\x03\0\0\0\x04\0"
                        "abc\x01\x02\x03\x04"
                        "R\x12\0\0\0",
                        27),
            all.substr(1174));
  EXPECT_EQ(le32(1), all.substr(44, 4));
}

// The file whose dump docs/formats/vlr-file.md shows: one field, one record, one object.
TEST_F(VlrfileTest, TinyFileMatchesTheDocumentedBytes) {
  vlrFile f;
  auto list = defs({{'T', "Name"}});
  ASSERT_EQ(0, f.create(path_.c_str(), list.data()));
  f.setTitle("tiny");
  f.putHeaderData("\x01\x02", 2);
  f.putString(0, "hi");
  ASSERT_EQ(0, f.appendRecord());
  int32_t pos = 0;
  IOFile* out = f.writeObject("n", 4, &pos);
  ASSERT_NE(nullptr, out);
  out->write("ok", 2);
  ASSERT_EQ(0, f.endObject());
  ASSERT_EQ(0, f.close());

  std::string want(10, 0);
  want.replace(0, 10, std::string("\xFFQMX-VLRD\0", 10));
  want += std::string("tiny") + std::string(28, 0);                  // title
  want += std::string(2, 0) + le32(1) + std::string(4, 0) + "\x01";  // reserved, count
  want += std::string(1, 0) + "T" + std::string(3, 0) + "Name" + std::string(24, 0);
  want += std::string("\x01\x02") + std::string(1022, 0);  // user header
  ASSERT_EQ(1110u, want.size());
  want += std::string("R\x09\0\0\0" "\x01\0\x02\0\x02\0" "hi" "R\x09\0\0\0", 18);
  want += std::string("O\x06\0\0\0" "\x01n" "ok\0\0" "O\x06\0\0\0", 16);
  EXPECT_EQ(want, testsupport::readFile(path_));
}

TEST_F(VlrfileTest, WorkspacePutsMoveLaterFieldsAndGetsZeroFill) {
  vlrFile f;
  f.putString(0, "abc");
  f.putString(2, "tail");
  EXPECT_EQ(3, f.record().fieldCount);  // field 1 appended empty
  f.putString(1, "middle");             // grows a field in the middle
  f.putString(0, "A");                  // shrinks the first
  char buf[16];
  EXPECT_EQ(1, f.getString(0, buf, sizeof buf));
  EXPECT_STREQ("A", buf);
  EXPECT_EQ(6, f.getString(1, buf, sizeof buf));
  EXPECT_STREQ("middle", buf);
  EXPECT_EQ(4, f.getString(2, buf, sizeof buf));
  EXPECT_STREQ("tail", buf);
  EXPECT_EQ(11, f.record().dataLen);

  // A zero-length put changes nothing, not even the field count.
  EXPECT_EQ(0, f.putString(1, ""));
  EXPECT_EQ(0, f.putBytes(9, "", 0));
  EXPECT_EQ(3, f.record().fieldCount);
  EXPECT_EQ(6, f.getFieldLength(1));

  // Beyond the field count: length 0 and a zero-filled buffer; a long field is cut.
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(0, f.getBytes(7, buf, sizeof buf));
  EXPECT_EQ(std::string(sizeof buf, 0), std::string(buf, sizeof buf));
  EXPECT_EQ(3, f.getBytes(1, buf, 3));
  EXPECT_EQ(std::string("mid"), std::string(buf, 3));
  f.putShort(3, -2);
  EXPECT_EQ(0xFFFE, f.getLong(3));  // a 2-byte field reads with zero high bytes
  EXPECT_EQ(-2, f.getShort(3));
  EXPECT_EQ(-1, f.putBytes(vlrMaxFields, "x", 1));
  EXPECT_EQ(-1, f.putBytes(-1, "x", 1));
}

TEST_F(VlrfileTest, RecordsRoundTripAtTheLimits) {
  std::string big(vlrMaxRecordLen - 1, 'q');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  {
    vlrFile f;
    ASSERT_EQ(0, f.create(path_.c_str(), nullptr, true));
    f.clear();
    ASSERT_EQ(0, f.appendRecord());  // no fields at all
    for (int i = 0; i < vlrMaxFields; ++i) ASSERT_EQ(0, f.putByte(i, static_cast<uint8_t>(i)));
    ASSERT_EQ(0, f.appendRecord());  // 128 fields
    f.clear();
    ASSERT_EQ(0, f.putBytes(0, big.data(), static_cast<int32_t>(big.size())));
    EXPECT_EQ(-1, f.putByte(1, 1));  // data would reach 8192: refused, record unchanged
    EXPECT_EQ(1, f.record().fieldCount);
    ASSERT_EQ(0, f.appendRecord());  // 8191 data bytes
    ASSERT_EQ(0, f.close());
  }
  for (bool withIndex : {true, false}) {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kRead, withIndex));
    ASSERT_EQ(3, f.getRecordCount());
    ASSERT_EQ(0, f.gotoRecord(2));
    std::string got(big.size(), 0);
    EXPECT_EQ(static_cast<int32_t>(big.size()), f.getBytes(0, got.data(), static_cast<int32_t>(got.size())));
    EXPECT_EQ(big, got);
    ASSERT_EQ(0, f.gotoRecord(0));
    EXPECT_EQ(0, f.record().fieldCount);
    ASSERT_EQ(0, f.gotoRecord(1));
    EXPECT_EQ(vlrMaxFields, f.record().fieldCount);
    EXPECT_EQ(127, f.getByte(127));
    EXPECT_EQ(0, f.close());
  }
}

TEST_F(VlrfileTest, RewriteInPlaceSameLongerAndShorter) {
  makeFile(10, true);
  std::string before = testsupport::readFile(path_);
  {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kWrite, true));
    putExample(f, 5);
    f.putString(0, "REC5");  // same size, other bytes
    ASSERT_EQ(0, f.writeRecord(5));
    ASSERT_EQ(0, f.close());
  }
  std::string after = testsupport::readFile(path_);
  ASSERT_EQ(before.size(), after.size());
  size_t differing = 0;
  for (size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  EXPECT_EQ(3u, differing);  // "rec" -> "REC"

  vlrFile f;
  ASSERT_EQ(0, f.open(path_.c_str(), kWrite, true));
  f.clear();
  f.putString(0, "a longer record than before");
  EXPECT_EQ(-1, f.writeRecord(5));
  EXPECT_NE(std::string::npos, check::lastFailure().find(": ob.size >= record->getSize()"));
  EXPECT_NE(std::string::npos, errorLog().find("ob.size = 19 record->getSize() = 34 recordPtr = "));
  EXPECT_EQ(-1, f.writeRecord(11));  // would leave a gap

  f.clear();
  f.putString(0, "r");  // 4 bytes shorter: the trailing copy follows the new bytes
  ASSERT_EQ(0, f.writeRecord(5));
  ASSERT_EQ(0, f.writeRecord(5));  // and again, from its own shorter bytes
  ASSERT_EQ(0, f.close());
  EXPECT_EQ(before.size(), testsupport::readFile(path_).size());
  for (bool withIndex : {true, false}) {
    vlrFile g;
    ASSERT_EQ(0, g.open(path_.c_str(), kRead, withIndex));
    for (int k = 0; k < 10; ++k) {
      ASSERT_EQ(0, g.gotoRecord(k)) << k;
      if (k == 5) {
        EXPECT_EQ(1, g.getFieldLength(0));
        EXPECT_EQ(1, g.record().fieldCount);
      } else {
        expectExample(g, k);
      }
    }
    EXPECT_EQ(0, g.close());
  }
}

TEST_F(VlrfileTest, FieldsCanOnlyBeDefinedInAnEmptyFile) {
  auto one = defs({{'T', "Extra"}});
  makeFile(1, false);
  {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kWrite));
    EXPECT_EQ(-1, f.defineFields(one.data()));
    EXPECT_EQ(3, f.getFieldCount());
    EXPECT_EQ(0, f.close());
  }
  {
    // No records, but a named object: the header cannot grow over it.
    vlrFile f;
    ASSERT_EQ(0, f.create(path_.c_str(), nullptr));
    int32_t pos;
    ASSERT_NE(nullptr, f.writeObject("o", 0, &pos));
    ASSERT_EQ(0, f.endObject());
    EXPECT_EQ(-1, f.defineFields(one.data()));
    EXPECT_EQ(0, f.close());
  }
  vlrFile f;
  ASSERT_EQ(0, f.create(path_.c_str(), nullptr));
  std::vector<vlrFieldDef> many(vlrMaxFields + 2);
  for (int i = 0; i <= vlrMaxFields; ++i) {
    many[i].type = 'T';
    std::snprintf(many[i].name, sizeof many[i].name, "f%d", i);
  }
  EXPECT_EQ(-1, f.defineFields(many.data()));  // 129 definitions
  EXPECT_NE(std::string::npos, check::lastFailure().find(": i < vlrMaxFields"));
  EXPECT_EQ(0, f.getFieldCount());
  many[vlrMaxFields].type = 0;
  EXPECT_EQ(0, f.defineFields(many.data()));  // exactly 128
  EXPECT_EQ(127, f.findField("f127"));
  EXPECT_EQ(0, f.close());
  EXPECT_EQ(static_cast<size_t>(vlrformat::headerBytes(128)), testsupport::readFile(path_).size());
}

TEST_F(VlrfileTest, NamedObjectsBesideRecords) {
  makeFile(4, false, 1);  // "obj" between records 1 and 2
  vlrFile f;
  ASSERT_EQ(0, f.open(path_.c_str(), kWrite));
  int32_t big = 0;
  IOFile* out = f.writeObject("bigger", 1000, &big);
  ASSERT_NE(nullptr, out);
  ASSERT_EQ(10, out->write("0123456789", 10));
  EXPECT_EQ(-1, f.appendRecord());  // not while an object is being written
  EXPECT_EQ(-1, f.findObject("bigger"));
  ASSERT_EQ(0, f.endObject());  // padded to 1000

  int32_t pos = f.findObject("obj");
  ASSERT_GT(pos, f.getFirstRecordPos());
  std::string name;
  int32_t dataBytes = 0;
  IOFile* in = f.openObject(pos, &name, &dataBytes);
  ASSERT_NE(nullptr, in);
  EXPECT_EQ("obj", name);
  EXPECT_EQ(3, dataBytes);
  char data[4] = {};
  in->read(data, 3);
  EXPECT_STREQ("xyz", data);
  EXPECT_EQ(big, f.findObject("bigger"));
  in = f.openObject(big, &name, &dataBytes);
  ASSERT_NE(nullptr, in);
  EXPECT_EQ(1000, dataBytes);
  std::vector<char> got(1000);
  in->read(got.data(), 1000);
  EXPECT_EQ(std::string("0123456789") + std::string(990, 0), std::string(got.data(), 1000));
  EXPECT_EQ(-1, f.findObject("ob"));
  EXPECT_EQ(nullptr, f.openObject(f.getFirstRecordPos()));  // a record
  EXPECT_EQ(nullptr, f.openObject(big + 100000));           // past the end

  // Counting records skips the objects, forward from the current one and from the start.
  for (int k : {0, 3, 2, 1, 3}) {
    ASSERT_EQ(0, f.gotoRecord(k));
    expectExample(f, k);
  }
  // Writing past the declared size removes the object.
  int32_t length = 0;
  out = f.writeObject("short", 2, &length);
  ASSERT_NE(nullptr, out);
  out->write("toolong", 7);
  EXPECT_EQ(-1, f.endObject());
  EXPECT_EQ(length, out->getLength());
  putExample(f, 4);
  EXPECT_EQ(0, f.appendRecord());
  EXPECT_EQ(0, f.close());
}

TEST_F(VlrfileTest, RecordIndexNamesEntriesAndRepair) {
  EXPECT_EQ("dir/INDEX_DI.IX", vlrRecordIndex::nameFor("dir/INDEX_D.IX"));
  EXPECT_EQ("a.b/fileI", vlrRecordIndex::nameFor("a.b/file"));
  EXPECT_EQ("x.yI.z", vlrRecordIndex::nameFor("x.y.z"));

  makeFile(6, true);
  std::string indexName = dir_.file("INDEX_DI.IX");
  std::string index = testsupport::readFile(indexName);
  ASSERT_EQ(256u + 6 * 4, index.size());
  EXPECT_EQ(std::string("\xFFQMX-VLRI\0", 10), index.substr(0, 10));
  EXPECT_EQ(le32(6), index.substr(10, 4));
  EXPECT_EQ(le32(1174), index.substr(256, 4));

  // Appends made without the index are entered when it is next opened for writing.
  {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kWrite));
    for (int k = 6; k < 9; ++k) {
      putExample(f, k);
      ASSERT_EQ(0, f.appendRecord());
    }
    ASSERT_EQ(0, f.close());
  }
  {
    vlrFile f;  // read-only: the missing entries are found by a scan
    ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
    ASSERT_EQ(0, f.gotoRecord(8));
    expectExample(f, 8);
    EXPECT_EQ(0, f.close());
  }
  {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kWrite, true));
    EXPECT_EQ(0, f.close());
  }
  index = testsupport::readFile(indexName);
  ASSERT_EQ(256u + 9 * 4, index.size());
  EXPECT_EQ(le32(9), index.substr(10, 4));
  vlrFile f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
  for (int k = 8; k >= 0; --k) {
    ASSERT_EQ(0, f.gotoRecord(k));
    expectExample(f, k);
  }
  EXPECT_EQ(0, f.close());

  // Without the index file a reading open fails as a whole.
  std::remove(indexName.c_str());
  EXPECT_EQ(-1, f.open(path_.c_str(), kRead, true));
  EXPECT_FALSE(f.isOpen());
}

// A sort of a results file reorders its record index and leaves the records where they are.
TEST_F(VlrfileTest, ReorderRenumbersRecordsThroughANewIndex) {
  makeFile(5, true);
  const std::string file = testsupport::readFile(path_);
  vlrFile f;
  for (const std::vector<int32_t>& bad : {std::vector<int32_t>{0, 1, 2, 3}, {0, 1, 2, 3, 3}, {0, 1, 2, 3, 5}}) {
    ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
    EXPECT_EQ(-1, f.reorder(bad));
    EXPECT_FALSE(f.isOpen());
  }
  ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
  ASSERT_EQ(0, f.gotoRecord(1));  // still as made
  expectExample(f, 1);
  ASSERT_EQ(0, f.reorder({4, 2, 0, 3, 1}));
  EXPECT_EQ(file, testsupport::readFile(path_));
  ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
  const int was[] = {4, 2, 0, 3, 1};
  for (int k = 0; k < 5; ++k) {
    ASSERT_EQ(0, f.gotoRecord(k));
    expectExample(f, was[k]);
  }
  EXPECT_EQ(0, f.close());
  EXPECT_FALSE(testsupport::exists(dir_.file("INDEX_DI.IX.new")));
}

TEST_F(VlrfileTest, ForeignOrEmptyFilesAreRefusedNotOverwritten) {
  testsupport::writeFile(path_, "just some text that is not a record file at all");
  vlrFile f;
  EXPECT_EQ(-1, f.open(path_.c_str(), kCreate));
  EXPECT_EQ("just some text that is not a record file at all", testsupport::readFile(path_));
  testsupport::writeFile(path_, "");
  EXPECT_EQ(-1, f.open(path_.c_str(), kRead));
  ASSERT_EQ(0, f.open(path_.c_str(), kCreate));  // empty and creatable: a fresh header
  EXPECT_EQ(0, f.close());
  EXPECT_EQ(1078u, testsupport::readFile(path_).size());
}

// Hand-made damage to a three-record file (record 0 at 1174, 18 bytes of payload each);
// each must trip the named check, or fail with -1 where the text is ours.
TEST_F(VlrfileTest, DamageTable) {
  struct Case {
    const char* what;
    std::function<void(std::string&, std::string&)> damage;  // (record file, index)
    bool opens;
    const char* check;  // expected condition text, or null for a plain -1
  };
  const int32_t r0 = 1174;
  auto at = [](std::string& s, size_t pos, const std::string& bytes) { s.replace(pos, bytes.size(), bytes); };
  std::vector<Case> cases = {
      {"trailing size differs", [&](std::string& f, std::string&) { at(f, r0 + 5 + 18 + 1, le32(99)); },
       true, "(ob.type == currObject.type) && (ob.size == currObject.size)"},
      {"field count 200", [&](std::string& f, std::string&) { at(f, r0 + 5, std::string("\xC8\0", 2)); },
       true, "(fieldCount >= 0) && (fieldCount <= vlrMaxFields)"},
      {"negative field count", [&](std::string& f, std::string&) { at(f, r0 + 5, std::string("\xFF\xFF", 2)); },
       true, "(fieldCount >= 0) && (fieldCount <= vlrMaxFields)"},
      {"field lengths disagree", [&](std::string& f, std::string&) { at(f, r0 + 9, std::string("\x05\0", 2)); },
       true, "(recLen == recordLen) && (recordLen <= vlrMaxRecordLen)"},
      {"index entry before the first record", [&](std::string&, std::string& i) { at(i, 256, le32(12)); },
       true, "ptr >= firstRecordPos"},
      {"index entry past the end", [&](std::string&, std::string& i) { at(i, 256, le32(1 << 30)); }, true,
       nullptr},
      {"index entry at an object's middle", [&](std::string&, std::string& i) { at(i, 256, le32(r0 + 3)); },
       true, nullptr},
      {"object size past the end", [&](std::string& f, std::string&) { at(f, r0 + 1, le32(0x7FFFFFF0)); },
       true, nullptr},
      {"object size negative", [&](std::string& f, std::string&) { at(f, r0 + 1, le32(-7)); }, true, nullptr},
      {"header field count 129", [&](std::string& f, std::string&) { at(f, 52, std::string("\x81\0", 2)); },
       false, nullptr},
      {"header record count huge", [&](std::string& f, std::string&) { at(f, 44, le32(1000000)); }, false,
       nullptr},
      {"header record count negative", [&](std::string& f, std::string&) { at(f, 44, le32(-1)); }, false,
       nullptr},
      {"magic", [&](std::string& f, std::string&) { f[3] = 'Y'; }, false, nullptr},
      {"index magic", [&](std::string&, std::string& i) { i[3] = 'Y'; }, false, nullptr},
      {"index cut short", [&](std::string&, std::string& i) { i.resize(100); }, false, nullptr},
  };
  makeFile(3, true);
  const std::string file = testsupport::readFile(path_);
  const std::string index = testsupport::readFile(dir_.file("INDEX_DI.IX"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string f = file, i = index;
    c.damage(f, i);
    testsupport::writeFile(path_, f);
    testsupport::writeFile(dir_.file("INDEX_DI.IX"), i);
    std::remove(errorlog::path().c_str());
    vlrFile v;
    int failures = check::failureCount();
    ASSERT_EQ(c.opens ? 0 : -1, v.open(path_.c_str(), kRead, true));
    if (!c.opens) continue;
    EXPECT_EQ(-1, v.gotoRecord(0));
    EXPECT_EQ(-1, v.getCurrentRecord());
    if (c.check) {
      EXPECT_EQ(failures + 1, check::failureCount());
      std::string expected = "ERROR -- ASSERTION FAILED in io/Vlrfile, line ";
      EXPECT_EQ(0u, check::lastFailure().find(expected));
      EXPECT_EQ(std::string(": ") + c.check,
                check::lastFailure().substr(check::lastFailure().find(": ")));
    }
    EXPECT_EQ(0, v.close());
  }
  // The object read error leaves its details in the error log.
  std::string f = file;
  at(f, r0 + 5 + 18, "X");
  testsupport::writeFile(path_, f);
  testsupport::writeFile(dir_.file("INDEX_DI.IX"), index);
  std::remove(errorlog::path().c_str());
  vlrFile v;
  ASSERT_EQ(0, v.open(path_.c_str(), kRead));
  EXPECT_EQ(-1, v.gotoRecord(0));
  EXPECT_EQ(-1, v.findObject("none"));
  std::string log = errorLog();
  EXPECT_NE(std::string::npos,
            log.find("VLR Object read error\nob.type = \"X\"\ncurrObject.type = \"R\"\nob.size = 19\n"
                     "currObject.size = 19\nrecordPtr = 1174\n\nfile = " + path_ + "\n"));
  EXPECT_EQ(-1, v.gotoRecord(3));
  EXPECT_NE(std::string::npos, check::lastFailure().find(": (num >= 0) && (num < getRecordCount())"));
  EXPECT_EQ(-1, v.gotoRecord(-1));
  EXPECT_EQ(0, v.close());
}

// Every truncation and every flipped byte of a small file: open and walk it, expecting
// success or -1, never a crash or a hang.
TEST_F(VlrfileTest, TruncatedOrFlippedFilesFailCleanly) {
  makeFile(3, false, 0);
  const std::string file = testsupport::readFile(path_);
  auto walk = [&](const std::string& bytes) {
    testsupport::writeFile(path_, bytes);
    vlrFile v;
    if (v.open(path_.c_str(), kRead) < 0) return -1;
    int ok = 0;
    for (int k = 0; k < v.getRecordCount(); ++k) ok += v.gotoRecord(k) == 0;
    int32_t pos = v.findObject("obj");
    if (pos >= 0) ok += v.openObject(pos) != nullptr;
    v.close();
    return ok;
  };
  EXPECT_EQ(4, walk(file));
  for (size_t n = 0; n < file.size(); ++n) {
    int ok = walk(file.substr(0, n));
    if (n < 1174) {
      EXPECT_EQ(-1, ok) << n;
    }
  }
  for (size_t i = 0; i < file.size(); ++i) {
    std::string bytes = file;
    bytes[i] = static_cast<char>(bytes[i] ^ 0xFF);
    walk(bytes);
  }
}

TEST_F(VlrfileTest, FailedWritesAndReadsAreReported) {
  makeFile(300, true);  // larger than one buffer block, so a far record needs a read
  {
    vlrFile f;
    ASSERT_EQ(0, f.open(path_.c_str(), kWrite, true));
    platform::FaultPlan plan;
    plan.failWriteAt = 1;
    platform::setFaultPlan(plan);
    putExample(f, 300);
    f.appendRecord();           // lands in the buffer
    EXPECT_EQ(-1, f.close());   // the flush fails and says so
    platform::clearFaultPlan();
  }
  vlrFile f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead, true));
  platform::FaultPlan plan;
  plan.failReadAt = 1;
  platform::setFaultPlan(plan);
  EXPECT_EQ(-1, f.gotoRecord(299));
  platform::clearFaultPlan();
  ASSERT_EQ(0, f.gotoRecord(299));
  expectExample(f, 299);
  EXPECT_EQ(0, f.close());
}

}  // namespace
