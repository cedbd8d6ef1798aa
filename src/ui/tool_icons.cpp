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

// Outside every namespace, as Q_INIT_RESOURCE must be used: the pictures
// live in the window library; make sure they are linked in.
static void RegisterPictures() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(tool_icons);
    return true;
  }();
  (void)registered;
}

std::vector<QIcon> MakeImageList1() {
  RegisterPictures();
  std::vector<QIcon> list;
  list.reserve(kImageCount);
  for (int i = 0; i < kImageCount; ++i) {
    list.push_back(IconOf(QStringLiteral(":/icons/%1.svg").arg(i)));
  }
  return list;
}

QIcon ToolIcon(const QString& name) {
  RegisterPictures();
  return IconOf(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}
