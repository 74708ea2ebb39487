// A settings file in the Windows INI layout: "[SECTION]" lines and
// "Key=Value" lines. Section and key names match without regard to case, as
// the system's profile functions do; lines it does not change (comments,
// other sections and keys) are written back as they were.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tagstation {

class TIniFile {
public:
    // Reads the file when it exists; a missing or unreadable file is empty.
    explicit TIniFile(QString path);

    // The value as a whole decimal number, else `defaultValue`.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // Any whole number other than 0 is true.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    bool ValueExists(const QString& section, const QString& key) const;

    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Writes the file (replacing it as a whole); false when it cannot be written.
    bool UpdateFile() const;

    const QString& FileName() const { return FPath; }

private:
    // Index of the section's header line, or -1.
    qsizetype FindSection(const QString& section) const;
    // Index of the key's line inside the section starting at `header`, or -1.
    qsizetype FindKey(qsizetype header, const QString& key) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    bool ReadValue(const QString& section, const QString& key, QString& value) const;

    QString FPath;
    QList<QByteArray> FLines;
};

}  // namespace tagstation
