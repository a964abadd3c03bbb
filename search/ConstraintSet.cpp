// ConstraintSet: reading an XFILTER clause's words into conditions, and testing a file.
#include "search/ConstraintSet.h"

#include "search/ConstraintValue.h"
#include "search/PatternConstraint.h"
#include "search/RangeConstraint.h"

namespace {

enum class Condition { kNone, kPath, kName, kExclude, kDate, kCreated, kSize };

Condition conditionOf(const std::string& word) {
  if (word.size() < 4) return Condition::kNone;
  std::string head = word.substr(0, 4);
  for (char& c : head)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (head == "path") return Condition::kPath;
  if (head == "name") return Condition::kName;
  if (head == "excl") return Condition::kExclude;
  if (head == "date") return Condition::kDate;
  if (head == "crea") return Condition::kCreated;
  if (head == "size") return Condition::kSize;
  return Condition::kNone;
}

std::string unquoted(const std::string& word) {
  size_t b = !word.empty() && word.front() == '"' ? 1 : 0;
  size_t e = word.size();
  if (e > b && word.back() == '"') --e;
  return word.substr(b, e - b);
}

}  // namespace

int ConstraintSet::build(const std::vector<std::string>& words) {
  int bad = 0;
  for (size_t i = 0; i < words.size(); i += 2) {
    // A word that names no condition (a misspelt "nmae") or a name without a value would
    // otherwise leave the clause without the condition the user meant, and let every file
    // pass: it is not understood.
    if (i + 1 >= words.size() || conditionOf(words[i]) == Condition::kNone) {
      rejected_.push_back(i + 1 < words.size() ? words[i] + " \"" + unquoted(words[i + 1]) + "\"" : words[i]);
      ++bad;
      continue;
    }
    if (add(words[i], unquoted(words[i + 1])) < 0) ++bad;
  }
  return bad;
}

int ConstraintSet::add(const std::string& name, const std::string& value) {
  Condition kind = conditionOf(name);
  if (kind == Condition::kNone) return 0;
  std::unique_ptr<FileConstraint> c;
  bool exclude = false;
  if (kind == Condition::kPath) {
    auto p = std::make_unique<PathConstraint>(value);
    if (!p->empty()) c = std::move(p);
  } else if (kind == Condition::kName || kind == Condition::kExclude) {
    exclude = kind == Condition::kExclude;
    auto p = std::make_unique<NameConstraint>(value);
    if (!p->empty()) c = std::move(p);
  } else {
    std::string range;
    exclude = constraintvalue::splitExclusion(value, &range);
    if (kind == Condition::kSize) {
      int64_t low = 0, high = 0;
      if (constraintvalue::parseSizeRange(range, &low, &high) == 0)
        c = std::make_unique<SizeConstraint>(low, high, range);
    } else {
      dosdate::DosDateTime low = 0, high = 0;
      if (constraintvalue::parseDateRange(range, &low, &high) == 0) {
        if (kind == Condition::kDate) c = std::make_unique<ModDateConstraint>(low, high, range);
        else c = std::make_unique<CreateDateConstraint>(low, high, range);
      }
    }
  }
  if (!c) {
    rejected_.push_back(name + " " + value);
    return -1;
  }
  (exclude ? exclusions_ : inclusions_).push_back(std::move(c));
  return 1;
}

bool ConstraintSet::matches(const FileFacts& file) const {
  for (const auto& c : inclusions_)
    if (!c->matches(file)) return false;
  for (const auto& c : exclusions_)
    if (c->matches(file)) return false;
  return true;
}

std::string ConstraintSet::describe() const {
  std::string out;
  for (const auto& c : inclusions_) out += "include " + c->describe() + "\n";
  for (const auto& c : exclusions_) out += "exclude " + c->describe() + "\n";
  return out;
}
