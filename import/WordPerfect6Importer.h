// The WordPerfect 6.x importer: the document text of a WordPerfect 6 (and later) file as text
// blocks, laid out as the 5.x importer lays out its text. The text of footnotes, endnotes,
// comments, headers, footers and watermarks lives in text packets of the file's index
// area; the first function that names such a packet brings its text inline between brackets.
// Variable-length functions are checked against their trailing copy and end the text at
// the first damaged one. Depends on import/Viewer and import/WordPerfectText.
#pragma once

#include <cstdint>

#include "import/ImportSettings.h"
#include "import/WPCharMap.h"
#include "import/WholeTextViewer.h"
#include "import/WordPerfectOptions.h"
#include "lexaurum/lxrviewer.h"

class ImportWordPerfect6 : public WholeTextViewer {
 public:
  // Where the prefix keeps the position of the index area.
  static constexpr int kIndexPosPos = 14;
  // One index entry: flags, packet type, use count (16), hidden count (16), data size
  // (32), data position (32). The first entry of the area is its header, whose bytes 2..3
  // count the entries.
  static constexpr int kIndexEntryBytes = 14;
  static constexpr uint8_t kTextPacketType = 0x08;
  static constexpr int kMaxIndexEntries = 4096;
  static constexpr int kMaxNoteDepth = 4;
  static constexpr int32_t kMaxTextBytes = 64 << 20;

  // Converts the whole of `source` now (it need not outlive the importer), reading
  // extended characters through `map`, and hands the text out in blocks of `blockBytes`.
  ImportWordPerfect6(ByteSource& source, int32_t blockBytes, const WPCharMap& map,
                     const wordperfect::Options& options);

  // As ImportWordPerfect::damageCode (623, 627 or 647; 0 for none) and its file position.
  int damageCode() const { return damageCode_; }
  int32_t damagePos() const { return damagePos_; }

 private:
  int damageCode_ = 0;
  int32_t damagePos_ = 0;
};

// The registry's maker of WordPerfect 6.x viewers, as makeWordPerfectImport.
Viewer* makeWordPerfect6Import(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
