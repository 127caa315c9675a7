// The splash window, shown for a second at start and again as the About box: the picture with the
// version, the redistribution line, a notice and the product's web address.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>
#include <string>

namespace pindle {

// The web address: a label that a click, or Enter or Space while it has the keyboard focus, opens.
// A screen reader meets it as a link.
class TLinkLabel final : public QLabel {
    Q_OBJECT

public:
    TLinkLabel(const QString& text, QWidget* parent);
    // What opening the link does.
    std::function<void()> OnActivate;
    void Activate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

inline constexpr const char* ProductWebAddress = "https://www.quillmere.example/pindle";

class TfrmSplash final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSplash(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label5 = nullptr;
    TLinkLabel* lblWebSite = nullptr;

    void FormCreate();
    void Image1Click();
    void lblWebSiteClick();
    void FormClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* AddLabel(const char* name, int left, int top, const QString& text, const QFont& font);
    void SetUpLabel(QLabel* label, const char* name, int left, int top, const QFont& font);
};

// The window of the About command, or nullptr; a closed About box frees itself and empties this.
extern TfrmSplash* frmSplash;

// The full path of the running program's own file.
[[nodiscard]] std::string ProgramFileName();

}  // namespace pindle
