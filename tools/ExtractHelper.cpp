// lxr-extract: the extraction helper process. The engine starts it with "--serve" and sends it
// one document after another; it parses each with the extractor the engine names and sends back
// the text. It runs apart from the engine so that a parser that crashes, hangs or eats memory on
// a hostile file ends only this process, within the limits the engine sets.
#include <cstdio>
#include <cstring>

#include "import/ExtractionServer.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--serve") == 0) return extractionserver::serve();
  std::fprintf(stderr,
               "lxr-extract: the document extraction helper of lxr and lexaurum.\n"
               "It is started by them (lxr-extract --serve) and reads its requests from standard input.\n");
  return 2;
}
