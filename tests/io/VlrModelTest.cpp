// Randomized check of the record file against a model (a list of records and a map of named
// objects): appends, in-place rewrites of the same or a smaller size, record reads with and
// without the record index, named objects, closing and reopening along the way.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "io/FileMode.h"
#include "io/Vlrfile.h"
#include "objects/Check.h"
#include "tests/io/IoFixture.h"

namespace {


using Fields = std::vector<std::string>;

struct ModelRecord {
  Fields fields;
  int32_t slotSize;  // the size the record's object was appended with
};

int32_t sizeOf(const Fields& f) {
  int32_t data = 0;
  for (const std::string& s : f) data += static_cast<int32_t>(s.size());
  return 2 * (static_cast<int32_t>(f.size()) + 2) + data + 1;
}

class VlrModelTest : public IoFixture {
 protected:
  void SetUp() override {
    IoFixture::SetUp();
  }
  void TearDown() override {
    IoFixture::TearDown();
  }

  std::string randomBytes(size_t n) {
    std::string s(n, 0);
    for (char& c : s) c = static_cast<char>(rng_() & 0xFF);
    return s;
  }
  Fields randomFields() {
    Fields f(rng_() % 7);
    for (std::string& s : f) {
      size_t n = rng_() % 4 == 0 ? 0 : rng_() % 40;
      if (rng_() % 200 == 0) n = 500 + rng_() % 3000;
      s = randomBytes(n);
    }
    while (!f.empty() && f.back().empty()) f.pop_back();  // a zero-length put adds nothing
    return f;
  }
  // Same size or smaller: change bytes in place, cut fields, drop trailing fields.
  Fields smallerOrSame(Fields f) {
    for (std::string& s : f) {
      if (s.empty()) continue;
      if (rng_() % 3 == 0) s = randomBytes(s.size());
      if (rng_() % 4 == 0) s.resize(1 + rng_() % s.size());
    }
    if (!f.empty() && rng_() % 5 == 0) f.resize(rng_() % f.size());
    while (!f.empty() && f.back().empty()) f.pop_back();
    return f;
  }
  void load(vlrFile& v, const Fields& f) {
    v.clear();
    for (size_t i = 0; i < f.size(); ++i)
      ASSERT_EQ(0, v.putBytes(static_cast<int32_t>(i), f[i].data(), static_cast<int32_t>(f[i].size())));
  }
  void expectRecord(vlrFile& v, int32_t k) {
    ASSERT_EQ(0, v.gotoRecord(k)) << "record " << k << " seed " << seed_;
    const Fields& want = records_[k].fields;
    ASSERT_EQ(static_cast<int32_t>(want.size()), v.record().fieldCount) << "record " << k;
    for (size_t i = 0; i < want.size(); ++i) {
      int32_t n = v.getBytes(static_cast<int32_t>(i), got_.data(), vlrMaxRecordLen);
      ASSERT_EQ(want[i], std::string(got_.data(), n)) << "record " << k << " field " << i;
    }
  }

  // A record number; without the index mostly near the current one, since every other
  // record is reached by a scan.
  int32_t pickRecord(const vlrFile& v, bool withIndex) {
    int32_t count = static_cast<int32_t>(records_.size());
    int32_t cur = v.getCurrentRecord();
    if (!withIndex && cur >= 0 && rng_() % 32 != 0)
      return std::min(count - 1, cur + static_cast<int32_t>(rng_() % 4));
    return static_cast<int32_t>(rng_() % count);
  }

  std::mt19937 rng_;
  std::vector<char> got_ = std::vector<char>(vlrMaxRecordLen);
  uint32_t seed_ = 0;
  std::vector<ModelRecord> records_;
  std::map<std::string, std::string> objects_;  // the first object of each name
};

TEST_F(VlrModelTest, FileMatchesModelOverManyOperations) {
  seed_ = std::random_device()();
  rng_.seed(seed_);
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const std::string path = dir_.file("MODEL.IX");
  const int kOperations = 200000;
  const size_t kMaxRecords = 1000;
  int failuresBefore = check::failureCount();
  int expectedFailures = 0;

  vlrFile v;
  ASSERT_EQ(0, v.create(path.c_str(), nullptr, true));
  bool withIndex = true;
  for (int op = 0; op < kOperations; ++op) {
    unsigned pick = rng_() % 1000;
    int32_t count = static_cast<int32_t>(records_.size());
    if (pick < 2) {  // close and reopen, with or without the index
      ASSERT_EQ(0, v.close());
      withIndex = rng_() % 2 == 0;
      ASSERT_EQ(0, v.open(path.c_str(), filemode::kRead | filemode::kWrite, withIndex));
      ASSERT_EQ(count, v.getRecordCount());
    } else if (pick < 250) {  // append, or rewrite once the file is big enough
      Fields f = randomFields();
      if (records_.size() < kMaxRecords) {
        load(v, f);
        ASSERT_EQ(0, v.appendRecord());
        records_.push_back({f, sizeOf(f)});
      } else {
        int32_t k = pickRecord(v, withIndex);
        f = smallerOrSame(records_[k].fields);
        load(v, f);
        ASSERT_EQ(0, v.writeRecord(k));
        records_[k].fields = f;
      }
    } else if (pick < 450 && count > 0) {  // rewrite in place, same size or smaller
      int32_t k = pickRecord(v, withIndex);
      Fields f = smallerOrSame(records_[k].fields);
      if (rng_() % 100 == 0) f.push_back(std::string(records_[k].slotSize, 'x'));  // too long
      load(v, f);
      if (sizeOf(f) > records_[k].slotSize) {
        ASSERT_EQ(-1, v.writeRecord(k));
        ++expectedFailures;
      } else {
        ASSERT_EQ(0, v.writeRecord(k));
        records_[k].fields = f;
      }
    } else if (pick < 900 && count > 0) {  // read; without the index mostly nearby
      expectRecord(v, pickRecord(v, withIndex));
    } else if (pick < 950) {  // write a named object, possibly shorter than declared
      std::string name = "obj" + std::to_string(rng_() % 60);
      std::string data = randomBytes(rng_() % 300);
      int32_t declared = static_cast<int32_t>(data.size() + rng_() % 20);
      int32_t pos = 0;
      IOFile* out = v.writeObject(name.c_str(), declared, &pos);
      ASSERT_NE(nullptr, out);
      ASSERT_EQ(static_cast<int32_t>(data.size()), out->write(data.data(), static_cast<int32_t>(data.size())));
      ASSERT_EQ(0, v.endObject());
      data.resize(declared, '\0');
      objects_.emplace(name, data);
    } else {  // find a named object and read it back
      std::string name = "obj" + std::to_string(rng_() % 60);
      int32_t pos = v.findObject(name.c_str());
      auto it = objects_.find(name);
      if (it == objects_.end()) {
        ASSERT_EQ(-1, pos);
        continue;
      }
      ASSERT_GE(pos, 0) << name;
      std::string got;
      int32_t dataBytes = 0;
      IOFile* in = v.openObject(pos, &got, &dataBytes);
      ASSERT_NE(nullptr, in);
      ASSERT_EQ(name, got);
      ASSERT_EQ(static_cast<int32_t>(it->second.size()), dataBytes);
      std::string data(dataBytes, 0);
      in->read(data.data(), dataBytes);
      ASSERT_EQ(it->second, data);
    }
  }
  ASSERT_EQ(0, v.close());
  ASSERT_EQ(0, v.open(path.c_str(), filemode::kRead, true));
  for (int32_t k = 0; k < static_cast<int32_t>(records_.size()); ++k) expectRecord(v, k);
  ASSERT_EQ(0, v.close());
  EXPECT_EQ(failuresBefore + expectedFailures, check::failureCount());
}

}  // namespace
