// Random requests drawn from the query grammar: the printed tree, parsed again, gives the
// same tree (requests whose printed form is itself a request: no NOTWITHIN, XFILTER or NLQ).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/SearchTree.h"

namespace {

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  std::string request(int depth = 0) {
    int choice = pick(depth > 4 ? 3 : 9);
    switch (choice) {
      case 0: return word();
      case 1: return word() + " " + word();
      case 2: return "\"" + word() + " " + word() + "\"";
      case 3: return "(" + request(depth + 1) + ")";
      case 4: return "not " + request(depth + 1);
      default: {
        static const char* kConnectors[] = {"and", "or", "AND", "to", "contains", "Or"};
        std::string c = pick(3) == 0 ? "w/" + std::to_string(pick(20)) : kConnectors[pick(6)];
        return request(depth + 1) + " " + c + " " + request(depth + 1);
      }
    }
  }

 private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  std::string word() {
    static const char* kWords[] = {"apple", "pie", "tart", "x", "a*", "ap?le", "ap%%ple",
                                   "#robert", "runs~", "car&", "and-so", "42"};
    return kWords[pick(12)];
  }
  std::mt19937 rng_;
};

bool sameTree(const SearchNode* a, const SearchNode* b) {
  std::vector<std::pair<const SearchNode*, const SearchNode*>> stack{{a, b}};
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    if (!x || !y) {
      if (x != y) return false;
      continue;
    }
    if (x->kind != y->kind || x->text != y->text || x->n != y->n ||
        x->wordCount != y->wordCount || x->quoted != y->quoted)
      return false;
    stack.push_back({x->left, y->left});
    stack.push_back({x->right, y->right});
  }
  return true;
}

bool holdsNotWithin(SearchNode* root) {
  std::vector<SearchNode*> stack{root};
  while (!stack.empty()) {
    SearchNode* n = stack.back();
    stack.pop_back();
    if (n->kind == nodekind::kNotWithin) return true;
    if (n->left) stack.push_back(n->left);
    if (n->right) stack.push_back(n->right);
  }
  return false;
}

}  // namespace

TEST(RequestRoundTripTest, PrintedTreeParsesToTheSameTree) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  Generator gen(seed);
  RequestSettings s;
  s.showMessages = false;
  int compared = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string request = gen.request();
    SearchTree first, second;
    if (first.parse(request, "", s) < 0 || holdsNotWithin(first.root())) continue;
    std::string printed = first.print();
    ASSERT_EQ(0, second.parse(printed, "", s)) << request << " -> " << printed;
    ASSERT_TRUE(sameTree(first.root(), second.root())) << request << " -> " << printed
                                                       << " -> " << second.print();
    ++compared;
  }
  EXPECT_GT(compared, 250);
}
