#include "app/Splash.h"

#include "app/Images.h"
#include "model/Utils.h"
#include "platform/qt/Accessible.h"
#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"
#include "platform/qt/QtText.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <filesystem>
#include <system_error>

namespace pindle {

TfrmSplash* frmSplash = nullptr;

std::string ProgramFileName()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("/proc/self/exe") : self.string();
}

namespace {

// "Arial" is served by its metric twin where it is not installed; "MS Sans Serif" by the sans face.
constexpr const char* Arial = "Arial";
constexpr const char* SansSerif = "Liberation Sans";

// What a screen reader is told of the web address: a link named by its text, which it can open.
class TLinkAccessible final : public QAccessibleWidget {
public:
    explicit TLinkAccessible(TLinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name || kind == QAccessible::Value)
            return Link()->text();
        return QAccessibleWidget::text(kind);
    }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }

    [[nodiscard]] QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << pressAction();
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            Link()->Activate();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    [[nodiscard]] TLinkLabel* Link() const { return static_cast<TLinkLabel*>(widget()); }
};

}  // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    InstallAccessible<TLinkLabel, TLinkAccessible>();
    setFocusPolicy(Qt::StrongFocus);
}

void TLinkLabel::Activate()
{
    if (OnActivate)
        OnActivate();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Activate();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void TLinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The focus shows as a frame in the link's own colour round its text.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TfrmSplash::TfrmSplash(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(ToQString(Application().Title()));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(SplashPicture());
    Image1->setFixedSize(SplashPicture().deviceIndependentSize().toSize());
    Image1->installEventFilter(this);

    lblVersion = AddLabel("lblVersion", 105, 100, QStringLiteral("Version "), PixelFont(Arial, 11, true));
    Label3 = AddLabel("Label3", 105, 120, QStringLiteral("A small editor for the styles of your web pages."),
                      PixelFont(Arial, 9));
    // The caption's "&&" shows as one "&"; a label here has no accelerator, so the text holds one.
    Label2 = AddLabel("Label2", 105, 135,
                      QStringLiteral("The Quillmere Web Tools are free & you are welcome to redistribute them."),
                      PixelFont(Arial, 9));
    Label2->setWordWrap(true);
    Label2->setFixedSize(231, 26);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label5 = AddLabel("Label5", 105, 165, QStringLiteral("For information visit:"), PixelFont(Arial, 11, true));

    QFont link = PixelFont(SansSerif, 11);
    link.setUnderline(true);
    lblWebSite = new TLinkLabel(AsciiText(ProductWebAddress), this);
    SetUpLabel(lblWebSite, "lblWebSite", 105, 180, link);
    lblWebSite->OnActivate = [this] { Application().Run([this] { lblWebSiteClick(); }); };
    QPalette green = lblWebSite->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    lblWebSite->setPalette(green);
    lblWebSite->setCursor(Qt::PointingHandCursor);

    FormCreate();
}

QLabel* TfrmSplash::AddLabel(const char* name, int left, int top, const QString& text, const QFont& font)
{
    auto* label = new QLabel(text, this);
    SetUpLabel(label, name, left, top, font);
    return label;
}

void TfrmSplash::SetUpLabel(QLabel* label, const char* name, int left, int top, const QFont& font)
{
    label->setObjectName(AsciiText(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    // Labels are drawn over the picture without a background of their own, in window-text black
    // (the window's own palette is black for its frame).
    label->setAutoFillBackground(false);
    QPalette ink = label->palette();
    ink.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(ink);
    label->move(left, top);
    label->adjustSize();
    label->installEventFilter(this);
}

void TfrmSplash::FormCreate()
{
    const std::string version = GetFileVersionField(ProgramFileName(), 2);
    lblVersion->setText(QStringLiteral("Version ") + ToQString(version));
    lblVersion->adjustSize();
    lblVersion->repaint();

    Image1->move(1, 1);
    setFixedSize(Image1->width() + 2, Image1->height() + 2);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TfrmSplash::Image1Click()
{
    close();
}

void TfrmSplash::lblWebSiteClick()
{
    // The address opened is the text the label shows; a failure to open it is not reported.
    Desktop().ShellOpen(Application().MainWindow(), FromQString(lblWebSite->text()));
}

void TfrmSplash::FormClose()
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Closed inside a message loop (the About box), Qt frees the window when control is back in the
    // loop. Closed before any loop runs (start-up), Qt files that deletion under a loop level the
    // outermost loop never serves, and the hidden window stayed for the whole run: a timer frees it
    // as soon as the loop runs.
    if (QThread::currentThread()->loopLevel() == 0)
        QTimer::singleShot(0, [window = QPointer<TfrmSplash>(this)] { delete window.data(); });
    frmSplash = nullptr;
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblWebSite)
            lblWebSite->Activate();
        else
            Application().Run([this] { Image1Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSplash::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TfrmSplash::keyPressEvent(QKeyEvent* event)
{
    // Esc, Enter and Space close the window as a click does (the web address, when it has the
    // focus, takes Enter and Space itself).
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        Application().Run([this] { Image1Click(); });
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

}  // namespace pindle
