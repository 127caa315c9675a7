// TStyleDlg: the modal dialog in which one CSS rule is written (tag and class, font family list,
// font details, sizes and spacings, colours, comment). One instance is created on first use and
// reused; its controls are its state.
#pragma once

#include "platform/Encoding.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace pindle {

class TFnpComboColor;

class TStyleDlg : public QDialog {
    Q_OBJECT

public:
    explicit TStyleDlg(QWidget* parent = nullptr);
    TStyleDlg(const TStyleDlg&) = delete;
    TStyleDlg& operator=(const TStyleDlg&) = delete;

    // Fills every control from the thirteen texts of a rule, shows the Tag page and gives edtHTMLTag
    // the focus for the next show. A colour text that no entry has (not hexadecimal, or not a named
    // colour) ticks its box, shows no entry selected and does not stop the other controls from
    // loading.
    void SetValues(const std::string& tag, const std::string& styleName, const std::string& fontFamily,
                   const std::string& fontWeight, const std::string& fontStyle, const std::string& decoration,
                   const std::string& fontSize, const std::string& lineHeight, const std::string& letterSpacing,
                   const std::string& wordSpacing, const std::string& foreground, const std::string& background,
                   const std::string& comment);

    void AddNamedColors(TFnpComboColor& combo);

    // The document's encoding: the row's texts are shown and written back in it, and Ok refuses text
    // that it cannot hold, naming the characters.
    void SetEncoding(TTextEncoding encoding) noexcept { encoding_ = encoding; }
    [[nodiscard]] TTextEncoding Encoding() const noexcept { return encoding_; }

    // Shows the dialog modally, centred on the screen; mrOk or mrCancel. Tests replace the modal loop
    // with a hook that plays the user's part and returns the result.
    virtual int ShowModal();
    using TModalHook = std::function<int(TStyleDlg&)>;
    static void SetModalHook(TModalHook hook);

    // The texts a confirmed dialog gives the row. A drop-down or colour text that the control could
    // not show when it was loaded comes back unchanged until the user operates that control.
    [[nodiscard]] std::string FontWeightText() const;
    [[nodiscard]] std::string FontStyleText() const;
    [[nodiscard]] std::string DecorationText() const;
    [[nodiscard]] std::string ForegroundText() const;
    [[nodiscard]] std::string BackgroundText() const;
    [[nodiscard]] std::vector<std::string> FontFamilyEntries() const;
    [[nodiscard]] std::vector<std::string> SystemFontEntries() const;

    void btnOkClick();
    void btnCancelClick();
    void sbtnMoveRightClick();
    void sbtnRemoveClick();
    void sbtnMoveUpClick();
    void sbtnMoveDownClick();
    void sbtnAddFontClick();

    QTabWidget* PageControl1 = nullptr;
    QWidget* tbshtTag = nullptr;
    QWidget* tbshtFont = nullptr;
    QWidget* tbshtMisc = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    QLineEdit* edtHTMLTag = nullptr;
    QLineEdit* edtStyleName = nullptr;
    QLineEdit* edtComment = nullptr;

    QListWidget* lbSystemFonts = nullptr;
    QListWidget* lbFontFamily = nullptr;
    QToolButton* sbtnMoveRight = nullptr;
    QToolButton* sbtnRemove = nullptr;
    QToolButton* sbtnMoveUp = nullptr;
    QToolButton* sbtnMoveDown = nullptr;
    QToolButton* sbtnAddFont = nullptr;
    QLineEdit* edtCustomFont = nullptr;

    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QComboBox* cboFontWeight = nullptr;
    QComboBox* cboFontStyle = nullptr;
    QComboBox* cboFontDecoration = nullptr;
    QLineEdit* edtFontSize = nullptr;
    QLineEdit* edtLineHeight = nullptr;
    QLineEdit* edtLetterSp = nullptr;
    QLineEdit* edtWordSp = nullptr;
    QCheckBox* cbxForeground = nullptr;
    QCheckBox* cbxBackground = nullptr;
    TFnpComboColor* fccForeground = nullptr;
    TFnpComboColor* fccBackground = nullptr;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A loaded text the control could not show, written back as long as the user leaves the
    // control alone.
    struct TKeptText {
        std::string Text;
        bool Kept = false;
    };

    void CreateButtons();
    void CreatePages();
    void CreateTagPage();
    void CreateFontPage();
    void CreateMiscPage();
    void CreateTabOrder();
    void ConnectEvents();
    void FormCreate();

    void LoadDropDown(QComboBox* box, const std::string& text, TKeptText& kept);
    void LoadColor(QCheckBox* check, TFnpComboColor* combo, const std::string& text, TKeptText& kept);
    [[nodiscard]] static std::string DropDownText(const QComboBox* box, const TKeptText& kept);
    [[nodiscard]] static std::string ColorText(const QCheckBox* check, const TFnpComboColor* combo,
                                               const TKeptText& kept);
    void AddSystemFont(const std::string& name);
    bool ListKey(QListWidget* list, const QKeyEvent& key);

    TTextEncoding encoding_ = TTextEncoding::Utf8;
    TKeptText keptWeight_;
    TKeptText keptStyle_;
    TKeptText keptDecoration_;
    TKeptText keptForeground_;
    TKeptText keptBackground_;

    static TModalHook modalHook_;
};

}  // namespace pindle
