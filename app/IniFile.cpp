#include "IniFile.h"

#include <QFile>
#include <QSaveFile>

namespace tagstation {

namespace {

#ifdef Q_OS_WIN
constexpr const char* LineEnd = "\r\n";
#else
constexpr const char* LineEnd = "\n";
#endif

bool IsSectionHeader(const QByteArray& trimmed) { return trimmed.startsWith('[') && trimmed.contains(']'); }

QString SectionName(const QByteArray& trimmed)
{
    return QString::fromUtf8(trimmed.mid(1, trimmed.indexOf(']') - 1)).trimmed();
}

QString KeyName(const QByteArray& trimmed)
{
    const qsizetype eq = trimmed.indexOf('=');
    return eq < 0 ? QString() : QString::fromUtf8(trimmed.left(eq)).trimmed();
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

TIniFile::TIniFile(QString path) : FPath(std::move(path))
{
    QFile file(FPath);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray text = file.readAll();
    if (text.isEmpty()) return;
    FLines = text.split('\n');
    if (FLines.last().isEmpty()) FLines.removeLast();
    for (auto& line : FLines)
        if (line.endsWith('\r')) line.chop(1);
}

qsizetype TIniFile::FindSection(const QString& section) const
{
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const QByteArray trimmed = FLines[i].trimmed();
        if (IsSectionHeader(trimmed) && SameName(SectionName(trimmed), section)) return i;
    }
    return -1;
}

qsizetype TIniFile::FindKey(qsizetype header, const QString& key) const
{
    for (qsizetype i = header + 1; i < FLines.size(); ++i) {
        const QByteArray trimmed = FLines[i].trimmed();
        if (IsSectionHeader(trimmed)) break;
        if (!trimmed.startsWith(';') && SameName(KeyName(trimmed), key)) return i;
    }
    return -1;
}

bool TIniFile::ReadValue(const QString& section, const QString& key, QString& value) const
{
    const qsizetype header = FindSection(section);
    const qsizetype line = header < 0 ? -1 : FindKey(header, key);
    if (line < 0) return false;
    const QByteArray& text = FLines[line];
    value = QString::fromUtf8(text.mid(text.indexOf('=') + 1)).trimmed();
    return true;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    QString text;
    if (!ReadValue(section, key, text)) return defaultValue;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    QString value;
    return ReadValue(section, key, value);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray keyLine = (key + '=' + value).toUtf8();
    qsizetype header = FindSection(section);
    if (header < 0) {
        FLines.append(('[' + section + ']').toUtf8());
        FLines.append(keyLine);
        return;
    }
    if (const qsizetype line = FindKey(header, key); line >= 0) {
        const QByteArray& old = FLines[line];
        FLines[line] = old.left(old.indexOf('=') + 1) + value.toUtf8();  // keep the key's spelling
        return;
    }
    // After the section's last non-blank line.
    qsizetype insertAt = header + 1;
    for (qsizetype i = header + 1; i < FLines.size() && !IsSectionHeader(FLines[i].trimmed()); ++i)
        if (!FLines[i].trimmed().isEmpty()) insertAt = i + 1;
    FLines.insert(insertAt, keyLine);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::UpdateFile() const
{
    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const auto& line : FLines) {
        file.write(line);
        file.write(LineEnd);
    }
    return file.commit();
}

}  // namespace tagstation
