// The engine's side of document import: filling the importer registry when the engine
// starts (built-in formats, the file type table, external viewers), emptying it at shutdown,
// and writing a document's text to a file for lxrsDoGetFileText.
// Depends on api/LexaurumInstance and import/.
#pragma once

#include <string>

class LexaurumInstance;

namespace importstartup {

// Registers the built-in formats and the external viewers of `<home>/viewers`, applies the
// file type table FILETYPE.DAT of the private folder (when there is one) and gives the
// registry the importers' settings from the engine's options. 0 (a missing or damaged file type table
// or viewer library is traced and passed over).
int start(LexaurumInstance& engine);
// Empties the registry and unloads the external viewers.
void stop(LexaurumInstance& engine);

// Writes the text of `documentName` to `outputName`, line by line, each line followed by a
// line feed; the members of a container (an archive, a mailbox, a compressed file, a message's
// attachments) follow its own text, each after a line "[MEMBER]". An output file that is the document itself is refused; an existing output file that is a document or a program is refused (message 43).
// When the document cannot be opened, "Unable to open file" is written instead; when its
// text could not be extracted, "Unable to read file: " and the reason. The text is UTF-8 with
// `utf8`, else in the engine alphabet's code page. 0, or -1 when the output cannot be created
// or written, is refused, or the document cannot be opened or read.
int writeFileText(LexaurumInstance& engine, const std::string& documentName,
                  const std::string& outputName, bool utf8 = false);

}  // namespace importstartup
