#include "PathShortener.h"

#include <QDir>
#include <QFontMetrics>
#include <QStringList>

namespace tagstation {

QString ShortenPath(const QString& path, const QFontMetrics& metrics, int maxWidth)
{
    const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= maxWidth; };
    if (fits(path)) return path;

    const QString Ellipsis = QStringLiteral("...");
    const QChar sep = QDir::separator();
    QStringList parts = path.split(sep);
    if (parts.size() < 2) return metrics.elidedText(path, Qt::ElideMiddle, maxWidth);

    // The root: leading empty parts ("/", "\\server") and a drive ("C:").
    QString root;
    while (parts.size() > 1 && parts.first().isEmpty()) root += parts.takeFirst() + sep;
    if (parts.size() > 1 && parts.first().endsWith(':')) root += parts.takeFirst() + sep;
    const QString fileName = parts.takeLast();

    // Drop folders from the front until the rest fits.
    while (!parts.isEmpty()) {
        parts.removeFirst();
        QStringList shortened{root + Ellipsis};
        shortened += parts;
        shortened += fileName;
        const QString candidate = shortened.join(sep);
        if (fits(candidate)) return candidate;
    }
    const QString bare = Ellipsis + sep + fileName;
    return fits(bare) ? bare : metrics.elidedText(bare, Qt::ElideRight, maxWidth);
}

}  // namespace tagstation
