#include "platform/qt/Application.h"

#include "platform/qt/Desktop.h"
#include "platform/Exceptions.h"
#include "platform/qt/QtText.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSettings>

#include <chrono>
#include <exception>
#include <new>
#include <thread>

namespace pindle {

std::string GetShortHint(std::string_view hint)
{
    const auto bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint)
{
    const auto bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

std::string ErrorBoxText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void Sleep(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TApplication& TApplication::Instance()
{
    static TApplication* application = new TApplication;  // lives until the program ends
    return *application;
}

void TApplication::SetTitle(const std::string& title)
{
    title_ = title;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::setApplicationName(ToQString(title));
}

void TApplication::SetHint(const std::string& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    emit HintChanged();
}

void TApplication::HookIdle()
{
    if (idleHooked_)
        return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr)
        return;
    // aboutToBlock comes exactly when the queue has run empty and the loop is going to sleep; the
    // handlers only change enabled states, which posts nothing once they are in step.
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TApplication::DoIdle);
    idleHooked_ = true;
}

namespace {

// Runs body and shows an error it raises in the default error box. A template rather than a
// std::function, so that notify, which every event of the program passes, allocates nothing.
template <typename Body>
void Guarded(TApplication& application, Body&& body)
{
    try {
        body();
    } catch (const Exception& error) {
        application.HandleException(error.Message());
    } catch (const std::bad_alloc&) {
        // A file too large for the memory left, say: the command's own memory is free again here.
        application.HandleException("Out of memory");
    } catch (const std::exception& error) {
        application.HandleException(error.what());
    }
}

}  // namespace

void TApplication::Run(const std::function<void()>& command)
{
    Guarded(*this, command);
}

TQtApplication::TQtApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // Qt's file dialog would keep its history, sidebar and column widths in the user's configuration
    // folder and bring them back in the next run. Pointed at a folder that can never exist, its
    // settings are neither read nor written.
    const QString nowhere = QStringLiteral("/dev/null/pindle-keeps-no-settings");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, nowhere);
}

bool TQtApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    Guarded(Application(), [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void TApplication::HandleException(std::string_view message)
{
    Desktop().MessageBox(mainWindow_, TMsgDlgType::mtError, title_, ErrorBoxText(message));
}

}  // namespace pindle
