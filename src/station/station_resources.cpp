#include "station/station_resources.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>

#include "base/stream_message_view.h"

namespace vesk::qt {

bool MakeStationFont(const FontRequest& request, QFont* font) {
  if (QFontDatabase::families().isEmpty()) return false;
  const bool fixed = request.face == FontFace::Consolas;
  const QString wanted = fixed ? QStringLiteral("Consolas") : QStringLiteral("Tahoma");
  QFont made;
  if (QFontDatabase::hasFamily(wanted)) {
    made = QFont(wanted);
  } else {
    made = QFontDatabase::systemFont(fixed ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
  }
  // The height asked for is the character cell's (ascent and descent), not the em's.
  if (fixed) made.setStyleHint(QFont::TypeWriter);
  int pixels = request.height;
  made.setPixelSize(pixels);
  while (pixels > 1 && QFontMetrics(made).height() > request.height) made.setPixelSize(--pixels);
  *font = made;
  return true;
}

QIcon LoadStationIcon(StationIcon icon) {
  const QString path = QString::fromLatin1(kStationIconFiles[static_cast<std::size_t>(icon)]);
  if (!QFile::exists(path)) return QIcon();
  QIcon loaded(path);
  if (loaded.availableSizes().isEmpty()) return QIcon();
  return loaded;
}

QString DisplayText(std::string_view text) {
  const std::string plain = TerminalText(text);
  return QString::fromUtf8(plain.data(), static_cast<qsizetype>(plain.size()));
}

}  // namespace vesk::qt
