#include "base/file_utils.h"

#include "base/ui_port.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>

namespace {
const QString kAllFiles = QStringLiteral("All Files(*.*)|*.*");
}

QString ShowOpenDialog(const QString& filter, const QString& title) {
    return Ui().OpenFileDialog(title, filter.isEmpty() ? kAllFiles : filter);
}

QString ShowSaveDialog(const QString& filter, const QString& title) {
    return Ui().SaveFileDialog(title, filter.isEmpty() ? kAllFiles : filter);
}

QString QtFilterFromPipes(const QString& filter) {
    const QStringList parts = (filter.isEmpty() ? kAllFiles : filter).split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (t == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            patterns << t.toLower();
            if (t.toUpper() != t.toLower()) patterns << t.toUpper();
        }
        patterns.removeDuplicates();
        out << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out.join(QStringLiteral(";;"));
}

double GetFreeSpace(const QString& path) {
    QFileInfo info(path);
    QString probe = info.exists() ? info.absoluteFilePath() : info.absolutePath();
    while (!QFileInfo::exists(probe) && probe != QDir::rootPath())
        probe = QFileInfo(probe).absolutePath();
    const QStorageInfo storage(probe);
    if (!storage.isValid()) return 0;
    return static_cast<double>(storage.bytesAvailable());
}

QString GetFileName(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? info.fileName() : QString();
}
