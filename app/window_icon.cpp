#include "app/window_icon.h"

#include <QPixmap>

namespace ferulo::app {

namespace {
#include "app/ferulo_icon.xpm"
}  // namespace

QIcon FeruloWindowIcon() {
  return QIcon(QPixmap(kFeruloIconXpm));
}

}  // namespace ferulo::app
