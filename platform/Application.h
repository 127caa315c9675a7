// The application object: title, the current hint with its change event, and the idle event.
#pragma once

#include <QObject>
#include <string>
#include <string_view>

namespace pindle {

// The part of a "short|long" hint before the first "|"; a hint without "|" is both parts.
[[nodiscard]] std::string GetShortHint(std::string_view hint);
[[nodiscard]] std::string GetLongHint(std::string_view hint);

class TApplication : public QObject {
    Q_OBJECT

public:
    static TApplication& Instance();

    [[nodiscard]] const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    [[nodiscard]] const std::string& Hint() const noexcept { return hint_; }
    // Sets the current hint text (a long hint); HintChanged follows only when it differs.
    void SetHint(const std::string& hint);

signals:
    void HintChanged();
    void Idle();

private:
    TApplication() = default;
    std::string title_;
    std::string hint_;
};

inline TApplication& Application() { return TApplication::Instance(); }

}  // namespace pindle
