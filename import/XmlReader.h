// XmlReader: a forward-only reader of one XML document held in memory, for the parts of the
// document packages (Office Open XML, OpenDocument, EPUB). It wraps libxml2's streaming
// reader with everything that could reach outside the bytes switched off: no network, no
// DTD loading, no entity substitution (references to entities are reported as nothing), no
// "huge" mode, so libxml2's own bounds on names, text nodes and entity amplification hold.
// On top of those it bounds the nesting depth and the document size, and libxml2 never
// prints: its messages are kept, the last one is error(). Depends on libxml2.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct XmlLimits {
  int32_t maxDepth = 256;                   // elements open at once
  int64_t maxBytes = int64_t{64} << 20;     // the whole document
};

// Threads: one user at a time; readers on different threads are independent.
class XmlReader {
 public:
  enum class Node : uint8_t { kStart, kEnd, kText };

  // Reads `xml` (which must outlive the reader).
  explicit XmlReader(std::string_view xml, const XmlLimits& limits = {});
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // Moves to the next element start, element end or piece of text (white space included;
  // an empty element gives a start and an end). 1 when there is one, 0 at the end of the
  // document, -1 when the document is malformed or passes a limit (error() says which);
  // after 0 or -1 every call returns the same.
  int next();

  Node node() const { return node_; }
  // The element's name without its prefix (start and end nodes).
  std::string_view localName() const;
  // The element's namespace name, empty when it has none (start and end nodes).
  std::string_view namespaceUri() const;
  // The text of a text node.
  std::string_view text() const;
  // The value of the start element's attribute of that local name (any namespace), empty
  // when absent. `found` says whether it was present.
  std::string attribute(std::string_view localName, bool* found = nullptr) const;
  // The same among the attributes whose namespace name contains `namespacePart`.
  std::string attributeIn(std::string_view namespacePart, std::string_view localName) const;
  // Elements open around the current node (the root element is at 0).
  int32_t depth() const { return depth_; }
  const std::string& error() const { return error_; }

 private:
  std::string find(std::string_view localName, std::string_view namespacePart, bool* found) const;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Node node_ = Node::kText;
  int32_t depth_ = 0;
  int state_ = 1;  // 1 reading, 0 ended, -1 failed
  bool pendingEnd_ = false;
  std::string error_;
  XmlLimits limits_;
};
