// The safe libxml2 reader: options, silenced messages and limits.
#include "import/XmlReader.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace {

// No external entity, DTD or schema is ever fetched, from the network or from files.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(refuseExternal);
  });
}

// libxml2's generic and structured error handlers are per thread: this thread's are made
// silent before each document.
void ignoreGeneric(void*, const char*, ...) {}
void ignoreStructured(void*, xmlErrorPtr) {}

std::string_view view(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

}  // namespace

struct XmlReader::Impl {
  xmlTextReaderPtr reader = nullptr;
  std::string lastMessage;
  ~Impl() {
    if (reader) xmlFreeTextReader(reader);
  }
};

namespace {

void keepMessage(void* arg, xmlErrorPtr error) {
  if (!arg || !error || !error->message) return;
  auto* message = static_cast<std::string*>(arg);
  message->assign(error->message, strnlen(error->message, 200));
  while (!message->empty() && (message->back() == '\n' || message->back() == ' ')) message->pop_back();
}

}  // namespace

XmlReader::XmlReader(std::string_view xml, const XmlLimits& limits) : impl_(std::make_unique<Impl>()), limits_(limits) {
  initOnce();
  xmlSetGenericErrorFunc(nullptr, ignoreGeneric);
  xmlSetStructuredErrorFunc(nullptr, ignoreStructured);
  if (static_cast<int64_t>(xml.size()) > limits_.maxBytes || xml.size() > INT_MAX) {
    state_ = -1;
    error_ = "the XML document is too large";
    return;
  }
  // Never XML_PARSE_NOENT, XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR, XML_PARSE_XINCLUDE nor
  // XML_PARSE_HUGE.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA |
                      XML_PARSE_NOXINCNODE | XML_PARSE_COMPACT;
  impl_->reader = xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, options);
  if (!impl_->reader) {
    state_ = -1;
    error_ = "the XML document could not be opened";
    return;
  }
  xmlTextReaderSetStructuredErrorHandler(impl_->reader, keepMessage, &impl_->lastMessage);
}

XmlReader::~XmlReader() = default;

int XmlReader::next() {
  if (state_ != 1) return state_;
  if (pendingEnd_) {  // the end of an empty element
    pendingEnd_ = false;
    node_ = Node::kEnd;
    return 1;
  }
  for (;;) {
    int r = xmlTextReaderRead(impl_->reader);
    if (r == 0) {
      state_ = 0;
      return 0;
    }
    if (r < 0) {
      state_ = -1;
      error_ = impl_->lastMessage.empty() ? "malformed XML" : "malformed XML: " + impl_->lastMessage;
      return -1;
    }
    depth_ = xmlTextReaderDepth(impl_->reader);
    if (depth_ > limits_.maxDepth) {
      state_ = -1;
      error_ = "the XML elements are nested too deeply";
      return -1;
    }
    switch (xmlTextReaderNodeType(impl_->reader)) {
      case XML_READER_TYPE_ELEMENT:
        node_ = Node::kStart;
        pendingEnd_ = xmlTextReaderIsEmptyElement(impl_->reader) == 1;
        return 1;
      case XML_READER_TYPE_END_ELEMENT:
        node_ = Node::kEnd;
        return 1;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_WHITESPACE:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        node_ = Node::kText;
        return 1;
      default:
        break;  // comments, processing instructions, entity references, the document type
    }
  }
}

std::string_view XmlReader::localName() const {
  return state_ == 1 ? view(xmlTextReaderConstLocalName(impl_->reader)) : std::string_view();
}

std::string_view XmlReader::namespaceUri() const {
  return state_ == 1 ? view(xmlTextReaderConstNamespaceUri(impl_->reader)) : std::string_view();
}

std::string_view XmlReader::text() const {
  return state_ == 1 && node_ == Node::kText ? view(xmlTextReaderConstValue(impl_->reader)) : std::string_view();
}

std::string XmlReader::attribute(std::string_view localName, bool* found) const {
  return find(localName, {}, found);
}

std::string XmlReader::attributeIn(std::string_view namespacePart, std::string_view localName) const {
  return find(localName, namespacePart, nullptr);
}

std::string XmlReader::find(std::string_view localName, std::string_view namespacePart, bool* found) const {
  if (found) *found = false;
  std::string value;
  if (state_ != 1 || node_ != Node::kStart || xmlTextReaderHasAttributes(impl_->reader) != 1) return value;
  if (xmlTextReaderMoveToFirstAttribute(impl_->reader) != 1) return value;
  do {
    if (view(xmlTextReaderConstLocalName(impl_->reader)) == localName &&
        view(xmlTextReaderConstNamespaceUri(impl_->reader)) != "http://www.w3.org/2000/xmlns/" &&
        view(xmlTextReaderConstNamespaceUri(impl_->reader)).find(namespacePart) != std::string_view::npos) {
      value = view(xmlTextReaderConstValue(impl_->reader));
      if (found) *found = true;
      break;
    }
  } while (xmlTextReaderMoveToNextAttribute(impl_->reader) == 1);
  xmlTextReaderMoveToElement(impl_->reader);
  return value;
}
