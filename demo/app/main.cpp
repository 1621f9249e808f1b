// ZrDemo: the desktop demonstration program. Opens pictures, runs a reader over them and shows what
// it found.
#include <QApplication>
#include <QCommandLineParser>

#include "application.hpp"
#include "main_frame.hpp"

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    zr::demo::app::SetUpApplication();

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
