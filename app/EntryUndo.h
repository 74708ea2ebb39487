// Undoing the last entry: the workbook's bytes from before the entry and a
// fingerprint of the file the entry saved. The undo writes the old bytes
// back, so the cells come back with their values, formats and formulas
// exactly, but only while the file is still the one the entry saved:
// whatever was changed in it since is never lost.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tagstation {

class TEntryUndo {
public:
    // The workbook as it is before an entry; nothing when it cannot be read.
    static std::optional<TEntryUndo> Before(const QString& path);

    // The entry has saved the file: remembers what it saved.
    void Saved();
    bool StillAsSaved() const;
    // Puts the old bytes back (safely: the file is replaced only by a
    // complete copy); false when the file cannot be written.
    bool Restore() const;

    const QString& Path() const { return FPath; }

private:
    TEntryUndo(QString path, QByteArray bytes) : FPath(std::move(path)), FOldBytes(std::move(bytes)) {}

    QString FPath;
    QByteArray FOldBytes;
    QByteArray FSavedDigest;
};

}  // namespace tagstation
