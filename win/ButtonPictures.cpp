#include "win/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "win/Commands.h"

namespace buttonpictures {

namespace {

struct Picture {
  int command;
  const char* theme;  // freedesktop icon name
  const char* glyph;  // drawn in the fallback
  QRgb colour;
};

constexpr Picture kPictures[] = {
    {commands::kViewFile, "document-open", "\u25A4", 0xFF3B6EA5},
    {commands::kSearch, "edit-find", "?", 0xFF2E7D32},
    {commands::kFileSearch, "folder-open", "F?", 0xFF558B2F},
    {commands::kComboSearch, "system-search", "+?", 0xFF33691E},
    {commands::kUpdateIndex, "view-refresh", "\u21BB", 0xFF6A1B9A},
    {commands::kCreateIndex, "document-new", "+", 0xFF4527A0},
    {commands::kNextHit, "go-down", "\u25BC", 0xFFE65100},
    {commands::kPrevHit, "go-up", "\u25B2", 0xFFE65100},
    {commands::kFindText, "edit-find-replace", "Aa", 0xFF00695C},
    {commands::kPrint, "document-print", "P", 0xFF455A64},
    {commands::kNextDoc, "go-next", "\u25B6", 0xFF1565C0},
    {commands::kPrevDoc, "go-previous", "\u25C0", 0xFF1565C0},
    {commands::kWrap, "format-justify-fill", "\u21B5", 0xFF5D4037},
    {commands::kCopy, "edit-copy", "\u2750", 0xFF37474F},
    {commands::kFont, "preferences-desktop-font", "F", 0xFF880E4F},
    {commands::kZoomIn, "zoom-in", "+", 0xFF0277BD},
    {commands::kZoomOut, "zoom-out", "\u2212", 0xFF0277BD},
    {commands::kInvert, "weather-clear-night", "\u25D0", 0xFF212121},
    {commands::kImage, "image-x-generic", "\u25A3", 0xFFAD1457},
    {commands::kPage, "x-office-document", "\u00B6", 0xFF4E342E},
    {commands::kLaunch, "system-run", "\u2197", 0xFFBF360C},
};

const Picture* find(int command) {
  for (const Picture& p : kPictures)
    if (p.command == command) return &p;
  return nullptr;
}

}  // namespace

const char* themeName(int command) {
  const Picture* p = find(command);
  return p ? p->theme : nullptr;
}

QIcon drawn(int command) {
  const Picture* p = find(command);
  QPixmap pixmap(kPictureSize, kPictureSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, kPictureSize - 4, kPictureSize - 4), 6, 6);
  painter.fillPath(tile, QColor::fromRgba(p ? p->colour : 0xFF757575));
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  const QString glyph = QString::fromUtf8(p ? p->glyph : "\u2022");
  font.setPixelSize(glyph.size() > 1 ? 13 : 18);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, kPictureSize, kPictureSize), Qt::AlignCenter, glyph);
  painter.end();
  return QIcon(pixmap);
}

QIcon programIcon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0xC9, 0x8B, 0x1E));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
  painter.setPen(QPen(Qt::white, 5));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(28, 27), 13, 13);
  painter.drawLine(QPointF(38, 37), QPointF(50, 49));
  painter.end();
  return QIcon(pixmap);
}

QIcon forCommand(int command) {
  const char* name = themeName(command);
  if (name && QIcon::hasThemeIcon(QString::fromLatin1(name))) return QIcon::fromTheme(QString::fromLatin1(name));
  return drawn(command);
}

}  // namespace buttonpictures
