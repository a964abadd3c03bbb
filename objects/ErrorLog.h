// The error log "ERROR.LOG": every line that begins with "ERROR" and every failed consistency
// check is appended to it, open-append-close, so it survives a crash. Depends on platform/.
#pragma once

#include <string>

namespace errorlog {

// The folder that receives ERROR.LOG (the engine's private folder). Until one is set,
// nothing is written.
void setFolder(const std::string& folder);
const std::string& path();

// Appends the line and a line feed; 0 or -1.
int append(const std::string& line);

}  // namespace errorlog
