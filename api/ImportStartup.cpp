// Start-up and shutdown of document import, the text of a document into a file, and the
// entry operation lxrsGetFileType.
#include "api/ImportStartup.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "api/DllInterface.h"
#include "api/ErrorReporter.h"
#include "api/FileTypeTable.h"
#include "api/LexaurumInstance.h"
#include "api/Validation.h"
#include "import/BuiltinViewers.h"
#include "import/ExternalViewers.h"
#include "import/Alphabet.h"
#include "import/ImportFile.h"
#include "io/File.h"
#include "io/FileMode.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

namespace importstartup {

namespace {

// The column width lines of text are laid out in.
constexpr int kTextLineWidth = 80;
constexpr const char* kOpenFailedText = "Unable to open file";
constexpr const char* kReadFailedText = "Unable to read file: ";

int writeAll(File& out, const std::string& text) {
  if (text.empty()) return 0;
  return out.write(text.data(), static_cast<int32_t>(text.size())) < 0 ? -1 : 0;
}

// Writes the lines of one document, opened through `doc`; a container's members follow its own
// text, each after a line naming it, as deep as containers are opened. The members are opened
// through one reader, which keeps their container open between them. 0 or -1 (open, read or
// write failed).
int writeDocumentText(ImportFile& doc, const ViewerTable& viewers, const Alphabet& alphabet, const std::string& name,
                      int depth, File& out) {
  if (doc.open(name) < 0) {
    trace::line("lxrsDoGetFileText: %s: %s", name.c_str(), doc.errorText().c_str());
    writeAll(out, std::string(kOpenFailedText) + "\n");
    return -1;
  }
  if (doc.fileInfo().encrypted || !doc.fileInfo().failure.empty()) {
    const std::string why = doc.fileInfo().encrypted ? "it is encrypted" : doc.fileInfo().failure;
    writeAll(out, std::string(kReadFailedText) + why + "\n");
    return -1;
  }
  int rc = 0;
  ScreenLine line;
  int got;
  while ((got = doc.nextLine(&line, kTextLineWidth)) > 0) {
    if (writeAll(out, ImportFile::lineText(line) + "\n") < 0) return -1;
  }
  if (got < 0) rc = -1;
  ContainerViewer* container = doc.container();
  if (!container || depth >= ImportFile::kMaxContainerDepth) return rc;
  std::vector<ContainerMember> members;
  ContainerMember m;
  for (int more = container->first(&m); more == 0; more = container->next(&m))
    if (!(m.flags & (ContainerMember::kNotDocument | ContainerMember::kEncrypted | ContainerMember::kSymbolicLink |
                     ContainerMember::kUnsafeName)))
      members.push_back(m);
  doc.close();
  ImportFile reader(viewers, &alphabet);
  for (const ContainerMember& member : members) {
    if (writeAll(out, "[" + member.name + "]\n") < 0) return -1;
    // A member that cannot be read says so in its place; the others are still written.
    writeDocumentText(reader, viewers, alphabet, name + "/" + member.name, depth + 1, out);
  }
  return rc;
}

}  // namespace

int start(LexaurumInstance& engine) {
  ViewerTable& table = engine.viewers();
  table.clear();
  engine.loadWordPerfectMap();
  engine.applyOptions();
  builtinviewers::registerAll(table);
  externalviewers::loadAll(table, engine.homeDir());
  std::string typeFile = engine.privateFile(wellknown::name(wellknown::kFileTypes));
  if (platform::fileExists(typeFile.c_str())) {
    FileTypeTable types;
    if (types.read(typeFile) < 0)
      trace::line("File type table %s is damaged -- not applied", typeFile.c_str());
    else
      types.apply(table);
  }
  return 0;
}

void stop(LexaurumInstance& engine) {
  engine.viewers().clear();
  externalviewers::unloadAll();
}

int writeFileText(LexaurumInstance& engine, const std::string& documentName,
                  const std::string& outputName, bool utf8) {
  // Writing a document's text over the document itself would empty it before it is read.
  std::error_code ec;
  if (std::filesystem::equivalent(documentName, outputName, ec) && !ec) {
    trace::line("lxrsDoGetFileText: %s is the document itself -- not overwritten", outputName.c_str());
    return -1;
  }
  if (!outputfile::mayWrite(outputName, &engine.reporter(), engine.viewers())) return -1;
  File out;
  if (out.open(outputName.c_str(), filemode::kWrite | filemode::kCreate | filemode::kTruncate) < 0) {
    trace::line("lxrsDoGetFileText: cannot create %s", outputName.c_str());
    return -1;
  }
  const Alphabet unicode = utf8 ? engine.alphabet().asUnicode() : Alphabet();
  const Alphabet& alphabet = utf8 ? unicode : engine.alphabet();
  ImportFile doc(engine.viewers(), &alphabet);
  int rc = writeDocumentText(doc, engine.viewers(), alphabet, documentName, 1, out);
  if (out.release() < 0) rc = -1;
  return rc;
}

}  // namespace importstartup

extern "C" LXR_API int16_t lxrsGetFileType(const char* fileName, char* typeName,
                                           int32_t typeNameBytes, int16_t* typeCode,
                                           int16_t* result) {
  if (!platform::isWritable(result, sizeof *result)) {
    trace::text("Parameter Validation Error: Bad short& Reference");
    return -1;
  }
  trace::line("lxrsGetFileType...");
  *result = -1;
  if (validation::text(fileName, LXR_PATH_CHARS - 1, "fileName") < 0) return *result;
  if (typeNameBytes < 1 || !platform::isWritable(typeName, static_cast<size_t>(typeNameBytes)) ||
      !platform::isWritable(typeCode, sizeof *typeCode)) {
    apierror::report("lxrsGetFileType:", "bad typeName or typeCode");
    return *result;
  }
  DllInterface* dll = DllInterface::current();
  if (!dll || !dll->instance()) {
    apierror::report("DLL Not Initialized");
    return *result;
  }
  ImportFile doc(dll->instance()->viewers());
  if (doc.open(fileName) < 0) {
    trace::line("lxrsGetFileType: %s: %s", fileName, doc.errorText().c_str());
    return *result;
  }
  std::snprintf(typeName, static_cast<size_t>(typeNameBytes), "%s", doc.format()->info.name);
  *typeCode = doc.fileInfo().type;
  *result = 0;
  trace::line("lxrsGetFileType Done");
  return *result;
}
