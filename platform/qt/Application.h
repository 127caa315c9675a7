// The application object: title, the current hint with its change event, the idle event, and the
// default error handler through which every command runs.
#pragma once

#include <QApplication>
#include <QObject>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace pindle {

class Exception;

// The part of a "short|long" hint before the first "|"; a hint without "|" is both parts.
[[nodiscard]] std::string GetShortHint(std::string_view hint);
[[nodiscard]] std::string GetLongHint(std::string_view hint);

// The text of the default error box: the message, with "." appended when its last character sorts
// after "." (so "File not found" gains a full stop and "Disk full." or "code 5" do not change).
[[nodiscard]] std::string ErrorBoxText(std::string_view message);

// Blocks the calling thread; no events are processed meanwhile.
void Sleep(unsigned milliseconds);

class TApplication : public QObject {
    Q_OBJECT

public:
    static TApplication& Instance();

    [[nodiscard]] const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title);

    [[nodiscard]] const std::string& Hint() const noexcept { return hint_; }
    // Sets the current hint text (a long hint); HintChanged follows only when it differs.
    void SetHint(const std::string& hint);

    // The window that owns the error boxes; the first main window registers itself here.
    [[nodiscard]] QWidget* MainWindow() const noexcept { return mainWindow_; }
    void SetMainWindow(QWidget* window) noexcept { mainWindow_ = window; }

    // Emits Idle whenever the event loop of the calling thread is about to wait for new events.
    // Needs a QCoreApplication; calling it again does nothing.
    void HookIdle();
    // Runs the idle handlers now, as the event loop does when its queue runs empty.
    void DoIdle() { emit Idle(); }

    // Runs one command. Errors stop here, at the boundary to the event loop: an Exception (or any
    // other std::exception) is shown by HandleException and the program goes on.
    void Run(const std::function<void()>& command);
    // The default error handler: the box captioned with the title, error icon, OK.
    void HandleException(std::string_view message);

signals:
    void HintChanged();
    void Idle();

private:
    TApplication() = default;
    std::string title_;
    std::string hint_;
    QWidget* mainWindow_ = nullptr;
    bool idleHooked_ = false;
};

inline TApplication& Application() { return TApplication::Instance(); }

// The program's QApplication. Commands already stop their errors at the dispatcher; this is the net
// for an error raised in any other event handler (a widget's key or paint handling), which Qt cannot
// carry through its event loop: it is shown by the default error handler and the loop goes on.
// It also keeps Qt's own dialogs from keeping settings between runs, as the program keeps none.
class TQtApplication final : public QApplication {
public:
    TQtApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace pindle
