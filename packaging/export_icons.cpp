// Writes the program icon out of the game's own drawing, for what installs it:
//   export_icons FOLDER NAME   an icon-theme tree: FOLDER/<size>x<size>/apps/NAME.png
//   export_icons --ico FILE    a Windows icon file with every size a Windows desktop asks for
//   export_icons --web FOLDER  the web page's app icons: FOLDER/icon-192.png and icon-512.png
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

// The sizes a web app manifest needs for a home screen and a splash screen;
// both whole multiples of the 16-pixel drawing.
int writeWeb(const QDir &folder)
{
    for (int size : {192, 512}) {
        const QString path = folder.filePath(QStringLiteral("icon-%1.png").arg(size));
        if (!folder.mkpath(QStringLiteral(".")) || !programIconImage(size).save(path)) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        QTextStream(stderr) << "usage: export_icons FOLDER NAME | export_icons --ico FILE | "
                               "export_icons --web FOLDER\n";
        return 2;
    }
    const QString first = QString::fromLocal8Bit(argv[1]);
    const QString second = QString::fromLocal8Bit(argv[2]);
    if (first == QLatin1String("--ico"))
        return writeIco(second);
    if (first == QLatin1String("--web"))
        return writeWeb(QDir(second));
    return writeTheme(QDir(first), second);
}
