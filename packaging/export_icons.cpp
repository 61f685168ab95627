// Writes the program icon into an icon-theme tree at the sizes the desktop
// asks for: <folder>/<size>x<size>/apps/<name>.png.
#include "resources/icons.h"

#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        QTextStream(stderr) << "usage: export_icons FOLDER NAME\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 32, 48, 64}) {
        const QString path = QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(name);
        if (!folder.mkpath(QFileInfo(folder.filePath(path)).path()) ||
            !programIconImage(size).save(folder.filePath(path))) {
            QTextStream(stderr) << "cannot write " << folder.filePath(path) << '\n';
            return 1;
        }
    }
    return 0;
}
