// The real desktop: Qt's message boxes, clipboard, file dialogs and URL handling.
#include "platform/qt/Desktop.h"

#include "platform/Encoding.h"
#include "platform/HugePages.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <memory>

namespace pindle {
namespace {

constexpr const char* DefaultExtension = "css";

// Names a listed file's type from its name alone. Qt's own provider reads each file's first bytes to
// tell its type, on the user-interface thread: a file that blocks a read (/proc/kmsg) froze the
// program, and a folder of large files on a slow disk stalled it. Listing a folder opens no file.
class TFileTypeByName final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return QStringLiteral("Drive");
        if (info.isDir())
            return QStringLiteral("Folder");
        const QList<QMimeType> types = mimes_.mimeTypesForFileName(info.fileName());
        if (types.isEmpty() || types.constFirst().comment().isEmpty())
            return QStringLiteral("File");
        return types.constFirst().comment();
    }

private:
    QMimeDatabase mimes_;
};

// The program's Open and Save dialog. The default extension goes onto a typed name only when the
// name as typed names no file, so that an existing file without an extension can be opened (and is
// what Save asks to overwrite). `types` must outlive the dialog, whose file lister uses it.
class TFileDialog final : public QFileDialog {
public:
    TFileDialog(QWidget* parent, bool save, QAbstractFileIconProvider& types) : QFileDialog(parent)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setIconProvider(&types);
        setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // The Open dialog does not insist that the named file exists: the reader reports a missing one.
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontConfirmOverwrite, !save);
        setNameFilters({QStringLiteral("Cascading Style Sheets (*.css)"), QStringLiteral("All files (*)")});
        selectNameFilter(QStringLiteral("Cascading Style Sheets (*.css)"));
    }

    void accept() override
    {
        const QStringList typed = selectedFiles();
        if (typed.size() == 1) {
            const QFileInfo info(typed.constFirst());
            if (!info.exists() && !info.fileName().isEmpty() && !info.fileName().contains(QLatin1Char('.')))
                AddDefaultExtension(info.filePath());
        }
        QFileDialog::accept();
    }

protected:
    // The columns' widths are known once the dialog is laid out; it grows about its centre, inside
    // the screen.
    void showEvent(QShowEvent* event) override
    {
        QFileDialog::showEvent(event);
        const QRect before = frameGeometry();
        ShowEveryColumn();
        QPoint topLeft(before.center().x() - frameGeometry().width() / 2, before.top());
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - frameGeometry().width())));
        }
        move(topLeft);
    }

private:
    // The dialog takes the chosen name from its name box. selectFile leaves a box that has the focus
    // alone, as it has when the user pressed Enter in it: there the extension goes onto the typed text.
    void AddDefaultExtension(const QString& path)
    {
        const QString extension = QLatin1Char('.') + QLatin1String(DefaultExtension);
        if (auto* box = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); box != nullptr && box->hasFocus())
            box->setText(box->text() + extension);
        else
            selectFile(path + extension);
    }

    // The detail view's Size, Type and Date Modified columns as wide as their texts, beside a
    // roomy Name column, in a dialog wide enough to show all four.
    void ShowEveryColumn()
    {
        auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
        if (view == nullptr)
            return;
        const QFontMetrics metrics(view->font());
        const int padding = 2 * metrics.horizontalAdvance(QLatin1Char('M'));
        const QDateTime late(QDate(2000, 12, 28), QTime(23, 59, 59));
        const int widths[] = {
            metrics.horizontalAdvance(QStringLiteral("MMMMMMMMMMMMMMMMMMMM")),
            metrics.horizontalAdvance(QStringLiteral("999.9 KiB")),
            metrics.horizontalAdvance(QStringLiteral("CSS stylesheet")),
            metrics.horizontalAdvance(QLocale::system().toString(late, QLocale::ShortFormat)),
        };
        int total = 0;
        for (int column = 0; column < 4; ++column) {
            view->header()->resizeSection(column, widths[column] + padding);
            total += widths[column] + padding;
        }
        const int besideView = width() - view->width();
        resize(std::max(width(), besideView + total + view->verticalScrollBar()->sizeHint().width() + 2 * view->frameWidth()),
               std::max(height(), 480));
    }
};

class TQtDesktop final : public IDesktop {
public:
    void MessageBeep(TBeep) override { QApplication::beep(); }

    int MessageBox(QWidget* parent, TMsgDlgType type, const std::string& caption,
                   const std::string& text) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(ToQString(caption));
        // Plain text: the HTML Code message shows a link element, which must not be taken as markup.
        // A CR LF line break is one line break on this platform.
        box.setTextFormat(Qt::PlainText);
        box.setText(ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        switch (type) {
        case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
        case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
        case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
        case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
        }
        if (type != TMsgDlgType::mtConfirmation) {
            QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            box.exec();
            return mrOk;
        }
        // Yes stands left of No. Desktops that put "no" before "yes" reverse the Yes and No roles;
        // these two roles keep this order in every button layout Qt knows.
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::DestructiveRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? mrYes : mrNo;
    }

    void SetClipboardText(const std::string& text) override
    {
        SetClipboardTextOf(text.size(), [&](char* out) { std::memcpy(out, text.data(), text.size()); });
    }

    void SetClipboardTextOf(std::size_t size, const std::function<void(char*)>& write) override
    {
        Put(QClipboard::Clipboard, size, write);
    }

    std::string ClipboardText() override { return FromQString(QApplication::clipboard()->text()); }

    bool HasPrimarySelection() override { return QApplication::clipboard()->supportsSelection(); }

    void SetPrimaryText(const std::string& text) override
    {
        if (HasPrimarySelection())
            Put(QClipboard::Selection, text.size(), [&](char* out) { std::memcpy(out, text.data(), text.size()); });
    }

    std::string PrimaryText() override
    {
        return FromQString(QApplication::clipboard()->text(QClipboard::Selection));
    }

    void ShellOpen(QWidget*, const std::string& address) override
    {
        QDesktopServices::openUrl(QUrl::fromUserInput(ToQString(address)));
    }

    std::optional<std::string> ExecuteFileDialog(QWidget* parent, TFileDialogSettings& settings) override
    {
        TFileTypeByName types;
        TFileDialog dialog(parent, settings.Save, types);
        if (!settings.FileName.empty())
            dialog.selectFile(FileNameToQString(settings.FileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        settings.FileName = FileNameFromQString(dialog.selectedFiles().constFirst());
        return settings.FileName;
    }

private:
    // Valid UTF-8 goes to the clipboard as its bytes, offered as plain text, without a detour
    // through UTF-16 that would cost twice its size; other programs ask for exactly these bytes.
    // Other bytes are read as the text converter reads them. The buffer is filled in place.
    static void Put(QClipboard::Mode mode, std::size_t size, const std::function<void(char*)>& write)
    {
        QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
        AdviseHugePages(bytes.data(), size);
        write(bytes.data());
        const std::string_view text(bytes.constData(), size);
        if (!IsValidUtf8(text)) {
            QApplication::clipboard()->setText(ToQString(text), mode);
            return;
        }
        auto mime = std::make_unique<QMimeData>();
        mime->setData(QStringLiteral("text/plain;charset=utf-8"), bytes);
        mime->setData(QStringLiteral("text/plain"), bytes);
        QApplication::clipboard()->setMimeData(mime.release(), mode);
    }
};

IDesktop* replacement = nullptr;

}  // namespace

IDesktop& Desktop()
{
    static TQtDesktop real;
    return replacement != nullptr ? *replacement : real;
}

IDesktop* SetDesktop(IDesktop* desktop)
{
    IDesktop* previous = replacement;
    replacement = desktop;
    return previous;
}

}  // namespace pindle
