#include "EntryUndo.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>

namespace tagstation {

namespace {

std::optional<QByteArray> FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

QByteArray Digest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

}  // namespace

std::optional<TEntryUndo> TEntryUndo::Before(const QString& path)
{
    auto bytes = FileBytes(path);
    if (!bytes) return std::nullopt;
    return TEntryUndo(path, std::move(*bytes));
}

void TEntryUndo::Saved()
{
    const auto bytes = FileBytes(FPath);
    FSavedDigest = bytes ? Digest(*bytes) : QByteArray();
}

bool TEntryUndo::StillAsSaved() const
{
    const auto bytes = FileBytes(FPath);
    return bytes && !FSavedDigest.isEmpty() && Digest(*bytes) == FSavedDigest;
}

bool TEntryUndo::Restore() const
{
    // Keeps the file's permissions, follows a symbolic link to its target and
    // refuses a file the user may not write.
    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(FOldBytes) != FOldBytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace tagstation
