// ZrDemo: the desktop demonstration program. Opens pictures, runs a reader over them and shows what
// it found.
#include <QApplication>
#include <QCommandLineParser>

#include "main_frame.hpp"
#include "recent_files.hpp"

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(zr::demo::app::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(zr::demo::app::kApplication));
    // No display name: the toolkit would add " — ZrDemo" to every window and dialog title.
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tavrel Software Barcode Demo"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A picture to open at start (BMP, PNG, TIFF or JPEG)."),
                                 QStringLiteral("[file]"));
    parser.process(application);

    zr::demo::app::MainFrame frame;
    frame.show();
    // A path on the command line opens at start; without one there is no document.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) frame.openFile(files.constFirst());
    return application.exec();
}
