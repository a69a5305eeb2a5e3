#include "app/window_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>

namespace ferulo::app {

namespace {
#include "app/ferulo_icon.xpm"

// The sizes the install draws (packaging/CMakeLists.txt).
constexpr int kInstalledSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
}  // namespace

QIcon FeruloWindowIcon(const QString& programDirectory) {
  // FERULO_PROGRAM_TO_ICONS: the hicolor theme folder relative to the program
  // folder, as the install lays them out.
  const QDir installed(programDirectory + QStringLiteral("/") +
                       QStringLiteral(FERULO_PROGRAM_TO_ICONS));
  QIcon icon;
  for (const int size : kInstalledSizes) {
    const QString file = installed.filePath(QStringLiteral("%1x%1/apps/ferulo.png").arg(size));
    if (!programDirectory.isEmpty() && QFileInfo(file).isFile()) {
      icon.addFile(file, QSize(size, size));
    }
  }
  if (!icon.isNull()) {
    return icon;
  }
  return QIcon::fromTheme(QStringLiteral("ferulo"), QIcon(QPixmap(kFeruloIconXpm)));
}

}  // namespace ferulo::app
