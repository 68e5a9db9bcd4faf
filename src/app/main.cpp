#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <string_view>

#include "app/application.h"
#include "app/document.h"
#include "app/exit_status.h"
#include "app/main_window.h"
#include "app/network_window.h"
#include "app/print_file.h"
#include "app/run_commands.h"
#include "app/tool_icons.h"
#include "gui/app_texts.h"
#include "gui/user_prompts.h"
#include "platform/qt_settings_store.h"
#include "version.h"

namespace {

// Printing or drawing a file needs no screen: without a display it runs offscreen.
void PrintWithoutDisplay(int argc, char** argv) {
    bool printing = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        printing = printing || argument == "--print" || argument.starts_with("--print=") ||
                   argument == "--draw" || argument.starts_with("--draw=");
    }
    if (printing && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

}  // namespace

int main(int argc, char** argv) {
    PrintWithoutDisplay(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KOVA"));
    QApplication::setOrganizationName(QStringLiteral("Velorand"));
    QApplication::setApplicationVersion(QStringLiteral(KOVA_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("kova"));
    QApplication::setWindowIcon(kova::app::ApplicationIcon());

    // The interface is Japanese: so are the standard dialogs and buttons.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("KOVA: cheapest flows through networks with piecewise linear costs."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption printOption(
        QStringLiteral("print"),
        QStringLiteral("Print FILE with the editor's pagination on the default printer, "
                       "then end."),
        QStringLiteral("FILE"));
    const QCommandLineOption pdfOption(
        QStringLiteral("pdf"),
        QStringLiteral("With --print: write the pages to a PDF file instead."),
        QStringLiteral("PATH"));
    const QCommandLineOption drawOption(
        QStringLiteral("draw"),
        QStringLiteral("Solve FILE and draw its network with the flows (--svg, --png), then end."),
        QStringLiteral("FILE"));
    const QCommandLineOption svgOption(QStringLiteral("svg"),
                                       QStringLiteral("With --draw: the SVG file to write."),
                                       QStringLiteral("PATH"));
    const QCommandLineOption pngOption(QStringLiteral("png"),
                                       QStringLiteral("With --draw: the PNG file to write."),
                                       QStringLiteral("PATH"));
    parser.addOption(printOption);
    parser.addOption(pdfOption);
    parser.addOption(drawOption);
    parser.addOption(svgOption);
    parser.addOption(pngOption);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A problem (.kvf) to open; a running KOVA "
                                                "window takes it over."),
                                 QStringLiteral("[file]"));
    parser.process(application);
    if (parser.isSet(printOption)) {
        return kova::app::PrintFile(parser.value(printOption), parser.value(pdfOption));
    }
    if (parser.isSet(drawOption)) {
        if (!parser.isSet(svgOption) && !parser.isSet(pngOption)) {
            std::fprintf(stderr, "kova: --draw needs --svg PATH or --png PATH\n");
            return kova::app::kExitUsage;
        }
        return kova::app::DrawFile(parser.value(drawOption), parser.value(svgOption),
                                   parser.value(pngOption));
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "kova: one file at most\n");
        return kova::app::kExitUsage;
    }

    kova::QtSettingsStore store;
    kova::gui::DialogPrompts prompts;
    kova::app::Application kova(store, prompts);
    kova::app::RunCommands runCommands(store, prompts);
    runCommands.SetPrinter(&kova.Printer());
    runCommands.SetSourcePath([&kova] { return kova.CurrentDocument().FilePath(); });
    kova.SetCalculationCommands(&runCommands);
    switch (kova.Start(files.isEmpty() ? QString() : files.constFirst())) {
        case kova::app::Application::StartResult::HandedOver:
            return kova::app::kExitOk;
        case kova::app::Application::StartResult::Failed:
            std::fprintf(stderr, "kova: cannot open %s: %s\n", qPrintable(files.constFirst()),
                         qPrintable(kova.CurrentDocument().OpenError()));
            return kova::app::kExitNotReadable;
        case kova::app::Application::StartResult::Running:
            break;
    }
    const int status = QApplication::exec();
    if (!store.Sync()) {
        std::fprintf(stderr, "kova: settings not stored: %s\n", store.SyncError().c_str());
    }
    return status;
}
