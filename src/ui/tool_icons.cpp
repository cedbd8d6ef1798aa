#include "ui/tool_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QPixmap Render(QSvgRenderer& svg, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  svg.render(&p);
  return pm;
}

}  // namespace

std::vector<QIcon> MakeImageList1() {
  // The pictures live in the window library; make sure they are linked in.
  static const bool registered = [] {
    Q_INIT_RESOURCE(tool_icons);
    return true;
  }();
  (void)registered;
  std::vector<QIcon> list;
  list.reserve(kImageCount);
  for (int i = 0; i < kImageCount; ++i) {
    QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(i));
    QIcon icon;
    if (svg.isValid()) {
      icon.addPixmap(Render(svg, 16));
      icon.addPixmap(Render(svg, 32));
    }
    list.push_back(icon);
  }
  return list;
}
