#include "dialogs/Style.h"

#include "colour/ColorList.h"
#include "colour/Colors.h"
#include "colour/widget/FnpComboColor.h"
#include "dialogs/StyleIcons.h"
#include "dialogs/StyleTransfer.h"
#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"
#include "platform/Exceptions.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionGroupBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <set>

namespace pindle {

TStyleDlg::TModalHook TStyleDlg::modalHook_;

namespace {

constexpr int ClientWidth = 478;
constexpr int ClientHeight = 372;
constexpr int ButtonStripHeight = 36;
constexpr int ButtonPanelWidth = 159;
constexpr int ListItemHeight = 13;
constexpr int ComboHeight = 21;
constexpr int CustomLabelWidth = 91;

const char* const MoveRightHint = "|Add the selected system font";
const char* const RemoveHint = "|Remove the selected font";

// List boxes of the dialog show their entries at a fixed height. The entry that has the focus but
// is not selected gets a plain dotted frame: the style's focus frame is tinted like a selection,
// which made an unselected entry look chosen.
class TFixedHeightDelegate final : public QStyledItemDelegate {
public:
    TFixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool focusOnly =
            (option.state & QStyle::State_HasFocus) != 0 && (option.state & QStyle::State_Selected) == 0;
        if (!focusOnly) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if ((option.state & QStyle::State_KeyboardFocusChange) == 0)
            return;
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

private:
    int height_;
};

// Group boxes with the title on the frame's top line, as the dialog's layout was drawn for: the line
// runs through the middle of the title, so the controls placed from 20 pixels down sit inside the
// frame, clear of the title. (The common styles put the title above the frame, which then starts
// lower and cuts through the first row of controls.)
class TGroupBoxStyle final : public QProxyStyle {
public:
    static constexpr int TitleLeft = 8;
    static constexpr int TitlePadding = 2;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || box == nullptr)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const QFontMetrics metrics = box->fontMetrics;
        const QRect title(TitleLeft, 0, metrics.horizontalAdvance(box->text) + 2 * TitlePadding, metrics.height());
        const QRect frame = box->rect.adjusted(0, metrics.height() / 2, 0, 0);
        switch (part) {
        case SC_GroupBoxLabel:
            return title;
        case SC_GroupBoxFrame:
            return frame;
        case SC_GroupBoxContents:
            return frame.adjusted(1, 1, -1, -1);
        default:
            return QProxyStyle::subControlRect(control, option, part, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || box == nullptr) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // The frame, with a gap in its top line where the title stands, then the title. The plain
        // frame primitive: the styles' group box frame makes room for a title above itself.
        const QRect title = subControlRect(control, option, SC_GroupBoxLabel, widget);
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(*box);
        frame.lineWidth = 1;
        frame.rect = subControlRect(control, option, SC_GroupBoxFrame, widget);
        painter->save();
        painter->setClipRegion(QRegion(box->rect).subtracted(QRegion(title)));
        drawPrimitive(PE_Frame, &frame, painter, nullptr);
        painter->restore();
        drawItemText(painter, title, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                     (box->state & State_Enabled) != 0, box->text, QPalette::WindowText);
    }
};

QGroupBox* AddGroupBox(QWidget* parent, const char* title, const QRect& geometry, QStyle* style)
{
    auto* box = new QGroupBox(AsciiText(title), parent);
    box->setStyle(style);
    box->setGeometry(geometry);
    return box;
}

// The font at which `text` fits `width` pixels: the given font, or else the same family drawn
// narrower, or at last smaller, so that a label keeps its place without being cut off.
QFont FontToFit(const QFont& font, const QString& text, int width)
{
    QFont fitted = font;
    for (int stretch = 100; stretch >= 70; stretch -= 5) {
        fitted.setStretch(stretch);
        if (QFontMetrics(fitted).horizontalAdvance(text) <= width)
            return fitted;
    }
    fitted.setStretch(QFont::AnyStretch);
    while (fitted.pixelSize() > 6 && QFontMetrics(fitted).horizontalAdvance(text) > width)
        fitted.setPixelSize(fitted.pixelSize() - 1);
    return fitted;
}

QLabel* AddLabel(QWidget* parent, const char* text, int left, int top)
{
    auto* label = new QLabel(AsciiText(text), parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The captions of edit boxes, drop-down lists and list boxes stand 15 pixels above them; nullptr
// for a control whose caption stands elsewhere. The caption is the control's buddy, so that a screen
// reader names the control by it (and not by its group box).
QLabel* AddCaption(QWidget* parent, const char* caption, int left, int top)
{
    return caption != nullptr ? AddLabel(parent, caption, left, top - 15) : nullptr;
}

template <typename TControl>
TControl* WithCaption(QLabel* caption, TControl* control)
{
    if (caption != nullptr)
        caption->setBuddy(control);
    return control;
}

QLineEdit* AddEdit(QWidget* parent, const char* caption, int left, int top, int width)
{
    auto* edit = WithCaption(AddCaption(parent, caption, left, top), new QLineEdit(parent));
    edit->setGeometry(left, top, width, 21);
    return edit;
}

QComboBox* AddDropDown(QWidget* parent, const char* caption, int left, int top,
                       std::initializer_list<const char*> entries)
{
    auto* box = WithCaption(AddCaption(parent, caption, left, top), new QComboBox(parent));
    box->setEditable(false);
    box->setGeometry(left, top, 96, ComboHeight);
    for (const char* entry : entries)
        box->addItem(AsciiText(entry));
    return box;
}

QListWidget* AddListBox(QWidget* parent, const char* caption, int left, int top)
{
    auto* list = WithCaption(AddCaption(parent, caption, left, top), new QListWidget(parent));
    list->setAccessibleName(AsciiText(caption));  // a list view takes no name from its buddy
    list->setGeometry(left, top, 196, 128);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setItemDelegate(new TFixedHeightDelegate(ListItemHeight, list));
    return list;
}

QToolButton* AddSpeedButton(QWidget* parent, int left, int top, bool flat)
{
    auto* button = new QToolButton(parent);
    button->setGeometry(left, top, 23, 22);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(flat);
    return button;
}

// The selected entry of a single-selection list box, -1 when none.
int SelectedRow(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? list->row(item) : -1;
}

void SelectRow(QListWidget* list, int row)
{
    if (row < 0) {
        list->clearSelection();
        list->setCurrentItem(nullptr);
        return;
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

std::vector<std::string> ListEntries(const QListWidget* list, TTextEncoding encoding)
{
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i)
        entries.push_back(FromQString(list->item(i)->text(), encoding));
    return entries;
}

// Qt names a family that several foundries provide "Family [foundry]"; a stylesheet knows the
// family name alone.
QString WithoutFoundry(const QString& family)
{
    const qsizetype bracket = family.lastIndexOf(QStringLiteral(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

// Installed families, every one of them, as UTF-8 names. The lists of the dialog hold names as they
// are shown; a document's encoding applies only when Ok writes them into the rule.
std::vector<std::string> InstalledFontFamilies()
{
    std::set<std::string> names;
    for (const QString& qualified : QFontDatabase::families())
        names.insert(FromQString(WithoutFoundry(qualified)));
    names.insert("Default");
    return {names.begin(), names.end()};
}

}  // namespace

TStyleDlg::TStyleDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Style"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);
    // The layout was drawn for a small 11-pixel-high sans serif; the application's font at 10 pixels
    // has that height and keeps every label inside its place.
    QFont dialogFont = QApplication::font();
    dialogFont.setPixelSize(10);
    setFont(dialogFont);

    CreateButtons();
    CreatePages();
    CreateTabOrder();
    ConnectEvents();
    FormCreate();
}

void TStyleDlg::CreateButtons()
{
    const int panelLeft = ClientWidth - ButtonPanelWidth;
    const int stripTop = ClientHeight - ButtonStripHeight;
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setGeometry(panelLeft + 5, stripTop + 5, 75, 25);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setGeometry(panelLeft + 80, stripTop + 5, 75, 25);
}

void TStyleDlg::CreatePages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(0, 0, ClientWidth, ClientHeight - ButtonStripHeight);
    tbshtTag = new QWidget;
    tbshtFont = new QWidget;
    tbshtMisc = new QWidget;
    PageControl1->addTab(tbshtTag, QStringLiteral("Tag"));
    PageControl1->addTab(tbshtFont, QStringLiteral("Font"));
    PageControl1->addTab(tbshtMisc, QStringLiteral("Miscellaneous"));
    CreateTagPage();
    CreateFontPage();
    CreateMiscPage();
}

void TStyleDlg::CreateTagPage()
{
    edtHTMLTag = AddEdit(tbshtTag, "HTML Tag", 10, 25, 101);
    edtStyleName = AddEdit(tbshtTag, "Style name", 120, 25, 186);
    edtComment = AddEdit(tbshtTag, "Comment", 10, 70, 296);
}

void TStyleDlg::CreateFontPage()
{
    lbSystemFonts = AddListBox(tbshtFont, "System fonts", 10, 25);

    sbtnMoveRight = AddSpeedButton(tbshtFont, 212, 30, false);
    sbtnMoveRight->setText(QStringLiteral(">"));
    sbtnRemove = AddSpeedButton(tbshtFont, 212, 55, false);
    sbtnRemove->setText(QStringLiteral("<"));
    sbtnMoveRight->setAccessibleName(QStringLiteral("Add selected font"));
    sbtnRemove->setAccessibleName(QStringLiteral("Remove selected font"));
    // Hint-only buttons: their long hint goes to the status bar, no tooltip.
    sbtnMoveRight->installEventFilter(this);
    sbtnRemove->installEventFilter(this);

    lbFontFamily = AddListBox(tbshtFont, "Font family", 240, 25);
    // The buttons beside the lists take no focus; their keys in the lists do what they do.
    lbSystemFonts->setAccessibleDescription(QStringLiteral("Space or Insert adds the selected font to the font family"));
    lbFontFamily->setAccessibleDescription(
        QStringLiteral("Delete removes the selected font, Alt+Up and Alt+Down move it, Insert adds the custom font"));
    lbSystemFonts->installEventFilter(this);
    lbFontFamily->installEventFilter(this);

    sbtnMoveUp = AddSpeedButton(tbshtFont, 440, 110, true);
    sbtnMoveUp->setIcon(ArrowIcon(true));
    sbtnMoveDown = AddSpeedButton(tbshtFont, 440, 132, true);
    sbtnMoveDown->setIcon(ArrowIcon(false));
    sbtnMoveUp->setAccessibleName(QStringLiteral("Move font up"));
    sbtnMoveDown->setAccessibleName(QStringLiteral("Move font down"));

    // 91 pixels wide at x 10, right-aligned; a font wider than the one the layout was drawn for is
    // drawn narrower there rather than pushing the label out of its place.
    auto* customLabel = new QLabel(QStringLiteral("Custom font family"), tbshtFont);
    customLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    customLabel->setFont(FontToFit(customLabel->font(), customLabel->text(), CustomLabelWidth));
    customLabel->setGeometry(10, 170, CustomLabelWidth, customLabel->sizeHint().height());
    edtCustomFont = AddEdit(tbshtFont, nullptr, 110, 165, 331);
    customLabel->setBuddy(edtCustomFont);
    sbtnAddFont = AddSpeedButton(tbshtFont, 440, 165, true);
    sbtnAddFont->setIcon(FontIcon());
    sbtnAddFont->setIconSize(QSize(16, 16));
    sbtnAddFont->setAccessibleName(QStringLiteral("Add custom font"));
}

void TStyleDlg::CreateMiscPage()
{
    auto* groupStyle = new TGroupBoxStyle;
    groupStyle->setParent(this);
    GroupBox3 = AddGroupBox(tbshtMisc, "Font details", {10, 5, 366, 66}, groupStyle);
    cboFontWeight = AddDropDown(GroupBox3, "Weight", 10, 35, {"", "normal", "bold"});
    cboFontStyle = AddDropDown(GroupBox3, "Style", 110, 35, {"", "normal", "italic", "oblique"});
    cboFontDecoration = AddDropDown(GroupBox3, "Decoration", 210, 35,
                                    {"", "none", "blink", "line-through", "overline", "underline"});

    GroupBox2 = AddGroupBox(tbshtMisc, "Sizes/Spacing", {10, 80, 366, 91}, groupStyle);
    AddLabel(GroupBox2, "These values have to be in point size (pt) or text (normal, etc)", 10, 20);
    edtFontSize = AddEdit(GroupBox2, "Font size", 10, 55, 71);
    edtLineHeight = AddEdit(GroupBox2, "Line height", 85, 55, 71);
    edtLetterSp = AddEdit(GroupBox2, "Letter sp.", 160, 55, 71);
    edtWordSp = AddEdit(GroupBox2, "Word sp.", 235, 55, 71);

    GroupBox1 = AddGroupBox(tbshtMisc, "Colors", {10, 180, 366, 76}, groupStyle);
    cbxForeground = new QCheckBox(QStringLiteral("Foreground"), GroupBox1);
    cbxForeground->setGeometry(15, 20, 97, 17);
    cbxBackground = new QCheckBox(QStringLiteral("Background"), GroupBox1);
    cbxBackground->setGeometry(185, 20, 97, 17);
    fccForeground = new TFnpComboColor(GroupBox1);
    fccForeground->setGeometry(15, 40, 126, 22);
    fccBackground = new TFnpComboColor(GroupBox1);
    fccBackground->setGeometry(185, 40, 126, 22);
    fccForeground->setAccessibleName(QStringLiteral("Foreground color"));
    fccBackground->setAccessibleName(QStringLiteral("Background color"));
}

// Qt follows one focus chain through the whole window; pages that are hidden are skipped.
void TStyleDlg::CreateTabOrder()
{
    const std::vector<QWidget*> chain = {
        btnCancel, btnOk, PageControl1,
        edtStyleName, edtHTMLTag, edtComment,
        lbFontFamily, edtCustomFont, lbSystemFonts,
        cbxForeground, cbxBackground, fccForeground, fccBackground,
        edtFontSize, edtLineHeight, edtLetterSp, edtWordSp,
        cboFontWeight, cboFontStyle, cboFontDecoration,
    };
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void TStyleDlg::ConnectEvents()
{
    connect(btnOk, &QPushButton::clicked, this, &TStyleDlg::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TStyleDlg::btnCancelClick);
    connect(sbtnMoveRight, &QToolButton::clicked, this, &TStyleDlg::sbtnMoveRightClick);
    connect(sbtnRemove, &QToolButton::clicked, this, &TStyleDlg::sbtnRemoveClick);
    connect(sbtnMoveUp, &QToolButton::clicked, this, &TStyleDlg::sbtnMoveUpClick);
    connect(sbtnMoveDown, &QToolButton::clicked, this, &TStyleDlg::sbtnMoveDownClick);
    connect(sbtnAddFont, &QToolButton::clicked, this, &TStyleDlg::sbtnAddFontClick);
    connect(lbSystemFonts, &QListWidget::itemDoubleClicked, this, &TStyleDlg::sbtnMoveRightClick);
    connect(lbFontFamily, &QListWidget::itemDoubleClicked, this, &TStyleDlg::sbtnRemoveClick);

    // Only the user's own choices count as touching a control; loading a row does not.
    connect(cboFontWeight, &QComboBox::activated, this, [this] { keptWeight_.Kept = false; });
    connect(cboFontStyle, &QComboBox::activated, this, [this] { keptStyle_.Kept = false; });
    connect(cboFontDecoration, &QComboBox::activated, this, [this] { keptDecoration_.Kept = false; });
    connect(cbxForeground, &QCheckBox::clicked, this, [this] { keptForeground_.Kept = false; });
    connect(fccForeground, &QComboBox::activated, this, [this] { keptForeground_.Kept = false; });
    connect(cbxBackground, &QCheckBox::clicked, this, [this] { keptBackground_.Kept = false; });
    connect(fccBackground, &QComboBox::activated, this, [this] { keptBackground_.Kept = false; });
}

void TStyleDlg::FormCreate()
{
    PageControl1->setCurrentIndex(0);
    edtHTMLTag->setFocus();
    AddNamedColors(*fccForeground);
    AddNamedColors(*fccBackground);
    for (const std::string& name : InstalledFontFamilies())
        AddSystemFont(name);
    SetValues("", "", "", "", "", "", "", "", "", "", "", "", "");
}

void TStyleDlg::AddNamedColors(TFnpComboColor& combo)
{
    combo.SetSortBy(TSortBy::ccsUnsorted);
    for (const TNamedColor& color : NamedColors())
        combo.AddColor(color.Name, color.Value);
    combo.SetSortBy(TSortBy::ccsColor);
}

void TStyleDlg::SetValues(const std::string& tag, const std::string& styleName, const std::string& fontFamily,
                          const std::string& fontWeight, const std::string& fontStyle,
                          const std::string& decoration, const std::string& fontSize,
                          const std::string& lineHeight, const std::string& letterSpacing,
                          const std::string& wordSpacing, const std::string& foreground,
                          const std::string& background, const std::string& comment)
{
    edtHTMLTag->setText(ToQString(tag, encoding_));
    edtStyleName->setText(ToQString(styleName, encoding_));

    lbFontFamily->clear();
    for (const std::string& name : SplitFontFamily(fontFamily))
        lbFontFamily->addItem(ToQString(name, encoding_));

    LoadDropDown(cboFontWeight, fontWeight, keptWeight_);
    LoadDropDown(cboFontStyle, fontStyle, keptStyle_);
    LoadDropDown(cboFontDecoration, decoration, keptDecoration_);

    edtFontSize->setText(ToQString(fontSize, encoding_));
    edtLineHeight->setText(ToQString(lineHeight, encoding_));
    edtLetterSp->setText(ToQString(letterSpacing, encoding_));
    edtWordSp->setText(ToQString(wordSpacing, encoding_));

    LoadColor(cbxForeground, fccForeground, foreground, keptForeground_);
    LoadColor(cbxBackground, fccBackground, background, keptBackground_);

    edtComment->setText(ToQString(comment, encoding_));

    PageControl1->setCurrentIndex(0);
    edtHTMLTag->setFocus();
}

void TStyleDlg::LoadDropDown(QComboBox* box, const std::string& text, TKeptText& kept)
{
    // MatchFixedString alone is the case-insensitive exact match.
    const int index = box->findText(ToQString(text, encoding_), Qt::MatchFixedString);
    box->setCurrentIndex(index);
    kept = {text, index < 0 && !text.empty()};
}

void TStyleDlg::LoadColor(QCheckBox* check, TFnpComboColor* combo, const std::string& text, TKeptText& kept)
{
    check->setChecked(!text.empty());
    kept = {text, false};
    if (text.empty())
        return;
    try {
        const std::int32_t value = HexToColor(text);
        kept.Kept = IndexOfColor(combo->Entries(), value) < 0;
        combo->SetSelectedColor(value);
    } catch (const EConvertError&) {
        kept.Kept = true;
    }
    // A colour no entry has shows as no entry at all, not as whatever the previous row selected.
    if (kept.Kept)
        combo->setCurrentIndex(-1);
}

std::string TStyleDlg::DropDownText(const QComboBox* box, const TKeptText& kept)
{
    if (kept.Kept)
        return kept.Text;
    // The entries are the program's own ASCII words.
    return box->currentIndex() < 0 ? std::string() : FromQString(box->currentText());
}

std::string TStyleDlg::ColorText(const QCheckBox* check, const TFnpComboColor* combo, const TKeptText& kept)
{
    if (kept.Kept)
        return kept.Text;
    if (!check->isChecked())
        return {};
    // Appended, not `"#" + hex`: g++ 12 at -O3 warns falsely (-Wrestrict) of the insertion in front.
    std::string text = "#";
    text += ColorToHex(combo->SelectedColor());
    return text;
}

std::string TStyleDlg::FontWeightText() const { return DropDownText(cboFontWeight, keptWeight_); }
std::string TStyleDlg::FontStyleText() const { return DropDownText(cboFontStyle, keptStyle_); }
std::string TStyleDlg::DecorationText() const { return DropDownText(cboFontDecoration, keptDecoration_); }
std::string TStyleDlg::ForegroundText() const { return ColorText(cbxForeground, fccForeground, keptForeground_); }
std::string TStyleDlg::BackgroundText() const { return ColorText(cbxBackground, fccBackground, keptBackground_); }
std::vector<std::string> TStyleDlg::FontFamilyEntries() const { return ListEntries(lbFontFamily, encoding_); }
std::vector<std::string> TStyleDlg::SystemFontEntries() const
{
    return ListEntries(lbSystemFonts, TTextEncoding::Utf8);
}

void TStyleDlg::SetModalHook(TModalHook hook)
{
    modalHook_ = std::move(hook);
}

int TStyleDlg::ShowModal()
{
    setResult(mrNone);
    if (modalHook_)
        return modalHook_(*this);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    return exec();
}

void TStyleDlg::btnOkClick()
{
    std::string message;
    if (edtHTMLTag->text().isEmpty()) {
        message += "A HTML tag is required\r\n";
        PageControl1->setCurrentWidget(tbshtTag);
    }
    // What the rule is written from must fit the document's encoding, or nothing is written.
    QString written = edtHTMLTag->text() + edtStyleName->text() + edtFontSize->text() + edtLineHeight->text() +
                      edtLetterSp->text() + edtWordSp->text() + edtComment->text();
    for (int i = 0; i < lbFontFamily->count(); ++i)
        written += lbFontFamily->item(i)->text();
    if (const QString missing = CharactersNotHeld(written, encoding_); !missing.isEmpty())
        message += CannotHoldMessage(encoding_, FromQString(missing)) + "\r\n";
    if (!message.empty()) {
        Desktop().MessageBeep(TBeep::Exclamation);
        Desktop().MessageBox(this, TMsgDlgType::mtWarning, "Warning", message);
        return;
    }
    done(mrOk);
}

void TStyleDlg::btnCancelClick()
{
    done(mrCancel);
}

// Esc and the window frame's close button end the dialog like Cancel.
void TStyleDlg::reject()
{
    done(mrCancel);
}

void TStyleDlg::sbtnMoveRightClick()
{
    const int row = SelectedRow(lbSystemFonts);
    if (row < 0)
        return;
    const QString name = lbSystemFonts->item(row)->text();
    delete lbSystemFonts->takeItem(row);
    SelectRow(lbSystemFonts, -1);
    lbFontFamily->addItem(name);
}

void TStyleDlg::sbtnRemoveClick()
{
    const int row = SelectedRow(lbFontFamily);
    if (row < 0)
        return;
    const std::string name = FromQString(lbFontFamily->item(row)->text());
    delete lbFontFamily->takeItem(row);
    SelectRow(lbFontFamily, -1);
    AddSystemFont(name);
}

void TStyleDlg::sbtnMoveUpClick()
{
    const int row = SelectedRow(lbFontFamily);
    if (row <= 0)
        return;
    QListWidgetItem* item = lbFontFamily->takeItem(row);
    lbFontFamily->insertItem(row - 1, item);
    SelectRow(lbFontFamily, row - 1);
}

void TStyleDlg::sbtnMoveDownClick()
{
    const int row = SelectedRow(lbFontFamily);
    if (row < 0 || row >= lbFontFamily->count() - 1)
        return;
    QListWidgetItem* item = lbFontFamily->takeItem(row);
    lbFontFamily->insertItem(row + 1, item);
    SelectRow(lbFontFamily, row + 1);
}

void TStyleDlg::sbtnAddFontClick()
{
    lbFontFamily->addItem(edtCustomFont->text());
}

// Keeps the system list sorted without letter case; a name equal to existing ones goes after them.
void TStyleDlg::AddSystemFont(const std::string& name)
{
    const std::string key = LowerName(name);
    int low = 0;
    int high = lbSystemFonts->count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (key < LowerName(FromQString(lbSystemFonts->item(middle)->text())))
            high = middle;
        else
            low = middle + 1;
    }
    lbSystemFonts->insertItem(low, ToQString(name));
}

// The keys of the font lists, each the action of a button beside them, on the entry that has the
// keyboard focus. After an entry has left a list the keyboard stays at its place there, so that the
// next entry is one key away.
bool TStyleDlg::ListKey(QListWidget* list, const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    void (TStyleDlg::*action)() = nullptr;
    if (list == lbSystemFonts && modifiers == Qt::NoModifier &&
        (key.key() == Qt::Key_Insert || key.key() == Qt::Key_Space))
        action = &TStyleDlg::sbtnMoveRightClick;
    else if (list == lbFontFamily && modifiers == Qt::NoModifier && key.key() == Qt::Key_Delete)
        action = &TStyleDlg::sbtnRemoveClick;
    else if (list == lbFontFamily && modifiers == Qt::NoModifier && key.key() == Qt::Key_Insert)
        action = &TStyleDlg::sbtnAddFontClick;
    else if (list == lbFontFamily && modifiers == Qt::AltModifier && key.key() == Qt::Key_Up)
        action = &TStyleDlg::sbtnMoveUpClick;
    else if (list == lbFontFamily && modifiers == Qt::AltModifier && key.key() == Qt::Key_Down)
        action = &TStyleDlg::sbtnMoveDownClick;
    if (action == nullptr)
        return false;
    // The entry with the keyboard focus is the one the key is meant for, selected or not.
    const int row = list->currentRow();
    if (row >= 0 && SelectedRow(list) < 0)
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    (this->*action)();
    if (list->currentItem() == nullptr && row >= 0 && list->count() > 0)
        list->selectionModel()->setCurrentIndex(list->model()->index(std::min(row, list->count() - 1), 0),
                                                QItemSelectionModel::NoUpdate);
    return true;
}

bool TStyleDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == lbSystemFonts || watched == lbFontFamily) &&
        ListKey(static_cast<QListWidget*>(watched), *static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == sbtnMoveRight || watched == sbtnRemove) {
        if (event->type() == QEvent::Enter)
            Application().SetHint(GetLongHint(watched == sbtnMoveRight ? MoveRightHint : RemoveHint));
        else if (event->type() == QEvent::Leave)
            Application().SetHint("");
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pindle
