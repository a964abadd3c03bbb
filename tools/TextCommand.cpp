// lxr text [--type] FILE: the document's text in UTF-8 via lxrsDoGetFileTextUtf8 into a
// temporary file; or, with --type, the format name and type code via lxrsGetFileType.
#include "tools/TextCommand.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "lexaurum/lexaurum.h"
#include "tools/ExitCodes.h"
#include "tools/ToolSupport.h"

namespace textcommand {

namespace {

std::string toUtf8(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // The five codes without a character in Windows-1252: show a blank.
      out += ' ';
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

int printType(const std::string& file) {
  char name[64] = {};
  int16_t code = 0, result = 0;
  if (lxrsGetFileType(file.c_str(), name, sizeof name, &code, &result) < 0) {
    std::fprintf(stderr, "lxr: %s: no format can read it, or it cannot be opened\n", file.c_str());
    return exitcodes::kIoError;
  }
  std::printf("%s\t%d\n", toUtf8(name).c_str(), code);
  return 0;
}

int printText(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec) return exitcodes::kIoError;
  fs::path out;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = dir / ("lxr-text-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
    if (fs::create_directory(candidate, ec) && !ec) {
      out = candidate;
      break;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "lxr: cannot make a temporary folder\n");
    return exitcodes::kIoError;
  }
  fs::path textFile = out / "TEXT.TMP";
  int16_t result = 0;
  lxrsDoGetFileTextUtf8(file.c_str(), textFile.c_str(), &result);
  // The text (UTF-8) goes out in pieces, so a document of any length costs the same memory.
  std::ifstream in(textFile, std::ios::binary);
  if (result < 0) {
    std::string text(std::istreambuf_iterator<char>(in), {});
    in.close();
    fs::remove_all(out, ec);
    std::fprintf(stderr, "lxr: %s: %s", file.c_str(), text.empty() ? "cannot be read\n" : text.c_str());
    return exitcodes::kIoError;
  }
  std::string piece(64 * 1024, '\0');
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    std::fwrite(piece.data(), 1, static_cast<size_t>(in.gcount()), stdout);
  }
  in.close();
  fs::remove_all(out, ec);
  return 0;
}

}  // namespace

int run(const std::vector<std::string>& args) {
  std::string file = args.size() == 1 ? args[0] : args.size() == 2 && args[0] == "--type" ? args[1] : "";
  if (file.empty()) return kBadArguments;
  // A member of an archive is named through it ("box.zip/note.txt"): only a name whose
  // folder exists but which is missing itself is surely not there.
  std::error_code ec;
  namespace fs = std::filesystem;
  if (!fs::exists(file, ec) && fs::is_directory(fs::path(file).parent_path().empty() ? "." : fs::path(file).parent_path(), ec))
    return toolsupport::checkExists(file, false);
  return args.size() == 1 ? printText(file) : printType(file);
}

}  // namespace textcommand
