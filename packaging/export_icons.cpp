// Writes the program icon out of the game's own drawing, for what installs it:
//   export_icons FOLDER NAME   an icon-theme tree: FOLDER/<size>x<size>/apps/NAME.png
//   export_icons --ico FILE    a Windows icon file with every size a Windows desktop asks for
#include "packaging/icofile.h"
#include "resources/icons.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

int writeTheme(const QDir &folder, const QString &name)
{
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

// Whole multiples of the 16-pixel drawing only, so every size stays sharp.
int writeIco(const QString &path)
{
    QList<QImage> images;
    for (int size : {16, 32, 48, 64, 128, 256})
        images.append(programIconImage(size));
    const QByteArray ico = icoFile(images);
    QFile file(path);
    if (ico.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        QTextStream(stderr) << "usage: export_icons FOLDER NAME | export_icons --ico FILE\n";
        return 2;
    }
    const QString first = QString::fromLocal8Bit(argv[1]);
    const QString second = QString::fromLocal8Bit(argv[2]);
    return first == QLatin1String("--ico") ? writeIco(second) : writeTheme(QDir(first), second);
}
