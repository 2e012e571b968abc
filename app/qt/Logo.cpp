// The logo: a round emblem with a report sheet and a cross, beside the names
// of the product family and of the module.
#include "app/qt/Logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vorn {

namespace {

const QColor Navy(0x1f, 0x3a, 0x68);
const QColor Teal(0x1b, 0x8a, 0x8f);
const QColor Red(0xc6, 0x28, 0x28);

// The emblem inside the square of the given side, drawn at its top-left corner.
void DrawEmblem(QPainter& painter, QRectF square) {
  QLinearGradient fill(square.topLeft(), square.bottomRight());
  fill.setColorAt(0, Teal.lighter(125));
  fill.setColorAt(1, Navy);
  painter.setPen(QPen(Navy.darker(120), square.width() / 32.0));
  painter.setBrush(fill);
  painter.drawEllipse(square.adjusted(1, 1, -1, -1));

  // A report sheet with a folded corner.
  const double s = square.width();
  QRectF sheet(square.left() + s * 0.30, square.top() + s * 0.20, s * 0.40, s * 0.56);
  QPainterPath page;
  const double fold = s * 0.12;
  page.moveTo(sheet.topLeft());
  page.lineTo(sheet.right() - fold, sheet.top());
  page.lineTo(sheet.right(), sheet.top() + fold);
  page.lineTo(sheet.bottomRight());
  page.lineTo(sheet.bottomLeft());
  page.closeSubpath();
  painter.setPen(QPen(Navy, s / 48.0));
  painter.setBrush(Qt::white);
  painter.drawPath(page);

  // Lines of text on the sheet.
  painter.setPen(QPen(QColor(0x9a, 0xa8, 0xbc), s / 40.0));
  for (int line = 0; line < 3; ++line) {
    const double y = sheet.top() + sheet.height() * (0.58 + 0.12 * line);
    painter.drawLine(QPointF(sheet.left() + s * 0.06, y), QPointF(sheet.right() - s * 0.06, y));
  }

  // The red cross in the upper half of the sheet.
  const double arm = s * 0.055;
  const QPointF centre(sheet.center().x(), sheet.top() + sheet.height() * 0.32);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Red);
  painter.drawRect(QRectF(centre.x() - arm, centre.y() - 3 * arm, 2 * arm, 6 * arm));
  painter.drawRect(QRectF(centre.x() - 3 * arm, centre.y() - arm, 6 * arm, 2 * arm));
}

}  // namespace

QPixmap DrawLogo(QSize size) {
  QPixmap logo(size);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  const int side = std::min(size.height() - 4, size.width() / 3);
  DrawEmblem(painter, QRectF(2, (size.height() - side) / 2.0, side, side));

  const double textLeft = side + 10;
  const QRectF textArea(textLeft, 0, size.width() - textLeft - 2, size.height());
  QFont brand(QStringLiteral("Tahoma"));
  brand.setBold(true);
  brand.setPixelSize(size.height() * 3 / 10);
  painter.setFont(brand);
  painter.setPen(Navy);
  painter.drawText(textArea.adjusted(0, size.height() * 0.10, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("VORN"));

  QFont module(QStringLiteral("Tahoma"));
  module.setPixelSize(size.height() * 2 / 10);
  painter.setFont(module);
  painter.setPen(Teal.darker(110));
  painter.drawText(textArea.adjusted(0, size.height() * 0.45, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Zavario"));

  QFont family(QStringLiteral("Tahoma"));
  family.setPixelSize(std::max(8, size.height() / 9));
  family.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
  painter.setFont(family);
  painter.setPen(Red);
  painter.drawText(textArea.adjusted(0, size.height() * 0.74, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("TORVEL"));
  return logo;
}

QIcon DrawWindowIcon() {
  QIcon icon;
  for (int side : {16, 32, 48}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(painter, QRectF(0, 0, side, side));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace vorn
