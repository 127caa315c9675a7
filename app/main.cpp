// Start-up: the splash window for a second, then the main window and the message loop.
#include "app/Images.h"
#include "app/MainForm.h"
#include "app/Splash.h"
#include "platform/qt/Application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <csignal>

namespace {

// Brings a new window onto the screen and paints it now, before the thread goes to sleep. Only the
// window system's answers to the showing are handled here; input waits until the message loop runs.
void ShowAndPaintAtOnce(QWidget& window)
{
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (window.windowHandle() != nullptr && !window.windowHandle()->isExposed() && waited.elapsed() < 500)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    window.repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

int main(int argc, char* argv[])
{
    // Under a file size limit a write beyond it would kill the program with the unsaved document;
    // ignored, the write fails with EFBIG, and the save shows "Disk full" and keeps the old file.
    std::signal(SIGXFSZ, SIG_IGN);
    pindle::TQtApplication application(argc, argv);
    pindle::Application().SetTitle("Pindle");
    QApplication::setWindowIcon(pindle::ProgramIcon());
    // Ties the windows to the installed launcher entry, whose icon the desktop then shows for them.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmere.Pindle"));
    pindle::Application().HookIdle();

    auto* splash = new pindle::TfrmSplash();
    ShowAndPaintAtOnce(*splash);
    pindle::Sleep(1024);

    pindle::TMainForm mainForm;
    splash->close();

    mainForm.show();
    return QApplication::exec();
}
