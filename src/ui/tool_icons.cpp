#include "ui/tool_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The pictures live in the window library; make sure they are linked in
// (outside any namespace, as Qt asks of Q_INIT_RESOURCE).
static void RegisterIcons() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(tool_icons);
    return true;
  }();
  (void)registered;
}

namespace {

QPixmap Render(QSvgRenderer& svg, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  svg.render(&p);
  return pm;
}

QIcon IconOf(const QString& resource) {
  QSvgRenderer svg(resource);
  QIcon icon;
  if (svg.isValid()) {
    icon.addPixmap(Render(svg, 16));
    icon.addPixmap(Render(svg, 32));
  }
  return icon;
}

}  // namespace

std::vector<QIcon> MakeImageList1() {
  RegisterIcons();
  std::vector<QIcon> list;
  list.reserve(kImageCount);
  for (int i = 0; i < kImageCount; ++i)
    list.push_back(IconOf(QStringLiteral(":/icons/%1.svg").arg(i)));
  return list;
}

QIcon MakeToolIcon(const QString& name) {
  RegisterIcons();
  return IconOf(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}
