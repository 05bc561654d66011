#include "app/info_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace vorel::app {
namespace {

bool IsInfoOption(const char* argument) {
    for (const char* name : {"-h", "--help", "-?", "-v", "--version"})
        if (std::strcmp(argument, name) == 0) return true;
    return false;
}

}  // namespace

std::optional<int> AnswerInfoOptions(int argc, char* argv[]) {
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i) asked = IsInfoOption(argv[i]);
    if (!asked) return std::nullopt;

    // Only Qt Core: the answer must not need a display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vorel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VOREL_VERSION));

    QCommandLineParser parser;
    // "-Embedding" and the like are whole words, not bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Searches each FILE for PlayStation TIM textures and headerless Windows bitmaps and opens every image "
        "found in a window of its own.\n"
        "Only one copy runs per user: a later copy hands its FILEs to the running one and ends once they have "
        "been searched.\n"
        "Exit status: 0 when the program ends normally, 1 when it cannot start or cannot hand its files over."));
    // The help option without Qt's --help-all: the window system's own options are not this program's.
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                        QStringLiteral("Displays help on commandline options."));
    parser.addOption(helpOption);
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to search."),
                                 QStringLiteral("FILE..."));
    // Options the program does not know are ignored, here as when it starts.
    (void)parser.parse(QCoreApplication::arguments());
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("vorel %s\n", VOREL_VERSION);
        return 0;
    }
    return std::nullopt;
}

}  // namespace vorel::app
