#include "app/Startup.h"

#include "app/ErrorBox.h"
#include "app/Fonts.h"
#include "app/Forms.h"
#include "base/ErrorGuard.h"
#include "bar/TForm1.h"
#include "config/TForm12.h"
#include "info/TForm11.h"
#include "info/TForm13.h"
#include "info/TForm2.h"
#include "onvif/NetworkCamerasWindow.h"
#include "views/TForm10.h"
#include "views/TForm4.h"
#include "views/TForm6.h"

#include <QApplication>
#include <QByteArray>
#include <QStyleFactory>

#include <cstdio>

namespace {
QtMessageHandler qtHandler = nullptr;

// Qt's own notes (the runtime folder it had to pick, a font it replaced, a
// camera's connection that failed) say nothing a user at the desk can act
// on, and the program reports its own failures in its windows. Only the
// errors that stop the program reach the terminal.
void terminalMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

bool platformChosen(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.startsWith("-platform=") || arg.startsWith("--platform="))
            return true;
    }
    return false;
}

// The frameless bar stands at a fixed place above every window, which a
// Wayland compositor does not let a window ask for: on a Wayland desktop
// the program runs through XWayland, unless the user chose a platform.
void preferXWayland(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !platformChosen(argc, argv))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

template<typename Form, typename... Args>
void create(std::unique_ptr<Form> &owner, Form *&instance, Args &&...args)
{
    owner = std::make_unique<Form>(std::forward<Args>(args)...);
    instance = owner.get();
}

template<typename Form>
void destroy(std::unique_ptr<Form> &owner, Form *&instance)
{
    instance = nullptr;
    owner.reset();
}
} // namespace

ProgramWindows::ProgramWindows()
{
    try {
        create(m_form1, Form1, m_cameraList);
        create(m_form2, Form2);
        create(m_form11, Form11);
        create(m_form12, Form12, m_cameraList);
        create(m_form13, Form13);
        create(m_form4, Form4);
        create(m_form10, Form10);
        create(m_form6, Form6);
        m_networkCameras = std::make_unique<NetworkCamerasWindow>();
        // The bar opens every other window; it gets them once they all exist.
        m_form1->setWindows({.about = m_form2.get(),
                             .help = m_form11.get(),
                             .settings = m_form12.get(),
                             .licence = m_form13.get(),
                             .single = m_form4.get(),
                             .nine = m_form10.get(),
                             .quad = m_form6.get(),
                             .networkCameras = m_networkCameras.get()});
        connectGuarded(m_form6.get(), &TForm6::cellDoubleClicked, m_form1.get(), &TForm1::MultiViewCellDblClick);
        connectGuarded(m_form10.get(), &TForm10::cellDoubleClicked, m_form1.get(), &TForm1::MultiViewCellDblClick);
    } catch (...) {
        releaseAll();
        throw;
    }
}

ProgramWindows::~ProgramWindows()
{
    releaseAll();
}

void ProgramWindows::releaseAll()
{
    m_networkCameras.reset();
    destroy(m_form6, Form6);
    destroy(m_form10, Form10);
    destroy(m_form4, Form4);
    destroy(m_form13, Form13);
    destroy(m_form12, Form12);
    destroy(m_form11, Form11);
    destroy(m_form2, Form2);
    destroy(m_form1, Form1);
}

int runProgram(int &argc, char **argv)
{
    qtHandler = qInstallMessageHandler(terminalMessages);
    preferXWayland(argc, argv);
    QApplication app(argc, argv);
    // The desktop names the program by the application title, "Ocellane 4"
    // (the desktop entry's and AppStream file's name). It is not set
    // as Qt's display name, which Qt would append to every window caption.
    QApplication::setApplicationName(QStringLiteral("ocellane"));
    QApplication::setOrganizationName(QStringLiteral("ocellane"));
    QApplication::setDesktopFileName(QStringLiteral("io.ocellane.Ocellane"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);
    Fonts::installSubstitutions();
    ErrorBox::setPresenter(ErrorBox::showMessageBox);

    std::unique_ptr<ProgramWindows> windows;
    const bool started = ErrorBox::guard([&] { windows = std::make_unique<ProgramWindows>(); });
    if (!started)
        return 0;

    // Closing the main window ends the program, whatever else is open.
    QObject::connect(Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    Form1->show();
    QApplication::exec();
    windows.reset();
    return 0;
}
