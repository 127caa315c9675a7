#include "app/MainForm.h"

#include "app/Images.h"
#include "app/Splash.h"
#include "app/Splitter.h"
#include "app/StyleListModel.h"
#include "dialogs/Style.h"
#include "dialogs/StyleTransfer.h"
#include "editor/widget/SynEdit.h"
#include "highlight/SynHighlighterCss.h"
#include "model/Stylesheet.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtText.h"
#include "platform/TextFile.h"

#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace pindle {
namespace {

constexpr const char* HintProperty = "Hint";

std::string HintOf(const QObject* object)
{
    return FromQString(object->property(HintProperty).toString());
}

}  // namespace

std::string FileNamePart(std::string_view path)
{
    // "/" is this platform's only separator: ":" and "\" are ordinary characters of a file name.
    const auto last = path.rfind('/');
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string PathText(const std::string& path)
{
    return FromQString(FileNameToQString(path));
}

std::string HtmlLinkCode(std::string_view fileName)
{
    return std::string(R"(<link rel="stylesheet" type="text/css" href=")") + std::string(fileName) + "\">";
}

namespace {

// A file read aside: its rows, and its pane lines already in the form the pane keeps them, so that
// the pane takes them over whole instead of copying them.
class TReadDocument final : public IStylesheetReceiver {
public:
    void AddRow(TStyleRow row) override { Rows.push_back(std::move(row)); }
    void AddPaneLine(std::string_view line) override { Lines.Append(line); }

    std::vector<TStyleRow> Rows;
    TSynLineStore Lines;
};

// Names the copies of old content that a save of the file which did not finish left behind.
void ReportOldCopies(QWidget* parent, const std::string& fileName)
{
    const std::vector<std::string> copies = OldCopiesOf(fileName);
    if (copies.empty())
        return;
    std::string note = "A save of this file did not finish. Its old content is kept in:";
    for (const std::string& copy : copies)
        note += "\r\n" + PathText(copy);
    Desktop().MessageBeep(TBeep::Exclamation);
    Desktop().MessageBox(parent, TMsgDlgType::mtWarning, "Warning", note);
}

// The pane's lines as the writer reads them.
class TPaneLines final : public IStylesheetLines {
public:
    explicit TPaneLines(const TSynEditList& lines) : lines_(lines) {}
    [[nodiscard]] std::size_t Count() const override { return static_cast<std::size_t>(lines_.Count()); }
    [[nodiscard]] std::string_view Line(std::size_t index) const override
    {
        return lines_.Get(static_cast<int>(index));
    }
    // The views of the pane's lines last together while the save runs.
    [[nodiscard]] std::size_t Lines(std::size_t first, std::span<std::string_view> views) const override
    {
        return first < Count() ? lines_.GetRange(static_cast<int>(first), views) : 0;
    }

private:
    const TSynEditList& lines_;
};

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    if (Application().MainWindow() == nullptr)
        Application().SetMainWindow(this);
    SetCaption("Pindle");
    setWindowIcon(ProgramIcon());
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);
    resize(696, 449);

    CreateMenus();
    CreatePopupMenu();
    CreateToolBar();
    CreateStyleList();
    CreateEditor();
    CreateStatusBar();
    LayOut();

    connect(&Application(), &TApplication::Idle, this, Command(&TMainForm::ApplicationEventsIdle));
    connect(&Application(), &TApplication::HintChanged, this, Command(&TMainForm::ApplicationEventsHint));
    FormCreate();
}

TMainForm::~TMainForm()
{
    // Children outlive the members: take the highlighter and the table away from the widgets first.
    seEditor->SetHighlighter(nullptr);
    lvStyles->setModel(nullptr);
    delete stylesModel_;
    if (Application().MainWindow() == this)
        Application().SetMainWindow(nullptr);
}

std::function<void()> TMainForm::Command(void (TMainForm::*handler)())
{
    return [this, handler] { Application().Run([this, handler] { (this->*handler)(); }); };
}

QAction* TMainForm::AddMenuItem(QMenu* menu, const char* name, const char* caption, const char* hint, int image,
                                void (TMainForm::*handler)())
{
    auto* action = new QAction(AsciiText(caption), this);
    action->setObjectName(AsciiText(name));
    action->setProperty(HintProperty, AsciiText(hint));
    if (image >= 0)
        action->setIcon(StyleIcon(image));
    action->setIconVisibleInMenu(image >= 0);
    menu->addAction(action);
    if (handler != nullptr)
        connect(action, &QAction::triggered, this, Command(handler));
    return action;
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    File1 = bar->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    New1 = AddMenuItem(File1, "New1", "&New", "New|Create a new stylesheet", imgNew, &TMainForm::New1Click);
    Open1 = AddMenuItem(File1, "Open1", "&Open...", "Open|Open an existing stylesheet", imgOpen,
                        &TMainForm::tbtnOpenClick);
    Save1 = AddMenuItem(File1, "Save1", "&Save", "Save|Save the current stylesheet", imgSave, &TMainForm::Save1Click);
    SaveAs1 = AddMenuItem(File1, "SaveAs1", "Save &As...", "Save as|Save the current stylesheet with a new filename",
                          -1, &TMainForm::SaveAs1Click);
    N3 = File1->addSeparator();
    N3->setObjectName(QStringLiteral("N3"));
    Exit1 = AddMenuItem(File1, "Exit1", "E&xit", "Exit|Exit this application", -1, &TMainForm::Exit1Click);

    Style1 = bar->addMenu(QStringLiteral("&Style"));
    Style1->setObjectName(QStringLiteral("Style1"));
    mnuEdit = AddMenuItem(Style1, "mnuEdit", "&Edit...", "Edit|Edit the current style", imgEdit,
                          &TMainForm::lvStylesDblClick);
    mnuAdd = AddMenuItem(Style1, "mnuAdd", "&Add...", "Add|Add a new style", imgAdd, &TMainForm::mnuAddClick);
    mnuDelete = AddMenuItem(Style1, "mnuDelete", "&Delete...", "Delete|Delete the current style", imgDelete,
                            &TMainForm::mnuDeleteClick);
    N1 = Style1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    HTMLCode1 = AddMenuItem(Style1, "HTMLCode1", "&HTML Code...",
                            "Show the HTML code required to use this stylesheet", -1, &TMainForm::HTMLCode1Click);

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About1 = AddMenuItem(Help1, "About1", "&About...", "", -1, &TMainForm::About1Click);

    connect(File1, &QMenu::aboutToShow, this, Command(&TMainForm::File1Click));
    connect(Style1, &QMenu::aboutToShow, this, Command(&TMainForm::Style1Click));

    // The highlighted item's long hint is the application's hint, until its menu closes. (The menu
    // bar also reports its titles as hovered while a menu is open; they have no hint and must not
    // clear the item's.) Qt reports no hover over a disabled item or a separator, so the filter
    // follows the mouse there too: the bar never keeps the hint of the item the mouse came from.
    for (QMenu* menu : {File1, Style1, Help1}) {
        connect(menu, &QMenu::hovered, this, [](QAction* action) { Application().SetHint(GetLongHint(HintOf(action))); });
        connect(menu, &QMenu::aboutToHide, this, [] { Application().SetHint(""); });
        menu->installEventFilter(this);
    }
}

void TMainForm::CreatePopupMenu()
{
    pmnuStyles = new QMenu(this);
    pmnuStyles->setObjectName(QStringLiteral("pmnuStyles"));
    pmnuEdit = AddMenuItem(pmnuStyles, "pmnuEdit", "&Edit...", "", -1, &TMainForm::lvStylesDblClick);
    pmnuAdd = AddMenuItem(pmnuStyles, "pmnuAdd", "&Add...", "", -1, &TMainForm::mnuAddClick);
    pmnuDelete = AddMenuItem(pmnuStyles, "pmnuDelete", "&Delete...", "", -1, &TMainForm::mnuDeleteClick);
    connect(pmnuStyles, &QMenu::aboutToShow, this, Command(&TMainForm::pmnuStylesPopup));
    connect(pmnuStyles, &QMenu::aboutToHide, this, [] { Application().SetHint(""); });
}

QToolButton* TMainForm::AddToolButton(const char* name, int image, const char* hint, void (TMainForm::*handler)())
{
    auto* button = new QToolButton(tbrStandard);
    button->setObjectName(AsciiText(name));
    button->setIcon(StyleIcon(image));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setProperty(HintProperty, AsciiText(hint));
    button->setToolTip(ToQString(GetShortHint(hint)));
    button->setAccessibleName(ToQString(GetShortHint(hint)));  // a screen reader names the button as its menu command
    button->installEventFilter(this);
    tbrStandard->addWidget(button);
    connect(button, &QToolButton::clicked, this, Command(handler));
    return button;
}

QWidget* TMainForm::AddToolSeparator(const char* name)
{
    auto* separator = new QWidget(tbrStandard);
    separator->setObjectName(AsciiText(name));
    separator->setFixedWidth(8);
    tbrStandard->addWidget(separator);
    return separator;
}

void TMainForm::CreateToolBar()
{
    ControlBar1 = new QFrame(this);
    ControlBar1->setObjectName(QStringLiteral("ControlBar1"));
    ControlBar1->setFixedHeight(28);
    ControlBar1->setStyleSheet(QStringLiteral("#ControlBar1 { border-top: 1px solid palette(mid); }"));

    tbrStandard = new QToolBar(QStringLiteral("Standard"), ControlBar1);
    tbrStandard->setObjectName(QStringLiteral("tbrStandard"));
    tbrStandard->setMovable(false);
    tbrStandard->setFloatable(false);
    tbrStandard->setIconSize(QSize(16, 16));
    tbrStandard->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbrStandard->setStyleSheet(QStringLiteral("QToolBar { border: none; spacing: 0px; }"));

    tbtnNew = AddToolButton("tbtnNew", imgNew, "New|Create a new stylesheet", &TMainForm::New1Click);
    ToolButton2 = AddToolSeparator("ToolButton2");
    tbtnOpen = AddToolButton("tbtnOpen", imgOpen, "Open|Open an existing stylesheet", &TMainForm::tbtnOpenClick);
    tbtnSave = AddToolButton("tbtnSave", imgSave, "Save|Save the current stylesheet", &TMainForm::Save1Click);
    ToolButton1 = AddToolSeparator("ToolButton1");
    tbtnStyleDelete = AddToolButton("tbtnStyleDelete", imgDelete, "Delete|Delete the current style",
                                    &TMainForm::mnuDeleteClick);
    tbtnAddStyle = AddToolButton("tbtnAddStyle", imgAdd, "Add|Add a new style", &TMainForm::mnuAddClick);
    tbtnEditStyle = AddToolButton("tbtnEditStyle", imgEdit, "Edit|Edit the current style",
                                  &TMainForm::lvStylesDblClick);

    auto* layout = new QHBoxLayout(ControlBar1);
    layout->setContentsMargins(2, 2, 2, 0);
    layout->setSpacing(0);
    layout->addWidget(tbrStandard);
    layout->addStretch(1);
}

void TMainForm::CreateStyleList()
{
    auto* view = new TStyleListView(this);
    view->setObjectName(QStringLiteral("lvStyles"));
    lvStyles = view;
    stylesModel_ = new TStyleListModel(styles_, this);
    stylesModel_->Bind(view);
    for (std::size_t i = 0; i < StyleColumns.size(); ++i)
        view->header()->resizeSection(static_cast<int>(i), StyleColumns[i].Width);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmnuStyles->popup(lvStyles->viewport()->mapToGlobal(at)); });
    connect(view, &TStyleListView::Click, this, Command(&TMainForm::lvStylesClick));
    connect(view, &TStyleListView::DblClick, this, Command(&TMainForm::lvStylesDblClick));
}

void TMainForm::CreateEditor()
{
    SynCssSyn1 = std::make_unique<TSynCssSyn>();
    SynCssSyn1->CommentAttri()->SetStyle(fsItalic);
    SynCssSyn1->KeyAttri()->SetStyle(fsBold);
    seEditor = new TSynEdit(this);
    seEditor->setObjectName(QStringLiteral("seEditor"));
    seEditor->setAccessibleName(QStringLiteral("Source"));
    seEditor->SetHighlighter(SynCssSyn1.get());
    seEditor->Lines().Add("seEditor");  // the design-time text, which FormCreate removes
}

void TMainForm::CreateStatusBar()
{
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    setStatusBar(StatusBar);
}

void TMainForm::LayOut()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    Splitter1 = new TSplitter(lvStyles, seEditor, 150, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    new TSplitLayout(central, ControlBar1, lvStyles, Splitter1, seEditor);
    setCentralWidget(central);
    setTabOrder(lvStyles, seEditor);
    lvStyles->setFocus();
}

void TMainForm::SetCaption(const std::string& caption)
{
    // Qt reads "[*]" in a title as the modified marker; doubled, it shows as itself.
    setWindowTitle(ToQString(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

std::vector<std::string> TMainForm::PaneLines() const
{
    const TSynEditList& lines = seEditor->Lines();
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i)
        result.emplace_back(lines.Get(i));
    return result;
}

bool TMainForm::event(QEvent* event)
{
    // Qt's own status tips would write over the hint in the status bar; the hints take their place.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // The long hint of the menu item under the mouse, enabled or not; nothing over a separator.
    if (event->type() == QEvent::MouseMove && (watched == File1 || watched == Style1 || watched == Help1)) {
        const auto* menu = static_cast<QMenu*>(watched);
        const QAction* action = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        Application().SetHint(action == nullptr || action->isSeparator() ? "" : GetLongHint(HintOf(action)));
    }
    // A tool button's long hint is the application's hint while the mouse is over it.
    if (watched->parent() == tbrStandard) {
        if (event->type() == QEvent::Enter)
            Application().SetHint(GetLongHint(HintOf(watched)));
        else if (event->type() == QEvent::Leave)
            Application().SetHint("");
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormCreate()
{
    FileName.clear();
    seEditor->Clear();
}

void TMainForm::ApplicationEventsIdle()
{
    pmnuStylesPopup();
}

void TMainForm::ApplicationEventsHint()
{
    const std::string& hint = Application().Hint();
    if (!hint.empty())
        StatusBar->showMessage(ToQString(hint));
    else
        StatusBar->clearMessage();
    StatusBar->repaint();
}

void TMainForm::pmnuStylesPopup()
{
    const bool selected = styles_.SelectedIndex() >= 0;
    pmnuEdit->setEnabled(selected);
    pmnuDelete->setEnabled(selected);
    mnuEdit->setEnabled(pmnuEdit->isEnabled());
    mnuDelete->setEnabled(pmnuDelete->isEnabled());
    tbtnStyleDelete->setEnabled(pmnuDelete->isEnabled());
    tbtnEditStyle->setEnabled(pmnuEdit->isEnabled());
}

void TMainForm::Style1Click()
{
    pmnuStylesPopup();
}

void TMainForm::lvStylesClick()
{
    pmnuStylesPopup();
}

void TMainForm::File1Click()
{
    HTMLCode1->setEnabled(!FileName.empty());
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::New1Click()
{
    FileName.clear();
    SetCaption("Pindle");
    styles_.Clear();
    seEditor->Clear();
    SetFormat({});
}

void TMainForm::SetFormat(const TStylesheetFormat& format)
{
    format_ = format;
    seEditor->SetEncoding(format.Encoding);
    stylesModel_->SetEncoding(format.Encoding);
}

void TMainForm::tbtnOpenClick()
{
    const std::optional<std::string> chosen = Desktop().ExecuteFileDialog(this, OpenDialog);
    if (!chosen)
        return;
    LoadFromFile(*chosen);
}

void TMainForm::Save1Click()
{
    if (!FileName.empty())
        SaveToFile(FileName);
    else
        SaveAs1Click();
}

void TMainForm::SaveAs1Click()
{
    const std::optional<std::string> chosen = Desktop().ExecuteFileDialog(this, SaveDialog);
    if (!chosen)
        return;
    SaveToFile(*chosen);
}

void TMainForm::LoadFromFile(const std::string& name)
{
    // The whole file is read before anything of the current document goes, so a file that cannot
    // be read costs the user nothing.
    TReadDocument read;
    const TStylesheetFormat format = ReadStylesheet(name, read);
    New1Click();
    SetFormat(format);
    styles_.Assign(std::move(read.Rows));
    seEditor->Lines().AddStrings(std::move(read.Lines));
    FileName = name;
    SetCaption("Pindle - [ " + PathText(name) + "]");
    ReportOldCopies(this, name);
}

void TMainForm::SaveToFile(const std::string& name)
{
    WriteStylesheetLines(name, styles_.Rows(), TPaneLines(seEditor->Lines()), format_);
    FileName = name;
    SetCaption("Pindle - [" + PathText(name) + "]");
    HTMLCode1Click();
    ReportOldCopies(this, name);
}

void TMainForm::HTMLCode1Click()
{
    const std::string link = HtmlLinkCode(PathText(FileNamePart(FileName)));
    Desktop().SetClipboardText(link);
    Desktop().MessageBeep(TBeep::Exclamation);
    Desktop().MessageBox(this, TMsgDlgType::mtInformation, "Information",
                         "The code to use the stylesheet has been copied to the clipboard as \r\n" + link);
}

bool TMainForm::EditStyle(TStyleRow& row)
{
    if (StyleDlg == nullptr)
        StyleDlg = new TStyleDlg(this);
    StyleDlg->SetEncoding(format_.Encoding);
    if (!pindle::EditStyle(*StyleDlg, row))
        return false;
    for (int i = 0; i < styles_.Count(); ++i) {
        if (&styles_.Row(i) == &row) {
            styles_.NotifyRowChanged(i);
            break;
        }
    }
    return true;
}

void TMainForm::lvStylesDblClick()
{
    TStyleRow* row = styles_.Selected();
    if (row == nullptr)
        return;
    EditStyle(*row);
}

void TMainForm::mnuAddClick()
{
    styles_.AppendEmptyRow();
    const int added = styles_.Count() - 1;
    // The new row stays in sight at the end of the table while the dialog fills it; the table learns
    // its new height first.
    lvStyles->doItemsLayout();
    lvStyles->scrollTo(lvStyles->model()->index(added, 0));
    bool confirmed = false;
    try {
        confirmed = EditStyle(styles_.Row(added));
    } catch (...) {
        // A failed edit must not leave an empty rule behind, which a save would write.
        styles_.DeleteRow(added);
        throw;
    }
    if (!confirmed)
        styles_.DeleteRow(added);
}

void TMainForm::mnuDeleteClick()
{
    if (styles_.SelectedIndex() < 0)
        return;
    Desktop().MessageBeep(TBeep::Question);
    const int answer = Desktop().MessageBox(this, TMsgDlgType::mtConfirmation, "Confirm",
                                            "Are you sure that you wish to delete the selected item?");
    if (answer != mrYes)
        return;
    const int selected = styles_.SelectedIndex();
    if (selected >= 0)
        styles_.DeleteRow(selected);
}

void TMainForm::About1Click()
{
    if (frmSplash == nullptr)
        frmSplash = new TfrmSplash();
    // The window itself has the focus when it opens, so that Enter and Space close it; Tab goes on
    // to the web address.
    frmSplash->setFocus(Qt::ActiveWindowFocusReason);
    frmSplash->exec();
}

}  // namespace pindle
