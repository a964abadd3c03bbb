// The numbered user messages. Their texts are read from the message file (well-known kind
// 39, LEXAURUM.MSG) at initialisation; the layout of that file is described in
// docs/formats/message-file.md. A number without a text reads "Message text not found".
#pragma once

#include <initializer_list>
#include <map>
#include <string>

class MessageTable {
 public:
  // Reads the message file; replaces the texts held. 0, or -1 when the file cannot be read
  // or is not a message file (its first line is wrong); `error` then says why.
  int load(const std::string& path, std::string* error);
  // Reads the same layout from memory (used by load and by the fuzz target).
  int parse(const char* data, size_t size, std::string* error);

  // The text of message `number`, or "Message text not found".
  const std::string& text(int number) const;
  bool has(int number) const { return texts_.count(number) != 0; }
  size_t size() const { return texts_.size(); }

  // The text with "%s" and "%d" replaced by the arguments in order (a missing argument
  // becomes empty) and "%%" by "%". No other conversion is interpreted.
  std::string format(int number, std::initializer_list<std::string> args) const;

 private:
  std::map<int, std::string> texts_;
};

namespace messages {

// The table the engine loaded (null before initialisation or after shutdown).
void setTable(const MessageTable* table);
const MessageTable* table();

// The formatted text of a message, from the loaded table. The table is the engine's, loaded
// once at initialisation and only read afterwards; its texts are the same for every job.
std::string text(int number, std::initializer_list<std::string> args = {});

// A message text that begins with "$" carries an 8-character tag that displays skip: the
// text to show.
const char* displayText(const char* text);

}  // namespace messages
