// The main window: the style table above the source pane, menus, tool bar and status bar, and the
// document commands. It owns the document: the table, the pane and FileName.
#pragma once

#include "app/StyleListModel.h"
#include "model/StyleTable.h"
#include "model/Stylesheet.h"
#include "platform/qt/Desktop.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;
class QFrame;

namespace pindle {

class TSplitter;
class TSynEdit;
class TSynCssSyn;
class TStyleDlg;

class TMainForm final : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // The document.
    std::string FileName;
    [[nodiscard]] TStyleTable& Styles() noexcept { return styles_; }
    [[nodiscard]] std::vector<std::string> PaneLines() const;

    // Components, under the names of the window's description.
    QFrame* ControlBar1 = nullptr;
    QToolBar* tbrStandard = nullptr;
    QToolButton* tbtnNew = nullptr;
    QWidget* ToolButton2 = nullptr;
    QToolButton* tbtnOpen = nullptr;
    QToolButton* tbtnSave = nullptr;
    QWidget* ToolButton1 = nullptr;
    QToolButton* tbtnStyleDelete = nullptr;
    QToolButton* tbtnAddStyle = nullptr;
    QToolButton* tbtnEditStyle = nullptr;
    TStyleListView* lvStyles = nullptr;
    TSplitter* Splitter1 = nullptr;
    TSynEdit* seEditor = nullptr;
    QStatusBar* StatusBar = nullptr;

    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* N3 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Style1 = nullptr;
    QAction* mnuEdit = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* N1 = nullptr;
    QAction* HTMLCode1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;

    QMenu* pmnuStyles = nullptr;
    QAction* pmnuEdit = nullptr;
    QAction* pmnuAdd = nullptr;
    QAction* pmnuDelete = nullptr;

    std::unique_ptr<TSynCssSyn> SynCssSyn1;
    TFileDialogSettings OpenDialog;
    TFileDialogSettings SaveDialog{{}, true};
    TStyleDlg* StyleDlg = nullptr;  // created on first use, kept until the program ends

    // Event handlers.
    void FormCreate();
    void ApplicationEventsIdle();
    void ApplicationEventsHint();
    void pmnuStylesPopup();
    void Style1Click();
    void lvStylesClick();
    void File1Click();
    void Exit1Click();
    void New1Click();
    void tbtnOpenClick();
    void Save1Click();
    void SaveAs1Click();
    void lvStylesDblClick();
    void mnuAddClick();
    void mnuDeleteClick();
    void HTMLCode1Click();
    void About1Click();

    // The document on disk. A failed load leaves the document, FileName and caption as they were.
    // Opening takes the file's encoding and byte-order mark; a save writes the document in them.
    void LoadFromFile(const std::string& name);
    void SaveToFile(const std::string& name);
    // Runs the style dialog on the row; true when the user confirmed it and the row was rewritten.
    bool EditStyle(TStyleRow& row);
    // How the document's bytes are read and written: a new document is UTF-8 without a byte-order mark.
    [[nodiscard]] const TStylesheetFormat& Format() const noexcept { return format_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreatePopupMenu();
    void CreateToolBar();
    void CreateStyleList();
    void CreateEditor();
    void CreateStatusBar();
    void LayOut();

    QAction* AddMenuItem(QMenu* menu, const char* name, const char* caption, const char* hint, int image,
                         void (TMainForm::*handler)());
    QToolButton* AddToolButton(const char* name, int image, const char* hint, void (TMainForm::*handler)());
    QWidget* AddToolSeparator(const char* name);
    // A slot that runs the handler through the application's command dispatcher.
    std::function<void()> Command(void (TMainForm::*handler)());
    void SetCaption(const std::string& caption);
    void SetFormat(const TStylesheetFormat& format);

    TStylesheetFormat format_;
    TStyleTable styles_;
    TStyleListModel* stylesModel_ = nullptr;
};

// The text after the last "/" of a path; all of it when it holds none.
[[nodiscard]] std::string FileNamePart(std::string_view path);
// A path's bytes as the file system names them, as UTF-8 text for the caption and the link code (a
// name that is not UTF-8 shows U+FFFD where its stray bytes are).
[[nodiscard]] std::string PathText(const std::string& path);
// The HTML element that attaches the stylesheet of that file to a page.
[[nodiscard]] std::string HtmlLinkCode(std::string_view fileName);

}  // namespace pindle
