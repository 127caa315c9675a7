// Stands in for the source editor while the editor widget is being built: the same line operations
// on a plain text box.
#pragma once

#include "platform/QtText.h"

#include <QPlainTextEdit>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

class TSynCssSyn;

class TPaneLines {
public:
    [[nodiscard]] int Count() const { return static_cast<int>(lines_.size()); }
    [[nodiscard]] std::string_view Get(int i) const
    {
        return i >= 0 && i < Count() ? std::string_view(lines_[static_cast<std::size_t>(i)]) : std::string_view();
    }
    int Add(std::string_view text)
    {
        lines_.emplace_back(text);
        Changed();
        return Count() - 1;
    }
    void AddStrings(std::span<const std::string> lines)
    {
        lines_.insert(lines_.end(), lines.begin(), lines.end());
        Changed();
    }
    void Clear()
    {
        lines_.clear();
        Changed();
    }
    std::function<void()> Changed = [] {};
    std::vector<std::string> lines_;
};

class TSynEdit final : public QPlainTextEdit {
public:
    explicit TSynEdit(QWidget* parent = nullptr) : QPlainTextEdit(parent)
    {
        lines_.Changed = [this] { Show(); };
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            if (showing_)
                return;
            lines_.lines_.clear();
            const QStringList all = toPlainText().split(QLatin1Char('\n'));
            for (const QString& line : all)
                lines_.lines_.push_back(FromQString(line));
        });
    }
    TPaneLines& Lines() { return lines_; }
    [[nodiscard]] const TPaneLines& Lines() const { return lines_; }
    void Clear() { lines_.Clear(); }
    void SetHighlighter(TSynCssSyn*) {}

private:
    void Show()
    {
        showing_ = true;
        QStringList all;
        for (const std::string& line : lines_.lines_)
            all << ToQString(line);
        setPlainText(all.join(QLatin1Char('\n')));
        showing_ = false;
    }
    TPaneLines lines_;
    bool showing_ = false;
};

using TSynEditList = TPaneLines;

}  // namespace pindle
