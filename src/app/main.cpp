#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

#include "app/app_texts.h"
#include "app/kova_app.h"
#include "app/main_frame.h"
#include "app/tool_icons.h"
#include "app/user_prompts.h"
#include "dialogs/run_commands.h"
#include "platform/qt_settings_store.h"

int main(int argc, char** argv) {
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
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A problem (.kvf) to open; a running KOVA "
                                                "window takes it over."),
                                 QStringLiteral("[file]"));
    parser.process(application);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "kova: one file at most\n");
        return 64;
    }

    kova::QtSettingsStore store;
    kova::app::DialogPrompts prompts;
    kova::app::CKOVAApp kova(store, prompts);
    kova::dialogs::RunCommands runCommands(store, prompts);
    kova.SetCalculationCommands(&runCommands);
    switch (kova.InitInstance(files.isEmpty() ? QString() : files.constFirst())) {
        case kova::app::CKOVAApp::Start::HandedOver:
            return 0;
        case kova::app::CKOVAApp::Start::Failed:
            std::fprintf(stderr, "kova: cannot open %s\n", qPrintable(files.constFirst()));
            return 66;
        case kova::app::CKOVAApp::Start::Running:
            break;
    }
    const int status = QApplication::exec();
    store.Sync();
    return status;
}
