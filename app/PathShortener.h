// Fits a file path into a pixel width the way file dialogs and title bars
// do: the drive (or root) and the file name stay, the folders between them
// give way to "..." from the front.
#pragma once

#include <QString>

class QFontMetrics;

namespace tagstation {

// `path` uses the platform's separators.
QString ShortenPath(const QString& path, const QFontMetrics& metrics, int maxWidth);

}  // namespace tagstation
