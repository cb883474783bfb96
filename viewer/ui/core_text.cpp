#include "core_text.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform.h"

namespace ndr {

QString FromCore(std::string_view text) {
  const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString decoded = utf8.decode(bytes);
  if (!utf8.hasError())
    return decoded;
  return QString::fromLatin1(bytes);
}

std::string ToCore(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

namespace {

// rest is "x:" or "x:/..." (a drive folder as laid out below the drives folder).
bool DrivePart(const QString& rest, QString& drivePath) {
  if (rest.size() < 2 || !rest[0].isLetter() || rest[0].unicode() > 127 || rest[1] != ':')
    return false;
  if (rest.size() > 2 && rest[2] != '/')
    return false;
  QString tail = rest.mid(2);
  tail.replace('/', '\\');
  if (tail.isEmpty())
    tail = "\\";
  drivePath = rest.left(1).toUpper() + ":" + tail;
  return true;
}

bool UnderFolder(const QString& path, const QString& folder, QString& rest) {
  if (folder.isEmpty())
    return false;
  const QString prefix = folder.endsWith('/') ? folder : folder + '/';
  if (!path.startsWith(prefix))
    return false;
  rest = path.mid(prefix.size());
  return true;
}

}  // namespace

std::string DrivePathFromNative(const QString& nativePath, const QString& drivesFolder) {
  if (nativePath.isEmpty())
    return {};
  const QString path = QDir::cleanPath(QDir::fromNativeSeparators(nativePath));
  QString drivePath;
  // The dialog may answer with the folders' real names where the drives
  // folder holds links; both spellings lead back to the drive.
  const QString folders[] = {QDir::cleanPath(drivesFolder),
                             QFileInfo(drivesFolder).canonicalFilePath()};
  for (const QString& folder : folders) {
    QString rest;
    if (UnderFolder(path, folder, rest) && DrivePart(rest, drivePath))
      return ToCore(drivePath);
  }
  // A drive that is a link elsewhere (Wine's dosdevices) answers with its target.
  const QFileInfoList drives =
      QDir(drivesFolder).entryInfoList(QStringList() << "?:", QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QFileInfo& drive : drives) {
    QString rest;
    if (UnderFolder(path + '/', drive.canonicalFilePath(), rest) &&
        DrivePart(drive.fileName() + '/' + rest, drivePath)) {
      if (drivePath.endsWith('\\') && drivePath.size() > 3)
        drivePath.chop(1);
      return ToCore(drivePath);
    }
  }
  if (DrivePart(path, drivePath))  // already a drive path (Windows)
    return ToCore(drivePath);
  return ToCore(QDir::toNativeSeparators(path).replace('/', '\\'));
}

std::string DrivePathFromNative(const QString& nativePath) {
  return DrivePathFromNative(nativePath, FromCore(DriveRoot()));
}

}  // namespace ndr
