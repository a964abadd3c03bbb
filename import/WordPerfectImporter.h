// The WordPerfect 5.x importer: the document text of a WordPerfect 5 file as text blocks.
// Characters, line and page ends, tabs, indents and margins as blanks and indent codes,
// bold, italic and underline as attribute codes, extended characters through the character
// map (import/WPCharMap.h), and the text of footnotes, endnotes and comments inline between
// brackets. Variable-length functions are checked as they are met; the first damaged one
// ends the text with the damage code. Depends on import/Viewer and import/WordPerfectText.
#pragma once

#include <cstdint>

#include "import/ImportSettings.h"
#include "import/WPCharMap.h"
#include "import/WholeTextViewer.h"
#include "import/WordPerfectOptions.h"
#include "lexaurum/lxrviewer.h"

class ImportWordPerfect : public WholeTextViewer {
 public:
  // The 16-byte prefix every WordPerfect 5 and 6 file begins with.
  static constexpr int32_t kPrefixBytes = 16;
  static constexpr int kTextPosPos = 4;
  static constexpr int kProductTypePos = 8;
  static constexpr int kFileTypePos = 9;
  static constexpr int kMajorVersionPos = 10;
  static constexpr int kEncryptionPos = 12;
  // Damage codes: a function body reaching past the end of the file (or of the function
  // holding it), a function of length 0, a trailing copy that differs from the function's
  // head.
  static constexpr int kDamagePastEnd = 623;
  static constexpr int kDamageZeroLength = 627;
  static constexpr int kDamageTrailingCopy = 647;
  // Notes inside notes deeper than this are skipped with their text.
  static constexpr int kMaxNoteDepth = 8;
  // Documents whose text is longer are read up to this many bytes.
  static constexpr int32_t kMaxTextBytes = 64 << 20;

  // Converts the whole of `source` now (it need not outlive the importer), reading
  // extended characters through `map`, and hands the text out in blocks of `blockBytes`.
  ImportWordPerfect(ByteSource& source, int32_t blockBytes, const WPCharMap& map,
                    const wordperfect::Options& options);

  // True when the file begins with the WordPerfect prefix, unencrypted, whatever its version.
  static bool hasPrefix(ByteSource& source);
  // The damage code that ended the text (0 when the text ended normally) and its file
  // position.
  int damageCode() const { return damageCode_; }
  int32_t damagePos() const { return damagePos_; }

 private:
  int damageCode_ = 0;
  int32_t damagePos_ = 0;
};

// The registry's maker of WordPerfect 5.x viewers, with the registry's character map and
// options: a Viewer made with new, or null. A file without the WordPerfect prefix (given this
// format through the file type table) gets the readable-runs importer instead.
Viewer* makeWordPerfectImport(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
