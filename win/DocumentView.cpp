#include "win/DocumentView.h"

#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

#include "win/EngineText.h"

namespace {

constexpr int kMinZoom = -8;
constexpr int kMaxZoom = 16;
const QColor kHitColour(255, 236, 128);
const QColor kCurrentHitColour(255, 150, 40);

}  // namespace

DocumentView::DocumentView(QWidget* parent) : QWidget(parent) {
  stack_ = new QStackedWidget(this);
  edit_ = new QPlainTextEdit(stack_);
  edit_->setReadOnly(true);
  edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  imageArea_ = new QScrollArea(stack_);
  image_ = new QLabel(imageArea_);
  image_->setAlignment(Qt::AlignCenter);
  imageArea_->setWidget(image_);
  imageArea_->setWidgetResizable(true);
  stack_->addWidget(edit_);
  stack_->addWidget(imageArea_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(stack_);
}

int DocumentView::showDocument(const std::string& engineName, const std::vector<int32_t>& hits, bool utf8Lines) {
  engineName_ = engineName;
  currentHit_ = -1;
  stack_->setCurrentWidget(edit_);
  int rc = text_.load(engineName, hits, DocumentText::kWidth, utf8Lines);
  if (rc < 0 && text_.lines().isEmpty()) {
    edit_->setPlainText(tr("%1 cannot be read.").arg(enginetext::fromFileName(engineName.c_str())));
    return -1;
  }
  edit_->setPlainText(text_.lines().join(u'\n'));
  highlight();
  edit_->moveCursor(QTextCursor::Start);
  return rc;
}

void DocumentView::clear() {
  engineName_.clear();
  text_ = DocumentText();
  currentHit_ = -1;
  stack_->setCurrentWidget(edit_);
  edit_->clear();
}

int DocumentView::hitPosition(const HitSpan& span) const {
  QTextBlock block = edit_->document()->findBlockByNumber(span.line);
  return block.isValid() ? block.position() + span.start : 0;
}

void DocumentView::highlight() {
  QList<QTextEdit::ExtraSelection> marks;
  const auto& hits = text_.hits();
  for (size_t i = 0; i < hits.size(); ++i) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(edit_->document());
    int at = hitPosition(hits[i]);
    mark.cursor.setPosition(at);
    mark.cursor.setPosition(at + hits[i].length, QTextCursor::KeepAnchor);
    const bool current = static_cast<int>(i) == currentHit_;
    mark.format.setBackground(current ? kCurrentHitColour : kHitColour);
    mark.format.setForeground(Qt::black);
    if (current) mark.format.setFontWeight(QFont::Bold);
    marks << mark;
  }
  edit_->setExtraSelections(marks);
}

void DocumentView::showHit(int hit) {
  currentHit_ = hit;
  highlight();
  const HitSpan& span = text_.hits()[static_cast<size_t>(hit)];
  QTextCursor c(edit_->document());
  c.setPosition(hitPosition(span));
  edit_->setTextCursor(c);
  edit_->centerCursor();
}

bool DocumentView::nextHit() {
  if (currentHit_ + 1 >= hitCount()) return false;
  showHit(currentHit_ + 1);
  return true;
}

bool DocumentView::prevHit() {
  if (currentHit_ <= 0) return false;
  showHit(currentHit_ - 1);
  return true;
}

bool DocumentView::firstHit() {
  if (hitCount() == 0) return false;
  showHit(0);
  return true;
}

bool DocumentView::lastHit() {
  if (hitCount() == 0) return false;
  showHit(hitCount() - 1);
  return true;
}

QString DocumentView::currentHitText() const {
  if (currentHit_ < 0) return {};
  const HitSpan& s = text_.hits()[static_cast<size_t>(currentHit_)];
  return text_.lines().value(s.line).mid(s.start, s.length);
}

int DocumentView::currentHitLine() const {
  return currentHit_ < 0 ? -1 : text_.hits()[static_cast<size_t>(currentHit_)].line;
}

bool DocumentView::find(const QString& text) {
  if (text.isEmpty()) return false;
  if (edit_->find(text)) return true;
  QTextCursor start(edit_->document());
  edit_->setTextCursor(start);
  return edit_->find(text);
}

QString DocumentView::copyText() const {
  QString selected = edit_->textCursor().selectedText();
  selected.replace(QChar::ParagraphSeparator, u'\n');
  return selected.isEmpty() ? edit_->toPlainText() : selected;
}

void DocumentView::print(QPrinter* printer) const {
  QTextDocument copy;
  copy.setPlainText(edit_->toPlainText());
  copy.setDefaultFont(textFont());
  copy.print(printer);
}

QFont DocumentView::textFont() const { return edit_->font(); }

void DocumentView::setTextFont(const QFont& font) {
  const int level = zoom_;
  zoom_ = 0;
  edit_->setFont(font);
  zoom(level);
}

void DocumentView::zoom(int steps) {
  const int wanted = std::clamp(zoom_ + steps, kMinZoom, kMaxZoom);
  if (wanted > zoom_) edit_->zoomIn(wanted - zoom_);
  if (wanted < zoom_) edit_->zoomOut(zoom_ - wanted);
  zoom_ = wanted;
}

void DocumentView::setWrap(bool on) {
  wrap_ = on;
  edit_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void DocumentView::setInverted(bool on) {
  inverted_ = on;
  applyColours();
}

void DocumentView::applyColours() {
  QPalette p = edit_->palette();
  p.setColor(QPalette::Base, inverted_ ? QColor(24, 24, 24) : palette().color(QPalette::Base));
  p.setColor(QPalette::Text, inverted_ ? QColor(230, 230, 210) : palette().color(QPalette::Text));
  edit_->setPalette(p);
}

int DocumentView::topLine() const { return edit_->cursorForPosition(QPoint(0, 0)).blockNumber(); }

int DocumentView::nextPage() {
  const int lineCount = edit_->document()->blockCount();
  std::vector<int> starts;
  for (int s : text_.pageStarts())
    if (s < lineCount) starts.push_back(s);
  int target;
  if (starts.empty()) {
    edit_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    return topLine();
  }
  const int here = edit_->textCursor().blockNumber();
  auto next = std::upper_bound(starts.begin(), starts.end(), here);
  target = next == starts.end() ? 0 : *next;
  QTextCursor c(edit_->document()->findBlockByNumber(target));
  edit_->setTextCursor(c);
  // The page's first line at the top of the view.
  edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
  edit_->ensureCursorVisible();
  return target;
}

bool DocumentView::isImageFile() const {
  if (engineName_.empty()) return false;
  QImageReader reader(enginetext::fromFileName(engineName_.c_str()));
  return reader.canRead();
}

bool DocumentView::showingImage() const { return stack_->currentWidget() == imageArea_; }

int DocumentView::toggleImage() {
  if (showingImage()) {
    stack_->setCurrentWidget(edit_);
    return 0;
  }
  QImageReader reader(enginetext::fromFileName(engineName_.c_str()));
  reader.setAutoTransform(true);
  QImage picture = reader.read();
  if (picture.isNull()) return -1;
  image_->setPixmap(QPixmap::fromImage(picture));
  stack_->setCurrentWidget(imageArea_);
  return 0;
}
