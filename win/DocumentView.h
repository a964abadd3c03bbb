// The viewer pane: the selected document's lines with every hit highlighted and the current
// hit marked, stepping from hit to hit across the whole document; finding text, copying,
// printing, font, zoom, wrapping, inverted colours, paging by page ends, and image files
// shown as pictures. Depends on win/DocumentText and Qt Widgets.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "win/DocumentText.h"

class QLabel;
class QPlainTextEdit;
class QPrinter;
class QScrollArea;
class QStackedWidget;

class DocumentView : public QWidget {
  Q_OBJECT
 public:
  explicit DocumentView(QWidget* parent = nullptr);

  // Shows the document `engineName` with the word numbers `hits` marked, before its first
  // hit. 0, or -1 when it cannot be read (the view then says so).
  int showDocument(const std::string& engineName, const std::vector<int32_t>& hits, bool utf8Lines = false);
  void clear();
  const std::string& documentName() const { return engineName_; }

  // Hit steps. False (and nothing moves) when there is no hit that way.
  bool nextHit();
  bool prevHit();
  bool firstHit();
  bool lastHit();
  int hitCount() const { return static_cast<int>(text_.hits().size()); }
  int currentHit() const { return currentHit_; }  // -1 before the first
  QString currentHitText() const;
  // The line the current hit is on, or -1.
  int currentHitLine() const;

  // Finds `text` after the cursor, then from the start. False when it is not there.
  bool find(const QString& text);
  // The selection, or the whole document when nothing is selected.
  QString copyText() const;
  void print(QPrinter* printer) const;

  QFont textFont() const;
  void setTextFont(const QFont& font);
  // Zooms by `steps` (positive: larger); the level is kept within -8..+16.
  void zoom(int steps);
  int zoomLevel() const { return zoom_; }
  bool wraps() const { return wrap_; }
  void setWrap(bool on);
  bool inverted() const { return inverted_; }
  void setInverted(bool on);
  // Moves to the start of the next page (after the next page end), from the last page to the
  // first; a document without page ends moves one screen. The line now at the top.
  int nextPage();
  int topLine() const;

  // Shows an image file as a picture, or back to the text. 0, or -1 when the document is not
  // an image the program can read.
  int toggleImage();
  bool showingImage() const;
  bool isImageFile() const;

  QPlainTextEdit* textView() const { return edit_; }

 private:
  void showHit(int hit);
  void highlight();
  int hitPosition(const HitSpan& span) const;
  void applyColours();

  QStackedWidget* stack_;
  QPlainTextEdit* edit_;
  QScrollArea* imageArea_;
  QLabel* image_;
  DocumentText text_;
  std::string engineName_;
  int currentHit_ = -1;
  int zoom_ = 0;
  bool wrap_ = true;
  bool inverted_ = false;
};
